// Turns a rectangle of source pixels into the lit result, in place. Used once per strip by
// the filtering driver and once per preview by the dialog.
#pragma once

#include <cstdint>

#include "image/host_document.h"
#include "image/host_image.h"
#include "shell/filter_parameters.h"

namespace brivo {

class LightRenderer {
public:
    LightRenderer(HostDocument& document, const FilterParameters* params, bool cacheResults);
    LightRenderer(const LightRenderer&) = delete;
    LightRenderer& operator=(const LightRenderer&) = delete;

    // Sets the size the shape is placed on and derives what depends on the parameters
    // only (the light colour in the image's space, the matte table).
    void prepare(int32_t width, int32_t height);
    // Rows (and columns) of context the blurs need on each side of a strip: the larger of
    // the two blur radii, rounded up; 0 for NaN or negative radii.
    int32_t blurMargin() const;
    // Lights source in place; source holds the pixels of rect (whole-image coordinates)
    // from its pixel (0, 0) and may be larger than rect.
    void renderStrip(HostImage& source, const VRect& rect);

    float scaleX = 1.0f;
    float scaleY = 1.0f;

private:
    ImageHandle buildLightMask(HostImage& source, const VRect& rect);

    bool cacheResults_;
    HostDocument& document_;
    const FilterParameters* params_;
    ShapePath loadedShapePath_;
    ImageHandle pattern_;
    ImageHandle placedShape_;
    ImageHandle cachedMask_;
    ImageHandle cachedMatte_;
    uint8_t lightColorBytes_[4] = {0, 0, 0, 0};
    int32_t imageWidth_ = 0;
    int32_t imageHeight_ = 0;
    uint8_t matteCurve_[256];
    FilterParameters cachedParams_;
};

}  // namespace brivo
