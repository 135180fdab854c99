// A canvas over FLTK's drawing calls, for painting inside a widget's or window's draw().
#pragma once

#include "host/toolkit/canvas.h"

namespace brivo::host::toolkit {

// FLTK's face and size for a toolkit font.
struct FltkFont {
    int face;
    int size;
};
FltkFont fltkFont(int32_t font);

class FltkCanvas : public Canvas {
  public:
    FltkCanvas() = default;
    ~FltkCanvas() override;
    FltkCanvas(const FltkCanvas&) = delete;
    FltkCanvas& operator=(const FltkCanvas&) = delete;

    void setClip(const ADMRect& rect) override;
    void fillRect(const ADMRect& rect, Rgb color) override;
    void line(ADMPoint from, ADMPoint to, Rgb color) override;
    void fillPolygon(const std::vector<ADMPoint>& points, Rgb color) override;
    void text(std::string_view text, const ADMRect& box, int32_t justify, int32_t font,
              Rgb color) override;
    void pixels(ADMPoint at, int32_t width, int32_t height, const uint8_t* rgb,
                size_t rowBytes) override;

  private:
    bool clipped_ = false;
};

}  // namespace brivo::host::toolkit
