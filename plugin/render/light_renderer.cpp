#include "render/light_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "colorspace_suite.h"
#include "core/diagnostics.h"
#include "core/suite_holder.h"
#include "image/box_blur.h"
#include "image/pattern_decoder.h"
#include "render/compositing.h"
#include "render/light_mask.h"
#include "render/matte.h"
#include "render/shape_builder.h"

namespace brivo {

namespace {

// ceil(radius) as a count; NaN and negative radii need no margin, huge ones saturate.
int32_t marginFor(double radius) {
    constexpr double kLargest = 1 << 28;
    if (!(radius > 0.0)) return 0;
    return radius >= kLargest ? static_cast<int32_t>(kLargest)
                              : static_cast<int32_t>(std::ceil(radius));
}

int32_t widthOf(const VRect& rect) {
    return rect.right - rect.left;
}
int32_t heightOf(const VRect& rect) {
    return rect.bottom - rect.top;
}

bool sizeEquals(const ImageHandle& image, int32_t width, int32_t height) {
    return !image.empty() && image->width() == width && image->height() == height;
}

void blurInPlace(HostImage& image, float rx, float ry) {
    BoxBlur blur;
    blur.setExtraPasses(1);
    blur.setRadius(rx, ry);
    blur.apply(image.view(), PixelRegion{0, 0, image.height(), image.width()});
}

}  // namespace

LightRenderer::LightRenderer(HostDocument& document, const FilterParameters* params,
                             bool cacheResults)
    : cacheResults_(cacheResults), document_(document), params_(params) {
    for (int entry = 0; entry < kMatteTableSize; ++entry)
        matteCurve_[entry] = static_cast<uint8_t>(entry);
}

void LightRenderer::prepare(int32_t width, int32_t height) {
    imageWidth_ = width;
    imageHeight_ = height;
    if (!proxy_) {
        documentWidth_ = width;
        documentHeight_ = height;
    }
    convertLightColor();
    buildMatteTable(params_->mattePosition, params_->matteRange, matteCurve_);
}

void LightRenderer::setProxyScale(int32_t proxyWidth, int32_t proxyHeight, int32_t documentWidth,
                                  int32_t documentHeight) {
    proxy_ = true;
    documentWidth_ = documentWidth;
    documentHeight_ = documentHeight;
    scaleX = documentWidth > 0 ? static_cast<float>(proxyWidth) / documentWidth : 1.0f;
    scaleY = documentHeight > 0 ? static_cast<float>(proxyHeight) / documentHeight : 1.0f;
}

int32_t LightRenderer::blurMargin() const {
    return std::max(marginFor(params_->lightBlur), marginFor(params_->matteBlur));
}

void LightRenderer::convertLightColor() {
    const FilterRecord* record = document_.filterRecord();
    SuiteHolder<PSColorSpaceSuite1> colors(record->sSPBasic, kPSColorSpaceSuite,
                                           kPSColorSpaceSuiteVersion1);
    ColorID color = nullptr;
    colors->Make(&color);
    const CS_XYZ xyz{params_->lightColor[0], params_->lightColor[1], params_->lightColor[2]};
    colors->StuffXYZ(color, xyz);
    uint8_t gamut = 0;
    uint8_t* k = lightColorBytes_;
    std::fill(k, k + 4, uint8_t{0});
    colors->ExtractComponents(color, lightColorSpace(record->imageMode), &k[0], &k[1], &k[2], &k[3],
                              &gamut);
    colors->Delete(&color);
}

PixelView LightRenderer::viewOf(const HostImage& image, int32_t width, int32_t height) {
    PixelView view;
    view.setTo(width, height, image.planeCount(), image.bytesPerSample, image.rowBytes, image.data);
    return view;
}

bool LightRenderer::matteSettingsUnchanged() const {
    return params_->matteChannel == cachedParams_.matteChannel &&
           params_->mattePosition == cachedParams_.mattePosition &&
           params_->matteRange == cachedParams_.matteRange &&
           params_->matteBlur == cachedParams_.matteBlur;
}

bool LightRenderer::shapeSettingsUnchanged() const {
    const FilterParameters& p = *params_;
    const FilterParameters& c = cachedParams_;
    for (int corner = 0; corner < 4; ++corner) {
        if (p.cornerPin[corner].x != c.cornerPin[corner].x ||
            p.cornerPin[corner].y != c.cornerPin[corner].y)
            return false;
    }
    return p.shapeBlendMode == c.shapeBlendMode && p.shapeFile == c.shapeFile &&
           p.shapeOpacity == c.shapeOpacity && p.shapeBlurX == c.shapeBlurX &&
           p.shapeBlurY == c.shapeBlurY && p.shapePosX == c.shapePosX &&
           p.shapePosY == c.shapePosY && p.shapeScaleX == c.shapeScaleX &&
           p.shapeScaleY == c.shapeScaleY && p.shapeRotate == c.shapeRotate &&
           p.lightDisplacement == c.lightDisplacement;
}

void LightRenderer::recordMatteSettings() {
    cachedParams_.matteChannel = params_->matteChannel;
    cachedParams_.mattePosition = params_->mattePosition;
    cachedParams_.matteRange = params_->matteRange;
    cachedParams_.matteBlur = params_->matteBlur;
}

bool LightRenderer::matteReusable(int32_t width, int32_t height) const {
    return cacheResults_ && matteSettingsUnchanged() && sizeEquals(cachedMatte_, width, height);
}

ImageHandle LightRenderer::buildMatte(HostImage& source, const VRect& rect,
                                      const ImageHandle& luminance) {
    const int32_t w = widthOf(rect);
    const int32_t h = heightOf(rect);
    if (matteReusable(w, h)) return cachedMatte_;
    cachedMatte_.release();
    // A cached mask was blended from the old matte; it must not outlive it.
    cachedMask_.release();
    ImageHandle matte =
        document_.allocateBuffer(w, h, 1, source.bytesPerSample, plugInModeGrayScale);
    PixelView matteView = matte->view();
    if (!luminance.empty() && matteChannelOf(params_->matteChannel) == MatteChannel::Luminance) {
        // One byte a pixel reads as itself: the table maps the luminance as it stands.
        extractMatte(luminance->view(), plugInModeGrayScale, params_->matteChannel, matteCurve_,
                     matteView);
    } else {
        extractMatte(viewOf(source, w, h), source.imageMode, params_->matteChannel, matteCurve_,
                     matteView);
    }
    if (params_->matteBlur > 0.0) {
        blurInPlace(*matte, static_cast<float>(scaleX * params_->matteBlur),
                    static_cast<float>(scaleY * params_->matteBlur));
    }
    if (cacheResults_) {
        cachedMatte_ = matte;
        recordMatteSettings();
    }
    return matte;
}

ImageHandle LightRenderer::sharedLuminance(HostImage& source, const VRect& rect,
                                           const PlacedShape& shape) {
    const int32_t w = widthOf(rect);
    const int32_t h = heightOf(rect);
    const bool matteReadsLuminance =
        matteChannelOf(params_->matteChannel) == MatteChannel::Luminance && !matteReusable(w, h);
    if (params_->lightDisplacement == 0.0 || shape.empty() || !matteReadsLuminance)
        return ImageHandle();
    ImageHandle luminance =
        document_.allocateBuffer(w, h, 1, source.bytesPerSample, plugInModeGrayScale);
    PixelView view = luminance->view();
    fillLuminance(viewOf(source, w, h), source.imageMode, view);
    return luminance;
}

ImageHandle LightRenderer::buildLightMask(HostImage& source, const VRect& rect) {
    const int32_t w = widthOf(rect);
    const int32_t h = heightOf(rect);
    if (cacheResults_ && matteSettingsUnchanged() && shapeSettingsUnchanged() &&
        sizeEquals(cachedMask_, w, h))
        return cachedMask_;
    const ShapeBlendMode mode = params_->shapeMode();
    const bool needMatte = mode != ShapeBlendMode::Only;
    const bool hasShape = mode != ShapeBlendMode::None && !params_->shapeFile.isEmpty();
    if (!needMatte && !hasShape) return ImageHandle();
    if (!hasShape) return buildMatte(source, rect, ImageHandle());
    const PlacedShape& shape = placeShape(imageWidth_, imageHeight_);
    // The matte and the displacement may read the same luminance: it is computed once and
    // then becomes the mask that the displaced shape replaces.
    ImageHandle luminance = sharedLuminance(source, rect, shape);
    ImageHandle matte = buildMatte(source, rect, luminance);
    ImageHandle mask = blendShapeIntoMask(document_, *params_, source, rect, matte, shape,
                                          imageWidth_, imageHeight_, std::move(luminance));
    if (cacheResults_) {
        cachedMask_ = mask;
        recordMatteSettings();
        cachedParams_.shapeBlendMode = params_->shapeBlendMode;
        cachedParams_.shapeOpacity = params_->shapeOpacity;
        cachedParams_.lightDisplacement = params_->lightDisplacement;
    }
    return mask;
}

void LightRenderer::recordShapeSettings() {
    FilterParameters& c = cachedParams_;
    for (int corner = 0; corner < 4; ++corner) c.cornerPin[corner] = params_->cornerPin[corner];
    c.shapeFile = params_->shapeFile;
    c.shapeBlurX = params_->shapeBlurX;
    c.shapeBlurY = params_->shapeBlurY;
    c.shapePosX = params_->shapePosX;
    c.shapePosY = params_->shapePosY;
    c.shapeScaleX = params_->shapeScaleX;
    c.shapeScaleY = params_->shapeScaleY;
    c.shapeRotate = params_->shapeRotate;
    // The reuse test also reads these; recording them here lets the filtering run keep
    // its one placement across strips (the dialog's mask stage records the same values).
    c.shapeBlendMode = params_->shapeBlendMode;
    c.shapeOpacity = params_->shapeOpacity;
    c.lightDisplacement = params_->lightDisplacement;
}

const PlacedShape& LightRenderer::placeShape(int32_t width, int32_t height) {
    if (!placedShape_.empty() && placedShape_.width() == width && placedShape_.height() == height &&
        shapeSettingsUnchanged())
        return placedShape_;
    placedShape_ = PlacedShape();
    cachedMask_.release();
    if (!(params_->shapeFile == loadedShapePath_) || pattern_.empty()) {
        loadedShapePath_ = params_->shapeFile;
        pattern_.release();
        if (!loadedShapePath_.isEmpty()) {
            std::string why;
            pattern_ = loadPattern(document_, loadedShapePath_.c_str(), &why);
            // The light is still rendered without a pattern; the host hears why.
            if (pattern_.empty())
                reportToHost(document_.filterRecord(), "pattern not used: " + why);
        }
    }
    if (pattern_.empty()) return placedShape_;
    const ShapeScale scale{scaleX, scaleY, documentWidth_, documentHeight_};
    placedShape_ = brivo::placeShape(*pattern_, *params_, width, height, scale);
    recordShapeSettings();
    return placedShape_;
}

ImageHandle LightRenderer::blurLight(const ImageHandle& image, bool mayBeCached, float rx,
                                     float ry) {
    if (rx == 0.0f && ry == 0.0f) return image;
    ImageHandle target = image;
    if (mayBeCached && cacheResults_) {
        // Never alter a cached mask or matte: blur a copy.
        target = image->makeSameFormat(image->width(), image->height());
        target->copyPixelsFrom(*image);
    }
    blurInPlace(*target, rx, ry);
    return target;
}

void LightRenderer::renderStrip(HostImage& source, const VRect& rect) {
    ImageHandle mask = buildLightMask(source, rect);
    if (mask.empty()) return;
    const int32_t w = widthOf(rect);
    const int32_t h = heightOf(rect);
    const float rx = static_cast<float>(scaleX * params_->lightBlur);
    const float ry = static_cast<float>(scaleY * params_->lightBlur);
    PixelView sourceView = viewOf(source, w, h);

    if (params_->source() == LightSource::Matte) {
        const ImageHandle light = blurLight(mask, true, rx, ry);
        compositeFromMatte(sourceView, light->view(), source.imageMode, params_->lightBlendMode,
                           params_->lightBrightness, lightColorBytes_);
        return;
    }
    // Every strip of a run has the same size: keep one light image rather than lend and
    // return a new one (and fault its pages in) per strip. maskSource fills the colour
    // bytes; the spare fourth byte of RGB is cleared once, so that the blur, which moves
    // whole pixels, never carries bytes nobody wrote.
    const bool reusable = sizeEquals(lightImage_, w, h) &&
                          lightImage_->planeCount() == source.planeCount() &&
                          lightImage_->bytesPerSample == source.bytesPerSample &&
                          lightImage_->imageMode == source.imageMode;
    if (!reusable) {
        lightImage_.release();
        lightImage_ = document_.allocateBuffer(w, h, source.planeCount(), source.bytesPerSample,
                                               source.imageMode);
        lightImage_->clear();
    }
    PixelView lightView = lightImage_->view();
    maskSource(sourceView, mask->view(), lightView, source.imageMode);
    mask.release();
    blurLight(lightImage_, false, rx, ry);
    compositeFromImage(sourceView, lightImage_->view(), source.imageMode, params_->lightBlendMode,
                       params_->lightBrightness, lightColorBytes_);
}

void LightRenderer::previewMask(HostImage& source, HostImage& out) {
    lightMaskOf(source, VRect{0, 0, source.height(), source.width()}, out);
}

void LightRenderer::previewShape(HostImage& source, HostImage& out) {
    placedShapeOf(source, VRect{0, 0, source.height(), source.width()}, out);
}

void LightRenderer::lightMaskOf(HostImage& source, const VRect& rect, HostImage& out) {
    ImageHandle mask = buildLightMask(source, rect);
    if (mask.empty()) {
        out.clear();
        return;
    }
    out.copyPixelsFrom(*mask);
}

void LightRenderer::placedShapeOf(HostImage& source, const VRect& rect, HostImage& out) {
    out.clear();
    const PlacedShape& shape = placeShape(imageWidth_, imageHeight_);
    if (shape.empty()) return;
    PixelView outView = viewOf(out, widthOf(rect), heightOf(rect));
    fillShapeStrip(*params_, source, rect, shape, imageWidth_, imageHeight_, outView);
}

}  // namespace brivo
