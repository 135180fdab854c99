// The light mask's shape part: the strip's piece of the placed shape, optionally pushed
// around by the source's luminance, combined with the matte by a shape blend mode.
#pragma once

#include <cstdint>

#include "core/filter_parameters.h"
#include "core/pixel_view.h"
#include "image/host_document.h"
#include "image/host_image.h"
#include "render/placed_shape.h"

namespace brivo {

// Where rect (whole-image coordinates of an imageWidth × imageHeight image) lies on a
// shape of shapeWidth × shapeHeight pixels: rect itself when the sizes agree, otherwise
// scaled in single precision, outward to whole pixels, right and bottom clamped to the
// shape.
VRect shapeStripRect(const VRect& rect, int32_t imageWidth, int32_t imageHeight, int32_t shapeWidth,
                     int32_t shapeHeight);

// Fills strip with the shape's part: shapeRect copied pixel for pixel when sameSize (the
// shape has the image's size; parts outside the shape's bounds are left as they are, 0 in a
// cleared strip), otherwise shapeRect resampled onto the whole strip.
void copyShapePart(const PlacedShape& shape, const VRect& shapeRect, bool sameSize,
                   const PixelView& strip);

// Writes the luminance of each source pixel (8-bit, imageMode 1, 3 or 4) into the
// one-channel strip, for displaceShape.
void fillLuminance(const PixelView& source, int32_t imageMode, PixelView& strip);

// What the displaced samples of one strip share: the image position of the strip's pixel
// (0, 0), the ratios kx, ky of the shape rectangle's size to the strip's, and the offsets
// d·ax, d·ay of each luminance level.
struct DisplacementGrid {
    double left = 0.0;
    double top = 0.0;
    double kx = 0.0;
    double ky = 0.0;
    double offsetX[256] = {};
    double offsetY[256] = {};
};

// The grid for rect (whole-image coordinates) sampling shapeRect; false for an empty rect.
bool displacementGrid(const VRect& rect, const VRect& shapeRect, double ax, double ay,
                      DisplacementGrid& grid);

// Displacement: strip holds the source's luminance L on entry and the displaced shape on
// return. The pixel at row r, column c of rect samples shape bilinearly at
// ((d·ax + left + c)·kx, (d·ay + top + r)·ky), with d = (L − 127.5) / 127.5 and kx, ky
// the ratios of shapeRect's size to rect's; samples outside the shape count as 0. Rows
// and columns whose every possible sample misses the shape's bounds are set to 0 without
// sampling.
void displaceShape(const ShapeWindow& shape, const PixelView& strip, const VRect& rect,
                   const VRect& shapeRect, double ax, double ay);

// The reference's bilinear sample of shape at (x, y), neighbours outside the bounds read
// as 0; points with no neighbour on the image are 0 before any conversion to integers.
uint8_t sampleDisplacedShape(const ShapeWindow& shape, double x, double y);

// displaceShape samples through this table: the plain reference entry, overridden by a
// vector-compiled one when the CPU has it and BRIVO_NO_SIMD is not 1. The entry displaces
// the pixels of part (strip coordinates) and leaves the rest of strip as it is.
struct LightMaskKernels {
    void (*displaceShape)(const ShapeWindow& shape, const PixelView& strip,
                          const DisplacementGrid& grid, const PixelRegion& part);
};

const LightMaskKernels& scalarLightMaskKernels();
const LightMaskKernels& lightMaskKernels();
const LightMaskKernels& avx2LightMaskKernels();

// Turns a luminance offset from mid-grey into -1 (black) .. +1 (white).
inline constexpr double kDisplacementUnit = 0.00784313725490196;

// The strip's part of the placed shape as the render uses it: rect's part of shape copied
// (or resampled when the shape is not imageWidth × imageHeight), or, when
// lightDisplacement is not 0, sampled at positions pushed by the source's luminance.
// strip is rect's size; source holds rect's pixels from its pixel (0, 0).
void fillShapeStrip(const FilterParameters& params, const HostImage& source, const VRect& rect,
                    const PlacedShape& shape, int32_t imageWidth, int32_t imageHeight,
                    PixelView& strip);

// The displacement step of fillShapeStrip: strip (rect's size) holds the source's
// luminance on entry and rect's part of shape, displaced by lightDisplacement, on return.
void displaceByLuminance(const FilterParameters& params, const VRect& rect,
                         const PlacedShape& shape, int32_t imageWidth, int32_t imageHeight,
                         PixelView& strip);

// Steps of the light mask after the matte and the placed shape are built: with no shape,
// the matte itself; otherwise a one-channel mask of rect's size holding the strip's part of
// shape (displaced when lightDisplacement is not 0) blended with the matte. The mask is
// luminance when given, a one-channel image of rect's size holding the source's luminance
// (fillLuminance) for the displacement; otherwise a new image. source holds rect's pixels
// from its pixel (0, 0); shape is imageWidth × imageHeight or any other size, which is then
// mapped by shapeStripRect.
ImageHandle blendShapeIntoMask(HostDocument& document, const FilterParameters& params,
                               const HostImage& source, const VRect& rect, const ImageHandle& matte,
                               const PlacedShape& shape, int32_t imageWidth, int32_t imageHeight,
                               ImageHandle luminance = ImageHandle());

}  // namespace brivo
