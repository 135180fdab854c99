#include "render/shape_builder.h"

#include <algorithm>
#include <utility>

#include "image/box_blur.h"
#include "image/image_scaler.h"
#include "render/corner_pin_warp.h"
#include "render/shape_coordinates.h"
#include "render/shape_rotation.h"

namespace brivo {
namespace {

constexpr fx::ScaleQuality kShapeQuality = 5;

// The pattern brought to width × height: copied when the size is its own, resampled
// otherwise.
ImageHandle scaledPattern(const HostImage& pattern, int32_t width, int32_t height) {
    ImageHandle working = pattern.makeSameFormat(width, height);
    if (width == pattern.width() && height == pattern.height()) {
        working->copyPixelsFrom(pattern);
    } else {
        working->clear();
        fx::ImageScaler::scaleImage(pattern.view(), working->view(), kShapeQuality);
    }
    return working;
}

void blurShape(HostImage& image, float radiusX, float radiusY) {
    BoxBlur blur;
    blur.setExtraPasses(1);
    blur.setRadius(radiusX, radiusY);
    blur.apply(image.view(), PixelRegion{0, 0, image.height(), image.width()});
}

}  // namespace

PlacedShape placeShape(const HostImage& pattern, const FilterParameters& params, int32_t width,
                       int32_t height, float scaleX, float scaleY, bool stretchToImage) {
    const int32_t pw = pattern.width();
    const int32_t ph = pattern.height();
    if (pw <= 0 || ph <= 0 || width <= 0 || height <= 0) return PlacedShape();

    // Reference size and blur factors.
    double referenceWidth = pw;
    double referenceHeight = ph;
    double blurX = static_cast<double>(pw) / width * scaleX;
    double blurY = static_cast<double>(ph) / height * scaleY;
    if (stretchToImage) {
        referenceWidth = width;
        referenceHeight = height;
        blurX = scaleX;
        blurY = scaleY;
    }

    // Working size; NaN, zero, negative and oversized scales give no shape.
    const double sx = params.shapeScaleX * 0.01 * referenceWidth / pw;
    const double sy = params.shapeScaleY * 0.01 * referenceHeight / ph;
    const double workingWidth = pw * sx;
    const double workingHeight = ph * sy;
    if (!(workingWidth >= 1.0 && workingWidth < kMaxShapeSide + 1.0 && workingHeight >= 1.0 &&
          workingHeight < kMaxShapeSide + 1.0))
        return PlacedShape();
    const int32_t ww = static_cast<int32_t>(workingWidth);
    const int32_t wh = static_cast<int32_t>(workingHeight);
    if (static_cast<int64_t>(ww) * wh > kMaxShapePixels) return PlacedShape();

    ImageHandle shape = scaledPattern(pattern, ww, wh);
    const float radiusX = static_cast<float>(params.shapeBlurX * blurX);
    const float radiusY = static_cast<float>(params.shapeBlurY * blurY);
    if (radiusX != 0.0f || radiusY != 0.0f) blurShape(*shape, radiusX, radiusY);
    if (params.shapeRotate != 0.0)
        shape = rotateImage(*shape, static_cast<float>(params.shapeRotate), 1);

    const int64_t left =
        pixelCoordinate(width * params.shapePosX * 0.01) - (shape->width() - width) / 2;
    const int64_t top =
        pixelCoordinate(height * params.shapePosY * 0.01) - (shape->height() - height) / 2;
    PlacedShape placed(std::move(shape), left, top, width, height);
    if (!params.isCornerPinModified()) return placed;

    // Only the part of the image that the warp can reach is drawn and kept.
    CornerPinWarp warp;
    const bool mapped = warp.setUp(placed.window(), params.cornerPin);
    const VRect extent = warp.extent();
    if (!mapped || extent.right <= extent.left || extent.bottom <= extent.top) {
        ImageHandle black = pattern.makeSameFormat(1, 1);
        black->clear();
        return PlacedShape(std::move(black), 0, 0, width, height);
    }
    ImageHandle warped =
        pattern.makeSameFormat(extent.right - extent.left, extent.bottom - extent.top);
    warped->clear();
    warp.draw(warped->view(), extent.left, extent.top);
    PlacedShape pinned(std::move(warped), extent.left, extent.top, width, height);
    pinned.trimToContent();
    return pinned;
}

}  // namespace brivo
