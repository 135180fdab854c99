#include "host/toolkit/software_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace brivo::host::toolkit {

namespace {

ADMRect intersect(const ADMRect& a, const ADMRect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

}  // namespace

Rgb RgbImage::at(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return {};
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + x) * 3;
    return {pixels[i], pixels[i + 1], pixels[i + 2]};
}

SoftwareCanvas::SoftwareCanvas(RgbImage& image)
    : image_(image), region_{0, 0, image.width, image.height}, clip_(region_) {}

void SoftwareCanvas::setRegion(const ADMRect& region) {
    region_ = intersect(region, {0, 0, image_.width, image_.height});
    clip_ = region_;
}

void SoftwareCanvas::setClip(const ADMRect& rect) {
    clip_ = intersect(rect, region_);
}

void SoftwareCanvas::plot(int32_t x, int32_t y, Rgb color) {
    if (x < clip_.left || x >= clip_.right || y < clip_.top || y >= clip_.bottom) return;
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(image_.width) + x) * 3;
    image_.pixels[i] = color.r;
    image_.pixels[i + 1] = color.g;
    image_.pixels[i + 2] = color.b;
}

void SoftwareCanvas::fillRect(const ADMRect& rect, Rgb color) {
    const ADMRect r = intersect(rect, clip_);
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x) plot(x, y, color);
}

void SoftwareCanvas::line(ADMPoint from, ADMPoint to, Rgb color) {
    // A segment much longer than the image is first cut to the part near the clip, so the
    // walk below stays short whatever points a module passes.
    const int64_t reach = 4 * (int64_t{image_.width} + image_.height) + 16;
    if (std::llabs(int64_t{to.x} - from.x) + std::llabs(int64_t{to.y} - from.y) > reach &&
        !clipSegment(from, to))
        return;
    // Bresenham over the whole segment, both ends included.
    int64_t x = from.x, y = from.y;
    const int64_t dx = std::llabs(int64_t{to.x} - from.x), sx = from.x < to.x ? 1 : -1;
    const int64_t dy = -std::llabs(int64_t{to.y} - from.y), sy = from.y < to.y ? 1 : -1;
    int64_t error = dx + dy;
    for (;;) {
        if (x >= clip_.left && x < clip_.right && y >= clip_.top && y < clip_.bottom)
            plot(static_cast<int32_t>(x), static_cast<int32_t>(y), color);
        if (x == to.x && y == to.y) break;
        const int64_t e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y += sy;
        }
    }
}

bool SoftwareCanvas::clipSegment(ADMPoint& from, ADMPoint& to) const {
    // Liang-Barsky against the clip grown by a pixel; false when nothing is left.
    const double x0 = from.x, y0 = from.y, ddx = double(to.x) - from.x, ddy = double(to.y) - from.y;
    double t0 = 0.0, t1 = 1.0;
    const double edges[4][2] = {{-ddx, x0 - (clip_.left - 1)},
                                {ddx, (clip_.right + 1) - x0},
                                {-ddy, y0 - (clip_.top - 1)},
                                {ddy, (clip_.bottom + 1) - y0}};
    for (const auto& [p, q] : edges) {
        if (p == 0.0) {
            if (q < 0.0) return false;
            continue;
        }
        const double r = q / p;
        if (p < 0.0)
            t0 = std::max(t0, r);
        else
            t1 = std::min(t1, r);
        if (t0 > t1) return false;
    }
    const ADMPoint a{static_cast<int32_t>(std::lround(x0 + t0 * ddx)),
                     static_cast<int32_t>(std::lround(y0 + t0 * ddy))};
    const ADMPoint b{static_cast<int32_t>(std::lround(x0 + t1 * ddx)),
                     static_cast<int32_t>(std::lround(y0 + t1 * ddy))};
    from = a;
    to = b;
    return true;
}

void SoftwareCanvas::fillPolygon(const std::vector<ADMPoint>& points, Rgb color) {
    if (points.size() < 3) return;
    // Even-odd scanline fill sampling pixel centres.
    std::vector<double> crossings;
    for (int32_t y = clip_.top; y < clip_.bottom; ++y) {
        const double cy = y + 0.5;
        crossings.clear();
        for (size_t i = 0; i < points.size(); ++i) {
            const ADMPoint a = points[i], b = points[(i + 1) % points.size()];
            if ((a.y <= cy) == (b.y <= cy)) continue;
            crossings.push_back(a.x + (cy - a.y) * (b.x - a.x) / double(b.y - a.y));
        }
        std::sort(crossings.begin(), crossings.end());
        for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
            const double lo = std::max<double>(crossings[i], clip_.left - 1);
            const double hi = std::min<double>(crossings[i + 1], clip_.right + 1);
            for (auto x = static_cast<int32_t>(lo); x <= static_cast<int32_t>(hi); ++x)
                if (x + 0.5 >= crossings[i] && x + 0.5 < crossings[i + 1]) plot(x, y, color);
        }
    }
}

void SoftwareCanvas::pixels(ADMPoint at, int32_t width, int32_t height, const uint8_t* rgb,
                            size_t rowBytes) {
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = rgb + static_cast<size_t>(y) * rowBytes;
        for (int32_t x = 0; x < width; ++x)
            plot(at.x + x, at.y + y, {row[x * 3], row[x * 3 + 1], row[x * 3 + 2]});
    }
}

bool writePpm(const RgbImage& image, const char* path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "wb"), &std::fclose);
    if (!file) return false;
    std::fprintf(file.get(), "P6\n%d %d\n255\n", image.width, image.height);
    return std::fwrite(image.pixels.data(), 1, image.pixels.size(), file.get()) ==
           image.pixels.size();
}

}  // namespace brivo::host::toolkit
