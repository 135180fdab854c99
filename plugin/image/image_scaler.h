// Separable resampling of a rectangular window of one pixel block onto a window of another,
// in integer fixed point, for 8-bit and 16-bit samples with one or four channels.
#pragma once

#include <cstdint>

#include "core/pixel_view.h"
#include "image/resample_filter.h"
#include "image/scale_kernels.h"
#include "plugin_types.h"

namespace brivo::fx {

// Row access to a PixelView for the scaler. The base reads and writes nothing.
class ImageBuffer {
  public:
    explicit ImageBuffer(const PixelView* view) : view_(view) {}

    virtual int32_t channels() const;
    virtual int32_t bytesPerChannel() const;
    virtual void getSize(int32_t& width, int32_t& height) const;
    // Copies count pixels of row y from column x into buffer (the view's own layout);
    // returns the bytes copied.
    virtual int32_t readRow(int32_t y, int32_t x, int32_t count, void* buffer);
    // Copies count pixels from buffer to row y from column x; returns the bytes copied.
    virtual int32_t writeRow(int32_t y, int32_t x, int32_t count, const void* buffer);

    virtual ~ImageBuffer() = default;

  protected:
    ImageBuffer(const ImageBuffer&) = default;
    ImageBuffer& operator=(const ImageBuffer&) = default;

    // The bytes of count pixels at (x, y), or 0 when they are not all inside the view.
    int32_t spanBytes(int32_t y, int32_t x, int32_t count) const;

    const PixelView* view_;
};

// Inclusive corners in pixels of its block; nx and ny are filled in by the scaler.
struct ScaleWindow {
    int32_t x0 = 0;
    int32_t y0 = 0;
    int32_t x1 = -1;
    int32_t y1 = -1;
    int32_t nx = 0;
    int32_t ny = 0;
};

// A source position X lands at X × sx + tx in the destination; ux and uy are the offsets
// of the clipped windows, filled in by the scaler.
struct ScaleMapping {
    double sx = 1.0;
    double sy = 1.0;
    double tx = 0.0;
    double ty = 0.0;
    double ux = 0.5;
    double uy = 0.5;
};

// 0 "point", 1 "triangle", 2 and 3 "cubic", 4 "point", 5 per axis: "triangle" when the
// axis shrinks, "cubic" otherwise.
using ScaleQuality = int32_t;

class ImageScaler {
  public:
    class ImageReadInterface final : public ImageBuffer {
      public:
        using ImageBuffer::ImageBuffer;
        int32_t readRow(int32_t y, int32_t x, int32_t count, void* buffer) override;
    };

    class ImageWriteInterface final : public ImageBuffer {
      public:
        using ImageBuffer::ImageBuffer;
        int32_t writeRow(int32_t y, int32_t x, int32_t count, const void* buffer) override;
    };

    // Marks an undefined coordinate; a destination window starting at it is refused.
    static constexpr int32_t kUndefinedCoordinate = -239;

    // Resamples the whole source onto the whole destination; views of equal size are
    // copied (nothing happens when both are the same pixels).
    static void scaleImage(const PixelView& source, const PixelView& destination,
                           ScaleQuality quality, const ScaleKernels& kernels = scaleKernels());

    // Resamples sourceRect onto destinationRect; filters follow the whole views' sizes.
    static void scaleImageRect(const PixelView& source, const VRect& sourceRect,
                               const PixelView& destination, const VRect& destinationRect,
                               ScaleQuality quality, const ScaleKernels& kernels = scaleKernels());

    // The filter that quality picks for an axis of sourceSize pixels becoming
    // destinationSize, or null for an unknown quality.
    static const ResampleFilter* filterForQuality(ScaleQuality quality, int32_t sourceSize,
                                                  int32_t destinationSize);

    // Maps the outer edges of the two windows onto each other and resamples.
    static void zoomWindows(ImageBuffer& reader, ScaleWindow& source, ImageBuffer& writer,
                            ScaleWindow& destination, const ResampleFilter* xFilter,
                            const ResampleFilter* yFilter,
                            const ScaleKernels& kernels = scaleKernels());

    // Resamples with the given mapping. Destination pixels that the source cannot reach
    // are not written. Source and destination must not share pixels.
    static void zoomMapped(ImageBuffer& reader, const ScaleWindow& source, ImageBuffer& writer,
                           const ScaleWindow& destination, ScaleMapping& mapping,
                           const ResampleFilter* xFilter, const ResampleFilter* yFilter,
                           const ScaleKernels& kernels = scaleKernels());
};

}  // namespace brivo::fx
