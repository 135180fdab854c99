/* "ADM Dialog Suite" version 5: modal windows.
 *
 * A dialog belongs to the host from Create until Destroy; the module holds its reference
 * in between and must call Destroy exactly once. The user data is the module's; the host
 * only hands it back. */
#ifndef BRIVO_PLUGINAPI_ADM_DIALOG_SUITE_H
#define BRIVO_PLUGINAPI_ADM_DIALOG_SUITE_H

#include "adm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kADMDialogSuite "ADM Dialog Suite"
#define kADMDialogSuiteVersion5 5

/* Dialog styles: every dialog of this host is modal; 0 is the only style. */
enum { kADMModalDialogStyle = 0 };

/* Tracking-mask bit of dialogs: pointer actions that fall on no item reach the dialog's
 * track callback. Items ignore the bit. A new dialog's mask is 0. */
#define kADMDialogPointerMask 0x80000000u

/* Item IDs the host treats specially: a push button with one of these IDs ends the modal
 * loop with its ID when clicked (its default notification does it; no callback needed).
 * The close box ends the loop with kADMCancelItemID. */
enum { kADMOKItemID = 1, kADMCancelItemID = 2 };

typedef struct ADMDialogSuite5 {
    /* Module -> host. Creates a hidden dialog with bounds (0, 0, 0, 0).
     * pluginRef: the module's plugInRef from its FilterRecord or AboutRecord.
     * name: an identifying name (not shown; the title is set with SetText).
     * dialogID, style, options: recorded; style 0, options 0.
     * initProc: may be null; otherwise called with the new dialog before Create returns,
     *   with the user data already set (see ADMDialogInitProc). No notify, track or draw
     *   callback of the dialog runs inside Create.
     * Returns the dialog, or null when memory ran out or initProc failed. */
    ADMDialogRef (*Create)(void* pluginRef, const char* name, int32_t dialogID, int32_t style,
                           ADMDialogInitProc initProc, void* userData, int32_t options);
    /* Module -> host. Runs the dialog's destroy callback, then destroys its remaining
     * items (last created first; each item's destroy callback runs), then frees the
     * dialog. The reference is invalid afterwards. Null is ignored. Calling it from one of
     * the dialog's own callbacks is not allowed (the host ignores such a call). */
    void (*Destroy)(ADMDialogRef dialog);

    /* Module -> host. Shows the dialog and runs its modal loop until EndModal is called
     * (by the module, by a push button with ID 1 or 2, by Return or Escape, or by the
     * close box); hides the dialog again and returns the ID given to EndModal. Return ends
     * the loop with the default item ID and Escape with the cancel item ID, each only when
     * that ID is not 0; a text edit with the keyboard focus first commits its text. A loop
     * ended before Modal starts (EndModal from a callback run while building) returns at
     * once. Nested Modal calls on the same dialog return kADMCancelItemID at once. */
    int32_t (*Modal)(ADMDialogRef dialog);
    /* Module -> host. Ends the running modal loop: Modal returns itemID. cancelling is
     * recorded (true when the loop ends as a cancel). The first call stands: later calls
     * before Modal returns are harmless and change nothing. A call outside a loop ends the
     * next Modal at once with that ID. */
    void (*EndModal)(ADMDialogRef dialog, int32_t itemID, ADMBoolean cancelling);
    /* Module -> host. The item ID Return and Escape end the loop with; 0 (the initial
     * value) binds the key to nothing. */
    void (*SetDefaultItemID)(ADMDialogRef dialog, int32_t itemID);
    int32_t (*GetDefaultItemID)(ADMDialogRef dialog);
    void (*SetCancelItemID)(ADMDialogRef dialog, int32_t itemID);
    int32_t (*GetCancelItemID)(ADMDialogRef dialog);

    /* Module -> host. The module's word, handed back to every callback through
     * GetUserData. Initially the value given to Create. */
    void (*SetUserData)(ADMDialogRef dialog, void* userData);
    void* (*GetUserData)(ADMDialogRef dialog);

    /* Module -> host. Installs a callback (null restores the default behaviour, which is
     * what the matching Default function does). Usually called from the init callback. */
    void (*SetNotifyProc)(ADMDialogRef dialog, ADMDialogNotifyProc proc);
    void (*SetTrackProc)(ADMDialogRef dialog, ADMDialogTrackProc proc);
    void (*SetDrawProc)(ADMDialogRef dialog, ADMDialogDrawProc proc);
    void (*SetDestroyProc)(ADMDialogRef dialog, ADMDialogDestroyProc proc);
    /* Module -> host. The host's own handling, for callbacks that add to it.
     * DefaultNotify: "ADM Close Hit Notifier" ends the modal loop with kADMCancelItemID as
     * a cancel; other notifications do nothing. DefaultTrack: nothing, returns false.
     * DefaultDraw: fills the dialog's face in kADMBackgroundColor. */
    void (*DefaultNotify)(ADMDialogRef dialog, ADMNotifierRef notifier);
    ADMBoolean (*DefaultTrack)(ADMDialogRef dialog, ADMTrackerRef tracker);
    void (*DefaultDraw)(ADMDialogRef dialog, ADMDrawerRef drawer);

    /* Module -> host. The dialog's tracking mask (kADMDialogPointerMask). */
    ADMActionMask (*GetMask)(ADMDialogRef dialog);
    void (*SetMask)(ADMDialogRef dialog, ADMActionMask mask);

    /* Module -> host. The window title; the text is copied. */
    void (*SetText)(ADMDialogRef dialog, const char* text);

    /* Module -> host. Geometry in screen pixels: Move places the top-left corner, Size
     * sets the width and height (negative values count as 0), GetBoundsRect gives the
     * screen rectangle and GetLocalRect (0, 0, width, height). */
    void (*Move)(ADMDialogRef dialog, int32_t x, int32_t y);
    void (*Size)(ADMDialogRef dialog, int32_t width, int32_t height);
    void (*GetBoundsRect)(ADMDialogRef dialog, ADMRect* rect);
    void (*GetLocalRect)(ADMDialogRef dialog, ADMRect* rect);

    /* Module -> host. Marks the whole dialog for repainting; Update repaints what is
     * marked before it returns. */
    void (*Invalidate)(ADMDialogRef dialog);
    void (*Update)(ADMDialogRef dialog);
} ADMDialogSuite5;

#ifdef __cplusplus
}
#endif

#endif
