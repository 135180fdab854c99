#pragma once

// The in-memory document the host filters: one 8-bit plane per colour channel, an optional
// transparency plane kept aside, the embedded colour profile and what the host needs to write
// the file back the way it came.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/runtime/pixel_memory.h"
#include "pluginapi/filter_record.h"

namespace brivo::host {

enum class ImageFormat { png, jpeg, tiff };

// How a TIFF file declared its transparency sample; a TIFF is written back the same way.
enum class TiffAlpha { unassociated, associated, unspecified };

// Pixels per inch, horizontally and vertically.
struct Resolution {
    double x = 72.0;
    double y = 72.0;
    bool operator==(const Resolution&) const = default;
};

// Metadata a file carries besides pixels, profile and resolution, kept so that the written
// file says what the read one said. The blocks are stored as their formats define them.
struct ImageMetadata {
    std::vector<uint8_t> exif;  // an EXIF block: a TIFF header and its directories
    std::string xmp;            // an XMP packet
    std::vector<uint8_t> iptc;  // IPTC records
    std::string comment;        // a JPEG comment, or a PNG "Comment" text

    // PNG only: text chunks other than those holding the items above, and the chunks that
    // change how the picture looks.
    struct PngText {
        std::string keyword;
        std::string text;
        bool compressed = false;
        bool international = false;  // iTXt: UTF-8, with a language and translated keyword
        std::string language;
        std::string translatedKeyword;
    };
    std::vector<PngText> pngText;
    std::optional<double> pngGamma;
    std::optional<std::array<double, 8>> pngChromaticities;  // white x, y; red, green, blue x, y
    std::optional<int> pngSrgbIntent;
};

// Largest width or height, and largest pixel count, the host accepts for a document.
inline constexpr uint64_t kMaxImageDimension = 1u << 20;
inline constexpr uint64_t kMaxImagePixels = 1u << 28;

// Pixel layout:
// - imageMode is plugInModeGrayScale, plugInModeRGBColor or plugInModeCMYKColor, with 1, 3 or 4
//   planes in the order grey / R, G, B / C, M, Y, K.
// - Each plane is width * height bytes, row-major, top row first.
// - Grey and RGB: 0 is black, 255 full intensity.
// - CMYK: 255 is no ink and 0 full ink, as the filter sees CMYK pixels, so white paper is
//   (255, 255, 255, 255). File formats that store ink amounts (TIFF) are inverted on the way in
//   and out; inverted CMYK JPEGs are stored this way already.
// - alpha is empty, or one more width * height plane (0 transparent, 255 opaque) that the
//   filter never sees and the host writes back untouched. Colour values are not premultiplied
//   unless tiffAlpha says the source file stored them that way.
struct PlanarDocument {
    int32_t width = 0;
    int32_t height = 0;
    int32_t imageMode = plugInModeRGBColor;
    std::vector<PlaneSamples> planes;
    PlaneSamples alpha;
    std::vector<uint8_t> iccProfile;  // embedded ICC profile, empty when the file had none

    ImageFormat sourceFormat = ImageFormat::png;
    std::optional<Resolution> resolution;
    // JPEG quality and the luminance sampling factors (horizontal, vertical; colour is
    // sampled once per such block) used when the document is written as JPEG: the source's
    // own when it was a JPEG, else quality 90 with colour at half resolution both ways.
    int jpegQuality = 90;
    std::array<int, 2> jpegLumaSampling = {2, 2};
    int pngCompression = 6;  // 0 (stored) .. 9 (smallest), used when it is written as PNG
    TiffAlpha tiffAlpha = TiffAlpha::unassociated;
    ImageMetadata metadata;
    // The EXIF orientation (1 to 8) the pixels are stored in: 1 once they were turned upright.
    int orientation = 1;

    bool hasAlpha() const { return !alpha.empty(); }
    size_t pixelCount() const { return static_cast<size_t>(width) * static_cast<size_t>(height); }
};

// Number of colour planes of an image mode: 1, 3 or 4; 0 for a mode the host does not handle.
int planeCountForMode(int32_t imageMode);

// width * height when both are between 1 and kMaxImageDimension and the product is at most
// kMaxImagePixels; nullopt otherwise.
std::optional<size_t> checkedPixelCount(uint64_t width, uint64_t height);

// A document of the given size and mode with every plane (and alpha, when asked) filled with
// 255: white, opaque. Throws std::invalid_argument for a mode or size the host does not handle.
PlanarDocument makePlanarDocument(int32_t width, int32_t height, int32_t imageMode,
                                  bool withAlpha = false);

// Whether the planes, alpha and sizes agree with each other and with the mode.
bool isConsistent(const PlanarDocument& document);

}  // namespace brivo::host
