#include "render/shape_blend.h"

#include <algorithm>
#include <vector>

#include "core/parameter_table.h"
#include "core/simd_dispatch.h"
#include "core/worker_pool.h"
#include "render/shape_coordinates.h"

namespace brivo {
namespace {

uint8_t clampByte(int64_t value) {
    return static_cast<uint8_t>(std::clamp<int64_t>(value, 0, 255));
}

bool isBlendMode(int32_t mode) {
    return mode >= 0 && mode < kShapeBlendModeCount;
}

constexpr ShapeBlendKernels kLookupKernels{nullptr};

// The vector row when one may run and the settings are in its range; null otherwise.
ShapeBlendRow vectorRow(int32_t mode, float opacity) {
    if (!isBlendMode(mode) || !(opacity >= 0.0f && opacity <= 1.0f)) return nullptr;
    return selectKernels(kLookupKernels, BRIVO_AVX2_KERNELS(avx2ShapeBlendKernels)).row;
}

}  // namespace

uint8_t blendShapePixel(ShapeBlendMode mode, uint32_t s, uint32_t m, float opacity,
                        int64_t weight) {
    const int64_t t = static_cast<int64_t>(s) * weight / 255;
    switch (mode) {
        case ShapeBlendMode::Only:
            return opacity == 1.0f ? static_cast<uint8_t>(s) : clampByte(t);
        case ShapeBlendMode::Add:
            return clampByte(m + t);
        case ShapeBlendMode::Subtract:
            return clampByte(m - t);
        case ShapeBlendMode::Multiply:
            return clampByte(pixelCoordinate(static_cast<float>(s) * opacity) *
                             static_cast<int64_t>(m) / 255);
        case ShapeBlendMode::Screen:
            return clampByte(m + t - m * t / 255);
        case ShapeBlendMode::Difference:
            return clampByte(m + t - 2 * m * t / 255);
        case ShapeBlendMode::Darken:
            return clampByte(std::min<int64_t>(m, t));
        case ShapeBlendMode::Lighten:
            return clampByte(std::max<int64_t>(m, t));
        case ShapeBlendMode::None:
            break;
    }
    return static_cast<uint8_t>(m);
}

void blendShape(const PixelView& strip, const PixelView& matte, int32_t shapeBlendMode,
                double shapeOpacity) {
    const ShapeBlendMode mode = static_cast<ShapeBlendMode>(shapeBlendMode);
    const float opacity = static_cast<float>(shapeOpacity * 0.01);
    const int64_t weight = pixelCoordinate(opacity * 255.0);
    if (const ShapeBlendRow row = vectorRow(shapeBlendMode, opacity)) {
        forEachBand(strip.height, 1, kRowsPerBand, [&](int32_t, int32_t top, int32_t bottom) {
            for (int32_t y = top; y < bottom; ++y)
                row(mode, opacity, static_cast<int32_t>(weight), strip.row(y),
                    matte.pixels != nullptr ? matte.row(y) : nullptr, strip.width);
        });
        return;
    }
    // The result depends on the two bytes alone: look it up in a table of every pair.
    std::vector<uint8_t> blended(256 * 256);
    for (uint32_t shapeByte = 0; shapeByte < 256; ++shapeByte)
        for (uint32_t matteByte = 0; matteByte < 256; ++matteByte)
            blended[shapeByte * 256 + matteByte] =
                blendShapePixel(mode, shapeByte, matteByte, opacity, weight);
    forEachBand(strip.height, 1, kRowsPerBand, [&](int32_t, int32_t top, int32_t bottom) {
        for (int32_t y = top; y < bottom; ++y) {
            uint8_t* s = strip.row(y);
            const uint8_t* m = matte.pixels != nullptr ? matte.row(y) : nullptr;
            for (int32_t x = 0; x < strip.width; ++x)
                s[x] = blended[s[x] * 256u + (m != nullptr ? m[x] : 0u)];
        }
    });
}

}  // namespace brivo
