/* "ADM Notifier Suite" version 2: what a notification is about.
 *
 * A notifier is lent to a notify callback for the length of the call. Notification kinds
 * are names, compared by text (IsNotifierType). */
#ifndef BRIVO_PLUGINAPI_ADM_NOTIFIER_SUITE_H
#define BRIVO_PLUGINAPI_ADM_NOTIFIER_SUITE_H

#include "adm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kADMNotifierSuite "ADM Notifier Suite"
#define kADMNotifierSuiteVersion2 2

/* The user changed the item (a click on a button, a picked entry, a committed text, a
 * released slider). Sent to items and entries. */
#define kADMUserChangedNotifier "ADM User Changed Notifier"
/* The user changed a text edit's text by one keystroke (typing, deleting, pasting); sent
 * after the change, before any commit. */
#define kADMEntryTextChangedNotifier "ADM Entry Text Changed Notifier"
/* Sent to a text edit when it gains the keyboard focus, and to a dialog when its window
 * becomes the active one. */
#define kADMActivateWindowNotifier "ADM Activate Window Notifier"
/* Sent to a text edit when it loses the keyboard focus, and to a dialog when its window
 * stops being the active one. */
#define kADMDeactivateWindowNotifier "ADM Deactivate Window Notifier"
/* Sent to a dialog when the user hits its close box (the window manager's close). */
#define kADMCloseHitNotifier "ADM Close Hit Notifier"

typedef struct ADMNotifierSuite2 {
    /* Module -> host. Non-zero when the notifier's kind has the given name. */
    ADMBoolean (*IsNotifierType)(ADMNotifierRef notifier, const char* type);
    /* Module -> host. The kind's name; the text is the host's and stays valid for the
     * whole session. */
    const char* (*GetNotifierType)(ADMNotifierRef notifier);
    /* Module -> host. The item the notification is for (null for a dialog's own or an
     * entry's), and its dialog. */
    ADMItemRef (*GetItem)(ADMNotifierRef notifier);
    ADMDialogRef (*GetDialog)(ADMNotifierRef notifier);
} ADMNotifierSuite2;

#ifdef __cplusplus
}
#endif

#endif
