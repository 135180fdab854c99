#include "render/light_mask.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numeric>
#include <utility>

#include "core/simd_dispatch.h"
#include "core/worker_pool.h"
#include "filter_record.h"
#include "image/image_scaler.h"
#include "render/matte.h"
#include "render/shape_blend.h"
#include "render/shape_coordinates.h"

namespace brivo {
namespace {

constexpr fx::ScaleQuality kShapeQuality = 5;

// The matte table that leaves a channel's value as it is.
const uint8_t* identityTable() {
    static const std::array<uint8_t, kMatteTableSize> table = [] {
        std::array<uint8_t, kMatteTableSize> entries{};
        std::iota(entries.begin(), entries.end(), uint8_t{0});
        return entries;
    }();
    return table.data();
}

}  // namespace

uint8_t sampleDisplacedShape(const ShapeWindow& shape, double x, double y) {
    if (!(x > -1.0 && x < shape.width && y > -1.0 && y < shape.height)) return 0;
    const double left = std::floor(x);
    const double top = std::floor(y);
    const int32_t x0 = static_cast<int32_t>(left);
    const int32_t y0 = static_cast<int32_t>(top);
    const double fx = x - left;
    const double fy = y - top;
    const double p00 = shape.pixel(x0, y0);
    const double p10 = shape.pixel(x0 + 1, y0);
    const double p01 = shape.pixel(x0, y0 + 1);
    const double p11 = shape.pixel(x0 + 1, y0 + 1);
    const double upper = p00 + (p10 - p00) * fx;
    const double lower = p01 + (p11 - p01) * fx;
    return static_cast<uint8_t>(upper + (lower - upper) * fy);
}

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

void copyShapePart(const PlacedShape& shape, const VRect& shapeRect, bool sameSize,
                   const PixelView& strip) {
    if (!sameSize) {
        if (shapeRect.right <= shapeRect.left || shapeRect.bottom <= shapeRect.top) return;
        const ImageHandle image = shape.toImage();
        fx::ImageScaler::scaleImageRect(image->view(), shapeRect, strip,
                                        VRect{0, 0, strip.height, strip.width}, kShapeQuality);
        return;
    }
    // Only the part of the rectangle that lies inside the shape's bounds is copied.
    const ShapeWindow window = shape.window();
    const VRect& bounds = window.bounds;
    const int64_t firstColumn = std::max<int64_t>(shapeRect.left, bounds.left);
    const int64_t endColumn = std::min<int64_t>(
        {static_cast<int64_t>(shapeRect.left) + strip.width, shapeRect.right, bounds.right});
    if (firstColumn >= endColumn) return;
    for (int32_t row = 0; row < strip.height; ++row) {
        const int64_t shapeRow = static_cast<int64_t>(shapeRect.top) + row;
        if (shapeRow < bounds.top || shapeRow >= bounds.bottom) continue;
        const uint8_t* from = window.first + (shapeRow - bounds.top) * window.rowBytes +
                              (firstColumn - bounds.left) * window.pixelBytes;
        std::memcpy(strip.at(static_cast<int32_t>(firstColumn - shapeRect.left), row), from,
                    static_cast<size_t>(endColumn - firstColumn));
    }
}

void fillLuminance(const PixelView& source, int32_t imageMode, PixelView& strip) {
    extractMatte(source, imageMode, static_cast<int32_t>(MatteChannel::Luminance), identityTable(),
                 strip);
}

bool displacementGrid(const VRect& rect, const VRect& shapeRect, double ax, double ay,
                      DisplacementGrid& grid) {
    const int64_t width = static_cast<int64_t>(rect.right) - rect.left;
    const int64_t height = static_cast<int64_t>(rect.bottom) - rect.top;
    if (width <= 0 || height <= 0) return false;
    grid.left = rect.left;
    grid.top = rect.top;
    grid.kx = static_cast<double>(static_cast<int64_t>(shapeRect.right) - shapeRect.left) /
              static_cast<double>(width);
    grid.ky = static_cast<double>(static_cast<int64_t>(shapeRect.bottom) - shapeRect.top) /
              static_cast<double>(height);
    for (int32_t level = 0; level < 256; ++level) {
        const double d = (level - 127.5) * kDisplacementUnit;
        grid.offsetX[level] = d * ax;
        grid.offsetY[level] = d * ay;
    }
    return true;
}

namespace {

void scalarDisplaceShape(const ShapeWindow& shape, const PixelView& strip,
                         const DisplacementGrid& grid, const PixelRegion& part) {
    for (int32_t r = part.top; r < part.bottom; ++r) {
        uint8_t* pixel = strip.row(r);
        const double y = grid.top + r;
        for (int32_t c = part.left; c < part.right; ++c) {
            const double x = grid.left + c;
            const uint8_t level = pixel[c];
            pixel[c] = sampleDisplacedShape(shape, (grid.offsetX[level] + x) * grid.kx,
                                            (grid.offsetY[level] + y) * grid.ky);
        }
    }
}

// The positions [first, end) of 0 .. count - 1 whose samples (offset + origin + i)·k, for
// any offset of the table, can fall beside the bounds [low, high): elsewhere every sample
// has both neighbours outside and is 0. The sample is monotonic in the offset, so the two
// extreme offsets, taken through the same operations, bound all the others.
void reachableSpan(const double offsets[256], double origin, double k, int32_t low, int32_t high,
                   int32_t count, int32_t& first, int32_t& end) {
    double least = offsets[0];
    double most = offsets[0];
    for (int32_t level = 0; level < 256; ++level) {
        if (std::isnan(offsets[level])) {  // no order: every position may be reached
            first = 0;
            end = count;
            return;
        }
        least = std::min(least, offsets[level]);
        most = std::max(most, offsets[level]);
    }
    first = count;
    end = 0;
    for (int32_t i = 0; i < count; ++i) {
        const double a = (least + (origin + i)) * k;
        const double b = (most + (origin + i)) * k;
        const bool reached =
            std::isnan(a) || std::isnan(b) || (std::max(a, b) > low - 1.0 && std::min(a, b) < high);
        if (!reached) continue;
        first = std::min(first, i);
        end = i + 1;
    }
}

constexpr LightMaskKernels kScalarKernels{&scalarDisplaceShape};

}  // namespace

const LightMaskKernels& scalarLightMaskKernels() {
    return kScalarKernels;
}

const LightMaskKernels& lightMaskKernels() {
    return selectKernels(kScalarKernels, BRIVO_AVX2_KERNELS(avx2LightMaskKernels));
}

void displaceShape(const ShapeWindow& shape, const PixelView& strip, const VRect& rect,
                   const VRect& shapeRect, double ax, double ay) {
    DisplacementGrid grid;
    if (!displacementGrid(rect, shapeRect, ax, ay, grid)) return;
    PixelRegion part;
    reachableSpan(grid.offsetX, grid.left, grid.kx, shape.bounds.left, shape.bounds.right,
                  strip.width, part.left, part.right);
    reachableSpan(grid.offsetY, grid.top, grid.ky, shape.bounds.top, shape.bounds.bottom,
                  strip.height, part.top, part.bottom);
    if (shape.boundsWidth() <= 0 || shape.boundsHeight() <= 0) part = PixelRegion{};
    for (int32_t r = 0; r < strip.height; ++r) {
        uint8_t* row = strip.row(r);
        if (r < part.top || r >= part.bottom || part.left >= part.right) {
            std::memset(row, 0, static_cast<size_t>(strip.width));
            continue;
        }
        std::memset(row, 0, static_cast<size_t>(part.left));
        std::memset(row + part.right, 0, static_cast<size_t>(strip.width - part.right));
    }
    if (part.left >= part.right || part.top >= part.bottom) return;
    const auto kernel = lightMaskKernels().displaceShape;
    forEachBand(part.bottom - part.top, 1, kRowsPerBand, [&](int32_t, int32_t top, int32_t bottom) {
        PixelRegion band = part;
        band.top = part.top + top;
        band.bottom = part.top + bottom;
        kernel(shape, strip, grid, band);
    });
}

void displaceByLuminance(const FilterParameters& params, const VRect& rect,
                         const PlacedShape& shape, int32_t imageWidth, int32_t imageHeight,
                         PixelView& strip) {
    const VRect shapeRect =
        shapeStripRect(rect, imageWidth, imageHeight, shape.width(), shape.height());
    const double amount = params.lightDisplacement * imageHeight * 0.005;
    displaceShape(shape.window(), strip, rect, shapeRect, amount, amount);
}

void fillShapeStrip(const FilterParameters& params, const HostImage& source, const VRect& rect,
                    const PlacedShape& shape, int32_t imageWidth, int32_t imageHeight,
                    PixelView& strip) {
    if (params.lightDisplacement == 0.0) {
        const bool sameSize = shape.width() == imageWidth && shape.height() == imageHeight;
        const VRect shapeRect =
            shapeStripRect(rect, imageWidth, imageHeight, shape.width(), shape.height());
        copyShapePart(shape, shapeRect, sameSize, strip);
    } else {
        fillLuminance(source.view(), source.imageMode, strip);
        displaceByLuminance(params, rect, shape, imageWidth, imageHeight, strip);
    }
}

ImageHandle blendShapeIntoMask(HostDocument& document, const FilterParameters& params,
                               const HostImage& source, const VRect& rect, const ImageHandle& matte,
                               const PlacedShape& shape, int32_t imageWidth, int32_t imageHeight,
                               ImageHandle luminance) {
    if (shape.empty()) return matte;
    ImageHandle mask = std::move(luminance);
    const bool holdsLuminance = !mask.empty();
    if (!holdsLuminance) {
        mask = document.allocateBuffer(rect.right - rect.left, rect.bottom - rect.top, 1,
                                       source.bytesPerSample, plugInModeGrayScale);
        // The copied shape covers only its own part of the strip; displacement writes all.
        if (params.lightDisplacement == 0.0) mask->clear();
    }
    PixelView strip = mask->view();
    if (holdsLuminance)
        displaceByLuminance(params, rect, shape, imageWidth, imageHeight, strip);
    else
        fillShapeStrip(params, source, rect, shape, imageWidth, imageHeight, strip);
    const PixelView matteView = matte.empty() ? PixelView() : matte->view();
    blendShape(strip, matteView, params.shapeBlendMode, params.shapeOpacity);
    return mask;
}

}  // namespace brivo
