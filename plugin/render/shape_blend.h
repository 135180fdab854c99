// The shape blend: the strip's shape combined with the matte by one of the nine shape blend
// modes at an opacity.
#pragma once

#include <cstdint>

#include "core/filter_parameters.h"
#include "core/pixel_view.h"

namespace brivo {

// Combines the shape in strip with the matte (same size; null pixels read as 0) by
// shapeBlendMode (a ShapeBlendMode index) at shapeOpacity percent, into strip.
void blendShape(const PixelView& strip, const PixelView& matte, int32_t shapeBlendMode,
                double shapeOpacity);

// One blended byte: shape byte s over matte byte m, with opacity = shapeOpacity × 0.01 in
// single precision and weight = truncate(opacity × 255). Every path gives these values.
uint8_t blendShapePixel(ShapeBlendMode mode, uint32_t s, uint32_t m, float opacity, int64_t weight);

// The vector path for the nine modes at opacities in [0, 1] (weights 0 .. 255): blends
// count bytes of shape in place with matte (null reads as 0).
using ShapeBlendRow = void (*)(ShapeBlendMode mode, float opacity, int32_t weight, uint8_t* shape,
                               const uint8_t* matte, int32_t count);

// A null row means the reference path: a lookup table of every (shape, matte) byte pair.
struct ShapeBlendKernels {
    ShapeBlendRow row;
};
const ShapeBlendKernels& avx2ShapeBlendKernels();

}  // namespace brivo
