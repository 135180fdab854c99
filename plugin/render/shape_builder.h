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

// Places pattern (one 8-bit channel) on a width × height image, following shapeScaleX/Y,
// shapeBlurX/Y, shapeRotate, shapePosX/Y and cornerPin; its buffers come from the
// pattern's document.
// stretchToImage false (the filtering run) takes the pattern at its own pixel size and
// scales the blur by pattern size / image size × scale; true (the dialog) stretches the
// pattern to width × height and scales the blur by scaleX/scaleY. Empty when the working
// size is not at least one pixel each way, or exceeds the limits above. The result
// depends only on the arguments, so a caller may keep it while they are unchanged.
PlacedShape placeShape(const HostImage& pattern, const FilterParameters& params, int32_t width,
                       int32_t height, float scaleX, float scaleY, bool stretchToImage);

}  // namespace brivo
