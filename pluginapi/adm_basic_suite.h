/* "ADM Basic Suite" version 5: the screen and the toolkit's two standard choosers. */
#ifndef BRIVO_PLUGINAPI_ADM_BASIC_SUITE_H
#define BRIVO_PLUGINAPI_ADM_BASIC_SUITE_H

#include "adm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kADMBasicSuite "ADM Basic Suite"
#define kADMBasicSuiteVersion5 5

typedef struct ADMBasicSuite5 {
    /* Module -> host. The main screen's rectangle in screen pixels. It need not start at
     * (0, 0). A host without a screen gives the rectangle of its virtual screen. */
    void (*GetMainScreenRect)(ADMRect* rect);

    /* Module -> host. Shows a modal colour chooser whose top-left corner is at where
     * (screen pixels), seeded with initial. The user accepts: the colour is stored in
     * *chosen and kSPNoError returned. The user cancels: *chosen is left as it was and
     * kADMCancelledError returned. kSPBadParameterError when chosen is null. */
    ADMErr (*ChooseColor)(ADMPoint where, ADMRGBColor initial, ADMRGBColor* chosen);

    /* Module -> host. Shows a modal open-file chooser.
     * title: the window's title (null: empty).
     * filters: description/pattern pairs, each text NUL-terminated, the list ended by an
     *   empty text, for example "PNG files\0*.png;*.PNG\0\0". A pattern holds one or more
     *   shell wildcards separated by ';', matched against file names without regard to
     *   case ("*.png" shows "A.PNG"). The first pair is the one selected at the start.
     *   Null: every file shows.
     * startFolder: the folder shown first (null, empty or missing: the current folder).
     * path, capacity: the caller's buffer of capacity bytes for the chosen file's full
     *   path, NUL-terminated.
     * Results: kSPNoError with the path; kADMCancelledError when the user cancelled
     * (path set to ""); kSPBadParameterError when path is null, capacity < 1 or the chosen
     * path with its terminator does not fit (path set to "" so no truncated path is ever
     * taken for a real one). */
    ADMErr (*ChooseOpenFile)(const char* title, const char* filters, const char* startFolder,
                             char* path, int32_t capacity);
} ADMBasicSuite5;

#ifdef __cplusplus
}
#endif

#endif
