#include "host/files/orientation.h"

#include <utility>

namespace brivo::host {
namespace {

// Where the stored pixel shown at (x, y) of the upright picture lies, for stored size w × h.
struct SourceOf {
    int orientation;
    size_t w, h;
    std::pair<size_t, size_t> operator()(size_t x, size_t y) const {
        switch (orientation) {
            case 2:
                return {w - 1 - x, y};
            case 3:
                return {w - 1 - x, h - 1 - y};
            case 4:
                return {x, h - 1 - y};
            case 5:
                return {y, x};
            case 6:
                return {y, h - 1 - x};
            case 7:
                return {w - 1 - y, h - 1 - x};
            case 8:
                return {w - 1 - y, x};
            default:
                return {x, y};
        }
    }
};

PlaneSamples turned(const PlaneSamples& plane, const SourceOf& source, size_t width,
                    size_t height) {
    PlaneSamples result(plane.size());
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x) {
            const auto [sx, sy] = source(x, y);
            result[y * width + x] = plane[sy * source.w + sx];
        }
    return result;
}

}  // namespace

void turnUpright(PlanarDocument& document) {
    const int orientation = document.orientation;
    document.orientation = 1;
    if (orientation < 2 || orientation > 8) return;
    const bool quarterTurn = orientation >= 5;
    const SourceOf source{orientation, static_cast<size_t>(document.width),
                          static_cast<size_t>(document.height)};
    if (quarterTurn) {
        std::swap(document.width, document.height);
        if (document.resolution) std::swap(document.resolution->x, document.resolution->y);
    }
    const auto width = static_cast<size_t>(document.width);
    const auto height = static_cast<size_t>(document.height);
    for (PlaneSamples& plane : document.planes) plane = turned(plane, source, width, height);
    if (document.hasAlpha()) document.alpha = turned(document.alpha, source, width, height);
}

}  // namespace brivo::host
