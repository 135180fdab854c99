// The List, Entry and List Entry suites: the entries of popup lists.
#include "host/toolkit/suite_call.h"
#include "host/toolkit/suite_tables.h"

namespace brivo::host::toolkit {

namespace {

// ---- List suite ----

ADMItemRef listItem(ADMListRef ref) noexcept {
    return withLive<ADMItemRef, List>(ref, nullptr,
                                      [](Toolkit&, List& l) { return toRef<ADMItemRef>(l.item); });
}
void listSetUserData(ADMListRef ref, void* data) noexcept {
    withLive<List>(ref, [&](Toolkit&, List& l) { l.userData = data; });
}
void* listGetUserData(ADMListRef ref) noexcept {
    return withLive<void*, List>(ref, nullptr, [](Toolkit&, List& l) { return l.userData; });
}
void setEntryDrawProc(ADMListRef ref, ADMEntryDrawProc proc) noexcept {
    withLive<List>(ref, [&](Toolkit&, List& l) { l.drawProc = proc; });
}
void setEntryNotifyProc(ADMListRef ref, ADMEntryNotifyProc proc) noexcept {
    withLive<List>(ref, [&](Toolkit&, List& l) { l.notifyProc = proc; });
}
void setEntryTrackProc(ADMListRef ref, ADMEntryTrackProc proc) noexcept {
    withLive<List>(ref, [&](Toolkit&, List& l) { l.trackProc = proc; });
}
ADMEntryRef insertEntry(ADMListRef ref, int32_t index) noexcept {
    return withLive<ADMEntryRef, List>(ref, nullptr, [&](Toolkit& t, List& l) {
        return toRef<ADMEntryRef>(t.insertEntry(l, index));
    });
}
int32_t numberOfEntries(ADMListRef ref) noexcept {
    return withLive<int32_t, List>(
        ref, 0, [](Toolkit&, List& l) { return static_cast<int32_t>(l.entries.size()); });
}
ADMEntryRef indexEntry(ADMListRef ref, int32_t index) noexcept {
    return withLive<ADMEntryRef, List>(ref, nullptr, [&](Toolkit&, List& l) -> ADMEntryRef {
        if (index < 0 || static_cast<size_t>(index) >= l.entries.size()) return nullptr;
        return toRef<ADMEntryRef>(l.entries[static_cast<size_t>(index)].get());
    });
}
ADMEntryRef findEntry(ADMListRef ref, int32_t id) noexcept {
    return withLive<ADMEntryRef, List>(ref, nullptr, [&](Toolkit&, List& l) -> ADMEntryRef {
        for (auto& entry : l.entries)
            if (entry->id == id) return toRef<ADMEntryRef>(entry.get());
        return nullptr;
    });
}
ADMEntryRef getActiveEntry(ADMListRef ref) noexcept {
    return withLive<ADMEntryRef, List>(
        ref, nullptr, [](Toolkit&, List& l) { return toRef<ADMEntryRef>(l.active); });
}

const ADMListSuite2 kList{&listItem,         &listSetUserData,    &listGetUserData,
                          &setEntryDrawProc, &setEntryNotifyProc, &setEntryTrackProc,
                          &insertEntry,      &numberOfEntries,    &indexEntry,
                          &findEntry,        &getActiveEntry};

// ---- Entry suite ----

void entryDestroy(ADMEntryRef ref) noexcept {
    withLive<Entry>(ref, [](Toolkit& t, Entry& e) { t.destroyEntry(e); });
}
ADMListRef entryList(ADMEntryRef ref) noexcept {
    return withLive<ADMListRef, Entry>(
        ref, nullptr, [](Toolkit&, Entry& e) { return toRef<ADMListRef>(e.list); });
}
int32_t entryIndex(ADMEntryRef ref) noexcept {
    return withLive<int32_t, Entry>(ref, -1,
                                    [](Toolkit&, Entry& e) { return e.list->indexOf(&e); });
}
void setID(ADMEntryRef ref, int32_t id) noexcept {
    withLive<Entry>(ref, [&](Toolkit&, Entry& e) { e.id = id; });
}
int32_t getID(ADMEntryRef ref) noexcept {
    return withLive<int32_t, Entry>(ref, 0, [](Toolkit&, Entry& e) { return e.id; });
}
void setText(ADMEntryRef ref, const char* text) noexcept {
    withLive<Entry>(ref, [&](Toolkit& t, Entry& e) {
        e.text = textOrEmpty(text);
        t.changed(*e.list->item);
    });
}
int32_t getTextLength(ADMEntryRef ref) noexcept {
    return withLive<int32_t, Entry>(
        ref, 0, [](Toolkit&, Entry& e) { return static_cast<int32_t>(e.text.size()); });
}
void getText(ADMEntryRef ref, char* text, int32_t capacity) noexcept {
    if (!text || capacity < 1) return;
    text[0] = '\0';
    withLive<Entry>(ref, [&](Toolkit&, Entry& e) { copyText(e.text, text, capacity); });
}
void entrySetUserData(ADMEntryRef ref, void* data) noexcept {
    withLive<Entry>(ref, [&](Toolkit&, Entry& e) { e.userData = data; });
}
void* entryGetUserData(ADMEntryRef ref) noexcept {
    return withLive<void*, Entry>(ref, nullptr, [](Toolkit&, Entry& e) { return e.userData; });
}
void select(ADMEntryRef ref, ADMBoolean on) noexcept {
    withLive<Entry>(ref, [&](Toolkit& t, Entry& e) { t.select(e, on != 0); });
}
ADMBoolean isSelected(ADMEntryRef ref) noexcept {
    return withLive<ADMBoolean, Entry>(
        ref, 0, [](Toolkit&, Entry& e) { return e.list->active == &e ? 1 : 0; });
}
void entryDefaultDraw(ADMEntryRef ref, ADMDrawerRef drawer) noexcept {
    withLive<Entry>(ref, [&](Toolkit& t, Entry& e) {
        Drawer* d = resolve<Drawer>(t, drawer);
        if (!d) return;
        if (e.separator) {
            const ADMRect r = d->localBounds();
            d->setColor(standardColor(kADMShadowColor));
            d->line({r.left, (r.top + r.bottom) / 2}, {r.right - 1, (r.top + r.bottom) / 2});
        } else {
            d->setColor(standardColor(e.enabled ? kADMBlackColor : kADMShadowColor));
            d->text(e.text, d->localBounds(), kADMLeftJustify);
        }
    });
}
void entryDefaultNotify(ADMEntryRef, ADMNotifierRef) noexcept {}
ADMBoolean entryDefaultTrack(ADMEntryRef ref, ADMTrackerRef tracker) noexcept {
    return withLive<ADMBoolean, Entry>(ref, 0, [&](Toolkit& t, Entry& e) -> ADMBoolean {
        Tracker* tr = resolve<Tracker>(t, tracker);
        if (!tr || tr->action != kADMButtonUpAction || e.list->active == &e) return 0;
        t.pick(*e.list->item, e);
        return 1;
    });
}

const ADMEntrySuite4 kEntry{&entryDestroy,
                            &entryList,
                            &entryIndex,
                            &setID,
                            &getID,
                            &setText,
                            &getTextLength,
                            &getText,
                            &entrySetUserData,
                            &entryGetUserData,
                            &select,
                            &isSelected,
                            &entryDefaultDraw,
                            &entryDefaultNotify,
                            &entryDefaultTrack};

// ---- List Entry suite ----

void makeSeparator(ADMEntryRef ref, ADMBoolean on) noexcept {
    withLive<Entry>(ref, [&](Toolkit& t, Entry& e) {
        e.separator = on != 0;
        t.changed(*e.list->item);
    });
}
ADMBoolean isSeparator(ADMEntryRef ref) noexcept {
    return withLive<ADMBoolean, Entry>(ref, 0,
                                       [](Toolkit&, Entry& e) { return e.separator ? 1 : 0; });
}
void entryEnable(ADMEntryRef ref, ADMBoolean on) noexcept {
    withLive<Entry>(ref, [&](Toolkit& t, Entry& e) {
        e.enabled = on != 0;
        t.changed(*e.list->item);
    });
}
ADMBoolean entryIsEnabled(ADMEntryRef ref) noexcept {
    return withLive<ADMBoolean, Entry>(ref, 0,
                                       [](Toolkit&, Entry& e) { return e.enabled ? 1 : 0; });
}

const ADMListEntrySuite2 kListEntry{&makeSeparator, &isSeparator, &entryEnable, &entryIsEnabled};

}  // namespace

const ADMListSuite2* listSuiteTable() {
    return &kList;
}
const ADMEntrySuite4* entrySuiteTable() {
    return &kEntry;
}
const ADMListEntrySuite2* listEntrySuiteTable() {
    return &kListEntry;
}

}  // namespace brivo::host::toolkit
