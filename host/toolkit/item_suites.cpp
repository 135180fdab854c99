// The Item, Notifier and Tracker suites.
#include <cstring>

#include "host/toolkit/suite_call.h"
#include "host/toolkit/suite_tables.h"

namespace brivo::host::toolkit {

namespace {

ADMItemRef create(ADMDialogRef dialogRef, int32_t itemID, const char* itemType,
                  const ADMRect* bounds, ADMItemInitProc init, void* userData,
                  int32_t options) noexcept {
    return guarded<ADMItemRef>(nullptr, [&](Toolkit& t) -> ADMItemRef {
        Dialog* dialog = resolve<Dialog>(t, dialogRef);
        std::optional<ItemKind> kind = itemKindFromTypeName(itemType);
        if (!dialog || !kind) return nullptr;
        const ADMRect rect = bounds ? *bounds : ADMRect{0, 0, 0, 0};
        return toRef<ADMItemRef>(
            t.createItem(*dialog, itemID, *kind, rect, init, userData, options));
    });
}

void destroy(ADMItemRef ref) noexcept {
    withLive<Item>(ref, [](Toolkit& t, Item& item) { t.destroyItem(item); });
}

ADMDialogRef getDialog(ADMItemRef ref) noexcept {
    return withLive<ADMDialogRef, Item>(
        ref, nullptr, [](Toolkit&, Item& item) { return toRef<ADMDialogRef>(item.dialog); });
}
int32_t getID(ADMItemRef ref) noexcept {
    return withLive<int32_t, Item>(ref, 0, [](Toolkit&, Item& item) { return item.id; });
}

void setUserData(ADMItemRef ref, void* data) noexcept {
    withLive<Item>(ref, [&](Toolkit&, Item& item) { item.userData = data; });
}
void* getUserData(ADMItemRef ref) noexcept {
    return withLive<void*, Item>(ref, nullptr, [](Toolkit&, Item& item) { return item.userData; });
}

void setNotifyProc(ADMItemRef ref, ADMItemNotifyProc proc) noexcept {
    withLive<Item>(ref, [&](Toolkit&, Item& item) { item.notifyProc = proc; });
}
void setTrackProc(ADMItemRef ref, ADMItemTrackProc proc) noexcept {
    withLive<Item>(ref, [&](Toolkit&, Item& item) { item.trackProc = proc; });
}
void setDrawProc(ADMItemRef ref, ADMItemDrawProc proc) noexcept {
    withLive<Item>(ref, [&](Toolkit& t, Item& item) {
        item.drawProc = proc;
        t.invalidate(item);
    });
}
void setDestroyProc(ADMItemRef ref, ADMItemDestroyProc proc) noexcept {
    withLive<Item>(ref, [&](Toolkit&, Item& item) { item.destroyProc = proc; });
}

void defaultNotify(ADMItemRef ref, ADMNotifierRef notifier) noexcept {
    withLive<Item>(ref, [&](Toolkit& t, Item& item) {
        if (Notifier* n = resolve<Notifier>(t, notifier)) t.defaultNotify(item, *n);
    });
}
ADMBoolean defaultTrack(ADMItemRef ref, ADMTrackerRef tracker) noexcept {
    return withLive<ADMBoolean, Item>(ref, 0, [&](Toolkit& t, Item& item) -> ADMBoolean {
        Tracker* tr = resolve<Tracker>(t, tracker);
        return tr && t.defaultTrack(item, *tr) ? 1 : 0;
    });
}
void defaultDraw(ADMItemRef ref, ADMDrawerRef drawer) noexcept {
    withLive<Item>(ref, [&](Toolkit& t, Item& item) {
        if (Drawer* d = resolve<Drawer>(t, drawer)) t.defaultDraw(item, *d);
    });
}

ADMActionMask getMask(ADMItemRef ref) noexcept {
    return withLive<ADMActionMask, Item>(ref, 0, [](Toolkit&, Item& item) { return item.mask; });
}
void setMask(ADMItemRef ref, ADMActionMask mask) noexcept {
    withLive<Item>(ref, [&](Toolkit&, Item& item) { item.mask = mask; });
}

void enable(ADMItemRef ref, ADMBoolean on) noexcept {
    withLive<Item>(ref, [&](Toolkit& t, Item& item) { t.setEnabled(item, on != 0); });
}
ADMBoolean isEnabled(ADMItemRef ref) noexcept {
    return withLive<ADMBoolean, Item>(ref, 0,
                                      [](Toolkit&, Item& item) { return item.enabled ? 1 : 0; });
}
void show(ADMItemRef ref, ADMBoolean on) noexcept {
    withLive<Item>(ref, [&](Toolkit& t, Item& item) { t.setVisible(item, on != 0); });
}
ADMBoolean isVisible(ADMItemRef ref) noexcept {
    return withLive<ADMBoolean, Item>(ref, 0,
                                      [](Toolkit&, Item& item) { return item.visible ? 1 : 0; });
}

void getBoundsRect(ADMItemRef ref, ADMRect* rect) noexcept {
    if (!rect) return;
    *rect = ADMRect{0, 0, 0, 0};
    withLive<Item>(ref, [&](Toolkit&, Item& item) { *rect = item.bounds; });
}
void setBoundsRect(ADMItemRef ref, const ADMRect* rect) noexcept {
    if (!rect) return;
    withLive<Item>(ref, [&](Toolkit& t, Item& item) { t.setBounds(item, *rect); });
}
void getLocalRect(ADMItemRef ref, ADMRect* rect) noexcept {
    if (!rect) return;
    *rect = ADMRect{0, 0, 0, 0};
    withLive<Item>(ref, [&](Toolkit&, Item& item) { *rect = item.localRect(); });
}
void getBestSize(ADMItemRef ref, int32_t* width, int32_t* height) noexcept {
    ADMPoint size{0, 0};
    withLive<Item>(ref, [&](Toolkit& t, Item& item) { size = t.bestSize(item); });
    if (width) *width = size.x;
    if (height) *height = size.y;
}

void invalidate(ADMItemRef ref) noexcept {
    withLive<Item>(ref, [](Toolkit& t, Item& item) { t.invalidate(item); });
}
void update(ADMItemRef ref) noexcept {
    withLive<Item>(ref, [](Toolkit& t, Item& item) { t.update(item); });
}

void setFont(ADMItemRef ref, int32_t font) noexcept {
    withLive<Item>(ref, [&](Toolkit& t, Item& item) {
        item.font = font;
        t.changed(item);
    });
}
void setJustify(ADMItemRef ref, int32_t justify) noexcept {
    withLive<Item>(ref, [&](Toolkit& t, Item& item) {
        item.justify = justify;
        t.changed(item);
    });
}
void setItemStyle(ADMItemRef ref, int32_t style) noexcept {
    withLive<Item>(ref, [&](Toolkit& t, Item& item) {
        item.style = style;
        t.changed(item);
    });
}
void setUnits(ADMItemRef ref, int32_t units) noexcept {
    withLive<Item>(ref, [&](Toolkit&, Item& item) { item.units = units; });
}
int32_t getUnits(ADMItemRef ref) noexcept {
    return withLive<int32_t, Item>(ref, 0, [](Toolkit&, Item& item) { return item.units; });
}
void setMaxTextLength(ADMItemRef ref, int32_t length) noexcept {
    withLive<Item>(ref, [&](Toolkit& t, Item& item) {
        item.maxTextLength = length > 0 ? length : 0;
        t.changed(item);
    });
}

void setText(ADMItemRef ref, const char* text) noexcept {
    withLive<Item>(ref, [&](Toolkit& t, Item& item) { t.setText(item, text); });
}
int32_t getTextLength(ADMItemRef ref) noexcept {
    return withLive<int32_t, Item>(
        ref, 0, [](Toolkit&, Item& item) { return static_cast<int32_t>(item.text.size()); });
}
void getText(ADMItemRef ref, char* text, int32_t capacity) noexcept {
    if (!text || capacity < 1) return;
    text[0] = '\0';
    withLive<Item>(ref, [&](Toolkit&, Item& item) { copyText(item.text, text, capacity); });
}

void setBooleanValue(ADMItemRef ref, ADMBoolean value) noexcept {
    withLive<Item>(ref, [&](Toolkit& t, Item& item) {
        item.boolValue = value != 0;
        t.changed(item);
    });
}
ADMBoolean getBooleanValue(ADMItemRef ref) noexcept {
    return withLive<ADMBoolean, Item>(ref, 0,
                                      [](Toolkit&, Item& item) { return item.boolValue ? 1 : 0; });
}
void setFloatValue(ADMItemRef ref, float value) noexcept {
    withLive<Item>(ref, [&](Toolkit& t, Item& item) { t.setFloatValue(item, value); });
}
float getFloatValue(ADMItemRef ref) noexcept {
    return withLive<float, Item>(ref, 0.0f, [](Toolkit&, Item& item) { return item.value; });
}
void setMinFloatValue(ADMItemRef ref, float value) noexcept {
    withLive<Item>(ref, [&](Toolkit& t, Item& item) { t.setRange(item, value, item.maximum); });
}
void setMaxFloatValue(ADMItemRef ref, float value) noexcept {
    withLive<Item>(ref, [&](Toolkit& t, Item& item) { t.setRange(item, item.minimum, value); });
}

ADMErr addItem(ADMItemRef groupRef, ADMItemRef itemRef) noexcept {
    return guarded<ADMErr>(kSPOperationFailedError, [&](Toolkit& t) -> ADMErr {
        Item* group = resolve<Item>(t, groupRef);
        Item* item = resolve<Item>(t, itemRef);
        if (!group || !item || group->kind != ItemKind::group || item->kind == ItemKind::group ||
            group->dialog != item->dialog)
            return kSPBadParameterError;
        item->group = group;
        return kSPNoError;
    });
}

ADMListRef getList(ADMItemRef ref) noexcept {
    return withLive<ADMListRef, Item>(
        ref, nullptr, [](Toolkit&, Item& item) { return toRef<ADMListRef>(item.list.get()); });
}

const ADMItemSuite5 kItem{&create,        &destroy,        &getDialog,        &getID,
                          &setUserData,   &getUserData,    &setNotifyProc,    &setTrackProc,
                          &setDrawProc,   &setDestroyProc, &defaultNotify,    &defaultTrack,
                          &defaultDraw,   &getMask,        &setMask,          &enable,
                          &isEnabled,     &show,           &isVisible,        &getBoundsRect,
                          &setBoundsRect, &getLocalRect,   &getBestSize,      &invalidate,
                          &update,        &setFont,        &setJustify,       &setItemStyle,
                          &setUnits,      &getUnits,       &setMaxTextLength, &setText,
                          &getTextLength, &getText,        &setBooleanValue,  &getBooleanValue,
                          &setFloatValue, &getFloatValue,  &setMinFloatValue, &setMaxFloatValue,
                          &addItem,       &getList};

// ---- Notifier suite ----

ADMBoolean isNotifierType(ADMNotifierRef ref, const char* type) noexcept {
    return guarded<ADMBoolean>(0, [&](Toolkit& t) -> ADMBoolean {
        Notifier* n = resolve<Notifier>(t, ref);
        return n && type && std::strcmp(n->type, type) == 0 ? 1 : 0;
    });
}
const char* getNotifierType(ADMNotifierRef ref) noexcept {
    return guarded<const char*>("", [&](Toolkit& t) -> const char* {
        Notifier* n = resolve<Notifier>(t, ref);
        return n ? n->type : "";
    });
}
ADMItemRef notifierItem(ADMNotifierRef ref) noexcept {
    return guarded<ADMItemRef>(nullptr, [&](Toolkit& t) {
        Notifier* n = resolve<Notifier>(t, ref);
        return n ? toRef<ADMItemRef>(n->item) : nullptr;
    });
}
ADMDialogRef notifierDialog(ADMNotifierRef ref) noexcept {
    return guarded<ADMDialogRef>(nullptr, [&](Toolkit& t) {
        Notifier* n = resolve<Notifier>(t, ref);
        return n ? toRef<ADMDialogRef>(n->dialog) : nullptr;
    });
}

const ADMNotifierSuite2 kNotifier{&isNotifierType, &getNotifierType, &notifierItem,
                                  &notifierDialog};

// ---- Tracker suite ----

int32_t getAction(ADMTrackerRef ref) noexcept {
    return guarded<int32_t>(0, [&](Toolkit& t) {
        Tracker* tr = resolve<Tracker>(t, ref);
        return tr ? tr->action : 0;
    });
}
void getPoint(ADMTrackerRef ref, ADMPoint* point) noexcept {
    if (!point) return;
    *point = ADMPoint{0, 0};
    guarded([&](Toolkit& t) {
        if (Tracker* tr = resolve<Tracker>(t, ref)) *point = tr->point;
    });
}
uint32_t getModifiers(ADMTrackerRef ref) noexcept {
    return guarded<uint32_t>(0, [&](Toolkit& t) {
        Tracker* tr = resolve<Tracker>(t, ref);
        return tr ? tr->modifiers : 0u;
    });
}

const ADMTrackerSuite1 kTracker{&getAction, &getPoint, &getModifiers};

}  // namespace

const ADMItemSuite5* itemSuiteTable() {
    return &kItem;
}
const ADMNotifierSuite2* notifierSuiteTable() {
    return &kNotifier;
}
const ADMTrackerSuite1* trackerSuiteTable() {
    return &kTracker;
}

}  // namespace brivo::host::toolkit
