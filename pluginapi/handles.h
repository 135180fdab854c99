/* Host-kept memory blocks ("handles") and the procedures that manage them. */
#ifndef BRIVO_PLUGINAPI_HANDLES_H
#define BRIVO_PLUGINAPI_HANDLES_H

#include "plugin_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque: a block owned by the host. Its contents are reached only through lockProc. */
typedef struct HostHandleBlock* Handle;

/* Module -> host. Makes a block of size bytes (contents zeroed). Returns null when the
 * size is negative or memory is short. The caller owns the handle until it hands it to
 * the host (for example by storing it in FilterRecord.parameters). */
typedef Handle (*NewPIHandleProc)(int32_t size);
/* Module -> host. Frees a handle made by newProc; null is ignored. Locked handles are
 * unlocked first. */
typedef void (*DisposePIHandleProc)(Handle h);
/* Module -> host. The handle's size in bytes, 0 for null. */
typedef int32_t (*GetPIHandleSizeProc)(Handle h);
/* Module -> host. Locks the block and returns its address, valid until the matching
 * unlock; null for a null handle or when the host refuses. Locks nest. moveHigh is a hint. */
typedef char* (*LockPIHandleProc)(Handle h, uint8_t moveHigh);
/* Module -> host. Undoes one lock. */
typedef void (*UnlockPIHandleProc)(Handle h);

typedef struct HandleProcs {
    int16_t handleProcsVersion; /* 1 */
    int16_t numHandleProcs;     /* 5 */
    NewPIHandleProc newProc;
    DisposePIHandleProc disposeProc;
    GetPIHandleSizeProc getSizeProc;
    LockPIHandleProc lockProc;
    UnlockPIHandleProc unlockProc;
} HandleProcs;

#ifdef __cplusplus
}
#endif

#endif
