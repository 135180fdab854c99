// Names of the image modes, as messages and reports show them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brivo::app {

// "Grayscale", "RGB", "CMYK", ...; "mode N" for a number without a name.
std::string modeName(int32_t imageMode);
// The names joined by ", ".
std::string modeNames(const std::vector<int32_t>& imageModes);

}  // namespace brivo::app
