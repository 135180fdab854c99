/* "ADM Item Suite" version 5: the controls of a dialog.
 *
 * An item belongs to its dialog. The module may destroy it early with Destroy; otherwise
 * the dialog's Destroy destroys it. Item IDs are labels chosen by the module: the host
 * never looks an item up by ID, several items may share one, and 1 and 2 have a meaning
 * for push buttons (see adm_dialog_suite.h). */
#ifndef BRIVO_PLUGINAPI_ADM_ITEM_SUITE_H
#define BRIVO_PLUGINAPI_ADM_ITEM_SUITE_H

#include "adm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kADMItemSuite "ADM Item Suite"
#define kADMItemSuiteVersion5 5

/* Item type names for Create. Compared by text.
 * Push buttons send "ADM User Changed Notifier" when clicked (pressed and released over
 *   the item). Check boxes toggle their boolean value first; radio buttons set theirs to
 *   true and clear the other radio buttons of the same group (items made members of one
 *   group item with AddItem, or all radio buttons of the dialog that are in no group).
 * Picture buttons draw a button face and nothing else; the module draws the picture.
 * Text edits send "ADM Entry Text Changed Notifier" after every keystroke that changed
 *   their text, and "ADM User Changed Notifier" when the user commits a changed text
 *   (Return, Tab, or the keyboard focus moving away); they receive "ADM Activate Window
 *   Notifier" when they gain the keyboard focus and "ADM Deactivate Window Notifier" when
 *   they lose it. A module that rewrites the text from the keystroke notification should
 *   do so only when it is a commit, or the user cannot type intermediate forms.
 * Static texts, frames, groups and static pictures never send a notification.
 * A popup list sends "ADM User Changed Notifier" after the user picked an entry (which is
 *   then the list's active entry).
 * A slider moves its float value on press and drag (its default tracking returns true
 *   when the value changed) and sends "ADM User Changed Notifier" when the button is
 *   released after the value changed.
 * A frame draws an etched outline with its text as caption at the top left.
 * A group draws nothing; it only gathers items (AddItem). */
#define kADMTextPushButtonType "ADM Text Push Button Type"
#define kADMTextCheckBoxType "ADM Text Check Box Type"
#define kADMTextRadioButtonType "ADM Text Radio Button Type"
#define kADMPicturePushButtonType "ADM Picture Push Button Type"
#define kADMPictureCheckBoxType "ADM Picture Check Box Button Type"
#define kADMPictureRadioButtonType "ADM Picture Radio Button Type"
#define kADMTextEditType "ADM Text Edit Type"
#define kADMTextEditMultiLineType "ADM Text Edit Multi Line Type"
#define kADMTextStaticType "ADM Text Static Type"
#define kADMTextStaticMultiLineType "ADM Text Static Multi Line Type"
#define kADMPasswordTextEditType "ADM Password Text Edit Type"
#define kADMItemGroupType "ADM Item Group Type"
#define kADMPopupListType "ADM Popup List Type"
#define kADMSliderType "ADM Slider Type"
#define kADMFrameType "ADM Frame Type"
#define kADMPictureStaticType "ADM Picture Static Type"

/* Create options. Flat: the host draws no border, face or background for the item; its
 * draw callback paints all of it (pictures that fill their item). */
enum { kADMItemFlatOption = 1 };

/* Item styles (SetItemStyle). On text edits: the field holds a number, so the host
 * selects the whole text when the field gains the keyboard focus. */
enum { kADMNumericEditStyle = 2 };

/* Tracking-mask bits: which pointer actions reach the item's track callback (action codes
 * in adm_tracker_suite.h). A new item's mask is kADMItemDefaultMask; the module adds bits
 * with GetMask/SetMask. Drags keep reaching the item that had the press while the button
 * is held, wherever the pointer goes. */
#define kADMButtonDownMask 0x00000004u /* action 2 */
#define kADMButtonUpMask 0x00000008u   /* action 3 */
#define kADMMouseMoveMask 0x00020000u  /* action -1: moved without a button */
#define kADMMouseDragMask 0x00040000u  /* action 1: moved with the button held */
#define kADMLeaveMask 0x08000000u      /* action -11: the pointer left the item */
#define kADMItemDefaultMask (kADMButtonDownMask | kADMButtonUpMask | kADMMouseDragMask)

typedef struct ADMItemSuite5 {
    /* Module -> host. Creates an item of itemType in dialog with bounds (dialog
     * coordinates; null counts as an empty rectangle at (0, 0)), visible and enabled, with
     * the empty text, value 0, range 0..0 and no list entries.
     * initProc: may be null; otherwise called with the new item before Create returns,
     *   with the user data already set (see ADMItemInitProc). No notify, track or draw
     *   callback of the item runs inside Create.
     * options: 0 or kADMItemFlatOption.
     * Returns the item, or null for an unknown type, a null dialog, exhausted memory or a
     * failed initProc. */
    ADMItemRef (*Create)(ADMDialogRef dialog, int32_t itemID, const char* itemType,
                         const ADMRect* bounds, ADMItemInitProc initProc, void* userData,
                         int32_t options);
    /* Module -> host. Runs the item's destroy callback, removes it from its group and its
     * dialog (and its list's entries) and frees it. The reference is invalid afterwards.
     * Null is ignored. No notify, track or draw callback runs inside Destroy. */
    void (*Destroy)(ADMItemRef item);

    /* Module -> host. The item's dialog and ID. */
    ADMDialogRef (*GetDialog)(ADMItemRef item);
    int32_t (*GetID)(ADMItemRef item);

    /* Module -> host. The module's word for the item (see the Dialog suite). */
    void (*SetUserData)(ADMItemRef item, void* userData);
    void* (*GetUserData)(ADMItemRef item);

    /* Module -> host. Callbacks; null restores the default behaviour. */
    void (*SetNotifyProc)(ADMItemRef item, ADMItemNotifyProc proc);
    void (*SetTrackProc)(ADMItemRef item, ADMItemTrackProc proc);
    void (*SetDrawProc)(ADMItemRef item, ADMItemDrawProc proc);
    void (*SetDestroyProc)(ADMItemRef item, ADMItemDestroyProc proc);
    /* Module -> host. The host's own handling of the item's type.
     * DefaultNotify: a push button with ID 1 or 2 ends the dialog's modal loop with its ID
     *   (ID 2 as a cancel) on "ADM User Changed Notifier"; otherwise nothing.
     * DefaultTrack: the type's pointer handling (check boxes, radio buttons, sliders,
     *   popups, edits); true when the item's value changed.
     * DefaultDraw: paints the item as its type looks (nothing for flat items). */
    void (*DefaultNotify)(ADMItemRef item, ADMNotifierRef notifier);
    ADMBoolean (*DefaultTrack)(ADMItemRef item, ADMTrackerRef tracker);
    void (*DefaultDraw)(ADMItemRef item, ADMDrawerRef drawer);

    /* Module -> host. The tracking mask (kADM...Mask bits). */
    ADMActionMask (*GetMask)(ADMItemRef item);
    void (*SetMask)(ADMItemRef item, ADMActionMask mask);

    /* Module -> host. A disabled item is drawn dimmed and receives no pointer action, key
     * or notification. A hidden item is not drawn and receives nothing. Neither call
     * notifies anything. */
    void (*Enable)(ADMItemRef item, ADMBoolean enable);
    ADMBoolean (*IsEnabled)(ADMItemRef item);
    void (*Show)(ADMItemRef item, ADMBoolean show);
    ADMBoolean (*IsVisible)(ADMItemRef item);

    /* Module -> host. Geometry: bounds in dialog coordinates, local (0, 0, width, height).
     * GetBestSize gives the width and height the item's text needs in its font (buttons,
     * static texts); other types give their current size. */
    void (*GetBoundsRect)(ADMItemRef item, ADMRect* rect);
    void (*SetBoundsRect)(ADMItemRef item, const ADMRect* rect);
    void (*GetLocalRect)(ADMItemRef item, ADMRect* rect);
    void (*GetBestSize)(ADMItemRef item, int32_t* width, int32_t* height);

    /* Module -> host. Invalidate marks the item for repainting; Update repaints it now,
     * before returning, when it is marked and visible in a shown dialog. */
    void (*Invalidate)(ADMItemRef item);
    void (*Update)(ADMItemRef item);

    /* Module -> host. Presentation of the item's text. SetUnits records a display-units
     * code of numeric fields (GetUnits gives it back); this host shows no unit suffix, the
     * text is what SetText set. SetMaxTextLength limits what the user can type (0: no
     * limit); it does not cut text set by SetText. */
    void (*SetFont)(ADMItemRef item, int32_t font);
    void (*SetJustify)(ADMItemRef item, int32_t justify);
    void (*SetItemStyle)(ADMItemRef item, int32_t style);
    void (*SetUnits)(ADMItemRef item, int32_t units);
    int32_t (*GetUnits)(ADMItemRef item);
    void (*SetMaxTextLength)(ADMItemRef item, int32_t length);

    /* Module -> host. The item's text (the caption of buttons and frames, the content of
     * edits and static texts). SetText copies the text and notifies nothing. GetTextLength
     * gives its length; GetText copies at most capacity - 1 bytes and a terminator into
     * text (nothing when capacity < 1). */
    void (*SetText)(ADMItemRef item, const char* text);
    int32_t (*GetTextLength)(ADMItemRef item);
    void (*GetText)(ADMItemRef item, char* text, int32_t capacity);

    /* Module -> host. Values; setting one notifies nothing. The boolean value is the state
     * of check boxes and radio buttons (setting a radio button true does not clear the
     * others). Float values are the slider's position, kept within its range by
     * SetFloatValue and by the user. A range whose minimum is above its maximum is stored
     * with the two swapped. */
    void (*SetBooleanValue)(ADMItemRef item, ADMBoolean value);
    ADMBoolean (*GetBooleanValue)(ADMItemRef item);
    void (*SetFloatValue)(ADMItemRef item, float value);
    float (*GetFloatValue)(ADMItemRef item);
    void (*SetMinFloatValue)(ADMItemRef item, float value);
    void (*SetMaxFloatValue)(ADMItemRef item, float value);

    /* Module -> host. Makes item a member of group (an "ADM Item Group Type" item of the
     * same dialog), leaving any earlier group. Membership scopes radio buttons; it moves,
     * shows and enables nothing. kSPBadParameterError for a group of another type or
     * dialog, or for an item that is itself a group. */
    ADMErr (*AddItem)(ADMItemRef group, ADMItemRef item);

    /* Module -> host. The entry list of a popup list item (null for other types). The
     * list lives as long as the item. */
    ADMListRef (*GetList)(ADMItemRef item);
} ADMItemSuite5;

#ifdef __cplusplus
}
#endif

#endif
