/* "Photoshop ChannelPorts Suite for Plug-ins" version 2: the document's pixels. */
#ifndef BRIVO_PLUGINAPI_CHANNEL_PORTS_SUITE_H
#define BRIVO_PLUGINAPI_CHANNEL_PORTS_SUITE_H

#include "plugin_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kPSChannelPortsSuite "Photoshop ChannelPorts Suite for Plug-ins"
#define kPSChannelPortsSuiteVersion2 2

/* Opaque ports, one per channel of the document. */
typedef struct ChannelReadPortRec* PIChannelPort;

/* One plane of pixels in module memory: sample (x, y) is at bit
 * y * rowBits + x * colBits + bitOffset from data. */
typedef struct PixelMemoryDesc {
    void* data;
    int32_t rowBits;
    int32_t colBits;
    int32_t bitOffset;
    int32_t depth; /* bits per sample: 8 or 16 */
} PixelMemoryDesc;

/* A scaled read: sourceRect of the document is resampled onto destinationRect. */
typedef struct PSScaling {
    VRect sourceRect;
    VRect destinationRect;
} PSScaling;

typedef struct PSChannelPortsSuite2 {
    /* Module -> host. Copies the pixels of *rect of one channel into destination,
     * starting at its sample (0, 0). Only level 0 exists. On return *rect holds what was
     * read. Returns kSPBadParameterError for a rectangle outside the channel, a null
     * port or destination, or a depth that differs from the channel's. */
    SPErr (*ReadPixelsFromLevel)(PIChannelPort port, int32_t level, VRect* rect,
                                 const PixelMemoryDesc* destination);
    /* Module -> host. Writes source's samples, from its (0, 0), into *rect of the
     * channel. The write goes to the filter's result; reads during the same call keep
     * seeing the document as it was when the call began. Same codes as the read. */
    SPErr (*WriteBasePixels)(PIChannelPort port, const VRect* rect, const PixelMemoryDesc* source);
    /* Module -> host. Resamples *sourceRect of the channel to the size of
     * scaling->destinationRect and writes it into destination from its (0, 0). */
    SPErr (*ReadScaledPixels)(PIChannelPort port, VRect* sourceRect, const PSScaling* scaling,
                              const PixelMemoryDesc* destination);
} PSChannelPortsSuite2;

#ifdef __cplusplus
}
#endif

#endif
