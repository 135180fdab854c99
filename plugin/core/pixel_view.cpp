#include "core/pixel_view.h"

#include <new>

namespace brivo {

PixelView::PixelView(int32_t width, int32_t height, int32_t channels, int32_t bytesPerChannel,
                     int32_t rowBytes, void* pixels) {
    describe(width, height, channels, bytesPerChannel, rowBytes);
    if (pixels != nullptr) {
        this->pixels = static_cast<uint8_t*>(pixels);
    } else if (width >= 1 && height >= 1) {
        const size_t bytes = static_cast<size_t>(this->rowBytes) * static_cast<size_t>(height);
        owned_.reset(new uint8_t[bytes]);
        this->pixels = owned_.get();
        ownsPixels = true;
    }
}

void PixelView::setTo(int32_t width, int32_t height, int32_t channels, int32_t bytesPerChannel,
                      int32_t rowBytes, void* pixels) {
    owned_.reset();
    ownsPixels = false;
    describe(width, height, channels, bytesPerChannel, rowBytes);
    this->pixels = static_cast<uint8_t*>(pixels);
}

PixelView PixelView::rows(int32_t top, int32_t bottom) const {
    PixelView band;
    band.setTo(width, bottom - top, channels, bytesPerChannel, rowBytes,
               pixels != nullptr ? row(top) : nullptr);
    return band;
}

void PixelView::describe(int32_t width, int32_t height, int32_t channels, int32_t bytesPerChannel,
                         int32_t rowBytes) {
    this->width = width;
    this->height = height;
    this->channels = channels;
    this->bytesPerChannel = bytesPerChannel;
    pixelBytes = channels * bytesPerChannel;
    this->rowBytes = rowBytes != 0 ? rowBytes : width * pixelBytes;
    twoOrFourChannels = channels == 2 || channels == 4;
    region = PixelRegion{0, 0, height, width};
}

}  // namespace brivo
