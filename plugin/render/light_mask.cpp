#include "render/light_mask.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

#include "filter_record.h"
#include "image/image_scaler.h"
#include "image/simd_dispatch.h"
#include "render/matte.h"
#include "render/shape_coordinates.h"

namespace brivo {
namespace {

constexpr fx::ScaleQuality kShapeQuality = 5;

uint8_t clampByte(int64_t value) {
    return static_cast<uint8_t>(std::clamp<int64_t>(value, 0, 255));
}

// The matte table that leaves a channel's value as it is.
const uint8_t* identityTable() {
    static const std::array<uint8_t, kMatteTableSize> table = [] {
        std::array<uint8_t, kMatteTableSize> entries{};
        std::iota(entries.begin(), entries.end(), uint8_t{0});
        return entries;
    }();
    return table.data();
}

// The shape pixel at (x, y), 0 outside it.
double shapePixel(const PixelView& shape, int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= shape.width || y >= shape.height) return 0.0;
    return *shape.at(x, y);
}

// Bilinear sample at (x, y); neighbours outside the shape count as 0. Points whose
// neighbours all lie outside are settled before any conversion to integers.
uint8_t sampleShape(const PixelView& shape, double x, double y) {
    if (!(x > -1.0 && x < shape.width && y > -1.0 && y < shape.height)) return 0;
    const double left = std::floor(x);
    const double top = std::floor(y);
    const int32_t x0 = static_cast<int32_t>(left);
    const int32_t y0 = static_cast<int32_t>(top);
    const double fx = x - left;
    const double fy = y - top;
    const double p00 = shapePixel(shape, x0, y0);
    const double p10 = shapePixel(shape, x0 + 1, y0);
    const double p01 = shapePixel(shape, x0, y0 + 1);
    const double p11 = shapePixel(shape, x0 + 1, y0 + 1);
    const double upper = p00 + (p10 - p00) * fx;
    const double lower = p01 + (p11 - p01) * fx;
    return static_cast<uint8_t>(upper + (lower - upper) * fy);
}

uint8_t blendPixel(ShapeBlendMode mode, uint32_t s, uint32_t m, float opacity, int64_t weight) {
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

}  // namespace

VRect shapeStripRect(const VRect& rect, int32_t imageWidth, int32_t imageHeight, int32_t shapeWidth,
                     int32_t shapeHeight) {
    if (shapeWidth == imageWidth && shapeHeight == imageHeight) return rect;
    if (imageWidth <= 0 || imageHeight <= 0) return VRect{0, 0, 0, 0};
    const auto scaled = [](int32_t coordinate, int32_t imageSize, int32_t shapeSize) {
        return static_cast<float>(coordinate) / static_cast<float>(imageSize) *
               static_cast<float>(shapeSize);
    };
    VRect mapped;
    mapped.left =
        std::max(0, pixelCoordinate(std::floor(scaled(rect.left, imageWidth, shapeWidth))));
    mapped.top =
        std::max(0, pixelCoordinate(std::floor(scaled(rect.top, imageHeight, shapeHeight))));
    mapped.right = std::min(shapeWidth,
                            pixelCoordinate(std::ceil(scaled(rect.right, imageWidth, shapeWidth))));
    mapped.bottom = std::min(
        shapeHeight, pixelCoordinate(std::ceil(scaled(rect.bottom, imageHeight, shapeHeight))));
    return mapped;
}

void copyShapePart(const PixelView& shape, const VRect& shapeRect, bool sameSize,
                   const PixelView& strip) {
    if (!sameSize) {
        if (shapeRect.right <= shapeRect.left || shapeRect.bottom <= shapeRect.top) return;
        fx::ImageScaler::scaleImageRect(shape, shapeRect, strip,
                                        VRect{0, 0, strip.height, strip.width}, kShapeQuality);
        return;
    }
    // Only the part of the rectangle that lies on the shape is copied.
    const int64_t firstColumn = std::max<int64_t>(shapeRect.left, 0);
    const int64_t endColumn = std::min<int64_t>(
        {static_cast<int64_t>(shapeRect.left) + strip.width, shapeRect.right, shape.width});
    if (firstColumn >= endColumn) return;
    for (int32_t row = 0; row < strip.height; ++row) {
        const int64_t shapeRow = static_cast<int64_t>(shapeRect.top) + row;
        if (shapeRow < 0 || shapeRow >= shape.height) continue;
        std::memcpy(strip.at(static_cast<int32_t>(firstColumn - shapeRect.left), row),
                    shape.at(static_cast<int32_t>(firstColumn), static_cast<int32_t>(shapeRow)),
                    static_cast<size_t>(endColumn - firstColumn));
    }
}

void fillLuminance(const PixelView& source, int32_t imageMode, PixelView& strip) {
    extractMatte(source, imageMode, static_cast<int32_t>(MatteChannel::Luminance), identityTable(),
                 strip);
}

bool displacementScale(const VRect& rect, const VRect& shapeRect, double& kx, double& ky) {
    const int64_t width = static_cast<int64_t>(rect.right) - rect.left;
    const int64_t height = static_cast<int64_t>(rect.bottom) - rect.top;
    if (width <= 0 || height <= 0) return false;
    kx = static_cast<double>(static_cast<int64_t>(shapeRect.right) - shapeRect.left) /
         static_cast<double>(width);
    ky = static_cast<double>(static_cast<int64_t>(shapeRect.bottom) - shapeRect.top) /
         static_cast<double>(height);
    return true;
}

namespace {

void scalarDisplaceShape(const PixelView& shape, const PixelView& strip, const VRect& rect,
                         const VRect& shapeRect, double ax, double ay) {
    double kx = 0.0;
    double ky = 0.0;
    if (!displacementScale(rect, shapeRect, kx, ky)) return;
    for (int32_t r = 0; r < strip.height; ++r) {
        uint8_t* pixel = strip.row(r);
        const double y = static_cast<double>(rect.top) + r;
        for (int32_t c = 0; c < strip.width; ++c) {
            const double x = static_cast<double>(rect.left) + c;
            const double d = (pixel[c] - 127.5) * kDisplacementUnit;
            pixel[c] = sampleShape(shape, (d * ax + x) * kx, (d * ay + y) * ky);
        }
    }
}

constexpr LightMaskKernels kScalarKernels{&scalarDisplaceShape};

}  // namespace

const LightMaskKernels& scalarLightMaskKernels() {
    return kScalarKernels;
}

const LightMaskKernels& lightMaskKernels() {
#if defined(__x86_64__) || defined(__i386__)
    if (simdAllowed() && cpuHasAvx2()) return avx2LightMaskKernels();
#endif
    return kScalarKernels;
}

void displaceShape(const PixelView& shape, const PixelView& strip, const VRect& rect,
                   const VRect& shapeRect, double ax, double ay) {
    lightMaskKernels().displaceShape(shape, strip, rect, shapeRect, ax, ay);
}

void blendShape(const PixelView& strip, const PixelView& matte, int32_t shapeBlendMode,
                double shapeOpacity) {
    const ShapeBlendMode mode = static_cast<ShapeBlendMode>(shapeBlendMode);
    const float opacity = static_cast<float>(shapeOpacity * 0.01);
    const int64_t weight = pixelCoordinate(opacity * 255.0);
    // The result depends on the two bytes alone: look it up in a table of every pair.
    std::vector<uint8_t> blended(256 * 256);
    for (uint32_t shapeByte = 0; shapeByte < 256; ++shapeByte)
        for (uint32_t matteByte = 0; matteByte < 256; ++matteByte)
            blended[shapeByte * 256 + matteByte] =
                blendPixel(mode, shapeByte, matteByte, opacity, weight);
    for (int32_t y = 0; y < strip.height; ++y) {
        uint8_t* s = strip.row(y);
        const uint8_t* m = matte.pixels != nullptr ? matte.row(y) : nullptr;
        for (int32_t x = 0; x < strip.width; ++x)
            s[x] = blended[s[x] * 256u + (m != nullptr ? m[x] : 0u)];
    }
}

void fillShapeStrip(const FilterParameters& params, const HostImage& source, const VRect& rect,
                    const HostImage& shape, int32_t imageWidth, int32_t imageHeight,
                    PixelView& strip) {
    const PixelView shapeView = shape.view();
    const bool sameSize = shape.width() == imageWidth && shape.height() == imageHeight;
    const VRect shapeRect =
        shapeStripRect(rect, imageWidth, imageHeight, shape.width(), shape.height());
    if (params.lightDisplacement == 0.0) {
        copyShapePart(shapeView, shapeRect, sameSize, strip);
    } else {
        const double amount = params.lightDisplacement * imageHeight * 0.005;
        fillLuminance(source.view(), source.imageMode, strip);
        displaceShape(shapeView, strip, rect, shapeRect, amount, amount);
    }
}

ImageHandle blendShapeIntoMask(HostDocument& document, const FilterParameters& params,
                               const HostImage& source, const VRect& rect, const ImageHandle& matte,
                               const ImageHandle& shape, int32_t imageWidth, int32_t imageHeight) {
    if (shape.empty()) return matte;
    ImageHandle mask = document.allocateBuffer(rect.right - rect.left, rect.bottom - rect.top, 1,
                                               source.bytesPerSample, plugInModeGrayScale);
    mask->clear();
    PixelView strip = mask->view();
    fillShapeStrip(params, source, rect, *shape, imageWidth, imageHeight, strip);
    const PixelView matteView = matte.empty() ? PixelView() : matte->view();
    blendShape(strip, matteView, params.shapeBlendMode, params.shapeOpacity);
    return mask;
}

}  // namespace brivo
