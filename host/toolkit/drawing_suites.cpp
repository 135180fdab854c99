// The Drawer, Image and Icon suites.
#include <new>
#include <vector>

#include "host/toolkit/suite_call.h"
#include "host/toolkit/suite_tables.h"

namespace brivo::host::toolkit {

namespace {

// Point lists longer than this are refused, so a wrong count cannot read far beyond them.
constexpr int32_t kMaxPolygonPoints = 1 << 16;

std::vector<ADMPoint> pointList(const ADMPoint* points, int32_t count) {
    if (!points || count < 1 || count > kMaxPolygonPoints) return {};
    return std::vector<ADMPoint>(points, points + count);
}

void getBoundsRect(ADMDrawerRef ref, ADMRect* rect) noexcept {
    if (!rect) return;
    *rect = ADMRect{0, 0, 0, 0};
    withLive<Drawer>(ref, [&](Toolkit&, Drawer& d) { *rect = d.localBounds(); });
}
void* getPortRef(ADMDrawerRef ref) noexcept {
    return guarded<void*>(nullptr, [&](Toolkit& t) -> void* { return resolve<Drawer>(t, ref); });
}
void setRGBColor(ADMDrawerRef ref, ADMRGBColor color) noexcept {
    withLive<Drawer>(ref, [&](Toolkit&, Drawer& d) { d.setColor(toRgb(color)); });
}
void getRGBColor(ADMDrawerRef ref, ADMRGBColor* color) noexcept {
    if (!color) return;
    *color = ADMRGBColor{0, 0, 0};
    withLive<Drawer>(ref, [&](Toolkit&, Drawer& d) {
        const Rgb c = d.color();
        *color = {static_cast<uint16_t>(c.r * 257), static_cast<uint16_t>(c.g * 257),
                  static_cast<uint16_t>(c.b * 257)};
    });
}
void setADMColor(ADMDrawerRef ref, int32_t color) noexcept {
    withLive<Drawer>(ref, [&](Toolkit&, Drawer& d) { d.setColor(standardColor(color)); });
}
void frameRect(ADMDrawerRef ref, const ADMRect* rect) noexcept {
    if (rect) withLive<Drawer>(ref, [&](Toolkit&, Drawer& d) { d.frameRect(*rect); });
}
void fillRect(ADMDrawerRef ref, const ADMRect* rect) noexcept {
    if (rect) withLive<Drawer>(ref, [&](Toolkit&, Drawer& d) { d.fillRect(*rect); });
}
void framePolygon(ADMDrawerRef ref, const ADMPoint* points, int32_t count) noexcept {
    withLive<Drawer>(ref, [&](Toolkit&, Drawer& d) { d.framePolygon(pointList(points, count)); });
}
void fillPolygon(ADMDrawerRef ref, const ADMPoint* points, int32_t count) noexcept {
    withLive<Drawer>(ref, [&](Toolkit&, Drawer& d) { d.fillPolygon(pointList(points, count)); });
}
void drawLine(ADMDrawerRef ref, ADMPoint from, ADMPoint to) noexcept {
    withLive<Drawer>(ref, [&](Toolkit&, Drawer& d) { d.line(from, to); });
}
void setFont(ADMDrawerRef ref, int32_t font) noexcept {
    withLive<Drawer>(ref, [&](Toolkit&, Drawer& d) { d.setFont(font); });
}
void drawText(ADMDrawerRef ref, const char* text, ADMPoint where) noexcept {
    withLive<Drawer>(ref, [&](Toolkit& t, Drawer& d) {
        const std::string s = textOrEmpty(text);
        const ADMPoint size = t.backend().textSize(s, d.font());
        d.text(s, {where.x, where.y, where.x + size.x, where.y + size.y}, kADMLeftJustify);
    });
}
void drawTextInRect(ADMDrawerRef ref, const char* text, const ADMRect* rect,
                    int32_t justify) noexcept {
    if (!rect) return;
    withLive<Drawer>(ref, [&](Toolkit&, Drawer& d) { d.text(textOrEmpty(text), *rect, justify); });
}
void drawIcon(ADMDrawerRef ref, ADMIconRef icon, ADMPoint where) noexcept {
    withLive<Drawer>(ref, [&](Toolkit& t, Drawer& d) {
        if (Picture* p = resolve<Picture>(t, icon)) d.picture(*p, where);
    });
}
void drawIconCentered(ADMDrawerRef ref, ADMIconRef icon, const ADMRect* rect) noexcept {
    if (!rect) return;
    withLive<Drawer>(ref, [&](Toolkit& t, Drawer& d) {
        if (Picture* p = resolve<Picture>(t, icon)) d.pictureCentered(*p, *rect);
    });
}
void drawImage(ADMDrawerRef ref, ADMImageRef image, ADMPoint where) noexcept {
    withLive<Drawer>(ref, [&](Toolkit& t, Drawer& d) {
        if (Picture* p = resolve<Picture>(t, image)) d.picture(*p, where);
    });
}

const ADMDrawerSuite3 kDrawer{&getBoundsRect,  &getPortRef, &setRGBColor,      &getRGBColor,
                              &setADMColor,    &frameRect,  &fillRect,         &framePolygon,
                              &fillPolygon,    &drawLine,   &setFont,          &drawText,
                              &drawTextInRect, &drawIcon,   &drawIconCentered, &drawImage};

// ---- Image suite ----

// Largest side of a module image; keeps width x height x 3 far from overflow.
constexpr int32_t kMaxImageSide = 1 << 14;

ADMErr imageCreate(int32_t width, int32_t height, ADMImageRef* image) noexcept {
    if (!image) return kSPBadParameterError;
    *image = nullptr;
    if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide)
        return kSPBadParameterError;
    return guarded<ADMErr>(kSPOperationFailedError, [&](Toolkit& t) -> ADMErr {
        try {
            *image = toRef<ADMImageRef>(t.createImage(width, height));
            return kSPNoError;
        } catch (const std::bad_alloc&) {
            return kSPOutOfMemoryError;
        }
    });
}
void imageDestroy(ADMImageRef ref) noexcept {
    guarded([&](Toolkit& t) {
        if (Picture* p = resolve<Picture>(t, ref)) t.destroyPicture(*p);
    });
}
int32_t pictureWidth(const void* ref) noexcept {
    return guarded<int32_t>(0, [&](Toolkit& t) {
        Picture* p = resolve<Picture>(t, ref);
        return p ? p->width : 0;
    });
}
int32_t pictureHeight(const void* ref) noexcept {
    return guarded<int32_t>(0, [&](Toolkit& t) {
        Picture* p = resolve<Picture>(t, ref);
        return p ? p->height : 0;
    });
}
int32_t imageWidth(ADMImageRef ref) noexcept {
    return pictureWidth(ref);
}
int32_t imageHeight(ADMImageRef ref) noexcept {
    return pictureHeight(ref);
}
uint8_t* imageBase(ADMImageRef ref) noexcept {
    return guarded<uint8_t*>(nullptr, [&](Toolkit& t) -> uint8_t* {
        Picture* p = resolve<Picture>(t, ref);
        return p ? p->rgb.data() : nullptr;
    });
}
int32_t imageRowBytes(ADMImageRef ref) noexcept {
    return guarded<int32_t>(0, [&](Toolkit& t) {
        Picture* p = resolve<Picture>(t, ref);
        return p ? static_cast<int32_t>(p->rowBytes()) : 0;
    });
}

const ADMImageSuite1 kImage{&imageCreate, &imageDestroy, &imageWidth,
                            &imageHeight, &imageBase,    &imageRowBytes};

// ---- Icon suite ----

ADMErr loadFromResource(void* pluginRef, const char* name, int32_t id, ADMIconRef* icon) noexcept {
    if (!icon) return kSPBadParameterError;
    *icon = nullptr;
    return guarded<ADMErr>(kSPOperationFailedError, [&](Toolkit& t) -> ADMErr {
        try {
            Picture* picture = t.loadIcon(pluginRef, name, id);
            if (!picture) return kADMResourceNotFoundError;
            *icon = toRef<ADMIconRef>(picture);
            return kSPNoError;
        } catch (const std::bad_alloc&) {
            return kSPOutOfMemoryError;
        }
    });
}
void iconDestroy(ADMIconRef ref) noexcept {
    guarded([&](Toolkit& t) {
        if (Picture* p = resolve<Picture>(t, ref)) t.destroyPicture(*p);
    });
}
int32_t iconWidth(ADMIconRef ref) noexcept {
    return pictureWidth(ref);
}
int32_t iconHeight(ADMIconRef ref) noexcept {
    return pictureHeight(ref);
}

const ADMIconSuite2 kIcon{&loadFromResource, &iconDestroy, &iconWidth, &iconHeight};

}  // namespace

const ADMDrawerSuite3* drawerSuiteTable() {
    return &kDrawer;
}
const ADMImageSuite1* imageSuiteTable() {
    return &kImage;
}
const ADMIconSuite2* iconSuiteTable() {
    return &kIcon;
}

}  // namespace brivo::host::toolkit
