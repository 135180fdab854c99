// The toolkit-neutral state of dialogs, items, popup lists and entries, as the toolkit
// suites see it. Backends draw and drive this state; they never own it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pluginapi/adm_suites.h"

namespace brivo::host::toolkit {

enum class ItemKind {
    textPushButton,
    textCheckBox,
    textRadioButton,
    picturePushButton,
    pictureCheckBox,
    pictureRadioButton,
    textEdit,
    textEditMultiLine,
    passwordEdit,
    textStatic,
    textStaticMultiLine,
    group,
    popupList,
    slider,
    frame,
    pictureStatic,
};

// The kind of a type name, or nothing for an unknown name.
std::optional<ItemKind> itemKindFromTypeName(const char* typeName);

bool isPushButton(ItemKind kind);
bool isCheckBox(ItemKind kind);
bool isRadioButton(ItemKind kind);
bool isTextEdit(ItemKind kind);
bool isStaticText(ItemKind kind);
bool isPicture(ItemKind kind);
// Whether the pointer can reach the item (groups, frames and static texts are decoration).
bool takesPointer(ItemKind kind);

struct List;
struct Dialog;

struct Entry {
    List* list = nullptr;
    int32_t id = 0;
    std::string text;
    void* userData = nullptr;
    bool separator = false;
    bool enabled = true;
};

struct List {
    struct Item* item = nullptr;
    void* userData = nullptr;
    ADMEntryDrawProc drawProc = nullptr;
    ADMEntryNotifyProc notifyProc = nullptr;
    ADMEntryTrackProc trackProc = nullptr;
    std::vector<std::unique_ptr<Entry>> entries;
    Entry* active = nullptr;

    // The entry's index, or -1 when it is not in this list.
    int32_t indexOf(const Entry* entry) const;
};

struct Item {
    Dialog* dialog = nullptr;
    int32_t id = 0;
    ItemKind kind = ItemKind::textStatic;
    ADMRect bounds{};
    int32_t options = 0;
    void* userData = nullptr;
    ADMItemNotifyProc notifyProc = nullptr;
    ADMItemTrackProc trackProc = nullptr;
    ADMItemDrawProc drawProc = nullptr;
    ADMItemDestroyProc destroyProc = nullptr;
    ADMActionMask mask = kADMItemDefaultMask;
    bool enabled = true;
    bool visible = true;
    bool invalid = true;
    std::string text;
    int32_t font = kADMDialogFont;
    int32_t justify = kADMLeftJustify;
    int32_t style = 0;
    int32_t units = 0;
    int32_t maxTextLength = 0;
    bool boolValue = false;
    float value = 0.0f;
    float minimum = 0.0f;
    float maximum = 0.0f;
    Item* group = nullptr;
    std::unique_ptr<List> list;  // popup lists only
    // Interaction state: a button held down, the text an edit had when it got the focus,
    // the slider value when the press began.
    bool pressed = false;
    std::string textAtFocus;
    float valueAtPress = 0.0f;
    void* backendData = nullptr;

    bool flat() const { return (options & kADMItemFlatOption) != 0; }
    int32_t width() const { return bounds.right - bounds.left; }
    int32_t height() const { return bounds.bottom - bounds.top; }
    ADMRect localRect() const { return {0, 0, width(), height()}; }
    bool contains(ADMPoint dialogPoint) const;
};

struct Dialog {
    void* pluginRef = nullptr;
    std::string name;
    std::string title;
    int32_t id = 0;
    int32_t style = 0;
    int32_t options = 0;
    void* userData = nullptr;
    ADMDialogNotifyProc notifyProc = nullptr;
    ADMDialogTrackProc trackProc = nullptr;
    ADMDialogDrawProc drawProc = nullptr;
    ADMDialogDestroyProc destroyProc = nullptr;
    ADMActionMask mask = 0;
    int32_t defaultItemID = 0;
    int32_t cancelItemID = 0;
    ADMRect bounds{};                          // screen pixels
    std::vector<std::unique_ptr<Item>> items;  // in creation order; later ones lie on top
    bool invalid = true;
    // The modal loop: running while inside Modal, ended once EndModal was called.
    bool running = false;
    bool ended = false;
    int32_t result = 0;
    bool cancelled = false;
    Item* focus = nullptr;  // the text edit with the keyboard focus
    void* backendData = nullptr;

    int32_t width() const { return bounds.right - bounds.left; }
    int32_t height() const { return bounds.bottom - bounds.top; }
    // The topmost visible, enabled item the pointer can reach at a dialog point.
    Item* itemAt(ADMPoint dialogPoint) const;
};

// What a notify callback is told; lent for the length of the call.
struct Notifier {
    const char* type = kADMUserChangedNotifier;
    Dialog* dialog = nullptr;
    Item* item = nullptr;
};

// One pointer action; lent to a track callback for the length of the call.
struct Tracker {
    int32_t action = 0;
    ADMPoint point{};  // local to the item or dialog tracked
    uint32_t modifiers = 0;
};

}  // namespace brivo::host::toolkit
