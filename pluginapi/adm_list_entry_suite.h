/* "ADM List Entry Suite" version 2: how an entry of a popup list presents itself. */
#ifndef BRIVO_PLUGINAPI_ADM_LIST_ENTRY_SUITE_H
#define BRIVO_PLUGINAPI_ADM_LIST_ENTRY_SUITE_H

#include "adm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kADMListEntrySuite "ADM List Entry Suite"
#define kADMListEntrySuiteVersion2 2

typedef struct ADMListEntrySuite2 {
    /* Module -> host. A separator entry is drawn as a line and cannot be picked by the
     * user (it can still be selected by the module). New entries are not separators. */
    void (*MakeSeparator)(ADMEntryRef entry, ADMBoolean separator);
    ADMBoolean (*IsSeparator)(ADMEntryRef entry);
    /* Module -> host. A disabled entry is drawn dimmed and cannot be picked by the user.
     * New entries are enabled. */
    void (*Enable)(ADMEntryRef entry, ADMBoolean enable);
    ADMBoolean (*IsEnabled)(ADMEntryRef entry);
} ADMListEntrySuite2;

#ifdef __cplusplus
}
#endif

#endif
