#include "render/light_renderer.h"

#include <cmath>

namespace brivo {

namespace {

// ceil(radius) as a count; NaN and negative radii need no margin, huge ones saturate.
int32_t marginFor(double radius) {
    constexpr double kLargest = 1 << 28;
    if (!(radius > 0.0)) return 0;
    return radius >= kLargest ? static_cast<int32_t>(kLargest)
                              : static_cast<int32_t>(std::ceil(radius));
}

}  // namespace

LightRenderer::LightRenderer(HostDocument& document, const FilterParameters* params,
                             bool cacheResults)
    : cacheResults_(cacheResults), document_(document), params_(params) {
    for (int entry = 0; entry < 256; ++entry) matteCurve_[entry] = static_cast<uint8_t>(entry);
}

void LightRenderer::prepare(int32_t width, int32_t height) {
    imageWidth_ = width;
    imageHeight_ = height;
}

int32_t LightRenderer::blurMargin() const {
    return std::max(marginFor(params_->lightBlur), marginFor(params_->matteBlur));
}

ImageHandle LightRenderer::buildLightMask(HostImage&, const VRect&) { return ImageHandle(); }

void LightRenderer::renderStrip(HostImage& source, const VRect& rect) {
    ImageHandle mask = buildLightMask(source, rect);
    if (mask.empty()) return;
}

}  // namespace brivo
