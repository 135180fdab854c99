/* "Brivo Output View Suite" version 1: lets a host ask the filter for one of its
 * intermediate images instead of the lit result, so the light can be exported and
 * worked on in other programs. A host that does not offer the suite gets the result. */
#ifndef BRIVO_PLUGINAPI_OUTPUT_VIEW_SUITE_H
#define BRIVO_PLUGINAPI_OUTPUT_VIEW_SUITE_H

#include "plugin_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kBrivoOutputViewSuite "Brivo Output View Suite"
#define kBrivoOutputViewSuiteVersion1 1

enum {
    outputViewResult = 0, /* the lit image (what a host gets without the suite) */
    outputViewMatte = 1,  /* the light mask the render uses, over the whole area */
    outputViewShape = 2   /* the placed (and displaced) shape as the render uses it */
};

typedef struct BrivoOutputViewSuite1 {
    /* Module -> host, during a start. Which image the host wants. For the matte and
     * shape views the module writes the one-channel image into every target channel of
     * the filter area; the host keeps one of them as a greyscale result. */
    int32_t (*RequestedView)(void);
} BrivoOutputViewSuite1;

#ifdef __cplusplus
}
#endif

#endif
