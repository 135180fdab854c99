#pragma once

// The in-memory document the host filters: one 8-bit plane per colour channel, an optional
// transparency plane kept aside, the embedded colour profile and what the host needs to write
// the file back the way it came.

#include <cstddef>
#include <cstdint>
#include <optional>
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
    int jpegQuality = 95;    // used when the document is written as JPEG
    int pngCompression = 7;  // zlib level 0 .. 9, used when it is written as PNG
    TiffAlpha tiffAlpha = TiffAlpha::unassociated;

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
