// The four-corner pin: a projective warp of a whole image into a quadrilateral.
#pragma once

#include <cstdint>
#include <vector>

#include "core/filter_parameters.h"
#include "core/pixel_view.h"
#include "render/placed_shape.h"

namespace brivo {

// The warp of a source image into the quadrilateral corners (upper-left, upper-right,
// lower-right, lower-left, in units of the image's width and height), onto an image of
// the source's size. Each destination pixel is sampled bilinearly at the point that the
// inverse mapping gives; points outside the source give 0. Since a placed shape is 0
// outside its bounds, the setup also finds, for each destination row, the columns whose
// points may land beside the bounds: every other pixel of the warp is 0 and is skipped.
class CornerPinWarp {
  public:
    // False when a corner is not finite or the quadrilateral has no area: then the warp
    // is 0 everywhere. source's pixels must outlive the object.
    bool setUp(const ShapeWindow& source, const CornerPoint corners[4]);
    // The smallest rectangle of the destination holding every row's columns; empty when
    // nothing can be non-zero.
    VRect extent() const { return extent_; }
    // Fills the pixels of extent() that lie in destination, whose pixel (0, 0) is the
    // destination image's (left, top); other pixels are left as they are (0 for a
    // cleared destination).
    void draw(const PixelView& destination, int32_t left, int32_t top) const;

  private:
    struct Columns {
        int32_t first = 0;
        int32_t end = 0;
    };
    // Whether a point of row's columns [first, last] may land beside the bounds.
    bool mayReachBounds(int32_t row, int32_t first, int32_t last) const;
    Columns reachableColumns(int32_t row) const;

    ShapeWindow source_;
    float inverse_[3][3] = {};
    std::vector<Columns> rows_;  // from extent_.top
    VRect extent_{0, 0, 0, 0};
};

// The mapping from destination pixels (column, row, 1) to the source's unit square, up to
// the homogeneous scale, for a width × height image; false when a corner is not finite or
// the quadrilateral has no area.
bool cornerPinInverse(const CornerPoint corners[4], int32_t width, int32_t height,
                      float inverse[3][3]);

// Clears destination (the size of source's image) and draws the warp of source into it.
void cornerPinWarp(const ShapeWindow& source, const PixelView& destination,
                   const CornerPoint corners[4]);

// The warp's pixel loop dispatches through this table: the plain reference entry,
// overridden by a vector one when the CPU has it and BRIVO_NO_SIMD is not 1. mapColumns
// fills the pixels of columns [first, last) of destination row `row`, out[0] being column
// first, whose point (inverse applied to (column, row, 1), divided by its third
// component) lies in [0, 1)², with the source's bilinear sample there, and leaves the
// others as they are.
struct CornerPinKernels {
    void (*mapColumns)(const ShapeWindow& source, const float inverse[3][3], int32_t row,
                       int32_t first, int32_t last, uint8_t* out);
};

// The reference's bilinear sample of source at (u, v) in [0, 1) × [0, 1).
uint8_t sampleCornerPinSource(const ShapeWindow& source, float u, float v);
// The reference's mapping and sampling of columns [first, last) of one destination row,
// as mapColumns; the fast table uses it for the columns it leaves over.
void mapCornerPinColumns(const ShapeWindow& source, const float a[3][3], int32_t row, int32_t first,
                         int32_t last, uint8_t* out);
const CornerPinKernels& cornerPinKernels();
const CornerPinKernels& avx2CornerPinKernels();

}  // namespace brivo
