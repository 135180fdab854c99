#include "host/files/tiff_codec.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <vector>

#include "host/files/image_codec_support.h"
#include "host/files/plane_growth.h"
#include "host/runtime/pixel_memory.h"

namespace brivo::host::image_codec {
namespace {

// libtiff reports errors through return values; the handler only keeps the first message.

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

// Reads every strip or tile of the first image into the document's planes, growing them as
// rows arrive so that a file that ends early costs only what it holds.
bool readTiffSamples(TIFF* tiff, PlanarDocument& document, uint16_t samples, bool withAlpha,
                     bool invert, const RowMonitor& monitor) {
    const auto width = static_cast<uint32_t>(document.width);
    const auto height = static_cast<uint32_t>(document.height);
    uint16_t planarConfig = PLANARCONFIG_CONTIG;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planarConfig);
    const bool separate = planarConfig == PLANARCONFIG_SEPARATE && samples > 1;
    const size_t chunkSamples = separate ? 1 : samples;
    const uint16_t chunkCount = separate ? samples : 1;
    const size_t colourPlanes = document.planes.size();
    PlaneGrowth growth(document, withAlpha);

    // Copies `count` pixels of one chunk, starting at (x, y), into their planes.
    const auto place = [&](const uint8_t* source, uint32_t x, uint32_t y, uint32_t count,
                           uint16_t chunk) {
        if (!separate) return scatterRow(source, document, y, withAlpha, invert, x, count);
        const uint8_t mask = invert && chunk < colourPlanes ? 0xFF : 0x00;
        uint8_t* target = planeOfSample(document, chunk).data() + size_t{y} * width + x;
        for (size_t i = 0; i < count; ++i) target[i] = source[i] ^ mask;
    };
    const auto rowsDone = [&](uint16_t chunk, uint32_t rows) {
        if (chunk == 0) growth.toRows(rows);
        reportRows(monitor, int64_t{chunk} * height + rows, int64_t{chunkCount} * height);
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
            for (uint32_t ty = 0; ty < height; ty += tileHeight) {
                const uint32_t rows = std::min(tileHeight, height - ty);
                if (chunk == 0) growth.toRows(ty + rows);
                for (uint32_t tx = 0; tx < width; tx += tileWidth) {
                    if (TIFFReadTile(tiff, tile.data(), tx, ty, 0, chunk) < 0) return false;
                    const uint32_t columns = std::min(tileWidth, width - tx);
                    for (uint32_t r = 0; r < rows; ++r)
                        place(tile.data() + size_t{r} * tileWidth * chunkSamples, tx, ty + r,
                              columns, chunk);
                }
                rowsDone(chunk, ty + rows);
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
            if (chunk == 0) growth.toRows(y + 1);
            place(line.data(), 0, y, width, chunk);
            rowsDone(chunk, y + 1);
        }
    return true;
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

}  // namespace

PlanarDocument readTiff(const std::string& file, const std::string& path,
                        const ReadOptions& options) {
    TiffMessages messages;
    const TiffPtr tiff = openTiff(file, "r", messages);
    if (!tiff) fail(path, std::string("invalid TIFF file (") + messages.message + ")");
    TIFF* t = tiff.get();
    // Only the first page is filtered; writing it alone would lose the others.
    if (const tdir_t pages = TIFFNumberOfDirectories(t); pages > 1)
        fail(path, "the TIFF file holds " + std::to_string(pages) +
                       " pages (or a preview besides the picture); only single-page TIFF files "
                       "can be filtered without losing the others");

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

    PlanarDocument document = startDocument(path, width, height, imageMode, options.maxPixels);
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

    if (!readTiffSamples(t, document, samples, withAlpha, invert, options.rows))
        fail(path, std::string("invalid or truncated TIFF data (") + messages.message + ")");
    return document;
}

void writeTiff(const PlanarDocument& document, const std::string& file, const std::string& path,
               const WriteOptions& options) {
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
        reportRows(options.rows, y + 1, document.height);
    }
    if (!TIFFFlush(t)) failWrite();
}

}  // namespace brivo::host::image_codec
