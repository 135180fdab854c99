// The placed shape: the pattern scaled, blurred, rotated, set centred and offset on a black
// image of the rendered size, then corner-pinned.
#pragma once

#include <cstdint>

#include "core/filter_parameters.h"
#include "image/host_image.h"
#include "render/placed_shape.h"

namespace brivo {

// Limits of the working image (the pattern at its scaled size, before rotation).
inline constexpr int32_t kMaxShapeSide = 1 << 15;
inline constexpr int64_t kMaxShapePixels = int64_t{1} << 27;

// How the rendered image relates to the document: its size relative to the document's
// on each axis, and the document's own size in pixels. The filtering run renders the
// document itself (scale 1); the dialog renders a reduced proxy of it.
struct ShapeScale {
    float x = 1.0f;
    float y = 1.0f;
    int32_t documentWidth = 0;
    int32_t documentHeight = 0;
};

// Places pattern (one 8-bit channel) on a width × height image, following shapeScaleX/Y,
// shapeBlurX/Y, shapeRotate, shapePosX/Y and cornerPin; its buffers come from the
// pattern's document.
// The pattern keeps its own pixel size on the document, reduced by the scale on a proxy,
// and its blur is measured in pattern pixels (pattern size / document size × scale), so
// that a preview shows what the filtering run produces, only smaller. Empty when the
// working size is not at least one pixel each way, or exceeds the limits above. The
// result depends only on the arguments, so a caller may keep it while they are unchanged.
PlacedShape placeShape(const HostImage& pattern, const FilterParameters& params, int32_t width,
                       int32_t height, const ShapeScale& scale);

}  // namespace brivo
