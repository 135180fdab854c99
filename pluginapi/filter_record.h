/* The filter protocol: selectors, the record a host passes with each call, and the
 * module's entry point. */
#ifndef BRIVO_PLUGINAPI_FILTER_RECORD_H
#define BRIVO_PLUGINAPI_FILTER_RECORD_H

#include "basic_suite.h"
#include "channel_ports_suite.h"
#include "descriptor_parameters.h"
#include "handles.h"
#include "plugin_types.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    filterSelectorAbout = 0,
    filterSelectorParameters = 1,
    filterSelectorPrepare = 2,
    filterSelectorStart = 3,
    filterSelectorContinue = 4,
    filterSelectorFinish = 5
};

/* Image modes. */
enum {
    plugInModeBitmap = 0,
    plugInModeGrayScale = 1,
    plugInModeIndexedColor = 2,
    plugInModeRGBColor = 3,
    plugInModeCMYKColor = 4,
    plugInModeHSLColor = 5,
    plugInModeHSBColor = 6,
    plugInModeMultichannel = 7,
    plugInModeDuotone = 8,
    plugInModeLabColor = 9
};

/* Channel types of ReadChannelDesc.channelType. */
enum {
    ctUnspecified = 0,
    ctRed = 1,
    ctGreen = 2,
    ctBlue = 3,
    ctCyan = 4,
    ctMagenta = 5,
    ctYellow = 6,
    ctBlack = 7,
    ctL = 8,
    ctA = 9,
    ctB = 10,
    ctDuotone = 11,
    ctIndex = 12,
    ctBitmap = 13,
    ctColorSelected = 14,
    ctColorProtected = 15,
    ctTransparency = 16,
    ctLayerMask = 17,
    ctInvertedLayerMask = 18,
    ctSelectionMask = 19,
    ctBlackAndWhite = 20 /* a grey document's single channel */
};

/* One channel of the document, in a list. */
typedef struct ReadChannelDesc {
    int32_t minVersion; /* 0 */
    int32_t maxVersion; /* 0 */
    struct ReadChannelDesc* next;
    PIChannelPort port; /* for the ChannelPorts suite */
    VRect bounds;       /* the channel's extent */
    int32_t depth;      /* bits per sample */
    int16_t channelType;
    const char* name;
} ReadChannelDesc;

/* The document as the host describes it. */
typedef struct ReadImageDocumentDesc {
    int32_t minVersion; /* 0 */
    int32_t maxVersion; /* 0 */
    int32_t imageMode;
    int32_t depth;
    VRect bounds;
    /* The channels a filter changes: the colour channels, in order. */
    ReadChannelDesc* targetCompositeChannels;
    /* The document's alpha (transparency) channels, used when no composite is targeted. */
    ReadChannelDesc* alphaChannels;
} ReadImageDocumentDesc;

/* An interleaved 8-bit image a module asks the host to draw (the preview). */
typedef struct PSPixelMap {
    int32_t version; /* 1 */
    VRect bounds;
    int32_t imageMode;
    int32_t rowBytes;
    int32_t colBytes;
    int32_t planeBytes;
    void* baseAddr;
} PSPixelMap;

/* Host procedures without user data: the host knows which call is running. */
typedef uint8_t (*TestAbortProc)(void); /* non-zero: stop now */
typedef void (*ProgressProc)(int32_t done, int32_t total);
typedef SPErr (*DisplayPixelsProc)(const PSPixelMap* source, const VRect* sourceRect,
                                   int32_t destinationRow, int32_t destinationColumn,
                                   void* platformContext);

typedef struct FilterRecord {
    int32_t serialNumber;
    TestAbortProc abortProc;   /* may be null */
    ProgressProc progressProc; /* may be null */
    Handle parameters;         /* the module's parameter block; kept by the host */
    VPoint imageSize;          /* the document's size in pixels */
    int16_t planes;            /* number of colour planes */
    VRect filterRect;          /* the area to filter (the selection's bounds) */
    int16_t imageMode;         /* plugInMode... */
    int16_t depth;             /* bits per sample */
    HandleProcs* handleProcs;
    DisplayPixelsProc displayPixels;
    PIDescriptorParameters* descriptorParameters; /* null when the host has no scripting */
    ReadImageDocumentDesc* documentInfo;
    SPBasicSuite* sSPBasic;
    void* plugInRef; /* identifies the module to host suites */
    uint32_t hostSig;
} FilterRecord;

/* What the about selector passes instead of a FilterRecord. */
typedef struct AboutRecord {
    void* platformData;
    SPBasicSuite* sSPBasic;
    void* plugInRef;
} AboutRecord;

/* The module's one export, named "PluginMain". For filterSelectorAbout the record
 * is an AboutRecord. data is the module's slot, kept by the host between calls.
 * The outcome is stored in *result; nothing else leaves the call. */
typedef void (*PluginMainProc)(int16_t selector, FilterRecord* filterRecord, intptr_t* data,
                               int16_t* result);

#ifdef __cplusplus
}
#endif

#endif
