/* "ADM Icon Suite" version 2: pictures from the bitmap resources of the module's own file.
 *
 * Bitmap resources are uncompressed pictures of 1, 4, 8 or 24 bits per pixel (with a
 * palette below 24 bits), carried in the module's resource section under a numeric ID and
 * a name. */
#ifndef BRIVO_PLUGINAPI_ADM_ICON_SUITE_H
#define BRIVO_PLUGINAPI_ADM_ICON_SUITE_H

#include "adm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kADMIconSuite "ADM Icon Suite"
#define kADMIconSuiteVersion2 2

typedef struct ADMIconSuite2 {
    /* Module -> host. Loads bitmap resource id of the module pluginRef (the plugInRef of
     * its FilterRecord or AboutRecord) into *icon. name is the resource's name as the
     * module knows it; it is checked against the resource's name when the resource
     * carries one. The icon belongs to the module until Destroy and stays valid after the
     * suite is released. kADMResourceNotFoundError when there is no such bitmap (or it is
     * unreadable), kSPBadParameterError for a null icon pointer, kSPOutOfMemoryError:
     * *icon is null in each case, and a null icon is drawn as nothing. */
    ADMErr (*LoadFromResource)(void* pluginRef, const char* name, int32_t id, ADMIconRef* icon);
    /* Module -> host. Frees an icon; null is ignored. */
    void (*Destroy)(ADMIconRef icon);
    /* Module -> host. The picture's size in pixels (0 for null). */
    int32_t (*GetWidth)(ADMIconRef icon);
    int32_t (*GetHeight)(ADMIconRef icon);
} ADMIconSuite2;

#ifdef __cplusplus
}
#endif

#endif
