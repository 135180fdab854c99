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
#include "host/runtime/pixel_memory.h"

namespace brivo::host::image_codec {
namespace {

static_assert(kErrorMessageSize >= JMSG_LENGTH_MAX + 1, "room for libjpeg's messages");

struct JpegErrors {
    jpeg_error_mgr manager;  // first, so the library's pointer to it leads back here
    ErrorTrap trap;
};

void onJpegError(j_common_ptr cinfo) noexcept {
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->trap.message);
    std::longjmp(errors->trap.jump, 1);
}

// The library fills the rest of an image whose data ends early (the file ends, or a marker
// cuts the compressed data short) with grey and only warns; both are errors here, found as
// soon as the data runs out. Other warnings (stray bytes between markers) are common in good
// files and ignored.
void onJpegMessage(j_common_ptr cinfo, int level) noexcept {
    const int code = cinfo->err->msg_code;
    if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)) onJpegError(cinfo);
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
}  // namespace

PlanarDocument readJpeg(std::FILE* file, const std::string& path) {
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
    const auto components = static_cast<size_t>(planeCountForMode(imageMode));
    const auto pixels = allocateSamples(path, cinfo.image_width, cinfo.image_height, components);
    const size_t rowBytes = static_cast<size_t>(cinfo.image_width) * components;
    const bool decoded = guardedCall(errors.trap, [&] {
        jpeg_start_decompress(&cinfo);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pixels.get() + cinfo.output_scanline * rowBytes;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
    });
    if (!decoded) failDecode();

    PlanarDocument document =
        allocateDocument(path, cinfo.image_width, cinfo.image_height, imageMode, false);
    if (profile) document.iccProfile.assign(profile, profile + profileLength);
    if (cinfo.X_density > 0 && cinfo.Y_density > 0 &&
        (cinfo.density_unit == 1 || cinfo.density_unit == 2)) {
        const double perInch = cinfo.density_unit == 2 ? 2.54 : 1.0;
        document.resolution = Resolution{cinfo.X_density * perInch, cinfo.Y_density * perInch};
    }

    // CMYK JPEGs with an Adobe marker store 255 - ink, which is the document's convention;
    // without one they store ink amounts.
    const bool invert = imageMode == plugInModeCMYKColor && !cinfo.saw_Adobe_marker;
    scatterPixels(pixels.get(), document, invert);
    return document;
}

void writeJpeg(const PlanarDocument& document, std::FILE* file, const std::string& path) {
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

}  // namespace brivo::host::image_codec
