// A drawer: painting in the local coordinates of one item or dialog, over a canvas.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "host/toolkit/canvas.h"
#include "pluginapi/filter_record.h"

namespace brivo::host::toolkit {

class Drawer {
  public:
    // area: the item's rectangle in dialog coordinates; drawing is clipped to it.
    Drawer(Canvas& canvas, const ADMRect& area, int32_t font);

    ADMRect localBounds() const {
        return {0, 0, area_.right - area_.left, area_.bottom - area_.top};
    }
    Rgb color() const { return color_; }
    void setColor(Rgb color) { color_ = color; }
    void setFont(int32_t font) { font_ = font; }
    int32_t font() const { return font_; }

    void fillRect(const ADMRect& rect);
    void frameRect(const ADMRect& rect);
    void line(ADMPoint from, ADMPoint to);
    void framePolygon(const std::vector<ADMPoint>& points);
    void fillPolygon(const std::vector<ADMPoint>& points);
    void text(std::string_view text, const ADMRect& box, int32_t justify);
    void picture(const Picture& picture, ADMPoint where);
    void pictureCentered(const Picture& picture, const ADMRect& rect);
    // Draws an 8-bit pixel map (grey, RGB or CMYK) with the source rectangle's top-left
    // pixel at (column, row). kSPBadParameterError for a map this host cannot read.
    // CMYK rows go through cmykToRgb when it is given (the host's colour service), else
    // each colour is its ink times the black.
    using CmykToRgb = std::function<void(const uint8_t* cmyk, size_t pixelStep, size_t sampleStep,
                                         size_t count, uint8_t* rgb)>;
    SPErr pixelMap(const PSPixelMap& map, const VRect& source, int32_t row, int32_t column,
                   const CmykToRgb& cmykToRgb = {});

  private:
    ADMPoint absolute(ADMPoint local) const;
    ADMRect absolute(const ADMRect& local) const;

    Canvas& canvas_;
    ADMRect area_;
    Rgb color_{};
    int32_t font_;
};

}  // namespace brivo::host::toolkit
