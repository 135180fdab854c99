/* "SP Plug-ins Suite" version 4: what the host knows about the modules it loaded. A module
 * uses it to find files shipped beside its own file (the bundled pattern folder). */
#ifndef BRIVO_PLUGINAPI_PLUGINS_SUITE_H
#define BRIVO_PLUGINAPI_PLUGINS_SUITE_H

#include "plugin_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kSPPluginsSuite "SP Plug-ins Suite"
#define kSPPluginsSuiteVersion4 4

typedef struct SPPluginsSuite4 {
    /* Module -> host. The file of the module that plugInRef identifies (the plugInRef of
     * the FilterRecord or AboutRecord of the running call): an absolute path with '/'
     * between its components, NUL-terminated. The caller owns path, a buffer of capacity
     * bytes; path may be null when capacity is 0, to learn the length first. *length (when
     * not null) receives the path's length without the terminator, also when it does not
     * fit. Returns kSPNoError when the path and its terminator were written;
     * kSPOperationFailedError when they do not fit in capacity (path then holds an empty
     * text if capacity is at least 1; it is never cut); kSPBadParameterError for an
     * unknown plugInRef, or a null path with a non-zero capacity. */
    SPErr (*GetPluginFilePath)(void* plugInRef, char* path, int32_t capacity, int32_t* length);
} SPPluginsSuite4;

#ifdef __cplusplus
}
#endif

#endif
