// The colour-service space the light colour is converted into for an image mode.
#pragma once

#include <cstdint>

#include "colorspace_suite.h"
#include "filter_record.h"

namespace brivo {

// Gray and CMYK take CMYK (Gray uses its first component), Lab takes Lab, all else RGB.
constexpr int16_t lightColorSpace(int32_t imageMode) {
    switch (imageMode) {
        case plugInModeGrayScale:
        case plugInModeCMYKColor:
            return plugIncolorServicesCMYKSpace;
        case plugInModeLabColor:
            return plugIncolorServicesLabSpace;
        default:
            return plugIncolorServicesRGBSpace;
    }
}

}  // namespace brivo
