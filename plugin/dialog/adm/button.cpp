#include "dialog/adm/button.h"

#include "adm_item_suite.h"
#include "adm_notifier_suite.h"

namespace brivo::ADM {

namespace {

const char* buttonType(Button::Kind kind) {
    switch (kind) {
        case Button::textCheckBox:
            return kADMTextCheckBoxType;
        case Button::textRadioButton:
            return kADMTextRadioButtonType;
        case Button::picturePushButton:
            return kADMPicturePushButtonType;
        case Button::pictureCheckBox:
            return kADMPictureCheckBoxType;
        case Button::pictureRadioButton:
            return kADMPictureRadioButtonType;
        case Button::textPushButton:
            break;
    }
    return kADMTextPushButtonType;
}

}  // namespace

Button::Button(Dialog& dialog, int32_t itemID, const char* text, const ADMRect& bounds, Kind kind) {
    Create(dialog, itemID, buttonType(kind), bounds, 0);
    SetText(text);
    takeBestSizeIfNoWidth(bounds);
}

Button::Button(Dialog& dialog, int32_t itemID, const ADMRect& bounds, const char* typeName,
               int32_t options) {
    Create(dialog, itemID, typeName, bounds, options);
}

void Button::Notify(ADMNotifierRef notifier) {
    if (isNotifier(notifier, kADMUserChangedNotifier))
        emit(events::select, reinterpret_cast<intptr_t>(notifier));
    Item::Notify(notifier);
}

}  // namespace brivo::ADM
