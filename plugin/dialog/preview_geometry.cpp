#include "dialog/preview_geometry.h"

#include <algorithm>
#include <cmath>

namespace brivo {

namespace {

constexpr double kDrawLimit = 32767.0 - 8.0;  // leaves room for a handle around the corner

int32_t drawCoordinate(double value) {
    if (std::isnan(value)) return 0;
    return static_cast<int32_t>(std::clamp(value, -kDrawLimit, kDrawLimit));
}

int32_t widthOf(const ADMRect& rect) {
    return rect.right - rect.left;
}
int32_t heightOf(const ADMRect& rect) {
    return rect.bottom - rect.top;
}

}  // namespace

PreviewLayout layoutPreview(const ADMRect& local, int32_t documentWidth, int32_t documentHeight,
                            double zoom) {
    const int32_t left = local.left + kViewerInset;
    const int32_t top = local.top + kViewerInset;
    const int32_t available = std::max((local.right - kViewerInset) - left, 1);
    const int32_t availableHeight = std::max((local.bottom - kViewerInset) - top, 1);
    const int32_t documentW = std::max(documentWidth, 1);
    const int32_t documentH = std::max(documentHeight, 1);
    const int32_t fitWidth = std::min(available, documentW);
    const int32_t fitHeight = std::min(availableHeight, documentH);
    const float ratio = std::max(static_cast<float>(documentW) / static_cast<float>(fitWidth),
                                 static_cast<float>(documentH) / static_cast<float>(fitHeight));
    const double scale = (1.0f / ratio) * zoom;
    PreviewLayout layout;
    layout.width = std::clamp(static_cast<int32_t>(documentW * scale), 1, available);
    layout.height = std::clamp(static_cast<int32_t>(documentH * scale), 1, availableHeight);
    layout.picture.left = left + (available - layout.width) / 2;
    layout.picture.right = layout.picture.left + layout.width;
    layout.picture.top = top + (availableHeight - layout.height) / 2;
    layout.picture.bottom = layout.picture.top + layout.height;
    return layout;
}

ADMPoint cornerPixel(const ADMRect& picture, const CornerPoint& corner) {
    return ADMPoint{drawCoordinate(widthOf(picture) * corner.x + picture.left),
                    drawCoordinate(heightOf(picture) * corner.y + picture.top)};
}

ADMRect handleRect(const ADMRect& picture, const CornerPoint& corner) {
    const ADMPoint at = cornerPixel(picture, corner);
    return ADMRect{at.x - 7, at.y - 7, at.x + 7, at.y + 7};
}

bool rectContains(const ADMRect& rect, const ADMPoint& point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top &&
           point.y < rect.bottom;
}

CornerPoint cornerAt(const ADMRect& picture, const ADMPoint& pointer) {
    const double width = std::max(widthOf(picture), 1);
    const double height = std::max(heightOf(picture), 1);
    return CornerPoint{(pointer.x - picture.left) / width, (pointer.y - picture.top) / height};
}

}  // namespace brivo
