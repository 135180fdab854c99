// The four-corner pin: a projective warp of a whole image into a quadrilateral.
#pragma once

#include "image/pixel_view.h"
#include "shell/filter_parameters.h"

namespace brivo {

// Clears destination (the size of source) and fills it with source mapped into the
// quadrilateral corners (upper-left, upper-right, lower-right, lower-left, in units of
// the image's width and height). Each destination pixel is sampled bilinearly at the
// point that the inverse mapping gives; points outside the source leave 0. A
// quadrilateral with a non-finite corner or no area leaves destination all 0.
void cornerPinWarp(const PixelView& source, const PixelView& destination,
                   const CornerPoint corners[4]);

}  // namespace brivo
