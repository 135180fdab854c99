#include "render/shape_placement.h"

#include <algorithm>
#include <cstring>

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

// Copies the part of shape that overlaps output when shape's top-left corner sits at
// (left, top) of output.
void pasteShape(const HostImage& shape, HostImage& output, int64_t left, int64_t top) {
    const int64_t firstColumn = std::max<int64_t>(left, 0);
    const int64_t endColumn = std::min<int64_t>(left + shape.width(), output.width());
    const int64_t firstRow = std::max<int64_t>(top, 0);
    const int64_t endRow = std::min<int64_t>(top + shape.height(), output.height());
    if (firstColumn >= endColumn) return;
    for (int64_t row = firstRow; row < endRow; ++row) {
        const uint8_t* from = shape.data + (row - top) * shape.rowBytes + (firstColumn - left);
        std::memcpy(output.data + row * output.rowBytes + firstColumn, from,
                    static_cast<size_t>(endColumn - firstColumn));
    }
}

}  // namespace

ImageHandle placeShape(const HostImage& pattern, const FilterParameters& params, int32_t width,
                       int32_t height, float scaleX, float scaleY, bool stretchToImage) {
    const int32_t pw = pattern.width();
    const int32_t ph = pattern.height();
    if (pw <= 0 || ph <= 0 || width <= 0 || height <= 0) return ImageHandle();

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
        return ImageHandle();
    const int32_t ww = static_cast<int32_t>(workingWidth);
    const int32_t wh = static_cast<int32_t>(workingHeight);
    if (static_cast<int64_t>(ww) * wh > kMaxShapePixels) return ImageHandle();

    ImageHandle shape = scaledPattern(pattern, ww, wh);
    const float radiusX = static_cast<float>(params.shapeBlurX * blurX);
    const float radiusY = static_cast<float>(params.shapeBlurY * blurY);
    if (radiusX != 0.0f || radiusY != 0.0f) blurShape(*shape, radiusX, radiusY);
    if (params.shapeRotate != 0.0)
        shape = rotateImage(*shape, static_cast<float>(params.shapeRotate), 1);

    ImageHandle output = pattern.makeSameFormat(width, height);
    output->clear();
    const int64_t left =
        pixelCoordinate(width * params.shapePosX * 0.01) - (shape->width() - width) / 2;
    const int64_t top =
        pixelCoordinate(height * params.shapePosY * 0.01) - (shape->height() - height) / 2;
    pasteShape(*shape, *output, left, top);
    shape.release();

    if (params.isCornerPinModified()) {
        ImageHandle placed = output->makeSameFormat(width, height);
        placed->copyPixelsFrom(*output);
        cornerPinWarp(placed->view(), output->view(), params.cornerPin);
    }
    return output;
}

}  // namespace brivo
