#include "host/files/png_codec.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <span>
#include <vector>

#include "host/files/error_trap.h"
#include "host/files/image_codec_support.h"
#include "host/files/plane_growth.h"
#include "host/files/png_image_data.h"
#include "host/runtime/host_threads.h"
#include "host/runtime/pixel_memory.h"

namespace brivo::host::image_codec {
namespace {

// The image data goes out in IDAT chunks of at most this many bytes.
constexpr size_t kImageDataChunkBytes = size_t{1} << 20;

[[noreturn]] void failWrite(const std::string& path, const ErrorTrap& trap) {
    fail(path, std::string("cannot write PNG data (") + trap.message + ")");
}

// Gathers the image data into IDAT chunks of kImageDataChunkBytes and writes each as it fills.
// libpng leaves by a long jump on a write error, so each chunk is written in its own guarded
// call, and the bytes waiting for the next chunk live here, outside that jump.
class ImageDataChunks {
  public:
    ImageDataChunks(png_structp png, ErrorTrap& trap, const std::string& path)
        : png_(png), trap_(trap), path_(path) {
        pending_.reserve(kImageDataChunkBytes);
    }

    void add(std::span<const uint8_t> bytes) {
        while (!bytes.empty()) {
            const size_t count = std::min(bytes.size(), kImageDataChunkBytes - pending_.size());
            pending_.insert(pending_.end(), bytes.begin(), bytes.begin() + count);
            bytes = bytes.subspan(count);
            if (pending_.size() == kImageDataChunkBytes) writePending();
        }
    }

    void finish() {
        if (!pending_.empty()) writePending();
    }

  private:
    void writePending() {
        if (!guardedCall(trap_, [&] {
                png_write_chunk(png_, reinterpret_cast<png_const_bytep>("IDAT"), pending_.data(),
                                pending_.size());
            }))
            failWrite(path_, trap_);
        pending_.clear();
    }

    png_structp png_;
    ErrorTrap& trap_;
    const std::string& path_;
    std::vector<uint8_t> pending_;
};

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

namespace {

// Text chunks whose content the file's metadata reader already takes as EXIF, XMP or IPTC;
// they are written again from that metadata, so they are not carried as text.
bool holdsMetadataBlock(const std::string& keyword) {
    return keyword.rfind("Raw profile type ", 0) == 0 || keyword == "XML:com.adobe.xmp";
}

void readPngMetadata(png_structp png, png_infop info, PlanarDocument& document) {
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

    ImageMetadata& metadata = document.metadata;
    png_textp texts = nullptr;
    int count = 0;
    png_get_text(png, info, &texts, &count);
    for (int i = 0; i < count; ++i) {
        const png_text& text = texts[i];
        if (holdsMetadataBlock(text.key)) continue;
        const bool international = text.compression >= PNG_ITXT_COMPRESSION_NONE;
        const size_t length = international ? text.itxt_length : text.text_length;
        metadata.pngText.push_back({text.key,
                                    std::string(text.text ? text.text : "", text.text ? length : 0),
                                    text.compression == PNG_TEXT_COMPRESSION_zTXt ||
                                        text.compression == PNG_ITXT_COMPRESSION_zTXt,
                                    international, international && text.lang ? text.lang : "",
                                    international && text.lang_key ? text.lang_key : ""});
    }
    double gamma = 0;
    if (png_get_gAMA(png, info, &gamma)) metadata.pngGamma = gamma;
    std::array<double, 8> white{};
    if (png_get_cHRM(png, info, &white[0], &white[1], &white[2], &white[3], &white[4], &white[5],
                     &white[6], &white[7]))
        metadata.pngChromaticities = white;
    int intent = 0;
    if (png_get_sRGB(png, info, &intent)) metadata.pngSrgbIntent = intent;
}

// IPTC records as a "Raw profile type iptc" text: a name line, the length, then the bytes in
// hexadecimal, 36 to a line, as other image programs write and read them.
std::string rawProfileText(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text = "\niptc\n" + std::to_string(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i % 36 == 0) text += '\n';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text + '\n';
}

// The text chunks to write: the source's, then the metadata blocks as text.
std::vector<ImageMetadata::PngText> textsToWrite(const ImageMetadata& metadata) {
    std::vector<ImageMetadata::PngText> texts = metadata.pngText;
    if (!metadata.xmp.empty())
        texts.push_back({"XML:com.adobe.xmp", metadata.xmp, false, true, "", ""});
    if (!metadata.iptc.empty())
        texts.push_back(
            {"Raw profile type iptc", rawProfileText(metadata.iptc), true, false, "", ""});
    if (!metadata.comment.empty())
        texts.push_back({"Comment", metadata.comment, false, false, "", ""});
    return texts;
}

// libpng's text records pointing into `texts`, which must outlive them.
std::vector<png_text> textChunks(const std::vector<ImageMetadata::PngText>& texts) {
    std::vector<png_text> chunks(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        const ImageMetadata::PngText& text = texts[i];
        png_text& chunk = chunks[i];
        chunk.compression =
            text.international
                ? (text.compressed ? PNG_ITXT_COMPRESSION_zTXt : PNG_ITXT_COMPRESSION_NONE)
                : (text.compressed ? PNG_TEXT_COMPRESSION_zTXt : PNG_TEXT_COMPRESSION_NONE);
        chunk.key = const_cast<png_charp>(text.keyword.c_str());
        chunk.text = const_cast<png_charp>(text.text.c_str());
        (text.international ? chunk.itxt_length : chunk.text_length) = text.text.size();
        chunk.lang = const_cast<png_charp>(text.language.c_str());
        chunk.lang_key = const_cast<png_charp>(text.translatedKeyword.c_str());
    }
    return chunks;
}

// Called inside the libpng call that may jump out, so it owns nothing: `chunks` is the
// caller's.
void writePngMetadata(png_structp png, png_infop info, const PlanarDocument& document,
                      const std::vector<uint8_t>& exif, const std::vector<png_text>& chunks) {
    const ImageMetadata& metadata = document.metadata;
    if (!document.iccProfile.empty())
        png_set_iCCP(png, info, "ICC profile", PNG_COMPRESSION_TYPE_BASE,
                     document.iccProfile.data(),
                     static_cast<png_uint_32>(document.iccProfile.size()));
    if (document.resolution)
        png_set_pHYs(png, info,
                     static_cast<png_uint_32>(std::lround(document.resolution->x / 0.0254)),
                     static_cast<png_uint_32>(std::lround(document.resolution->y / 0.0254)),
                     PNG_RESOLUTION_METER);
    if (metadata.pngGamma) png_set_gAMA(png, info, *metadata.pngGamma);
    if (const auto& c = metadata.pngChromaticities)
        png_set_cHRM(png, info, (*c)[0], (*c)[1], (*c)[2], (*c)[3], (*c)[4], (*c)[5], (*c)[6],
                     (*c)[7]);
    if (metadata.pngSrgbIntent) png_set_sRGB(png, info, *metadata.pngSrgbIntent);
    if (!exif.empty()) {
        // libpng copies the block; the cast only satisfies its non-const parameter.
        png_set_eXIf_1(png, info, static_cast<png_uint_32>(exif.size()),
                       const_cast<png_bytep>(exif.data()));
    }
    if (!chunks.empty()) png_set_text(png, info, chunks.data(), static_cast<int>(chunks.size()));
}

// Profiles libpng merely dislikes (a widely used sRGB profile it calls "known incorrect",
// an unexpected rendering intent) are the user's and are kept; they are not errors.
void acceptEveryProfile(png_structp png) {
    png_set_option(png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
    png_set_benign_errors(png, 1);
}

}  // namespace

namespace {

// True when every chunk's length fits within the file, which is read from its start and
// left there. libpng allocates a chunk's whole length before reading it, so a length field
// reaching past the end would cost that much memory before the read fails. A short tail is
// left for libpng to report.
bool chunksFitInFile(std::FILE* file) {
    constexpr long kSignatureBytes = 8;
    constexpr long kChunkHeadBytes = 8;    // length and type
    constexpr long kChunkFrameBytes = 12;  // length, type and checksum
    if (std::fseek(file, 0, SEEK_END) != 0) return true;
    const long size = std::ftell(file);
    bool fits = true;
    // A chunk whose length and type are the file's last bytes is allocated whole all the same.
    for (long position = kSignatureBytes; size - position >= kChunkHeadBytes;) {
        png_byte header[8];
        if (std::fseek(file, position, SEEK_SET) != 0 || std::fread(header, 1, 8, file) != 8) break;
        const png_uint_32 length = png_get_uint_32(header);
        if (size - position < kChunkFrameBytes ||
            length > static_cast<unsigned long>(size - position - kChunkFrameBytes)) {
            fits = false;
            break;
        }
        if (std::memcmp(header + 4, "IEND", 4) == 0) break;
        position += kChunkFrameBytes + static_cast<long>(length);
    }
    std::rewind(file);
    return fits;
}

}  // namespace

PlanarDocument readPng(std::FILE* file, const std::string& path, const ReadOptions& options) {
    ErrorTrap trap;
    const PngStructs structs(PngStructs::Direction::read, trap, path);
    png_structp png = structs.png();
    png_infop info = structs.info();
    const auto failDecode = [&] {
        fail(path, std::string("invalid or truncated PNG data (") + trap.message + ")");
    };

    if (!chunksFitInFile(file))
        fail(path, "invalid or truncated PNG data (a chunk reaches past the end)");
    png_init_io(png, file);
    // Size limits are ours, checked below with a clearer message.
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    acceptEveryProfile(png);
    if (!guardedCall(trap, [&] { png_read_info(png, info); })) failDecode();

    const int bitDepth = png_get_bit_depth(png, info);
    const int colourType = png_get_color_type(png, info);
    if (bitDepth == 16) failUnsupported(path, "16-bit images");
    if (bitDepth < 8 && colourType != PNG_COLOR_TYPE_PALETTE)
        failUnsupported(path, bitDepthKind(static_cast<unsigned>(bitDepth)));
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    const int passes = png_set_interlace_handling(png);
    if (!guardedCall(trap, [&] { png_read_update_info(png, info); })) failDecode();

    const int channels = png_get_channels(png, info);
    const bool withAlpha = channels == 2 || channels == 4;
    PlanarDocument document =
        startDocument(path, png_get_image_width(png, info), png_get_image_height(png, info),
                      channels <= 2 ? plugInModeGrayScale : plugInModeRGBColor, options.maxPixels);
    readPngMetadata(png, info, document);

    const size_t rowBytes = static_cast<size_t>(document.width) * static_cast<size_t>(channels);
    if (png_get_rowbytes(png, info) != rowBytes) fail(path, "unexpected PNG row layout");
    const auto height = static_cast<size_t>(document.height);
    PlaneGrowth growth(document, withAlpha);
    if (passes == 1) {
        // Rows are placed as they arrive, so a truncated file costs only what it holds.
        std::vector<uint8_t> row(rowBytes);
        for (size_t y = 0; y < height; ++y) {
            if (!guardedCall(trap, [&] { png_read_row(png, row.data(), nullptr); })) failDecode();
            growth.toRows(static_cast<int64_t>(y) + 1);
            scatterRow(row.data(), document, y, withAlpha, false);
            reportRows(options.rows, static_cast<int64_t>(y) + 1, document.height);
        }
    } else {
        // Every pass touches every row: the interlaced image is decoded whole.
        PlaneSamples pixels(rowBytes * height);
        std::vector<png_bytep> rows(height);
        for (size_t y = 0; y < height; ++y) rows[y] = pixels.data() + y * rowBytes;
        if (!guardedCall(trap, [&] { png_read_image(png, rows.data()); })) failDecode();
        growth.toRows(document.height);
        for (size_t y = 0; y < height; ++y) scatterRow(rows[y], document, y, withAlpha, false);
        reportRows(options.rows, document.height, document.height);
    }
    png_infop endInfo = info;
    if (!guardedCall(trap, [&] { png_read_end(png, endInfo); })) failDecode();
    // Text after the image data is read into the same info structure.
    document.metadata.pngText.clear();
    readPngMetadata(png, info, document);
    return document;
}

void writePng(const PlanarDocument& document, const std::vector<uint8_t>& exif, std::FILE* file,
              const std::string& path, const WriteOptions& options) {
    ErrorTrap trap;
    const PngStructs structs(PngStructs::Direction::write, trap, path);
    png_structp png = structs.png();
    png_infop info = structs.info();

    const bool grey = document.imageMode == plugInModeGrayScale;
    const int colourType =
        grey ? (document.hasAlpha() ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY)
             : (document.hasAlpha() ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB);
    const size_t pixelBytes = samplesPerPixel(document, document.hasAlpha());
    const std::vector<ImageMetadata::PngText> texts = textsToWrite(document.metadata);
    const std::vector<png_text> chunks = textChunks(texts);
    const bool started = guardedCall(trap, [&] {
        png_init_io(png, file);
        acceptEveryProfile(png);
        png_set_IHDR(png, info, static_cast<png_uint_32>(document.width),
                     static_cast<png_uint_32>(document.height), 8, colourType, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        writePngMetadata(png, info, document, exif, chunks);
        png_write_info(png, info);
    });
    if (!started) failWrite(path, trap);
    // The rows are compressed on several threads and written here, in order, as the pieces
    // are ready; progress and cancellation belong to this thread.
    ImageDataChunks imageData(png, trap, path);
    compressPngImageData(
        static_cast<size_t>(document.height), static_cast<size_t>(document.width) * pixelBytes,
        pixelBytes, document.pngCompression, hostThreadCount(),
        [&](size_t y, uint8_t* row) { gatherRow(document, y, document.hasAlpha(), false, row); },
        [&](std::span<const uint8_t> bytes, size_t rowsDone) {
            imageData.add(bytes);
            reportRows(options.rows, static_cast<int64_t>(rowsDone), document.height);
        });
    imageData.finish();
    // libpng's own end needs rows written through it; every chunk it would add after the
    // image data is set before the header is written, so the end is IEND alone.
    if (!guardedCall(trap, [&] {
            png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
        }))
        failWrite(path, trap);
}

}  // namespace brivo::host::image_codec
