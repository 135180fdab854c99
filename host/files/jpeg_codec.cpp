#include "host/files/jpeg_codec.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

// jpeglib.h needs size_t and FILE declared first, and jerror.h needs jpeglib.h.
#include <jpeglib.h>

#include <jerror.h>

#include "host/files/error_trap.h"
#include "host/files/image_codec_support.h"
#include "host/files/plane_growth.h"
#include "host/runtime/pixel_memory.h"

namespace brivo::host::image_codec {
namespace {

static_assert(kErrorMessageSize >= JMSG_LENGTH_MAX + 1, "room for libjpeg's messages");

struct JpegErrors {
    jpeg_error_mgr manager;  // first, so the library's pointer to it leads back here
    ErrorTrap trap;
    // The first warning about damaged data, and how many came in all.
    char firstWarning[kErrorMessageSize] = {};
    int warningCount = 0;
};

void onJpegError(j_common_ptr cinfo) noexcept {
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->trap.message);
    std::longjmp(errors->trap.jump, 1);
}

// The library fills a file that ends early with grey and only warns; that is an error here.
// Other warnings (corrupt entropy data, stray bytes) are noted for the caller to pass on.
// Data that ends before the image does is an error: at the end of the file, or at the
// end-of-image marker with most of the image still missing (a short file claiming a huge
// image would otherwise become a huge grey picture). A marker met near the end, or any
// other marker inside the compressed data, is damage the decoder gets past: a warning.
bool dataEndsEarly(j_common_ptr cinfo) {
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF) return true;
    if (code != JWRN_HIT_MARKER || !cinfo->is_decompressor) return false;
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    return decompress->unread_marker == JPEG_EOI &&
           decompress->output_scanline < decompress->output_height / 2;
}

void onJpegMessage(j_common_ptr cinfo, int level) noexcept {
    if (level >= 0) return;  // trace messages
    if (dataEndsEarly(cinfo)) onJpegError(cinfo);
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    if (errors->warningCount++ == 0) (*cinfo->err->format_message)(cinfo, errors->firstWarning);
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

// The baseline luminance table that quality settings scale (natural order).
constexpr unsigned kBaseLuminanceTable[DCTSIZE2] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

// The quality setting that scales the baseline table into the file's first table: the
// inverse of the usual scaling (50 keeps the table, 100 makes it all ones), averaged over
// the 64 entries. 90 when the file has no such table.
int estimateQuality(const jpeg_decompress_struct& cinfo) {
    const JQUANT_TBL* table = cinfo.quant_tbl_ptrs[0];
    if (table == nullptr) return 90;
    bool allOnes = true;
    double percent = 0;
    for (int i = 0; i < DCTSIZE2; ++i) {
        allOnes = allOnes && table->quantval[i] <= 1;
        percent += 100.0 * table->quantval[i] / kBaseLuminanceTable[i];
    }
    if (allOnes) return 100;
    const double scale = percent / DCTSIZE2;
    const double quality = scale <= 100 ? (200 - scale) / 2 : 5000 / scale;
    return std::clamp(static_cast<int>(std::lround(quality)), 1, 100);
}

}  // namespace

PlanarDocument readJpeg(std::FILE* file, const std::string& path, const ReadOptions& options) {
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
    PlanarDocument document =
        startDocument(path, cinfo.image_width, cinfo.image_height, imageMode, options.maxPixels);
    if (profile) document.iccProfile.assign(profile, profile + profileLength);
    if (cinfo.X_density > 0 && cinfo.Y_density > 0 &&
        (cinfo.density_unit == 1 || cinfo.density_unit == 2)) {
        const double perInch = cinfo.density_unit == 2 ? 2.54 : 1.0;
        document.resolution = Resolution{cinfo.X_density * perInch, cinfo.Y_density * perInch};
    }
    document.jpegQuality = estimateQuality(cinfo);
    if (cinfo.num_components > 0)
        document.jpegLumaSampling = {cinfo.comp_info[0].h_samp_factor,
                                     cinfo.comp_info[0].v_samp_factor};

    // CMYK JPEGs with an Adobe marker store 255 - ink, which is the document's convention;
    // without one they store ink amounts.
    const bool invert = imageMode == plugInModeCMYKColor && !cinfo.saw_Adobe_marker;
    std::vector<uint8_t> row(static_cast<size_t>(document.width) * document.planes.size());
    if (!guardedCall(errors.trap, [&] { jpeg_start_decompress(&cinfo); })) failDecode();
    // Rows are placed as they arrive, so a file that ends early costs only what it holds.
    PlaneGrowth growth(document, false);
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION y = cinfo.output_scanline;
        JSAMPROW rowPointer = row.data();
        if (!guardedCall(errors.trap, [&] { jpeg_read_scanlines(&cinfo, &rowPointer, 1); }))
            failDecode();
        growth.toRows(int64_t{y} + 1);
        scatterRow(row.data(), document, y, false, invert);
        reportRows(options.rows, int64_t{y} + 1, document.height);
    }
    if (!guardedCall(errors.trap, [&] { jpeg_finish_decompress(&cinfo); })) failDecode();
    if (errors.warningCount > 0 && options.warn)
        options.warn(path + ": damaged JPEG data, the picture may show it (" + errors.firstWarning +
                     (errors.warningCount > 1
                          ? "; " + std::to_string(errors.warningCount - 1) + " more warnings"
                          : std::string()) +
                     ")");
    return document;
}

void writeJpeg(const PlanarDocument& document, std::FILE* file, const std::string& path,
               const WriteOptions& options) {
    JpegErrors errors;
    JpegCompress compress;
    jpeg_compress_struct& cinfo = compress.cinfo;
    cinfo.err = installJpegErrors(errors);
    const auto failWrite = [&] {
        fail(path, std::string("cannot write JPEG data (") + errors.trap.message + ")");
    };

    const int components = static_cast<int>(document.planes.size());
    const J_COLOR_SPACE colourSpace = components == 1   ? JCS_GRAYSCALE
                                      : components == 3 ? JCS_RGB
                                                        : JCS_CMYK;
    const int quality = std::clamp(options.jpegQuality.value_or(document.jpegQuality), 1, 100);
    std::vector<uint8_t> row(static_cast<size_t>(document.width) * document.planes.size());
    const bool started = guardedCall(errors.trap, [&] {
        jpeg_create_compress(&cinfo);
        jpeg_stdio_dest(&cinfo, file);
        cinfo.image_width = static_cast<JDIMENSION>(document.width);
        cinfo.image_height = static_cast<JDIMENSION>(document.height);
        cinfo.input_components = components;
        cinfo.in_color_space = colourSpace;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, quality, TRUE);
        if (colourSpace == JCS_RGB) {
            // Luminance at the document's sampling, colour once per luminance block.
            cinfo.comp_info[0].h_samp_factor = std::clamp(document.jpegLumaSampling[0], 1, 4);
            cinfo.comp_info[0].v_samp_factor = std::clamp(document.jpegLumaSampling[1], 1, 4);
            for (int c = 1; c < cinfo.num_components; ++c) {
                cinfo.comp_info[c].h_samp_factor = 1;
                cinfo.comp_info[c].v_samp_factor = 1;
            }
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
    });
    if (!started) failWrite();
    for (int y = 0; y < document.height; ++y) {
        gatherRow(document, static_cast<size_t>(y), false, false, row.data());
        JSAMPROW rowPointer = row.data();
        if (!guardedCall(errors.trap, [&] { jpeg_write_scanlines(&cinfo, &rowPointer, 1); }))
            failWrite();
        reportRows(options.rows, y + 1, document.height);
    }
    if (!guardedCall(errors.trap, [&] { jpeg_finish_compress(&cinfo); })) failWrite();
}

}  // namespace brivo::host::image_codec
