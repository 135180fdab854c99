// The pattern as placed on the rendered image: a width × height one-channel image that is 0
// everywhere outside one rectangle. A placed pattern usually covers a small part of the
// image, so only that rectangle's pixels are stored, and the pixel loops that read the
// shape skip what lies outside it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/pixel_view.h"
#include "image/host_image.h"

namespace brivo {

// A read-only look at a placed shape for the pixel loops.
struct ShapeWindow {
    int32_t width = 0;  // the whole image
    int32_t height = 0;
    VRect bounds{0, 0, 0, 0};        // inside the image; every pixel outside it is 0
    const uint8_t* first = nullptr;  // the pixel at (bounds.left, bounds.top)
    int32_t rowBytes = 0;
    int32_t pixelBytes = 1;

    int32_t boundsWidth() const { return bounds.right - bounds.left; }
    int32_t boundsHeight() const { return bounds.bottom - bounds.top; }
    bool holds(int32_t x, int32_t y) const {
        return x >= bounds.left && x < bounds.right && y >= bounds.top && y < bounds.bottom;
    }
    // The pixel at (x, y) of the image; 0 outside bounds (and so outside the image).
    uint8_t pixel(int32_t x, int32_t y) const {
        if (!holds(x, y)) return 0;
        return first[static_cast<ptrdiff_t>(y - bounds.top) * rowBytes +
                     static_cast<ptrdiff_t>(x - bounds.left) * pixelBytes];
    }
    // A whole one-channel image as a window whose bounds cover all of it.
    static ShapeWindow of(const PixelView& image);
};

class PlacedShape {
  public:
    PlacedShape() = default;
    // pixels (one 8-bit channel) with its pixel (0, 0) at (left, top) of a width × height
    // image; the bounds are the part of pixels that lies on the image.
    PlacedShape(ImageHandle pixels, int64_t left, int64_t top, int32_t width, int32_t height);
    // A whole image placed at (0, 0) on an image of its own size.
    static PlacedShape whole(ImageHandle image);

    // No shape at all (as opposed to a shape whose pixels are all 0).
    bool empty() const { return pixels_.empty(); }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    const VRect& bounds() const { return bounds_; }
    ShapeWindow window() const;
    // Narrows the bounds to the smallest rectangle that holds every non-zero pixel.
    void trimToContent();
    // The whole width × height image in a new buffer from the pixels' document.
    ImageHandle toImage() const;

  private:
    ImageHandle pixels_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    VRect bounds_{0, 0, 0, 0};
    // Where the bounds' top-left pixel lies in pixels_.
    int32_t boundsX_ = 0;
    int32_t boundsY_ = 0;
};

}  // namespace brivo
