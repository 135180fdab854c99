#include "host/files/planar_document.h"

#include <stdexcept>
#include <string>

namespace brivo::host {

int planeCountForMode(int32_t imageMode) {
    switch (imageMode) {
        case plugInModeGrayScale:
            return 1;
        case plugInModeRGBColor:
            return 3;
        case plugInModeCMYKColor:
            return 4;
        default:
            return 0;
    }
}

std::optional<size_t> checkedPixelCount(uint64_t width, uint64_t height) {
    if (width == 0 || height == 0 || width > kMaxImageDimension || height > kMaxImageDimension)
        return std::nullopt;
    // Both factors are at most 2^20, so the product cannot overflow 64 bits.
    const uint64_t count = width * height;
    if (count > kMaxImagePixels) return std::nullopt;
    return static_cast<size_t>(count);
}

PlanarDocument makePlanarDocument(int32_t width, int32_t height, int32_t imageMode,
                                  bool withAlpha) {
    const int planeCount = planeCountForMode(imageMode);
    if (planeCount == 0)
        throw std::invalid_argument("unsupported image mode " + std::to_string(imageMode));
    if (width <= 0 || height <= 0) throw std::invalid_argument("image size must be positive");
    const auto count =
        checkedPixelCount(static_cast<uint64_t>(width), static_cast<uint64_t>(height));
    if (!count) throw std::invalid_argument("image size exceeds the host's limit");

    PlanarDocument document;
    document.width = width;
    document.height = height;
    document.imageMode = imageMode;
    document.planes.assign(static_cast<size_t>(planeCount), PlaneSamples(*count, 255));
    if (withAlpha) document.alpha.assign(*count, 255);
    return document;
}

bool isConsistent(const PlanarDocument& document) {
    const int planeCount = planeCountForMode(document.imageMode);
    if (planeCount == 0 || document.width <= 0 || document.height <= 0) return false;
    const auto count = checkedPixelCount(static_cast<uint64_t>(document.width),
                                         static_cast<uint64_t>(document.height));
    if (!count || document.planes.size() != static_cast<size_t>(planeCount)) return false;
    for (const auto& plane : document.planes)
        if (plane.size() != *count) return false;
    return document.alpha.empty() || document.alpha.size() == *count;
}

}  // namespace brivo::host
