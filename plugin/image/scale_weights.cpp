#include "image/scale_weights.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace brivo::fx {

int32_t truncateToInt32(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

AxisFilterParams axisFilterParams(double s, const ResampleFilter& filter) {
    AxisFilterParams axis;
    axis.scale = std::max(1.0 / s, 1.0) * filter.blur;
    axis.support = std::max(axis.scale * filter.support, 0.5);
    axis.width = ceilToInt32(2.0 * axis.support);
    return axis;
}

int32_t weightTableCapacity(const AxisFilterParams& axis, int32_t n) {
    const int64_t room = std::min<int64_t>(n, static_cast<int64_t>(axis.width) + 2);
    return static_cast<int32_t>(std::max<int64_t>(room, 1));
}

namespace {

int32_t saturateToInt32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace

WeightTable buildWeightTable(double c, const ResampleFilter& filter, const AxisFilterParams& axis,
                             int32_t n, bool trim, int32_t* weights, int32_t capacity) {
    const int32_t lo = std::max(truncateToInt32(c - axis.support + 0.5), 0);
    const int32_t hi = static_cast<int32_t>(std::min<int64_t>(
        {truncateToInt32(c + axis.support + 0.5), n, static_cast<int64_t>(lo) + capacity}));
    auto kernelAt = [&](int32_t i) {
        return filter.function((i + 0.5 - c) / axis.scale, filter.params);
    };

    double den = 0.0;
    for (int32_t i = lo; i < hi; ++i) den += kernelAt(i);
    const double sc = den == 0.0 ? kWeightUnit : kWeightUnit / den;

    WeightTable table{lo, hi, weights};
    int64_t sum = 0;
    int32_t lastNonZero = lo;
    bool seenNonZero = false;
    for (int32_t i = lo; i < hi; ++i) {
        const int32_t t = floorToInt32(sc * kernelAt(i) + 0.5);
        if (trim && !seenNonZero && t == 0) {
            table.i0 = i + 1;
            continue;
        }
        weights[i - table.i0] = t;
        sum += t;
        if (t != 0) {
            seenNonZero = true;
            lastNonZero = i;
        }
    }

    if (sum == 0) {
        if (hi > table.i0) std::fill(weights, weights + (hi - table.i0), 0);
        const int64_t centre = (static_cast<int64_t>(lo) + hi) >> 1;
        table.i0 = static_cast<int32_t>(std::clamp<int64_t>(centre, 0, std::max(n - 1, 0)));
        table.i1 = table.i0 + 1;
        weights[0] = kWeightUnit;
        return table;
    }
    if (trim) table.i1 = lastNonZero + 1;
    if (sum != kWeightUnit) {
        const int32_t k = std::clamp(truncateToInt32(c + 0.5), table.i0, table.i1 - 1);
        weights[k - table.i0] =
            saturateToInt32(static_cast<int64_t>(weights[k - table.i0]) + kWeightUnit - sum);
    }
    return table;
}

void WeightTableSet::build(int32_t tableCount, double u, double s, const ResampleFilter& filter,
                           const AxisFilterParams& axis, int32_t n, bool trim) {
    const int32_t capacity = weightTableCapacity(axis, n);
    count = tableCount;
    first.assign(static_cast<size_t>(count), 0);
    taps.assign(static_cast<size_t>(count), 0);
    weights.assign(static_cast<size_t>(count) * static_cast<size_t>(capacity), 0);

    int32_t maxTaps = 1;
    for (int32_t b = 0; b < count; ++b) {
        int32_t* room = weights.data() + static_cast<size_t>(b) * static_cast<size_t>(capacity);
        const WeightTable table =
            buildWeightTable((b + u) / s, filter, axis, n, trim, room, capacity);
        first[static_cast<size_t>(b)] = table.i0;
        taps[static_cast<size_t>(b)] = table.i1 - table.i0;
        maxTaps = std::max(maxTaps, table.i1 - table.i0);
    }

    // Close the rows up to the longest table; what lies past each table's taps is zero.
    stride = maxTaps;
    for (int32_t b = 1; b < count; ++b) {
        std::memmove(weights.data() + static_cast<size_t>(b) * static_cast<size_t>(stride),
                     weights.data() + static_cast<size_t>(b) * static_cast<size_t>(capacity),
                     static_cast<size_t>(stride) * sizeof(int32_t));
    }
    weights.resize(static_cast<size_t>(count) * static_cast<size_t>(stride));
    measureWeights();
}

void WeightTableSet::measureWeights() {
    largestAbsoluteSum = 0;
    for (int32_t b = 0; b < count; ++b) {
        const int32_t* w = weightsOf(b);
        int64_t total = 0;
        for (int32_t k = 0; k < taps[static_cast<size_t>(b)]; ++k) total += std::llabs(w[k]);
        largestAbsoluteSum = std::max(largestAbsoluteSum, total);
    }
}

}  // namespace brivo::fx
