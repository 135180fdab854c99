#include "host/toolkit/plain_look.h"

#include <algorithm>

namespace brivo::host::toolkit {

namespace {

void face(Drawer& d, const ADMRect& r, bool sunken) {
    d.setColor(standardColor(sunken ? kADMShadowColor : kADMBackgroundColor));
    d.fillRect(r);
    d.setColor(standardColor(kADMBlackColor));
    d.frameRect(r);
}

Rgb textColor(const Item& item) {
    return standardColor(item.enabled ? kADMBlackColor : kADMShadowColor);
}

const char* shownText(const Item& item) {
    if (item.kind == ItemKind::popupList)
        return item.list && item.list->active ? item.list->active->text.c_str() : "";
    return item.text.c_str();
}

}  // namespace

float sliderValueAt(const Item& slider, int32_t x) {
    const int32_t span = std::max(slider.width() - 1, 1);
    const float t = std::clamp(static_cast<float>(x) / static_cast<float>(span), 0.0f, 1.0f);
    return slider.minimum + (slider.maximum - slider.minimum) * t;
}

void drawPlainItem(const Item& item, Drawer& d) {
    const ADMRect r = item.localRect();
    switch (item.kind) {
        case ItemKind::textPushButton:
        case ItemKind::picturePushButton:
        case ItemKind::pictureCheckBox:
        case ItemKind::pictureRadioButton:
            if (item.flat()) return;
            face(d, r, item.pressed || item.boolValue);
            d.setColor(textColor(item));
            d.text(item.text, r, kADMCenterJustify);
            return;
        case ItemKind::textCheckBox:
        case ItemKind::textRadioButton: {
            const int32_t top = (r.bottom - 12) / 2;
            const ADMRect box{0, top, 12, top + 12};
            d.setColor(standardColor(kADMWhiteColor));
            d.fillRect(box);
            d.setColor(textColor(item));
            d.frameRect(box);
            if (item.boolValue) d.fillRect({3, top + 3, 9, top + 9});
            d.text(item.text, {16, 0, r.right, r.bottom}, kADMLeftJustify);
            return;
        }
        case ItemKind::textEdit:
        case ItemKind::textEditMultiLine:
        case ItemKind::passwordEdit: {
            d.setColor(standardColor(kADMWhiteColor));
            d.fillRect(r);
            const bool focused = item.dialog && item.dialog->focus == &item;
            d.setColor(standardColor(focused ? kADMBlackColor : kADMShadowColor));
            d.frameRect(r);
            d.setColor(textColor(item));
            const std::string shown = item.kind == ItemKind::passwordEdit
                                          ? std::string(item.text.size(), '*')
                                          : item.text;
            d.text(shown, {3, 0, r.right - 3, r.bottom}, item.justify);
            return;
        }
        case ItemKind::textStatic:
        case ItemKind::textStaticMultiLine:
            d.setColor(textColor(item));
            d.text(item.text, r, item.justify);
            return;
        case ItemKind::popupList:
            face(d, r, false);
            d.setColor(textColor(item));
            d.text(shownText(item), {4, 0, r.right - 16, r.bottom}, kADMLeftJustify);
            d.fillPolygon({{r.right - 12, r.bottom / 2 - 2},
                           {r.right - 4, r.bottom / 2 - 2},
                           {r.right - 8, r.bottom / 2 + 3}});
            return;
        case ItemKind::slider: {
            const int32_t mid = r.bottom / 2;
            d.setColor(standardColor(kADMShadowColor));
            d.fillRect({0, mid - 1, r.right, mid + 1});
            const float range = item.maximum - item.minimum;
            const float t = range > 0.0f ? (item.value - item.minimum) / range : 0.0f;
            const auto x = static_cast<int32_t>(t * static_cast<float>(std::max(r.right - 1, 0)));
            d.setColor(textColor(item));
            d.fillRect({std::max(x - 2, 0), 0, std::min(x + 3, r.right), r.bottom});
            return;
        }
        case ItemKind::frame:
            d.setColor(standardColor(kADMShadowColor));
            d.frameRect({0, 7, r.right, r.bottom});
            d.setColor(textColor(item));
            d.text(item.text, {8, 0, r.right - 8, 14}, kADMLeftJustify);
            return;
        case ItemKind::pictureStatic:
            if (!item.flat()) face(d, r, true);
            return;
        case ItemKind::group:
            return;
    }
}

}  // namespace brivo::host::toolkit
