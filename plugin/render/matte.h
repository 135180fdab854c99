// The matte: one channel of the source mapped through a bell-shaped lookup table
// around a position with a range.
#pragma once

#include <cstdint>

#include "core/filter_parameters.h"
#include "core/pixel_view.h"

namespace brivo {

inline constexpr int32_t kMatteTableSize = 256;

// Byte-to-unit scale of the floating-point channels (hue, saturation, CMYK luminance), a
// single-precision constant.
inline constexpr float kMatteUnitScale = 0.003921569f;

// The channel a matteChannel value selects: any value outside the MatteChannel range means
// Luminance.
MatteChannel matteChannelOf(int32_t matteChannel);

// Fills table from a natural spline through five points that rise from 0 at
// position - range to 1 at position and fall back to 0 at position + range (both in
// percent of the channel's scale). Entries where the curve is undefined are 0.
void buildMatteTable(double mattePosition, double matteRange, uint8_t table[kMatteTableSize]);

// Writes table[v] into the one-channel 8-bit matte for every pixel of the matte's
// width and height, v being the channel matteChannel (a MatteChannel index; any other
// value means Luminance) of the source pixel at the same row and column. The source is
// 8-bit; RGB reads the first three bytes of a pixel, CMYK all four, and any other mode
// the first byte as grey. The source must be at least as large as the matte.
void extractMatte(const PixelView& source, int32_t imageMode, int32_t matteChannel,
                  const uint8_t table[kMatteTableSize], PixelView& matte);

// extractMatte dispatches through this table: the plain reference entry, overridden by a
// vector one when the CPU has it and BRIVO_NO_SIMD is not 1.
struct MatteKernels {
    void (*extractMatte)(const PixelView& source, int32_t imageMode, int32_t matteChannel,
                         const uint8_t table[kMatteTableSize], PixelView& matte);
};

const MatteKernels& scalarMatteKernels();
const MatteKernels& matteKernels();
const MatteKernels& avx2MatteKernels();

}  // namespace brivo
