#include "image/host_image.h"

#include <cstring>
#include <utility>

#include "image/host_document.h"

namespace brivo {

uint64_t HostImage::byteCount() const {
    return static_cast<uint64_t>(rowBytes) * static_cast<uint64_t>(height());
}

void HostImage::clear() {
    if (data != nullptr) std::memset(data, 0, byteCount());
}

void HostImage::copyPixelsFrom(const HostImage& other) {
    if (data == nullptr || other.data == nullptr) return;
    std::memcpy(data, other.data, byteCount());
}

ImageHandle HostImage::makeSameFormat(int32_t width, int32_t height) const {
    return owner->allocateBuffer(width, height, planeCount(), bytesPerSample, imageMode);
}

ImageHandle HostImage::rotated(int32_t quarterTurns) const {
    const int32_t w = width();
    const int32_t h = height();
    const int32_t turns = ((quarterTurns % 4) + 4) % 4;
    const bool swaps = turns % 2 == 1;
    ImageHandle result = makeSameFormat(swaps ? h : w, swaps ? w : h);
    const int32_t outRowBytes = result->rowBytes;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* source = data + static_cast<size_t>(y) * rowBytes;
        for (int32_t x = 0; x < w; ++x) {
            int32_t toX = x;
            int32_t toY = y;
            switch (turns) {
                case 1:
                    toX = y;
                    toY = w - 1 - x;
                    break;
                case 2:
                    toX = w - 1 - x;
                    toY = h - 1 - y;
                    break;
                case 3:
                    toX = h - 1 - y;
                    toY = x;
                    break;
                default:
                    break;
            }
            result->data[static_cast<size_t>(toY) * outRowBytes + toX] = source[x];
        }
    }
    return result;
}

PixelView HostImage::view() const {
    PixelView view;
    view.setTo(width(), height(), planeCount(), bytesPerSample, rowBytes, data);
    return view;
}

ImageHandle& ImageHandle::operator=(const ImageHandle& other) {
    if (this == &other) return *this;
    // Take the new reference before letting go of the old one.
    ImageHandle previous(std::move(*this));
    image_ = other.image_;
    retain();
    return *this;
}

ImageHandle& ImageHandle::operator=(ImageHandle&& other) noexcept {
    if (this == &other) return *this;
    release();
    image_ = other.image_;
    other.image_ = nullptr;
    return *this;
}

void ImageHandle::release() noexcept {
    if (image_ == nullptr) return;
    HostImage* image = image_;
    image_ = nullptr;
    if (--image->refCount == 0) image->owner->destroyBuffer(image);
}

}  // namespace brivo
