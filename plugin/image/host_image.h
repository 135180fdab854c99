// Pixel blocks in host Buffer-suite memory, shared through a reference-counting handle.
#pragma once

#include <cstdint>
#include <vector>

#include "channel_ports_suite.h"
#include "core/pixel_view.h"
#include "plugin_types.h"

namespace brivo {

class HostDocument;
class ImageHandle;

// One stored plane; its first five fields are the host's PixelMemoryDesc.
struct PlaneDesc {
    PixelMemoryDesc memory;
    int16_t channelType;
};

class HostImage {
  public:
    HostImage(const HostImage&) = delete;
    HostImage& operator=(const HostImage&) = delete;

    int32_t width() const { return bounds.right - bounds.left; }
    int32_t height() const { return bounds.bottom - bounds.top; }
    int32_t planeCount() const { return static_cast<int32_t>(planes.size()); }
    uint64_t byteCount() const;

    void clear();
    // Copies this buffer's byte count from other (same size and format).
    void copyPixelsFrom(const HostImage& other);
    ImageHandle makeSameFormat(int32_t width, int32_t height) const;
    // A copy turned by quarterTurns × 90° counter-clockwise; one 8-bit plane only.
    ImageHandle rotated(int32_t quarterTurns) const;
    // The engines' view of these pixels.
    PixelView view() const;

    HostDocument* owner;
    VRect bounds;
    std::vector<PlaneDesc> planes;
    int32_t bytesPerSample;
    int32_t rowBytes;
    int32_t pixelBytes;
    uint16_t imageMode;
    uint8_t* data;
    int32_t refCount;

  private:
    friend class HostDocument;
    friend class ImageHandle;
    HostImage() = default;
    ~HostImage() = default;
};

class ImageHandle {
  public:
    ImageHandle() = default;
    explicit ImageHandle(HostImage* image) : image_(image) { retain(); }
    ImageHandle(const ImageHandle& other) : image_(other.image_) { retain(); }
    ImageHandle(ImageHandle&& other) noexcept : image_(other.image_) { other.image_ = nullptr; }
    ImageHandle& operator=(const ImageHandle& other);
    ImageHandle& operator=(ImageHandle&& other) noexcept;
    ~ImageHandle() { release(); }

    void release() noexcept;
    bool empty() const { return image_ == nullptr; }
    explicit operator bool() const { return image_ != nullptr; }
    HostImage* get() const { return image_; }
    HostImage* operator->() const { return image_; }
    HostImage& operator*() const { return *image_; }

  private:
    void retain() {
        if (image_ != nullptr) ++image_->refCount;
    }
    HostImage* image_ = nullptr;
};

}  // namespace brivo
