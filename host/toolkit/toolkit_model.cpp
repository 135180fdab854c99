#include "host/toolkit/toolkit_model.h"

#include <cstring>
#include <utility>

namespace brivo::host::toolkit {

namespace {

constexpr std::pair<const char*, ItemKind> kTypeNames[] = {
    {kADMTextPushButtonType, ItemKind::textPushButton},
    {kADMTextCheckBoxType, ItemKind::textCheckBox},
    {kADMTextRadioButtonType, ItemKind::textRadioButton},
    {kADMPicturePushButtonType, ItemKind::picturePushButton},
    {kADMPictureCheckBoxType, ItemKind::pictureCheckBox},
    {kADMPictureRadioButtonType, ItemKind::pictureRadioButton},
    {kADMTextEditType, ItemKind::textEdit},
    {kADMTextEditMultiLineType, ItemKind::textEditMultiLine},
    {kADMPasswordTextEditType, ItemKind::passwordEdit},
    {kADMTextStaticType, ItemKind::textStatic},
    {kADMTextStaticMultiLineType, ItemKind::textStaticMultiLine},
    {kADMItemGroupType, ItemKind::group},
    {kADMPopupListType, ItemKind::popupList},
    {kADMSliderType, ItemKind::slider},
    {kADMFrameType, ItemKind::frame},
    {kADMPictureStaticType, ItemKind::pictureStatic},
};

}  // namespace

std::optional<ItemKind> itemKindFromTypeName(const char* typeName) {
    if (!typeName) return std::nullopt;
    for (const auto& [name, kind] : kTypeNames)
        if (std::strcmp(name, typeName) == 0) return kind;
    return std::nullopt;
}

bool isPushButton(ItemKind kind) {
    return kind == ItemKind::textPushButton || kind == ItemKind::picturePushButton;
}
bool isCheckBox(ItemKind kind) {
    return kind == ItemKind::textCheckBox || kind == ItemKind::pictureCheckBox;
}
bool isRadioButton(ItemKind kind) {
    return kind == ItemKind::textRadioButton || kind == ItemKind::pictureRadioButton;
}
bool isTextEdit(ItemKind kind) {
    return kind == ItemKind::textEdit || kind == ItemKind::textEditMultiLine ||
           kind == ItemKind::passwordEdit;
}
bool isStaticText(ItemKind kind) {
    return kind == ItemKind::textStatic || kind == ItemKind::textStaticMultiLine;
}
bool isPicture(ItemKind kind) {
    return kind == ItemKind::picturePushButton || kind == ItemKind::pictureCheckBox ||
           kind == ItemKind::pictureRadioButton || kind == ItemKind::pictureStatic;
}
bool takesPointer(ItemKind kind) {
    return kind != ItemKind::group && kind != ItemKind::frame && !isStaticText(kind);
}

int32_t List::indexOf(const Entry* entry) const {
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].get() == entry) return static_cast<int32_t>(i);
    return -1;
}

bool Item::contains(ADMPoint p) const {
    return p.x >= bounds.left && p.x < bounds.right && p.y >= bounds.top && p.y < bounds.bottom;
}

Item* Dialog::itemAt(ADMPoint p) const {
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        Item& item = **it;
        if (item.visible && item.enabled && takesPointer(item.kind) && item.contains(p))
            return &item;
    }
    return nullptr;
}

}  // namespace brivo::host::toolkit
