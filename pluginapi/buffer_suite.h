/* "Photoshop Buffer Suite for Plug-ins" version 1: pixel memory lent by the host. */
#ifndef BRIVO_PLUGINAPI_BUFFER_SUITE_H
#define BRIVO_PLUGINAPI_BUFFER_SUITE_H

#include "plugin_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kPSBufferSuite "Photoshop Buffer Suite for Plug-ins"
#define kPSBufferSuiteVersion1 1

typedef struct PSBufferSuite1 {
    /* Module -> host. A block of exactly size bytes, or null when the host cannot lend
     * that much (its limit or the machine's memory). The module owns the block until it
     * passes it to Dispose. */
    void* (*New)(uint64_t size);
    /* Module -> host. Returns a block from New; null is ignored. */
    void (*Dispose)(void* buffer);
    /* Module -> host. Bytes the host can still lend. */
    uint64_t (*GetSpace)(void);
} PSBufferSuite1;

#ifdef __cplusplus
}
#endif

#endif
