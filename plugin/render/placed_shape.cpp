#include "render/placed_shape.h"

#include <algorithm>
#include <cstring>

namespace brivo {
namespace {

// Index of the first non-zero sample of a row of count one-byte pixels; count if none.
// Eight bytes are tested at a time: most of a placed shape's image is 0.
int32_t firstNonZero(const uint8_t* row, int32_t count) {
    int32_t index = 0;
    for (; index + 8 <= count; index += 8) {
        uint64_t word;
        std::memcpy(&word, row + index, sizeof word);
        if (word != 0) break;
    }
    while (index < count && row[index] == 0) ++index;
    return index;
}

// Index of the last non-zero sample of a row that has one.
int32_t lastNonZero(const uint8_t* row, int32_t count) {
    int32_t end = count;
    for (; end >= 8; end -= 8) {
        uint64_t word;
        std::memcpy(&word, row + end - 8, sizeof word);
        if (word != 0) break;
    }
    while (row[end - 1] == 0) --end;
    return end - 1;
}

}  // namespace

ShapeWindow ShapeWindow::of(const PixelView& image) {
    ShapeWindow window;
    window.width = image.width;
    window.height = image.height;
    window.bounds = VRect{0, 0, image.height, image.width};
    window.first = image.width > 0 && image.height > 0 ? image.pixels : nullptr;
    window.rowBytes = image.rowBytes;
    window.pixelBytes = image.pixelBytes;
    return window;
}

PlacedShape::PlacedShape(ImageHandle pixels, int64_t left, int64_t top, int32_t width,
                         int32_t height)
    : pixels_(std::move(pixels)), width_(std::max(width, 0)), height_(std::max(height, 0)) {
    if (pixels_.empty()) return;
    const int64_t firstColumn = std::max<int64_t>(left, 0);
    const int64_t endColumn = std::min<int64_t>(left + pixels_->width(), width_);
    const int64_t firstRow = std::max<int64_t>(top, 0);
    const int64_t endRow = std::min<int64_t>(top + pixels_->height(), height_);
    if (firstColumn >= endColumn || firstRow >= endRow) return;
    bounds_ = VRect{static_cast<int32_t>(firstRow), static_cast<int32_t>(firstColumn),
                    static_cast<int32_t>(endRow), static_cast<int32_t>(endColumn)};
    boundsX_ = static_cast<int32_t>(firstColumn - left);
    boundsY_ = static_cast<int32_t>(firstRow - top);
}

PlacedShape PlacedShape::whole(ImageHandle image) {
    const int32_t width = image.empty() ? 0 : image->width();
    const int32_t height = image.empty() ? 0 : image->height();
    return PlacedShape(std::move(image), 0, 0, width, height);
}

ShapeWindow PlacedShape::window() const {
    ShapeWindow window;
    window.width = width_;
    window.height = height_;
    if (pixels_.empty() || bounds_.right <= bounds_.left || bounds_.bottom <= bounds_.top)
        return window;
    const PixelView view = pixels_->view();
    window.bounds = bounds_;
    window.first = view.at(boundsX_, boundsY_);
    window.rowBytes = view.rowBytes;
    window.pixelBytes = view.pixelBytes;
    return window;
}

void PlacedShape::trimToContent() {
    const ShapeWindow all = window();
    if (all.pixelBytes != 1) return;  // shapes are one 8-bit channel; keep the bounds as they are
    const int32_t columns = all.boundsWidth();
    int32_t top = all.bounds.bottom;
    int32_t bottom = all.bounds.top;
    int32_t left = all.bounds.right;
    int32_t right = all.bounds.left;
    for (int32_t y = all.bounds.top; y < all.bounds.bottom; ++y) {
        const uint8_t* row = all.first + static_cast<ptrdiff_t>(y - all.bounds.top) * all.rowBytes;
        const int32_t first = firstNonZero(row, columns);
        if (first == columns) continue;
        const int32_t last = lastNonZero(row, columns);
        top = std::min(top, y);
        bottom = y + 1;
        left = std::min(left, all.bounds.left + first);
        right = std::max(right, all.bounds.left + last + 1);
    }
    if (top >= bottom) {
        bounds_ = VRect{0, 0, 0, 0};
        return;
    }
    boundsX_ += left - bounds_.left;
    boundsY_ += top - bounds_.top;
    bounds_ = VRect{top, left, bottom, right};
}

ImageHandle PlacedShape::toImage() const {
    ImageHandle image = pixels_->makeSameFormat(width_, height_);
    image->clear();
    const ShapeWindow from = window();
    const PixelView to = image->view();
    for (int32_t y = from.bounds.top; y < from.bounds.bottom; ++y)
        std::memcpy(to.at(from.bounds.left, y),
                    from.first + static_cast<ptrdiff_t>(y - from.bounds.top) * from.rowBytes,
                    static_cast<size_t>(from.boundsWidth()) * static_cast<size_t>(from.pixelBytes));
    return image;
}

}  // namespace brivo
