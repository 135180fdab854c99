/* Types shared by the dialog-toolkit suites: references, geometry, colours, callbacks and
 * the codes every toolkit suite uses.
 *
 * Threads: every toolkit call and every callback happens on the host's thread. A module
 * never calls the toolkit from another thread.
 *
 * Callbacks: the host calls the module's callbacks from inside toolkit calls (Create,
 * Destroy, Modal, Update, ...). A callback is C code as far as the host is concerned: it
 * must return normally and never unwind into the host. While a callback runs, the module
 * may call any toolkit function, including Destroy of other items and EndModal.
 *
 * Text: every text is UTF-8, NUL-terminated; lengths are in bytes without the terminator.
 * A null text pointer given to a setter counts as the empty text. */
#ifndef BRIVO_PLUGINAPI_ADM_TYPES_H
#define BRIVO_PLUGINAPI_ADM_TYPES_H

#include "plugin_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque references. Dialogs, items, lists and entries belong to the host; the module
 * holds references to them between its Create and Destroy calls (see each suite).
 * Notifiers, trackers and drawers exist only for the length of the callback they are
 * passed to; a module must not keep them. */
typedef struct ADMDialog* ADMDialogRef;
typedef struct ADMItem* ADMItemRef;
typedef struct ADMList* ADMListRef;
typedef struct ADMEntry* ADMEntryRef;
typedef struct ADMNotifier* ADMNotifierRef;
typedef struct ADMTracker* ADMTrackerRef;
typedef struct ADMDrawer* ADMDrawerRef;
typedef struct ADMImage* ADMImageRef;
typedef struct ADMIcon* ADMIconRef;

typedef SPErr ADMErr;
typedef int32_t ADMBoolean; /* 0 false, anything else true */
typedef uint32_t ADMActionMask;

/* Rectangles are (left, top, right, bottom); right and bottom are exclusive. Dialog
 * rectangles are in screen pixels, item rectangles in the coordinates of the item's
 * dialog, local rectangles start at (0, 0). */
typedef struct ADMRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
} ADMRect;

typedef struct ADMPoint {
    int32_t x;
    int32_t y;
} ADMPoint;

/* A colour of three 16-bit components; 65535 is full intensity. The host shows the high
 * byte of each component. */
typedef struct ADMRGBColor {
    uint16_t red;
    uint16_t green;
    uint16_t blue;
} ADMRGBColor;

/* Standard colours for the drawer's SetADMColor. Any other number draws in black. */
enum {
    kADMBlackColor = 0,
    kADMWhiteColor = 1,
    kADMBackgroundColor = 5, /* the dialog's face colour */
    kADMShadowColor = 6,     /* the darker edge of raised and sunken boxes */
    kADMRedColor = 16
};

/* Fonts for an item's text (Item suite SetFont). */
enum {
    kADMDialogFont = 0, /* the default */
    kADMBoldDialogFont = 1,
    kADMSmallFont = 2,
    kADMItalicDialogFont = 3
};

/* Text justification (Item suite SetJustify). */
enum { kADMLeftJustify = 0, kADMCenterJustify = 1, kADMRightJustify = 2 };

/* Codes of toolkit calls, beside kSPNoError and the codes of plugin_types.h. */
enum {
    /* A chooser (colour or file) was closed without a choice. */
    kADMCancelledError = 0x21636e6c,
    /* A resource (bitmap) of the asked name and ID is not in the module's file. */
    kADMResourceNotFoundError = 0x21726573
};

/* Dialog callbacks. The init callback runs inside the Dialog suite's Create, after the
 * dialog exists and its user data is set, before Create returns; returning anything but
 * kSPNoError makes Create destroy the dialog (without its destroy callback) and return
 * null. The notify callback receives the dialog's notifications (the close box); the track
 * callback the pointer actions its mask lets through, returning true when it handled
 * them; the draw callback paints the dialog's face; the destroy callback runs first thing
 * in the Dialog suite's Destroy, while the dialog and its items still exist. */
typedef ADMErr (*ADMDialogInitProc)(ADMDialogRef dialog);
typedef void (*ADMDialogNotifyProc)(ADMDialogRef dialog, ADMNotifierRef notifier);
typedef ADMBoolean (*ADMDialogTrackProc)(ADMDialogRef dialog, ADMTrackerRef tracker);
typedef void (*ADMDialogDrawProc)(ADMDialogRef dialog, ADMDrawerRef drawer);
typedef void (*ADMDialogDestroyProc)(ADMDialogRef dialog);

/* Item callbacks, with the same meaning for one item. The init callback runs inside the
 * Item suite's Create; a failure there destroys the item (without its destroy callback)
 * and Create returns null. A track callback returns true when it handled the action (for
 * the default tracking: the item's value changed). */
typedef ADMErr (*ADMItemInitProc)(ADMItemRef item);
typedef void (*ADMItemNotifyProc)(ADMItemRef item, ADMNotifierRef notifier);
typedef ADMBoolean (*ADMItemTrackProc)(ADMItemRef item, ADMTrackerRef tracker);
typedef void (*ADMItemDrawProc)(ADMItemRef item, ADMDrawerRef drawer);
typedef void (*ADMItemDestroyProc)(ADMItemRef item);

/* Entry callbacks, installed once per list and called for each of its entries. */
typedef void (*ADMEntryNotifyProc)(ADMEntryRef entry, ADMNotifierRef notifier);
typedef ADMBoolean (*ADMEntryTrackProc)(ADMEntryRef entry, ADMTrackerRef tracker);
typedef void (*ADMEntryDrawProc)(ADMEntryRef entry, ADMDrawerRef drawer);

#ifdef __cplusplus
}
#endif

#endif
