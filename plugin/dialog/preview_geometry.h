// Where the preview sits in the viewer and where the shape's corners are drawn: the sizing
// of the proxy for a zoom, and the conversions between normalised corners and pixels.
#pragma once

#include <cstdint>

#include "adm_types.h"
#include "core/filter_parameters.h"

namespace brivo {

// The proxy's size and the rectangle (viewer coordinates) it is drawn in.
struct PreviewLayout {
    int32_t width = 1;
    int32_t height = 1;
    ADMRect picture{0, 0, 1, 1};
};

// The viewer's inset from each side of its local rectangle.
inline constexpr int32_t kViewerInset = 4;

// Fits a documentWidth × documentHeight document into local inset by kViewerInset, never
// enlarged, then reduces it by zoom around the centre. The proxy is at least 1 × 1 pixel,
// however narrow or flat the document, and no larger than the inset area.
PreviewLayout layoutPreview(const ADMRect& local, int32_t documentWidth, int32_t documentHeight,
                            double zoom);

// The pixel of a corner on the picture: the integer parts of picture size × corner +
// picture origin, each saturated to the 16-bit range that windows draw in (a corner may
// come from a recorded action with any value).
ADMPoint cornerPixel(const ADMRect& picture, const CornerPoint& corner);

// The 14 × 14 square around a corner's pixel.
ADMRect handleRect(const ADMRect& picture, const CornerPoint& corner);

// Whether point lies in rect (left and top included, right and bottom excluded).
bool rectContains(const ADMRect& rect, const ADMPoint& point);

// The normalised corner under a pointer position, not clamped (a corner may leave the
// picture); finite for any position since the picture is at least one pixel each way.
CornerPoint cornerAt(const ADMRect& picture, const ADMPoint& pointer);

}  // namespace brivo
