// Integer weight tables of the image scaler: for each destination pixel, the source taps
// and their weights in units of 1/16384, summing to exactly 16384.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "image/resample_filter.h"

namespace brivo::fx {

// The weights' unit: 14 fractional bits.
inline constexpr int32_t kWeightUnit = 16384;

// Truncates toward zero into the int32 range: out-of-range values saturate, NaN gives 0.
int32_t truncateToInt32(double v);
inline int32_t floorToInt32(double v) {
    return truncateToInt32(std::floor(v));
}
inline int32_t ceilToInt32(double v) {
    return truncateToInt32(std::ceil(v));
}

// How one axis uses its filter: the kernel is evaluated at (distance / scale) and reaches
// support source pixels either side; width is the most taps a table can need.
struct AxisFilterParams {
    double scale = 1.0;
    double support = 0.5;
    int32_t width = 1;
};

// The taps i0 .. i1 - 1 (source pixels from the window's start) and their weights.
struct WeightTable {
    int32_t i0 = 0;
    int32_t i1 = 0;
    int32_t* weights = nullptr;
};

// The axis parameters of filter at scale s (destination pixels per source pixel): a
// reduction widens the filter by 1 / s, an enlargement uses it at its own width.
AxisFilterParams axisFilterParams(double s, const ResampleFilter& filter);

// Room a table needs along an axis of n source pixels: never more than n taps, and at
// most two beyond the axis width (the tap range is found in floating point).
int32_t weightTableCapacity(const AxisFilterParams& axis, int32_t n);

// Builds the table of the destination pixel whose centre lies at source position c
// (source pixel i has its centre at i + 0.5) into weights, which has room for capacity
// taps. trim drops zero weights at both ends. A table that would hold no weight at all
// becomes one tap of full weight at the range's centre, clamped into the axis.
WeightTable buildWeightTable(double c, const ResampleFilter& filter, const AxisFilterParams& axis,
                             int32_t n, bool trim, int32_t* weights, int32_t capacity);

// One table per destination pixel, side by side with a common stride; weights past a
// table's own taps are zero, so a pass may run every table over the full stride as long
// as its source holds stride - 1 readable pixels past the axis' end.
struct WeightTableSet {
    int32_t count = 0;
    int32_t stride = 0;
    std::vector<int32_t> first;    // i0 of each table
    std::vector<int32_t> taps;     // i1 - i0 of each table
    std::vector<int32_t> weights;  // count × stride
    // The largest sum of absolute weights of one table, which bounds how far a weighted sum
    // can reach; the type's maximum (nothing known) until measureWeights runs, as build does.
    int64_t largestAbsoluteSum = INT64_MAX;

    // Tables for destination pixels b = 0 .. count - 1 at c = (b + u) / s.
    void build(int32_t count, double u, double s, const ResampleFilter& filter,
               const AxisFilterParams& axis, int32_t n, bool trim);
    void measureWeights();
    const int32_t* weightsOf(int32_t table) const {
        return weights.data() + static_cast<size_t>(table) * static_cast<size_t>(stride);
    }
};

}  // namespace brivo::fx
