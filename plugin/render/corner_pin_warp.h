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

// The warp's pixel loop dispatches through this table: the plain reference entry,
// overridden by a vector one when the CPU has it and BRIVO_NO_SIMD is not 1. mapPixels
// fills every destination pixel whose point (inverse applied to (column, row, 1), divided
// by its third component) lies in [0, 1)² with the source's bilinear sample there, and
// leaves the others as they are.
struct CornerPinKernels {
    void (*mapPixels)(const PixelView& source, const PixelView& destination,
                      const float inverse[3][3]);
};

const CornerPinKernels& scalarCornerPinKernels();
// The reference's bilinear sample of source at (u, v) in [0, 1) × [0, 1).
uint8_t sampleCornerPinSource(const PixelView& source, float u, float v);
// The reference's mapping and sampling of columns [first, last) of one destination row
// through the inverse matrix a; the fast table uses it for the columns it leaves over.
void mapCornerPinColumns(const PixelView& source, const float a[3][3], int32_t row, uint8_t* out,
                         int32_t first, int32_t last);
const CornerPinKernels& cornerPinKernels();
#if defined(__x86_64__) || defined(__i386__)
const CornerPinKernels& avx2CornerPinKernels();
#endif

}  // namespace brivo
