/* Basic types shared by the host and filter modules. Plain C, no code. */
#ifndef BRIVO_PLUGINAPI_PLUGIN_TYPES_H
#define BRIVO_PLUGINAPI_PLUGIN_TYPES_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes a module stores in its result slot. */
enum {
    noErr = 0,
    memFullErr = -108,                 /* memory could not be obtained */
    userCanceledErr = -128,            /* the user cancelled or the host asked to abort */
    errPlugInHostInsufficient = -30900 /* the host lacks a suite the module needs */
};

/* Status codes returned by suite functions (32-bit). 0 is success. Every host procedure
 * reports its failures the same way, and never lets an exception reach the module:
 *   called outside a call from the host, or a null or out-of-range argument:
 *                                              kSPBadParameterError
 *   the host ran out of memory:                kSPOutOfMemoryError
 *   any other failure:                         kSPOperationFailedError
 * A procedure that returns a pointer, handle or count instead gives null or 0 on failure. */
typedef int32_t SPErr;
enum {
    kSPNoError = 0,
    kSPSuiteNotFoundError = 0x214e4f53, /* 'S','O','N','!' : suite not offered */
    kSPBadParameterError = 0x21706172,  /* a null or out-of-range argument */
    kSPOutOfMemoryError = 0x216d656d,   /* the host ran out of memory */
    kSPOperationFailedError = 0x21666169
};

/* A rectangle of pixel coordinates; bottom and right are exclusive. */
typedef struct VRect {
    int32_t top;
    int32_t left;
    int32_t bottom;
    int32_t right;
} VRect;

typedef struct VPoint {
    int32_t v; /* rows */
    int32_t h; /* columns */
} VPoint;

/* Builds a four-character code; the first character is the most significant byte. */
#define BRIVO_FOURCC(a, b, c, d)                                                                 \
    ((uint32_t)(uint8_t)(a) << 24 | (uint32_t)(uint8_t)(b) << 16 | (uint32_t)(uint8_t)(c) << 8 | \
     (uint32_t)(uint8_t)(d))

#ifdef __cplusplus
}
#endif

#endif
