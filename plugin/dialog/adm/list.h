// The entries of a popup list: each toolkit entry bound to an Entry object, and the
// list's entry callbacks routed to the List object.
#pragma once

#include <cstdint>

#include "adm_types.h"

namespace brivo::ADM {

class Dialog;

// One entry of a list.
class Entry {
  public:
    explicit Entry(ADMEntryRef ref) : ref_(ref) {}

    ADMEntryRef GetRef() const { return ref_; }
    int32_t GetID() const;
    // Selecting makes the entry the one its popup shows.
    void Select(bool select);

  private:
    ADMEntryRef ref_;
};

class List {
  public:
    List() = default;
    // Removes every entry.
    virtual ~List();
    List(const List&) = delete;
    List& operator=(const List&) = delete;

    virtual void DrawEntry(Entry* entry, ADMDrawerRef drawer);
    virtual void NotifyEntry(Entry* entry, ADMNotifierRef notifier);
    // True when the toolkit handled the action.
    virtual bool TrackEntry(Entry* entry, ADMTrackerRef tracker);

    // Inserts an entry before `index` with its text, its ID (when not 0) and `separator`.
    Entry* InsertEntry(int32_t index, const char* text, int32_t id, bool separator);
    Entry* AppendEntry(const char* text, int32_t id);
    // Null when there is no such entry.
    Entry* EntryByID(int32_t id) const;
    Entry* EntryAt(int32_t index) const;
    int32_t Count() const;
    // Selects or deselects the entry at `index`; an index outside the list does nothing.
    void SelectIndex(int32_t index, bool select);
    // The active entry's ID, or -1 when no entry is active.
    int32_t GetSelectedID() const;
    // Removes the entries from the last to the first.
    void RemoveAll();

  protected:
    // Binds the list of a popup item to this object; `dialog` keeps the errors of the
    // entry callbacks.
    void bind(ADMListRef list, Dialog* dialog);

  private:
    static void onDrawEntry(ADMEntryRef entry, ADMDrawerRef drawer) noexcept;
    static void onNotifyEntry(ADMEntryRef entry, ADMNotifierRef notifier) noexcept;
    static ADMBoolean onTrackEntry(ADMEntryRef entry, ADMTrackerRef tracker) noexcept;

    ADMListRef ref_ = nullptr;
    Dialog* dialog_ = nullptr;
};

}  // namespace brivo::ADM
