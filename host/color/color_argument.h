// The light colour given on the command line.
#pragma once

#include <string_view>

#include "host/color/color_service.h"

namespace brivo::host {

// Parses "#RRGGBB" or "RRGGBB" (six hex digits, either case) as an sRGB colour and returns
// it in the host's XYZ encoding. Throws std::invalid_argument for anything else.
Xyz16 xyzFromSrgbHex(std::string_view text);

}  // namespace brivo::host
