#include "host/image_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

// jpeglib.h needs <cstdio> first.
#include <jerror.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace brivo::host {
namespace {

const std::string kSupportedKinds = "the filter works on 8-bit Grayscale, RGB and CMYK";

[[noreturn]] void fail(const std::string& path, const std::string& what) {
    throw ImageFileError(path + ": " + what);
}

[[noreturn]] void failUnsupported(const std::string& path, const std::string& kind) {
    fail(path, kind + " are not supported; " + kSupportedKinds);
}

std::string bitDepthKind(unsigned bits) {
    return std::to_string(bits) + "-bit images";
}

// ---------------------------------------------------------------------------------------------
// Pixels: files store interleaved samples (colour, then alpha); documents keep planes.

ImageDocument allocateDocument(const std::string& path, uint64_t width, uint64_t height,
                               int32_t imageMode, bool withAlpha) {
    if (!checkedPixelCount(width, height))
        fail(path, "image size " + std::to_string(width) + " x " + std::to_string(height) +
                       " is outside the supported range (at most " +
                       std::to_string(kMaxImageDimension) + " pixels a side and " +
                       std::to_string(kMaxImagePixels) + " pixels in all)");
    return makeImageDocument(static_cast<int32_t>(width), static_cast<int32_t>(height), imageMode,
                             withAlpha);
}

size_t samplesPerPixel(const ImageDocument& document, bool withAlpha) {
    return document.planes.size() + (withAlpha ? 1 : 0);
}

// XOR with 0xFF is 255 - v: turns ink amounts into the document's 255 = no ink and back.
uint8_t colourMask(bool invert) {
    return invert ? 0xFF : 0x00;
}

void scatterPixels(const uint8_t* pixels, ImageDocument& document, bool invertColour) {
    const size_t stride = samplesPerPixel(document, document.hasAlpha());
    const size_t count = document.pixelCount();
    const uint8_t mask = colourMask(invertColour);
    for (size_t c = 0; c < document.planes.size(); ++c) {
        uint8_t* plane = document.planes[c].data();
        for (size_t i = 0; i < count; ++i) plane[i] = pixels[i * stride + c] ^ mask;
    }
    if (document.hasAlpha()) {
        const size_t offset = document.planes.size();
        for (size_t i = 0; i < count; ++i) document.alpha[i] = pixels[i * stride + offset];
    }
}

void gatherRow(const ImageDocument& document, size_t y, bool withAlpha, bool invertColour,
               uint8_t* row) {
    const size_t width = static_cast<size_t>(document.width);
    const size_t stride = samplesPerPixel(document, withAlpha);
    const size_t start = y * width;
    const uint8_t mask = colourMask(invertColour);
    for (size_t c = 0; c < document.planes.size(); ++c) {
        const uint8_t* plane = document.planes[c].data() + start;
        for (size_t x = 0; x < width; ++x) row[x * stride + c] = plane[x] ^ mask;
    }
    if (withAlpha) {
        const uint8_t* alpha = document.alpha.data() + start;
        const size_t offset = document.planes.size();
        for (size_t x = 0; x < width; ++x) row[x * stride + offset] = alpha[x];
    }
}

// ---------------------------------------------------------------------------------------------
// libpng and libjpeg report errors through a handler that must not return. Ours records the
// message and longjmps back to guardedCall, which sits directly above the library call; the
// frames jumped over are the library's and trivially destructible lambdas.

struct ErrorTrap {
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX + 1] = {};
};

template <typename Call>
bool guardedCall(ErrorTrap& trap, const Call& call) {
    if (setjmp(trap.jump) != 0) return false;
    call();
    return true;
}

// ---------------------------------------------------------------------------------------------
// PNG

void onPngError(png_structp png, png_const_charp message) noexcept {
    auto* trap = static_cast<ErrorTrap*>(png_get_error_ptr(png));
    std::snprintf(trap->message, sizeof trap->message, "%s", message);
    std::longjmp(trap->jump, 1);
}

void onPngWarning(png_structp, png_const_charp) noexcept {}

struct PngReadStructs {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngReadStructs() { png_destroy_read_struct(&png, &info, nullptr); }
};

struct PngWriteStructs {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngWriteStructs() { png_destroy_write_struct(&png, &info); }
};

ImageDocument readPng(std::FILE* file, const std::string& path) {
    ErrorTrap trap;
    PngReadStructs structs;
    structs.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &trap, onPngError, onPngWarning);
    if (structs.png) structs.info = png_create_info_struct(structs.png);
    if (!structs.info) fail(path, "out of memory");
    png_structp png = structs.png;
    png_infop info = structs.info;
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
    ImageDocument document =
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
    std::vector<uint8_t> pixels(rowBytes * static_cast<size_t>(document.height));
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

void writePng(const ImageDocument& document, std::FILE* file, const std::string& path) {
    ErrorTrap trap;
    PngWriteStructs structs;
    structs.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &trap, onPngError, onPngWarning);
    if (structs.png) structs.info = png_create_info_struct(structs.png);
    if (!structs.info) fail(path, "out of memory");
    png_structp png = structs.png;
    png_infop info = structs.info;

    const bool grey = document.imageMode == plugInModeGrayScale;
    const int colourType =
        grey ? (document.hasAlpha() ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY)
             : (document.hasAlpha() ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB);
    std::vector<uint8_t> row(static_cast<size_t>(document.width) *
                             samplesPerPixel(document, document.hasAlpha()));
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
        for (int y = 0; y < document.height; ++y) {
            gatherRow(document, static_cast<size_t>(y), document.hasAlpha(), false, row.data());
            png_write_row(png, row.data());
        }
        png_write_end(png, info);
    });
    if (!written) fail(path, std::string("cannot write PNG data (") + trap.message + ")");
}

// ---------------------------------------------------------------------------------------------
// JPEG

struct JpegErrors {
    jpeg_error_mgr manager;  // first, so the library's pointer to it leads back here
    ErrorTrap trap;
};

void onJpegError(j_common_ptr cinfo) noexcept {
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->trap.message);
    std::longjmp(errors->trap.jump, 1);
}

// The library fills a file that ends early with grey and only warns; that is an error here.
// Other warnings (stray bytes between markers) are common in good files and ignored.
void onJpegMessage(j_common_ptr cinfo, int level) noexcept {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) onJpegError(cinfo);
}

jpeg_error_mgr* installJpegErrors(JpegErrors& errors) {
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = onJpegError;
    errors.manager.emit_message = onJpegMessage;
    return &errors.manager;
}

struct JpegDecompress {
    jpeg_decompress_struct cinfo{};
    ~JpegDecompress() { jpeg_destroy_decompress(&cinfo); }
};

struct JpegCompress {
    jpeg_compress_struct cinfo{};
    ~JpegCompress() { jpeg_destroy_compress(&cinfo); }
};

struct MallocFree {
    void operator()(void* p) const { std::free(p); }
};

ImageDocument readJpeg(std::FILE* file, const std::string& path) {
    JpegErrors errors;
    JpegDecompress decompress;
    jpeg_decompress_struct& cinfo = decompress.cinfo;
    cinfo.err = installJpegErrors(errors);
    const auto failDecode = [&] {
        fail(path, std::string("invalid or truncated JPEG data (") + errors.trap.message + ")");
    };

    JOCTET* profile = nullptr;
    unsigned profileLength = 0;
    const bool headerRead = guardedCall(errors.trap, [&] {
        jpeg_create_decompress(&cinfo);
        jpeg_stdio_src(&cinfo, file);
        jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
        jpeg_read_header(&cinfo, TRUE);
        if (!jpeg_read_icc_profile(&cinfo, &profile, &profileLength)) profile = nullptr;
    });
    const std::unique_ptr<JOCTET, MallocFree> profileOwner(profile);
    if (!headerRead) failDecode();

    if (cinfo.data_precision != 8)
        failUnsupported(path, bitDepthKind(static_cast<unsigned>(cinfo.data_precision)));
    int32_t imageMode = 0;
    switch (cinfo.jpeg_color_space) {
        case JCS_GRAYSCALE:
            cinfo.out_color_space = JCS_GRAYSCALE;
            imageMode = plugInModeGrayScale;
            break;
        case JCS_YCbCr:
        case JCS_RGB:
            cinfo.out_color_space = JCS_RGB;
            imageMode = plugInModeRGBColor;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            cinfo.out_color_space = JCS_CMYK;
            imageMode = plugInModeCMYKColor;
            break;
        default:
            failUnsupported(path, "JPEG images in this colour space");
    }
    ImageDocument document =
        allocateDocument(path, cinfo.image_width, cinfo.image_height, imageMode, false);
    if (profile) document.iccProfile.assign(profile, profile + profileLength);
    if (cinfo.X_density > 0 && cinfo.Y_density > 0 &&
        (cinfo.density_unit == 1 || cinfo.density_unit == 2)) {
        const double perInch = cinfo.density_unit == 2 ? 2.54 : 1.0;
        document.resolution = Resolution{cinfo.X_density * perInch, cinfo.Y_density * perInch};
    }

    const size_t rowBytes = static_cast<size_t>(document.width) * document.planes.size();
    std::vector<uint8_t> pixels(rowBytes * static_cast<size_t>(document.height));
    const bool decoded = guardedCall(errors.trap, [&] {
        jpeg_start_decompress(&cinfo);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pixels.data() + cinfo.output_scanline * rowBytes;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
    });
    if (!decoded) failDecode();

    // CMYK JPEGs with an Adobe marker store 255 - ink, which is the document's convention;
    // without one they store ink amounts.
    const bool invert = imageMode == plugInModeCMYKColor && !cinfo.saw_Adobe_marker;
    scatterPixels(pixels.data(), document, invert);
    return document;
}

void writeJpeg(const ImageDocument& document, std::FILE* file, const std::string& path) {
    JpegErrors errors;
    JpegCompress compress;
    jpeg_compress_struct& cinfo = compress.cinfo;
    cinfo.err = installJpegErrors(errors);

    const int components = static_cast<int>(document.planes.size());
    const J_COLOR_SPACE colourSpace = components == 1   ? JCS_GRAYSCALE
                                      : components == 3 ? JCS_RGB
                                                        : JCS_CMYK;
    std::vector<uint8_t> row(static_cast<size_t>(document.width) * document.planes.size());
    const bool written = guardedCall(errors.trap, [&] {
        jpeg_create_compress(&cinfo);
        jpeg_stdio_dest(&cinfo, file);
        cinfo.image_width = static_cast<JDIMENSION>(document.width);
        cinfo.image_height = static_cast<JDIMENSION>(document.height);
        cinfo.input_components = components;
        cinfo.in_color_space = colourSpace;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, std::clamp(document.jpegQuality, 1, 100), TRUE);
        for (int c = 0; c < cinfo.num_components; ++c) {
            cinfo.comp_info[c].h_samp_factor = 1;  // full-resolution colour
            cinfo.comp_info[c].v_samp_factor = 1;
        }
        if (document.resolution) {
            cinfo.density_unit = 1;
            cinfo.X_density =
                static_cast<UINT16>(std::clamp(std::lround(document.resolution->x), 1L, 65535L));
            cinfo.Y_density =
                static_cast<UINT16>(std::clamp(std::lround(document.resolution->y), 1L, 65535L));
        }
        // CMYK is written with an Adobe marker, as 255 - ink: the document's values as they are.
        jpeg_start_compress(&cinfo, TRUE);
        if (!document.iccProfile.empty())
            jpeg_write_icc_profile(&cinfo, document.iccProfile.data(),
                                   static_cast<unsigned>(document.iccProfile.size()));
        for (int y = 0; y < document.height; ++y) {
            gatherRow(document, static_cast<size_t>(y), false, false, row.data());
            JSAMPROW rowPointer = row.data();
            jpeg_write_scanlines(&cinfo, &rowPointer, 1);
        }
        jpeg_finish_compress(&cinfo);
    });
    if (!written) fail(path, std::string("cannot write JPEG data (") + errors.trap.message + ")");
}

// ---------------------------------------------------------------------------------------------
// TIFF: libtiff reports errors through return values; the handler only keeps the first message.

struct TiffMessages {
    char message[512] = {};
};

int onTiffError(TIFF*, void* user, const char*, const char* format, va_list args) noexcept {
    auto* messages = static_cast<TiffMessages*>(user);
    if (messages->message[0] == '\0')
        std::vsnprintf(messages->message, sizeof messages->message, format, args);
    return 1;
}

int onTiffWarning(TIFF*, void*, const char*, const char*, va_list) noexcept {
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

TiffPtr openTiff(const std::string& file, const char* mode, TiffMessages& messages) {
    const std::unique_ptr<TIFFOpenOptions, decltype(&TIFFOpenOptionsFree)> options(
        TIFFOpenOptionsAlloc(), &TIFFOpenOptionsFree);
    if (!options) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), onTiffError, &messages);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), onTiffWarning, nullptr);
    return TiffPtr(TIFFOpenExt(file.c_str(), mode, options.get()));
}

TiffAlpha tiffAlphaKind(TIFF* tiff) {
    uint16_t count = 0;
    uint16_t* kinds = nullptr;
    if (!TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &count, &kinds) || count == 0)
        return TiffAlpha::unspecified;
    switch (kinds[0]) {
        case EXTRASAMPLE_ASSOCALPHA:
            return TiffAlpha::associated;
        case EXTRASAMPLE_UNASSALPHA:
            return TiffAlpha::unassociated;
        default:
            return TiffAlpha::unspecified;
    }
}

// Reads every strip or tile of the first image into interleaved samples.
bool readTiffSamples(TIFF* tiff, uint32_t width, uint32_t height, uint16_t samples,
                     std::vector<uint8_t>& pixels) {
    uint16_t planarConfig = PLANARCONFIG_CONTIG;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planarConfig);
    const bool separate = planarConfig == PLANARCONFIG_SEPARATE && samples > 1;
    const size_t chunkSamples = separate ? 1 : samples;
    const uint16_t chunkCount = separate ? samples : 1;

    // Copies `count` pixels of one chunk, starting at (x, y), into their place.
    const auto place = [&](const uint8_t* source, uint32_t x, uint32_t y, uint32_t count,
                           uint16_t chunk) {
        uint8_t* target = pixels.data() + (size_t{y} * width + x) * samples + chunk;
        for (size_t i = 0; i < count; ++i)
            for (size_t s = 0; s < chunkSamples; ++s)
                target[i * samples + s] = source[i * chunkSamples + s];
    };

    if (TIFFIsTiled(tiff)) {
        uint32_t tileWidth = 0, tileHeight = 0;
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileHeight);
        const tmsize_t tileSize = TIFFTileSize(tiff);
        if (tileWidth == 0 || tileHeight == 0 ||
            static_cast<uint64_t>(tileSize) < uint64_t{tileWidth} * tileHeight * chunkSamples)
            return false;
        std::vector<uint8_t> tile(static_cast<size_t>(tileSize));
        for (uint16_t chunk = 0; chunk < chunkCount; ++chunk)
            for (uint32_t ty = 0; ty < height; ty += tileHeight)
                for (uint32_t tx = 0; tx < width; tx += tileWidth) {
                    if (TIFFReadTile(tiff, tile.data(), tx, ty, 0, chunk) < 0) return false;
                    const uint32_t rows = std::min(tileHeight, height - ty);
                    const uint32_t columns = std::min(tileWidth, width - tx);
                    for (uint32_t r = 0; r < rows; ++r)
                        place(tile.data() + size_t{r} * tileWidth * chunkSamples, tx, ty + r,
                              columns, chunk);
                }
        return true;
    }

    const tmsize_t lineSize = TIFFScanlineSize(tiff);
    if (lineSize <= 0 || static_cast<uint64_t>(lineSize) < uint64_t{width} * chunkSamples)
        return false;
    std::vector<uint8_t> line(static_cast<size_t>(lineSize));
    for (uint16_t chunk = 0; chunk < chunkCount; ++chunk)
        for (uint32_t y = 0; y < height; ++y) {
            if (TIFFReadScanline(tiff, line.data(), y, chunk) < 0) return false;
            place(line.data(), 0, y, width, chunk);
        }
    return true;
}

ImageDocument readTiff(const std::string& path) {
    TiffMessages messages;
    const TiffPtr tiff = openTiff(path, "r", messages);
    if (!tiff) fail(path, std::string("invalid TIFF file (") + messages.message + ")");
    TIFF* t = tiff.get();

    uint32_t width = 0, height = 0;
    uint16_t bits = 1, samples = 1, sampleFormat = SAMPLEFORMAT_UINT, photometric = 0;
    uint16_t compression = COMPRESSION_NONE, inkSet = INKSET_CMYK;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(t, TIFFTAG_INKSET, &inkSet);
    if (!TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric))
        fail(path,
             "the TIFF file does not say how its samples are to be read (no photometric tag)");

    if (bits != 8) failUnsupported(path, bitDepthKind(bits));
    if (sampleFormat != SAMPLEFORMAT_UINT)
        failUnsupported(path, "floating-point and signed-sample images");

    int colourSamples = 0;
    int32_t imageMode = 0;
    bool invert = false;
    switch (photometric) {
        case PHOTOMETRIC_MINISWHITE:
            invert = true;
            [[fallthrough]];
        case PHOTOMETRIC_MINISBLACK:
            colourSamples = 1;
            imageMode = plugInModeGrayScale;
            break;
        case PHOTOMETRIC_YCBCR:
            if (compression != COMPRESSION_JPEG)
                failUnsupported(path, "YCbCr TIFF images other than JPEG-compressed ones");
            TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
            [[fallthrough]];
        case PHOTOMETRIC_RGB:
            colourSamples = 3;
            imageMode = plugInModeRGBColor;
            break;
        case PHOTOMETRIC_SEPARATED:
            if (inkSet != INKSET_CMYK) failUnsupported(path, "separations other than CMYK");
            colourSamples = 4;
            imageMode = plugInModeCMYKColor;
            invert = true;  // TIFF stores ink amounts, 0 = no ink
            break;
        case PHOTOMETRIC_CIELAB:
        case PHOTOMETRIC_ICCLAB:
        case PHOTOMETRIC_ITULAB:
            failUnsupported(path, "Lab images");
        case PHOTOMETRIC_PALETTE:
            failUnsupported(path, "indexed-colour TIFF images");
        default:
            failUnsupported(
                path, "TIFF images of photometric interpretation " + std::to_string(photometric));
    }
    if (samples < colourSamples) fail(path, "the TIFF file has too few samples per pixel");
    if (samples > colourSamples + 1)
        failUnsupported(path, "images with more than one extra channel");
    const bool withAlpha = samples == colourSamples + 1;

    ImageDocument document = allocateDocument(path, width, height, imageMode, withAlpha);
    if (withAlpha) document.tiffAlpha = tiffAlphaKind(t);
    uint32_t profileLength = 0;
    void* profile = nullptr;
    if (TIFFGetField(t, TIFFTAG_ICCPROFILE, &profileLength, &profile) && profile)
        document.iccProfile.assign(static_cast<const uint8_t*>(profile),
                                   static_cast<const uint8_t*>(profile) + profileLength);
    float xResolution = 0, yResolution = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(t, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (TIFFGetField(t, TIFFTAG_XRESOLUTION, &xResolution) &&
        TIFFGetField(t, TIFFTAG_YRESOLUTION, &yResolution) && xResolution > 0 && yResolution > 0 &&
        (unit == RESUNIT_INCH || unit == RESUNIT_CENTIMETER)) {
        const double perInch = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
        document.resolution = Resolution{xResolution * perInch, yResolution * perInch};
    }

    std::vector<uint8_t> pixels(document.pixelCount() * samples);
    if (!readTiffSamples(t, width, height, samples, pixels))
        fail(path, std::string("invalid or truncated TIFF data (") + messages.message + ")");
    scatterPixels(pixels.data(), document, invert);
    return document;
}

uint16_t tiffExtraSampleKind(TiffAlpha alpha) {
    switch (alpha) {
        case TiffAlpha::associated:
            return EXTRASAMPLE_ASSOCALPHA;
        case TiffAlpha::unassociated:
            return EXTRASAMPLE_UNASSALPHA;
        case TiffAlpha::unspecified:
            break;
    }
    return EXTRASAMPLE_UNSPECIFIED;
}

void writeTiff(const ImageDocument& document, const std::string& file, const std::string& path) {
    TiffMessages messages;
    const auto failWrite = [&] {
        fail(path, std::string("cannot write TIFF data (") + messages.message + ")");
    };
    TiffPtr tiff = openTiff(file, "w", messages);
    if (!tiff) failWrite();
    TIFF* t = tiff.get();

    const bool cmyk = document.imageMode == plugInModeCMYKColor;
    const uint16_t photometric = document.imageMode == plugInModeGrayScale ? PHOTOMETRIC_MINISBLACK
                                 : cmyk                                    ? PHOTOMETRIC_SEPARATED
                                                                           : PHOTOMETRIC_RGB;
    const size_t samples = samplesPerPixel(document, document.hasAlpha());
    bool ok = TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(document.width)) &&
              TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(document.height)) &&
              TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8) &&
              TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, static_cast<uint16_t>(samples)) &&
              TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric) &&
              TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
              TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE) &&
              TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL) &&
              TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
    if (ok && cmyk) ok = TIFFSetField(t, TIFFTAG_INKSET, INKSET_CMYK);
    if (ok && document.hasAlpha()) {
        const uint16_t kind = tiffExtraSampleKind(document.tiffAlpha);
        ok = TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &kind);
    }
    if (ok && !document.iccProfile.empty())
        ok = TIFFSetField(t, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(document.iccProfile.size()),
                          document.iccProfile.data());
    if (ok && document.resolution)
        ok = TIFFSetField(t, TIFFTAG_XRESOLUTION, document.resolution->x) &&
             TIFFSetField(t, TIFFTAG_YRESOLUTION, document.resolution->y) &&
             TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    if (!ok) failWrite();

    std::vector<uint8_t> row(static_cast<size_t>(document.width) * samples);
    for (int y = 0; y < document.height; ++y) {
        gatherRow(document, static_cast<size_t>(y), document.hasAlpha(), cmyk, row.data());
        if (TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0) < 0) failWrite();
    }
    if (!TIFFFlush(t)) failWrite();
}

// ---------------------------------------------------------------------------------------------
// Files

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::optional<ImageFormat> sniffFormat(const unsigned char* head, size_t length) {
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (length >= 8 && std::memcmp(head, png, 8) == 0) return ImageFormat::png;
    if (length >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF)
        return ImageFormat::jpeg;
    // Classic (42) and big (43) TIFF, in either byte order.
    if (length >= 4 &&
        ((head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0) ||
         (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43))))
        return ImageFormat::tiff;
    return std::nullopt;
}

// Permissions for a new file: the target's when it exists, otherwise what the umask allows.
// The umask is read from /proc rather than set and restored, which would race other threads.
mode_t permissionsFor(const std::string& target) {
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) return existing.st_mode & 07777;
    mode_t mask = 022;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Umask:", 0) == 0)
            mask = static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    return 0666 & ~mask;
}

// A uniquely named file beside the target. It is removed when destroyed, unless commit()
// has renamed it over the target.
class TempFile {
  public:
    explicit TempFile(const std::string& target) : target_(target) {
        const std::filesystem::path targetPath(target);
        std::filesystem::path name(".");
        name += targetPath.filename();
        name += ".XXXXXX";
        std::string pattern = (targetPath.parent_path() / name).string();
        fd_ = ::mkstemp(pattern.data());
        if (fd_ < 0)
            fail(target,
                 std::string("cannot create a file in its folder: ") + std::strerror(errno));
        path_ = pattern;
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!committed_) ::unlink(path_.c_str());
    }

    const std::string& path() const { return path_; }

    // A stdio stream on the file, for libraries that write through one.
    FilePtr openStream() const {
        const int fd = ::dup(fd_);
        std::FILE* stream = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
        if (!stream) {
            const int error = errno;
            if (fd >= 0) ::close(fd);
            fail(target_, std::string("cannot write: ") + std::strerror(error));
        }
        return FilePtr(stream);
    }

    // Flushes a stream from openStream() and closes it, reporting what went wrong.
    void closeStream(FilePtr stream) const {
        errno = 0;
        bool ok = std::fflush(stream.get()) == 0 && !std::ferror(stream.get());
        int error = errno;
        if (std::fclose(stream.release()) != 0 && ok) {
            ok = false;
            error = errno;
        }
        if (!ok) fail(target_, std::string("cannot write: ") + std::strerror(error ? error : EIO));
    }

    void commit() {
        if (::fchmod(fd_, permissionsFor(target_)) != 0 || ::fsync(fd_) != 0)
            fail(target_, std::string("cannot write: ") + std::strerror(errno));
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) fail(target_, std::string("cannot write: ") + std::strerror(errno));
        if (std::rename(path_.c_str(), target_.c_str()) != 0)
            fail(target_, std::string("cannot replace the file: ") + std::strerror(errno));
        committed_ = true;
    }

  private:
    std::string target_;
    std::string path_;
    int fd_ = -1;
    bool committed_ = false;
};

void checkFormatCanHold(const ImageDocument& document, ImageFormat format,
                        const std::string& path) {
    if (!isConsistent(document))
        fail(path, "the document's planes do not match its size and image mode");
    if (format == ImageFormat::png && document.imageMode == plugInModeCMYKColor)
        fail(path, "PNG cannot hold CMYK images; write a TIFF or JPEG file instead");
    if (format == ImageFormat::jpeg && document.hasAlpha())
        fail(path, "JPEG cannot hold transparency; write a PNG or TIFF file instead");
}

}  // namespace

std::optional<ImageFormat> imageFormatForPath(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".png") return ImageFormat::png;
    if (extension == ".jpg" || extension == ".jpeg") return ImageFormat::jpeg;
    if (extension == ".tif" || extension == ".tiff") return ImageFormat::tiff;
    return std::nullopt;
}

ImageDocument readImageFile(const std::string& path) {
    const FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) fail(path, std::string("cannot open: ") + std::strerror(errno));
    unsigned char head[8] = {};
    const size_t length = std::fread(head, 1, sizeof head, file.get());
    if (std::ferror(file.get())) fail(path, std::string("cannot read: ") + std::strerror(errno));
    if (length == 0) fail(path, "the file is empty");
    const auto format = sniffFormat(head, length);
    if (!format) fail(path, "not a PNG, JPEG or TIFF image");
    std::rewind(file.get());

    ImageDocument document = *format == ImageFormat::png    ? readPng(file.get(), path)
                             : *format == ImageFormat::jpeg ? readJpeg(file.get(), path)
                                                            : readTiff(path);
    document.sourceFormat = *format;
    return document;
}

void writeImageFile(const ImageDocument& document, const std::string& path) {
    const auto format = imageFormatForPath(path);
    if (!format) fail(path, "unknown file type; use .png, .jpg, .jpeg, .tif or .tiff");
    checkFormatCanHold(document, *format, path);

    TempFile temp(path);
    if (*format == ImageFormat::tiff) {
        writeTiff(document, temp.path(), path);
    } else {
        FilePtr stream = temp.openStream();
        if (*format == ImageFormat::png)
            writePng(document, stream.get(), path);
        else
            writeJpeg(document, stream.get(), path);
        temp.closeStream(std::move(stream));
    }
    temp.commit();
}

}  // namespace brivo::host
