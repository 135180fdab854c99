// The document modes the filter works on.
#pragma once

#include <cstdint>

#include "filter_record.h"

namespace brivo {

// Colour channels of a document in one of the modes this filter works on (Grayscale 1,
// RGB 3, CMYK 4); 0 for any other mode.
constexpr int32_t colorChannelsForMode(int32_t imageMode) {
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

}  // namespace brivo
