#include "host/color/color_argument.h"

#include <charconv>
#include <stdexcept>
#include <string>

#include "pluginapi/colorspace_suite.h"
#include "pluginapi/filter_record.h"

namespace brivo::host {

namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

uint8_t hexByte(std::string_view digits) {
    unsigned value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    return static_cast<uint8_t>(value);
}

}  // namespace

Xyz16 xyzFromSrgbHex(std::string_view text) {
    std::string_view digits = text;
    if (digits.starts_with('#')) digits.remove_prefix(1);
    bool valid = digits.size() == 6;
    for (char c : digits) valid = valid && isHexDigit(c);
    if (!valid)
        throw std::invalid_argument(
            "a colour is written #RRGGBB or RRGGBB with six hex digits, not '" + std::string(text) +
            "'");

    const ColorService srgb(plugInModeRGBColor, {});
    return srgb.toXyz(plugIncolorServicesRGBSpace,
                      {hexByte(digits.substr(0, 2)), hexByte(digits.substr(2, 2)),
                       hexByte(digits.substr(4, 2)), 0});
}

}  // namespace brivo::host
