#include "dialog/adm/list.h"

#include <memory>

#include "core/errors.h"
#include "dialog/adm/adm_suites.h"
#include "dialog/adm/callback_guard.h"

namespace brivo::ADM {

namespace {

Entry* boundEntry(const ADMSuites& suites, ADMEntryRef entry) noexcept {
    return entry != nullptr ? static_cast<Entry*>(suites.entry->GetUserData(entry)) : nullptr;
}

// The entry's object and its list's object, or nulls once either is unbound.
struct BoundEntry {
    Entry* entry = nullptr;
    List* list = nullptr;
};
BoundEntry bound(ADMEntryRef entry) noexcept {
    const ADMSuites* suites = ADMSuites::current();
    if (suites == nullptr) return {};
    Entry* object = boundEntry(*suites, entry);
    if (object == nullptr) return {};
    ADMListRef list = suites->entry->GetList(entry);
    if (list == nullptr) return {};
    return {object, static_cast<List*>(suites->list->GetUserData(list))};
}

}  // namespace

int32_t Entry::GetID() const {
    return ADMSuites::get().entry->GetID(ref_);
}

void Entry::Select(bool select) {
    ADMSuites::get().entry->Select(ref_, select ? 1 : 0);
}

List::~List() {
    if (ref_ == nullptr || ADMSuites::current() == nullptr) return;
    ADMSuites::current()->list->SetUserData(ref_, nullptr);
    RemoveAll();
}

void List::bind(ADMListRef list, Dialog* dialog) {
    if (list == nullptr) throw SuiteError{kSPOperationFailedError};
    const ADMListSuite2& suite = ADMSuites::get().list.get();
    ref_ = list;
    dialog_ = dialog;
    suite.SetUserData(list, static_cast<List*>(this));
    suite.SetEntryDrawProc(list, &List::onDrawEntry);
    suite.SetEntryNotifyProc(list, &List::onNotifyEntry);
    suite.SetEntryTrackProc(list, &List::onTrackEntry);
}

void List::onDrawEntry(ADMEntryRef entry, ADMDrawerRef drawer) noexcept {
    const BoundEntry object = bound(entry);
    if (object.list == nullptr) return;
    guardCallback(object.list->dialog_, [&] { object.list->DrawEntry(object.entry, drawer); });
}

void List::onNotifyEntry(ADMEntryRef entry, ADMNotifierRef notifier) noexcept {
    const BoundEntry object = bound(entry);
    if (object.list == nullptr) return;
    guardCallback(object.list->dialog_, [&] { object.list->NotifyEntry(object.entry, notifier); });
}

ADMBoolean List::onTrackEntry(ADMEntryRef entry, ADMTrackerRef tracker) noexcept {
    const BoundEntry object = bound(entry);
    if (object.list == nullptr) return 0;
    return guardCallback(object.list->dialog_, ADMBoolean{0}, [&] {
        return ADMBoolean{object.list->TrackEntry(object.entry, tracker) ? 1 : 0};
    });
}

void List::DrawEntry(Entry* entry, ADMDrawerRef drawer) {
    ADMSuites::get().entry->DefaultDraw(entry->GetRef(), drawer);
}

void List::NotifyEntry(Entry* entry, ADMNotifierRef notifier) {
    ADMSuites::get().entry->DefaultNotify(entry->GetRef(), notifier);
}

bool List::TrackEntry(Entry* entry, ADMTrackerRef tracker) {
    return ADMSuites::get().entry->DefaultTrack(entry->GetRef(), tracker) != 0;
}

Entry* List::InsertEntry(int32_t index, const char* text, int32_t id, bool separator) {
    const ADMSuites& suites = ADMSuites::get();
    ADMEntryRef ref = suites.list->InsertEntry(ref_, index);
    if (ref == nullptr) throwMemoryFull();
    std::unique_ptr<Entry> entry;
    try {
        entry = std::make_unique<Entry>(ref);
    } catch (...) {
        suites.entry->Destroy(ref);
        throw;
    }
    suites.entry->SetUserData(ref, entry.get());
    if (id != 0) suites.entry->SetID(ref, id);
    suites.listEntry->MakeSeparator(ref, separator ? 1 : 0);
    suites.entry->SetText(ref, text != nullptr ? text : "");
    return entry.release();
}

Entry* List::AppendEntry(const char* text, int32_t id) {
    return InsertEntry(Count(), text, id, false);
}

Entry* List::EntryByID(int32_t id) const {
    const ADMSuites& suites = ADMSuites::get();
    return boundEntry(suites, suites.list->FindEntry(ref_, id));
}

Entry* List::EntryAt(int32_t index) const {
    const ADMSuites& suites = ADMSuites::get();
    return boundEntry(suites, suites.list->IndexEntry(ref_, index));
}

int32_t List::Count() const {
    return ADMSuites::get().list->NumberOfEntries(ref_);
}

void List::SelectIndex(int32_t index, bool select) {
    if (index < 0 || index >= Count()) return;
    if (Entry* entry = EntryAt(index)) entry->Select(select);
}

int32_t List::GetSelectedID() const {
    const ADMSuites& suites = ADMSuites::get();
    ADMEntryRef active = suites.list->GetActiveEntry(ref_);
    return active != nullptr ? suites.entry->GetID(active) : -1;
}

void List::RemoveAll() {
    const ADMSuites& suites = ADMSuites::get();
    for (int32_t index = suites.list->NumberOfEntries(ref_) - 1; index >= 0; --index) {
        ADMEntryRef ref = suites.list->IndexEntry(ref_, index);
        Entry* entry = boundEntry(suites, ref);
        if (ref != nullptr) suites.entry->SetUserData(ref, nullptr);
        suites.entry->Destroy(ref);
        delete entry;
    }
}

}  // namespace brivo::ADM
