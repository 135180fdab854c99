// Pattern files: greyscale PNG or JPEG images read whole from disk and decoded from memory
// into one-channel 8-bit buffers (image mode 1). Colour files give no pattern.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/host_document.h"
#include "image/host_image.h"

namespace brivo {

// Largest file read, and largest image decoded, as a pattern.
inline constexpr int64_t kMaxPatternFileBytes = int64_t{256} << 20;
inline constexpr int64_t kMaxPatternPixels = int64_t{1} << 26;
inline constexpr uint32_t kMaxPatternSide = 1u << 16;

// True when a width × height image may be decoded as a pattern.
bool isPatternSizeAllowed(uint64_t width, uint64_t height);

// Reads the regular file at path and decodes it as PNG, else as JPEG. Empty when the
// file cannot be read whole or holds no 8-bit greyscale image; `why`, when given, then
// says what is wrong in a few words. Throws -108 when the host cannot lend the result's
// memory.
ImageHandle loadPattern(HostDocument& document, const char* path, std::string* why = nullptr);

// Decodes an 8-bit greyscale PNG (interlaced or not); empty for anything else or on any
// decoding error, with the reason in `why` when given.
ImageHandle decodePng(HostDocument& document, const uint8_t* data, size_t size,
                      std::string* why = nullptr);

// Decodes a one-component JPEG; empty for colour files or on any decoding error, with the
// reason in `why` when given. Data that ends early decodes as if the image ended there.
ImageHandle decodeJpeg(HostDocument& document, const uint8_t* data, size_t size,
                       std::string* why = nullptr);

// Says why an image of the given size is refused as a pattern.
std::string patternSizeRefusal(uint64_t width, uint64_t height);

}  // namespace brivo
