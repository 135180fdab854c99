// Turns a rectangle of source pixels into the lit result, in place. Used once per strip by
// the filtering driver and once per preview by the dialog, which keeps intermediate images
// cached while their inputs are unchanged.
#pragma once

#include <cstdint>

#include "core/filter_parameters.h"
#include "core/pixel_view.h"
#include "image/host_document.h"
#include "image/host_image.h"
#include "render/matte.h"
#include "render/placed_shape.h"

namespace brivo {

class LightRenderer {
  public:
    LightRenderer(HostDocument& document, const FilterParameters* params, bool cacheResults);
    LightRenderer(const LightRenderer&) = delete;
    LightRenderer& operator=(const LightRenderer&) = delete;

    // Sets the size the shape is placed on and derives what depends on the parameters
    // only: the light colour in the image's colour space and the matte table. Unless a
    // proxy scale was set, width × height is the document itself.
    void prepare(int32_t width, int32_t height);
    // The dialog renders a proxyWidth × proxyHeight reduction of the document: sets
    // scaleX and scaleY to the proxy's size relative to the document's, and keeps the
    // document's size, which the shape's placement measures the pattern against.
    void setProxyScale(int32_t proxyWidth, int32_t proxyHeight, int32_t documentWidth,
                       int32_t documentHeight);
    // Rows of context the blurs need on each side of a strip: the larger of the two blur
    // radii rounded up; 0 for NaN or negative radii, saturating for huge ones.
    int32_t blurMargin() const;
    // Lights source in place. source holds the pixels of rect (whole-image coordinates)
    // from its pixel (0, 0); it may be larger than rect (the driver's strip buffer), and
    // only rect's width and height of it are touched.
    void renderStrip(HostImage& source, const VRect& rect);
    // The light mask for the whole of source, copied into out (one channel, same size);
    // out is cleared when there is no mask.
    void previewMask(HostImage& source, HostImage& out);
    // The placed shape for the whole of source as the render uses it (displaced by the
    // render's amount), into out; cleared when there is no shape.
    void previewShape(HostImage& source, HostImage& out);
    // The light mask of rect (source holds its pixels) as the render uses it, into out.
    void lightMaskOf(HostImage& source, const VRect& rect, HostImage& out);
    // The placed shape's part for rect as the render uses it (displaced when
    // lightDisplacement is not 0), into out; cleared when there is no shape.
    void placedShapeOf(HostImage& source, const VRect& rect, HostImage& out);

    const uint8_t* lightColorBytes() const { return lightColorBytes_; }
    const uint8_t* matteCurve() const { return matteCurve_; }

    float scaleX = 1.0f;
    float scaleY = 1.0f;

  private:
    ImageHandle buildLightMask(HostImage& source, const VRect& rect);
    // The matte of rect, or the cached one while its settings and size hold. luminance, when
    // not empty, holds the source's luminance over rect, which a Luminance matte then reads
    // instead of the source.
    ImageHandle buildMatte(HostImage& source, const VRect& rect, const ImageHandle& luminance);
    bool matteReusable(int32_t width, int32_t height) const;
    // The source's luminance over rect in a new one-channel image when both a matte about to
    // be built and the shape's displacement read it; empty otherwise.
    ImageHandle sharedLuminance(HostImage& source, const VRect& rect, const PlacedShape& shape);
    // The pattern placed on a width × height image; kept while the shape settings and
    // size are unchanged (also across the strips of one run, where it cannot change).
    const PlacedShape& placeShape(int32_t width, int32_t height);
    void recordShapeSettings();
    void convertLightColor();
    // A blurred copy of mask when it is a cached image, else mask blurred in place.
    ImageHandle blurLight(const ImageHandle& image, bool mayBeCached, float rx, float ry);
    bool matteSettingsUnchanged() const;
    bool shapeSettingsUnchanged() const;
    void recordMatteSettings();
    // A view of the first width × height pixels of image with its own row stride.
    static PixelView viewOf(const HostImage& image, int32_t width, int32_t height);

    bool cacheResults_;
    HostDocument& document_;
    const FilterParameters* params_;
    ShapePath loadedShapePath_;
    ImageHandle pattern_;
    PlacedShape placedShape_;
    ImageHandle cachedMask_;
    ImageHandle cachedMatte_;
    ImageHandle lightImage_;  // the masked source of the last strip, reused while sizes match
    uint8_t lightColorBytes_[4] = {0, 0, 0, 0};
    int32_t imageWidth_ = 0;
    int32_t imageHeight_ = 0;
    bool proxy_ = false;  // a proxy scale was set; else the image is the document
    int32_t documentWidth_ = 0;
    int32_t documentHeight_ = 0;
    uint8_t matteCurve_[kMatteTableSize];
    FilterParameters cachedParams_;
};

}  // namespace brivo
