// PNG patterns through libpng, from memory. libpng reports errors by longjmp, so every
// call that can fail runs in a small function that holds the jump point and no objects
// with destructors; the structures are owned outside it.
#include <png.h>

#include <cstring>
#include <string>
#include <utility>

#include "image/pattern_decoder.h"

namespace brivo {
namespace {

constexpr size_t kSignatureBytes = 8;

struct MemorySource {
    const uint8_t* data;
    size_t position;
    size_t size;
};

void readFromMemory(png_structp png, png_bytep out, size_t count) noexcept {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (count > source->size - source->position) png_error(png, "Read Error");
    std::memcpy(out, source->data + source->position, count);
    source->position += count;
}

// True when every chunk's length fits within the data. libpng allocates a chunk's whole
// length once it has read the length and type, so a length field reaching past the end would
// cost that much memory before the decode fails; that holds for a chunk whose length and type
// are the last bytes too. A tail too short to name a chunk is left for libpng to report.
bool chunksFitIn(const uint8_t* data, size_t size) {
    constexpr size_t kChunkHeadBytes = 8;    // length and type
    constexpr size_t kChunkFrameBytes = 12;  // length, type and checksum
    size_t position = kSignatureBytes;
    while (size - position >= kChunkHeadBytes) {
        const uint8_t* chunk = data + position;
        const uint32_t length = png_get_uint_32(chunk);
        if (size - position < kChunkFrameBytes || length > size - position - kChunkFrameBytes)
            return false;
        if (std::memcmp(chunk + 4, "IEND", 4) == 0) return true;
        position += kChunkFrameBytes + length;
    }
    return true;
}

// The module keeps no log: errors end the decode, warnings are dropped.
void failQuietly(png_structp png, png_const_charp) noexcept {
    png_longjmp(png, 1);
}
void ignoreWarning(png_structp, png_const_charp) noexcept {}

// Owns the read and info structures; destroys them on every path, exceptions included.
class PngReader {
  public:
    PngReader() {
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failQuietly, ignoreWarning);
        if (png_ != nullptr) info_ = png_create_info_struct(png_);
    }
    ~PngReader() {
        if (png_ != nullptr)
            png_destroy_read_struct(&png_, info_ != nullptr ? &info_ : nullptr, nullptr);
    }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    bool valid() const { return png_ != nullptr && info_ != nullptr; }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

  private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

struct PngHeader {
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth;
    int colourType;
};

bool readHeader(png_structp png, png_infop info, MemorySource* source, PngHeader* header) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, source, readFromMemory);
    png_set_user_limits(png, kMaxPatternSide, kMaxPatternSide);
    png_read_info(png, info);
    png_get_IHDR(png, info, &header->width, &header->height, &header->bitDepth, &header->colourType,
                 nullptr, nullptr, nullptr);
    return true;
}

// Reads every row (every pass of an interlaced file) straight into the buffer.
bool readRows(png_structp png, png_infop info, HostImage* image) {
    if (setjmp(png_jmpbuf(png))) return false;
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    for (int pass = 0; pass < passes; ++pass) {
        for (int32_t y = 0; y < image->height(); ++y)
            png_read_row(png, image->data + static_cast<size_t>(y) * image->rowBytes, nullptr);
    }
    png_read_end(png, nullptr);
    return true;
}

// "an RGB", "a 16-bit greyscale", ...: what kind of PNG the header describes.
std::string describeKind(const PngHeader& header) {
    std::string kind;
    switch (header.colourType) {
        case PNG_COLOR_TYPE_PALETTE:
            return "a palette (indexed-colour)";
        case PNG_COLOR_TYPE_RGB:
            kind = "RGB";
            break;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            kind = "RGB with transparency";
            break;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            kind = "greyscale with transparency";
            break;
        default:
            kind = "greyscale";
    }
    if (header.bitDepth != 8) kind = std::to_string(header.bitDepth) + "-bit " + kind;
    return (kind[0] == 'R' || kind[0] == '8' ? "an " : "a ") + kind;
}

}  // namespace

ImageHandle decodePng(HostDocument& document, const uint8_t* data, size_t size, std::string* why) {
    const auto refuse = [why](std::string reason) {
        if (why != nullptr) *why = std::move(reason);
        return ImageHandle();
    };
    if (data == nullptr || size < kSignatureBytes || png_sig_cmp(data, 0, kSignatureBytes) != 0)
        return refuse("not a PNG file");
    if (!chunksFitIn(data, size)) return refuse("the PNG file is corrupt or cut short");
    PngReader reader;
    if (!reader.valid()) return refuse("no memory to decode the PNG file");
    MemorySource source{data, 0, size};
    PngHeader header{};
    if (!readHeader(reader.png(), reader.info(), &source, &header))
        return refuse("the PNG file is corrupt or too large");
    if (header.colourType != PNG_COLOR_TYPE_GRAY || header.bitDepth != 8)
        return refuse(describeKind(header) + " PNG; patterns must be 8-bit greyscale");
    if (!isPatternSizeAllowed(header.width, header.height))
        return refuse(patternSizeRefusal(header.width, header.height));

    ImageHandle image =
        document.allocateBuffer(static_cast<int32_t>(header.width),
                                static_cast<int32_t>(header.height), 1, 1, plugInModeGrayScale);
    if (!readRows(reader.png(), reader.info(), image.get()))
        return refuse("the PNG data is truncated or corrupt");
    return image;
}

}  // namespace brivo
