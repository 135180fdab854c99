// A plain description of interleaved pixels that the engines work on. It either points
// into someone else's memory (a HostImage) or owns a heap block of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "plugin_types.h"

namespace brivo {

struct PixelRegion {
    int32_t top = 0;
    int32_t left = 0;
    int32_t bottom = 0;
    int32_t right = 0;
};

class PixelView {
  public:
    PixelView() = default;
    // Views pixels (not owned), or, when pixels is null and both sizes are at least 1,
    // allocates rowBytes * height bytes and owns them (std::bad_alloc when that fails).
    PixelView(int32_t width, int32_t height, int32_t channels, int32_t bytesPerChannel,
              int32_t rowBytes = 0, void* pixels = nullptr);
    PixelView(PixelView&&) noexcept = default;
    PixelView& operator=(PixelView&&) noexcept = default;
    PixelView(const PixelView&) = delete;
    PixelView& operator=(const PixelView&) = delete;

    // Repoints the view at other pixels, which it does not own.
    void setTo(int32_t width, int32_t height, int32_t channels, int32_t bytesPerChannel,
               int32_t rowBytes, void* pixels);

    uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0;
    int32_t bytesPerChannel = 0;
    int32_t pixelBytes = 0;
    int32_t rowBytes = 0;
    bool twoOrFourChannels = false;
    bool ownsPixels = false;
    PixelRegion region;

    uint8_t* row(int32_t y) const { return pixels + static_cast<ptrdiff_t>(y) * rowBytes; }
    uint8_t* at(int32_t x, int32_t y) const {
        return row(y) + static_cast<ptrdiff_t>(x) * pixelBytes;
    }
    uint16_t* row16(int32_t y) const { return reinterpret_cast<uint16_t*>(row(y)); }
    // A view (not owning) of rows [top, bottom) of this one.
    PixelView rows(int32_t top, int32_t bottom) const;

  private:
    void describe(int32_t width, int32_t height, int32_t channels, int32_t bytesPerChannel,
                  int32_t rowBytes);
    std::unique_ptr<uint8_t[]> owned_;
};

}  // namespace brivo
