/* "ADM List Suite" version 2: the entries of a popup list item.
 *
 * A list belongs to its item (Item suite GetList) and lives as long as the item. Entries
 * belong to the list; Entry suite Destroy removes one early. A popup list has at most one
 * active entry, the one it shows; none right after creation. */
#ifndef BRIVO_PLUGINAPI_ADM_LIST_SUITE_H
#define BRIVO_PLUGINAPI_ADM_LIST_SUITE_H

#include "adm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kADMListSuite "ADM List Suite"
#define kADMListSuiteVersion2 2

typedef struct ADMListSuite2 {
    /* Module -> host. The item the list belongs to. */
    ADMItemRef (*GetItem)(ADMListRef list);
    /* Module -> host. The module's word for the list. */
    void (*SetUserData)(ADMListRef list, void* userData);
    void* (*GetUserData)(ADMListRef list);

    /* Module -> host. Callbacks for every entry of the list; null restores the defaults
     * (Entry suite DefaultDraw, DefaultNotify, DefaultTrack). */
    void (*SetEntryDrawProc)(ADMListRef list, ADMEntryDrawProc proc);
    void (*SetEntryNotifyProc)(ADMListRef list, ADMEntryNotifyProc proc);
    void (*SetEntryTrackProc)(ADMListRef list, ADMEntryTrackProc proc);

    /* Module -> host. Inserts a new entry before index (index at or past the end appends;
     * a negative index inserts first): ID 0, empty text, null user data, not selected.
     * Returns the entry, or null when memory ran out. Notifies nothing. */
    ADMEntryRef (*InsertEntry)(ADMListRef list, int32_t index);
    /* Module -> host. The number of entries, the entry at a 0-based index (null when out
     * of range), the first entry with an ID (null when none has it), and the active entry
     * (null when none is). */
    int32_t (*NumberOfEntries)(ADMListRef list);
    ADMEntryRef (*IndexEntry)(ADMListRef list, int32_t index);
    ADMEntryRef (*FindEntry)(ADMListRef list, int32_t entryID);
    ADMEntryRef (*GetActiveEntry)(ADMListRef list);
} ADMListSuite2;

#ifdef __cplusplus
}
#endif

#endif
