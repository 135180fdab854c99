// The image scaler's row passes in their fixed-point formats, behind one function table.
//
// Formats (weights in units of 16384; every shift rounds unless noted; the last pass clamps
// a signed result to 0 .. maximum, so a negative sum ends at 0):
//   8-bit:  x-first x pass Σ p·w + 2^7 >> 8 into int16 (pixel × 64); y pass 32-bit Σ + 2^19
//           >> 20, max 255. y-first y pass 32-bit Σ p·w; x pass Σ (sum >> 8)·w + 2^19 >> 20.
//   16-bit: x-first x pass 64-bit Σ p·w + 2^15 >> 16 into int32 (pixel / 4); y pass 64-bit
//           Σ + 2^11 >> 12, max 32768. y-first y pass Σ p·w, 32-bit for one channel and
//           64-bit for four; x pass Σ (sum >> 16)·w in the same width + 2^11 >> 12.
// Sums wrap in their width (two's complement), so the order of the taps never matters.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/scale_weights.h"

namespace brivo::fx {

// Readable, zero-weighted pixels a source row or a row of sums for an x pass carries beyond
// the tables' stride, so that vector code may load whole words or groups of taps.
inline constexpr size_t kRowSlackPixels = 4;

// Each pass handles the part [begin, end) of a row: destination pixels (tables) for the x
// passes, samples for the y passes.

// x pass of the x-first path: a source row (stride + kRowSlackPixels readable pixels past
// its end) to intermediate values, one pixel per table.
template <typename Pixel, typename Mid>
using FilterRowX = void (*)(const Pixel* source, const WeightTableSet& x, int32_t begin,
                            int32_t end, Mid* out);

// y pass of the x-first path: intermediate rows, weighted and summed, to output samples.
template <typename Pixel, typename Mid>
using CombineRowsY = void (*)(const Mid* const* rows, const int32_t* weights, int32_t taps,
                              size_t begin, size_t end, Pixel* out);

// y pass of the y-first path: source rows to unshifted sums.
template <typename Pixel, typename Sum>
using SumRowsY = void (*)(const Pixel* const* rows, const int32_t* weights, int32_t taps,
                          size_t begin, size_t end, Sum* sums);

// x pass of the y-first path: a row of sums (stride + kRowSlackPixels readable pixels past
// its end) to output pixels.
template <typename Pixel, typename Sum>
using FilterSumsX = void (*)(const Sum* sums, const WeightTableSet& x, int32_t begin, int32_t end,
                             Pixel* out);

template <typename Pixel, typename Mid>
struct XFirstKernels {
    FilterRowX<Pixel, Mid> filterRow;
    CombineRowsY<Pixel, Mid> combineRows;
};

template <typename Pixel, typename Sum>
struct YFirstKernels {
    SumRowsY<Pixel, Sum> sumRows;
    FilterSumsX<Pixel, Sum> filterSums;
};

// Index 0 is one channel, index 1 four interleaved channels.
struct ScaleKernels {
    XFirstKernels<uint8_t, int16_t> xFirst8[2];
    XFirstKernels<uint16_t, int32_t> xFirst16[2];
    YFirstKernels<uint8_t, int32_t> yFirst8[2];
    YFirstKernels<uint16_t, int32_t> yFirst16One;
    YFirstKernels<uint16_t, int64_t> yFirst16Four;
};

// The plain reference passes.
const ScaleKernels& scalarScaleKernels();

// The passes in use: the reference ones, overridden by faster ones the CPU offers unless
// BRIVO_NO_SIMD=1.
const ScaleKernels& scaleKernels();

// Every pass as an AVX2 sibling of the reference pass.
const ScaleKernels& avx2ScaleKernels();

}  // namespace brivo::fx
