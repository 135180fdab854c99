// A canvas over an RGB image in memory: what the headless backend paints into, so tests
// can look at every pixel.
#pragma once

#include <cstdint>
#include <vector>

#include "host/toolkit/canvas.h"

namespace brivo::host::toolkit {

struct RgbImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;  // rows of R, G, B

    Rgb at(int32_t x, int32_t y) const;
};

class SoftwareCanvas : public Canvas {
  public:
    explicit SoftwareCanvas(RgbImage& image);

    // Limits every later clip to region (a repaint of part of the image).
    void setRegion(const ADMRect& region);

    void setClip(const ADMRect& rect) override;
    void fillRect(const ADMRect& rect, Rgb color) override;
    void line(ADMPoint from, ADMPoint to, Rgb color) override;
    void fillPolygon(const std::vector<ADMPoint>& points, Rgb color) override;
    // Text is not rendered (no font here); its metrics come from the backend.
    void text(std::string_view, const ADMRect&, int32_t, int32_t, Rgb) override {}
    void pixels(ADMPoint at, int32_t width, int32_t height, const uint8_t* rgb,
                size_t rowBytes) override;

  private:
    void plot(int32_t x, int32_t y, Rgb color);
    bool clipSegment(ADMPoint& from, ADMPoint& to) const;

    RgbImage& image_;
    ADMRect region_;
    ADMRect clip_;
};

// Writes the image as a binary PPM file; false when the file cannot be written.
bool writePpm(const RgbImage& image, const char* path);

}  // namespace brivo::host::toolkit
