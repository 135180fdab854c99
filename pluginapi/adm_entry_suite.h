/* "ADM Entry Suite" version 4: one entry of a popup list. */
#ifndef BRIVO_PLUGINAPI_ADM_ENTRY_SUITE_H
#define BRIVO_PLUGINAPI_ADM_ENTRY_SUITE_H

#include "adm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kADMEntrySuite "ADM Entry Suite"
#define kADMEntrySuiteVersion4 4

typedef struct ADMEntrySuite4 {
    /* Module -> host. Removes the entry from its list and frees it (an active entry
     * leaves the list with none active). The reference is invalid afterwards; null is
     * ignored. Notifies nothing. */
    void (*Destroy)(ADMEntryRef entry);

    /* Module -> host. The entry's list and its current 0-based index there. */
    ADMListRef (*GetList)(ADMEntryRef entry);
    int32_t (*GetIndex)(ADMEntryRef entry);

    /* Module -> host. The entry's ID: any number chosen by the module, 0 for a new entry;
     * IDs need not be unique. */
    void (*SetID)(ADMEntryRef entry, int32_t entryID);
    int32_t (*GetID)(ADMEntryRef entry);

    /* Module -> host. The entry's text, as for items (copied; GetText copies at most
     * capacity - 1 bytes and a terminator). */
    void (*SetText)(ADMEntryRef entry, const char* text);
    int32_t (*GetTextLength)(ADMEntryRef entry);
    void (*GetText)(ADMEntryRef entry, char* text, int32_t capacity);

    /* Module -> host. The module's word for the entry. */
    void (*SetUserData)(ADMEntryRef entry, void* userData);
    void* (*GetUserData)(ADMEntryRef entry);

    /* Module -> host. Selecting an entry of a popup list makes it the list's active entry
     * (the one shown) and the others unselected; deselecting the active entry leaves the
     * list with none. Notifies nothing. */
    void (*Select)(ADMEntryRef entry, ADMBoolean select);
    ADMBoolean (*IsSelected)(ADMEntryRef entry);

    /* Module -> host. The host's own handling: DefaultDraw paints the entry's text (a
     * separator as a line), DefaultNotify does nothing, DefaultTrack selects the entry
     * on a button release and returns true when that changed the selection. */
    void (*DefaultDraw)(ADMEntryRef entry, ADMDrawerRef drawer);
    void (*DefaultNotify)(ADMEntryRef entry, ADMNotifierRef notifier);
    ADMBoolean (*DefaultTrack)(ADMEntryRef entry, ADMTrackerRef tracker);
} ADMEntrySuite4;

#ifdef __cplusplus
}
#endif

#endif
