// What a backend paints with: a window's (or an offscreen image's) pixels in the
// coordinates of the dialog, clipped to a rectangle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "pluginapi/adm_types.h"

namespace brivo::host::toolkit {

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

// An RGB picture held by the host: icons from bitmap resources and module images.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;  // rows of width R, G, B triples, top row first

    size_t rowBytes() const { return static_cast<size_t>(width) * 3; }
};

class Canvas {
  public:
    virtual ~Canvas() = default;
    // Later calls paint only inside rect (dialog coordinates).
    virtual void setClip(const ADMRect& rect) = 0;
    virtual void fillRect(const ADMRect& rect, Rgb color) = 0;
    // A one-pixel line, both ends included.
    virtual void line(ADMPoint from, ADMPoint to, Rgb color) = 0;
    virtual void fillPolygon(const std::vector<ADMPoint>& points, Rgb color) = 0;
    virtual void text(std::string_view text, const ADMRect& box, int32_t justify, int32_t font,
                      Rgb color) = 0;
    // RGB rows with the top-left pixel at `at`.
    virtual void pixels(ADMPoint at, int32_t width, int32_t height, const uint8_t* rgb,
                        size_t rowBytes) = 0;
};

// The colour a standard colour number stands for.
Rgb standardColor(int32_t color);
// The 8-bit colour shown for a 16-bit one.
Rgb toRgb(ADMRGBColor color);

}  // namespace brivo::host::toolkit
