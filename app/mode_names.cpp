#include "app/mode_names.h"

#include <array>

namespace brivo::app {

std::string modeName(int32_t imageMode) {
    static constexpr std::array<const char*, 10> kNames = {
        "Bitmap", "Grayscale", "Indexed",      "RGB",     "CMYK",
        "HSL",    "HSB",       "Multichannel", "Duotone", "Lab"};
    if (imageMode >= 0 && static_cast<size_t>(imageMode) < kNames.size())
        return kNames[static_cast<size_t>(imageMode)];
    return "mode " + std::to_string(imageMode);
}

std::string modeNames(const std::vector<int32_t>& imageModes) {
    std::string names;
    for (int32_t mode : imageModes) names += (names.empty() ? "" : ", ") + modeName(mode);
    return names.empty() ? "none" : names;
}

}  // namespace brivo::app
