#include "host/files/png_codec.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "host/files/error_trap.h"
#include "host/files/image_codec_support.h"
#include "host/files/png_image_data.h"
#include "host/runtime/pixel_memory.h"

namespace brivo::host::image_codec {
namespace {

// The image data goes out in IDAT chunks of at most this many bytes.
constexpr size_t kImageDataChunkBytes = size_t{1} << 20;

// IDAT chunks of at most kImageDataChunkBytes each, carrying the parts of the stream in order.
void writeImageData(png_structp png, const PngImageData& data) {
    std::vector<uint8_t> pending(data.header);
    const auto flush = [&](size_t upTo) {
        while (pending.size() >= upTo && !pending.empty()) {
            const size_t count = std::min(pending.size(), kImageDataChunkBytes);
            png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"), pending.data(), count);
            pending.erase(pending.begin(), pending.begin() + static_cast<ptrdiff_t>(count));
        }
    };
    for (const std::vector<uint8_t>& piece : data.pieces) {
        for (size_t done = 0; done < piece.size();) {
            const size_t count =
                std::min(piece.size() - done, kImageDataChunkBytes - pending.size());
            pending.insert(pending.end(), piece.begin() + static_cast<ptrdiff_t>(done),
                           piece.begin() + static_cast<ptrdiff_t>(done + count));
            done += count;
            flush(kImageDataChunkBytes);
        }
    }
    pending.insert(pending.end(), data.trailer.begin(), data.trailer.end());
    flush(1);
}

void onPngError(png_structp png, png_const_charp message) noexcept {
    auto* trap = static_cast<ErrorTrap*>(png_get_error_ptr(png));
    std::snprintf(trap->message, sizeof trap->message, "%s", message);
    std::longjmp(trap->jump, 1);
}

void onPngWarning(png_structp, png_const_charp) noexcept {}

// libpng's structures for one read or write, reporting errors to `trap`; freed with the
// function that matches the direction.
class PngStructs {
  public:
    enum class Direction { read, write };

    PngStructs(Direction direction, ErrorTrap& trap, const std::string& path)
        : reading_(direction == Direction::read) {
        png_ = (reading_ ? png_create_read_struct : png_create_write_struct)(
            PNG_LIBPNG_VER_STRING, &trap, onPngError, onPngWarning);
        if (png_) info_ = png_create_info_struct(png_);
        if (!info_) {
            destroy();
            fail(path, "out of memory");
        }
    }
    PngStructs(const PngStructs&) = delete;
    PngStructs& operator=(const PngStructs&) = delete;
    ~PngStructs() { destroy(); }

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

  private:
    void destroy() {
        if (reading_)
            png_destroy_read_struct(&png_, &info_, nullptr);
        else
            png_destroy_write_struct(&png_, &info_);
    }

    bool reading_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

}  // namespace

PlanarDocument readPng(std::FILE* file, const std::string& path) {
    ErrorTrap trap;
    const PngStructs structs(PngStructs::Direction::read, trap, path);
    png_structp png = structs.png();
    png_infop info = structs.info();
    const auto failDecode = [&] {
        fail(path, std::string("invalid or truncated PNG data (") + trap.message + ")");
    };

    png_init_io(png, file);
    // Size limits are ours, checked below with a clearer message.
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    if (!guardedCall(trap, [&] { png_read_info(png, info); })) failDecode();

    const int bitDepth = png_get_bit_depth(png, info);
    const int colourType = png_get_color_type(png, info);
    if (bitDepth == 16) failUnsupported(path, "16-bit images");
    if (bitDepth < 8 && colourType != PNG_COLOR_TYPE_PALETTE)
        failUnsupported(path, bitDepthKind(static_cast<unsigned>(bitDepth)));
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    png_set_interlace_handling(png);
    if (!guardedCall(trap, [&] { png_read_update_info(png, info); })) failDecode();

    const int channels = png_get_channels(png, info);
    const bool withAlpha = channels == 2 || channels == 4;
    PlanarDocument document =
        allocateDocument(path, png_get_image_width(png, info), png_get_image_height(png, info),
                         channels <= 2 ? plugInModeGrayScale : plugInModeRGBColor, withAlpha);

    png_charp profileName = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileLength = 0;
    if (png_get_iCCP(png, info, &profileName, &compression, &profile, &profileLength))
        document.iccProfile.assign(profile, profile + profileLength);
    png_uint_32 xPerMetre = 0, yPerMetre = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &xPerMetre, &yPerMetre, &unit) && unit == PNG_RESOLUTION_METER &&
        xPerMetre > 0 && yPerMetre > 0)
        document.resolution = Resolution{xPerMetre * 0.0254, yPerMetre * 0.0254};

    const size_t rowBytes = static_cast<size_t>(document.width) * static_cast<size_t>(channels);
    if (png_get_rowbytes(png, info) != rowBytes) fail(path, "unexpected PNG row layout");
    PlaneSamples pixels(rowBytes * static_cast<size_t>(document.height));
    std::vector<png_bytep> rows(static_cast<size_t>(document.height));
    for (size_t y = 0; y < rows.size(); ++y) rows[y] = pixels.data() + y * rowBytes;
    if (!guardedCall(trap, [&] {
            png_read_image(png, rows.data());
            png_read_end(png, nullptr);
        }))
        failDecode();

    scatterPixels(pixels.data(), document, false);
    return document;
}

void writePng(const PlanarDocument& document, std::FILE* file, const std::string& path) {
    ErrorTrap trap;
    const PngStructs structs(PngStructs::Direction::write, trap, path);
    png_structp png = structs.png();
    png_infop info = structs.info();

    const bool grey = document.imageMode == plugInModeGrayScale;
    const int colourType =
        grey ? (document.hasAlpha() ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY)
             : (document.hasAlpha() ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB);
    const size_t pixelBytes = samplesPerPixel(document, document.hasAlpha());
    const PngImageData imageData = compressPngImageData(
        static_cast<size_t>(document.height), static_cast<size_t>(document.width) * pixelBytes,
        pixelBytes, document.pngCompression, encoderThreadCount(),
        [&](size_t y, uint8_t* row) { gatherRow(document, y, document.hasAlpha(), false, row); });
    const bool written = guardedCall(trap, [&] {
        png_init_io(png, file);
        png_set_IHDR(png, info, static_cast<png_uint_32>(document.width),
                     static_cast<png_uint_32>(document.height), 8, colourType, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (!document.iccProfile.empty())
            png_set_iCCP(png, info, "ICC profile", PNG_COMPRESSION_TYPE_BASE,
                         document.iccProfile.data(),
                         static_cast<png_uint_32>(document.iccProfile.size()));
        if (document.resolution)
            png_set_pHYs(png, info,
                         static_cast<png_uint_32>(std::lround(document.resolution->x / 0.0254)),
                         static_cast<png_uint_32>(std::lround(document.resolution->y / 0.0254)),
                         PNG_RESOLUTION_METER);
        png_write_info(png, info);
        writeImageData(png, imageData);
        // libpng's own end needs rows written through it; every chunk it would add after
        // the image data is set before the header is written, so the end is IEND alone.
        png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
    });
    if (!written) fail(path, std::string("cannot write PNG data (") + trap.message + ")");
}

}  // namespace brivo::host::image_codec
