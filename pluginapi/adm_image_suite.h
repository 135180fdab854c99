/* "ADM Image Suite" version 1: RGB pictures the module fills and the drawer shows. */
#ifndef BRIVO_PLUGINAPI_ADM_IMAGE_SUITE_H
#define BRIVO_PLUGINAPI_ADM_IMAGE_SUITE_H

#include "adm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kADMImageSuite "ADM Image Suite"
#define kADMImageSuiteVersion1 1

typedef struct ADMImageSuite1 {
    /* Module -> host. A black image of width x height pixels, 8-bit R, G, B interleaved,
     * in *image. The module owns it until Destroy; it outlives the suite's acquisition.
     * kSPBadParameterError for a size below 1 or image null, kSPOutOfMemoryError when it
     * cannot be had (*image null in both cases). */
    ADMErr (*Create)(int32_t width, int32_t height, ADMImageRef* image);
    /* Module -> host. Frees an image; null is ignored. */
    void (*Destroy)(ADMImageRef image);
    /* Module -> host. The size (0 for null). */
    int32_t (*GetWidth)(ADMImageRef image);
    int32_t (*GetHeight)(ADMImageRef image);
    /* Module -> host. The first pixel and the bytes from one row to the next (at least
     * 3 x width); the pixels stay where they are until Destroy. */
    uint8_t* (*GetBaseAddress)(ADMImageRef image);
    int32_t (*GetRowBytes)(ADMImageRef image);
} ADMImageSuite1;

#ifdef __cplusplus
}
#endif

#endif
