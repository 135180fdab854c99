/* "ADM Tracker Suite" version 1: one pointer action given to a track callback.
 *
 * A tracker is lent to a track callback for the length of the call. */
#ifndef BRIVO_PLUGINAPI_ADM_TRACKER_SUITE_H
#define BRIVO_PLUGINAPI_ADM_TRACKER_SUITE_H

#include "adm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kADMTrackerSuite "ADM Tracker Suite"
#define kADMTrackerSuiteVersion1 1

/* Action codes (which of them reach an item is set by its tracking mask). */
enum {
    kADMButtonDownAction = 2, /* the button was pressed over the item */
    kADMMouseDragAction = 1,  /* moved with the button held; reported to the item that had
                                 the press, also while the pointer is outside it */
    kADMButtonUpAction = 3,   /* the button was released (to the item that had the press) */
    kADMMouseMoveAction = -1, /* moved over the item without a button */
    kADMLeaveAction = -11     /* the pointer left the item (without a button held) */
};

/* Modifier bits held during the action. */
enum { kADMShiftKeyModifier = 0x20, kADMAltKeyModifier = 0x40, kADMControlKeyModifier = 0x80 };

typedef struct ADMTrackerSuite1 {
    /* Module -> host. The action code. */
    int32_t (*GetAction)(ADMTrackerRef tracker);
    /* Module -> host. The pointer's position in the local coordinates of the item (or
     * dialog) being tracked; outside its rectangle during drags that left it. */
    void (*GetPoint)(ADMTrackerRef tracker, ADMPoint* point);
    /* Module -> host. The modifier bits. */
    uint32_t (*GetModifiers)(ADMTrackerRef tracker);
} ADMTrackerSuite1;

#ifdef __cplusplus
}
#endif

#endif
