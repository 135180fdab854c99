#include "host/toolkit/drawer.h"

#include <algorithm>
#include <cstddef>

namespace brivo::host::toolkit {

Rgb standardColor(int32_t color) {
    switch (color) {
        case kADMWhiteColor:
            return {255, 255, 255};
        case kADMBackgroundColor:
            return {192, 192, 192};
        case kADMShadowColor:
            return {128, 128, 128};
        case kADMRedColor:
            return {255, 0, 0};
        default:
            return {0, 0, 0};
    }
}

Rgb toRgb(ADMRGBColor color) {
    return {static_cast<uint8_t>(color.red >> 8), static_cast<uint8_t>(color.green >> 8),
            static_cast<uint8_t>(color.blue >> 8)};
}

Drawer::Drawer(Canvas& canvas, const ADMRect& area, int32_t font)
    : canvas_(canvas), area_(area), font_(font) {
    canvas_.setClip(area_);
}

ADMPoint Drawer::absolute(ADMPoint p) const {
    return {p.x + area_.left, p.y + area_.top};
}

ADMRect Drawer::absolute(const ADMRect& r) const {
    return {r.left + area_.left, r.top + area_.top, r.right + area_.left, r.bottom + area_.top};
}

void Drawer::fillRect(const ADMRect& rect) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    canvas_.fillRect(absolute(rect), color_);
}

void Drawer::frameRect(const ADMRect& rect) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    const int32_t l = rect.left, t = rect.top, r = rect.right - 1, b = rect.bottom - 1;
    line({l, t}, {r, t});
    line({l, b}, {r, b});
    line({l, t}, {l, b});
    line({r, t}, {r, b});
}

void Drawer::line(ADMPoint from, ADMPoint to) {
    canvas_.line(absolute(from), absolute(to), color_);
}

void Drawer::framePolygon(const std::vector<ADMPoint>& points) {
    if (points.size() < 2) return;
    for (size_t i = 0; i < points.size(); ++i) line(points[i], points[(i + 1) % points.size()]);
}

void Drawer::fillPolygon(const std::vector<ADMPoint>& points) {
    if (points.size() < 3) return;
    std::vector<ADMPoint> moved;
    moved.reserve(points.size());
    for (ADMPoint p : points) moved.push_back(absolute(p));
    canvas_.fillPolygon(moved, color_);
}

void Drawer::text(std::string_view text, const ADMRect& box, int32_t justify) {
    canvas_.text(text, absolute(box), justify, font_, color_);
}

void Drawer::picture(const Picture& picture, ADMPoint where) {
    if (picture.width <= 0 || picture.height <= 0) return;
    canvas_.pixels(absolute(where), picture.width, picture.height, picture.rgb.data(),
                   picture.rowBytes());
}

void Drawer::pictureCentered(const Picture& picture, const ADMRect& rect) {
    const int32_t x = rect.left + ((rect.right - rect.left) - picture.width) / 2;
    const int32_t y = rect.top + ((rect.bottom - rect.top) - picture.height) / 2;
    this->picture(picture, {x, y});
}

SPErr Drawer::pixelMap(const PSPixelMap& map, const VRect& source, int32_t row, int32_t column,
                       const CmykToRgb& cmykToRgb) {
    const int32_t channels = map.imageMode == 1   ? 1
                             : map.imageMode == 3 ? 3
                             : map.imageMode == 4 ? 4
                                                  : 0;
    if (map.version != 1 || channels == 0 || !map.baseAddr || map.colBytes < 1 ||
        map.planeBytes < 1 || map.rowBytes < 1)
        return kSPBadParameterError;
    // The source rectangle must lie within the map and each pixel's channels within a row.
    if (source.left < map.bounds.left || source.top < map.bounds.top ||
        source.right > map.bounds.right || source.bottom > map.bounds.bottom ||
        source.right < source.left || source.bottom < source.top)
        return kSPBadParameterError;
    const int64_t spanWidth = int64_t{map.bounds.right} - map.bounds.left;
    if (spanWidth > 0 &&
        (spanWidth - 1) * map.colBytes + int64_t{channels - 1} * map.planeBytes >= map.rowBytes)
        return kSPBadParameterError;
    const int32_t width = source.right - source.left;
    const int32_t height = source.bottom - source.top;
    if (width == 0 || height == 0) return kSPNoError;
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * 3);
    const auto* base = static_cast<const uint8_t*>(map.baseAddr);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* src =
            base + static_cast<ptrdiff_t>(source.top - map.bounds.top + y) * map.rowBytes +
            static_cast<ptrdiff_t>(source.left - map.bounds.left) * map.colBytes;
        if (channels == 4 && cmykToRgb) {
            cmykToRgb(src, static_cast<size_t>(map.colBytes), static_cast<size_t>(map.planeBytes),
                      static_cast<size_t>(width), rgb.data());
            canvas_.pixels(absolute(ADMPoint{column, row + y}), width, 1, rgb.data(), rgb.size());
            continue;
        }
        for (int32_t x = 0; x < width; ++x, src += map.colBytes) {
            uint8_t* out = &rgb[static_cast<size_t>(x) * 3];
            if (channels == 1) {
                out[0] = out[1] = out[2] = src[0];
            } else if (channels == 3) {
                out[0] = src[0];
                out[1] = src[map.planeBytes];
                out[2] = src[2 * map.planeBytes];
            } else {
                // CMYK samples count 255 as no ink: each colour is its ink times the black.
                const int k = src[3 * map.planeBytes];
                for (int c = 0; c < 3; ++c)
                    out[c] = static_cast<uint8_t>(src[c * map.planeBytes] * k / 255);
            }
        }
        canvas_.pixels(absolute(ADMPoint{column, row + y}), width, 1, rgb.data(), rgb.size());
    }
    return kSPNoError;
}

}  // namespace brivo::host::toolkit
