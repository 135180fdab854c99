/* "Photoshop ColorSpace Suite for Plug-ins" version 1: colour conversion by the host. */
#ifndef BRIVO_PLUGINAPI_COLORSPACE_SUITE_H
#define BRIVO_PLUGINAPI_COLORSPACE_SUITE_H

#include "plugin_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kPSColorSpaceSuite "Photoshop ColorSpace Suite for Plug-ins"
#define kPSColorSpaceSuiteVersion1 1

typedef struct ColorSpaceColorRec* ColorID;

/* Colour space numbers. */
enum {
    plugIncolorServicesRGBSpace = 0,
    plugIncolorServicesHSBSpace = 1,
    plugIncolorServicesCMYKSpace = 2,
    plugIncolorServicesLabSpace = 3,
    plugIncolorServicesGraySpace = 4
};

/* XYZ as three 16-bit components: 32768 stands for the component of the D50 reference
 * white, so (32768, 32768, 32768) is white. */
typedef struct CS_XYZ {
    uint16_t x;
    uint16_t y;
    uint16_t z;
} CS_XYZ;

typedef struct PSColorSpaceSuite1 {
    /* Module -> host. Makes a colour (black) and stores it in *id; the module frees it
     * with Delete. */
    SPErr (*Make)(ColorID* id);
    /* Module -> host. Frees a colour from Make and sets *id to null. */
    SPErr (*Delete)(ColorID* id);
    /* Module -> host. Sets the colour from four 8-bit components of space. RGB is the
     * document's RGB (its ICC profile, else sRGB); CMYK is given as the host's CMYK
     * pixels are, 255 = no ink; Lab is 8-bit L, a + 128, b + 128; Gray 255 = white. */
    SPErr (*StuffComponents)(ColorID id, int16_t space, uint8_t c0, uint8_t c1, uint8_t c2,
                             uint8_t c3);
    /* Module -> host. Reads the colour as four 8-bit components of space; *gamut is set
     * non-zero when the colour had to be clipped. Unused components are 0. */
    SPErr (*ExtractComponents)(ColorID id, int16_t space, uint8_t* c0, uint8_t* c1, uint8_t* c2,
                               uint8_t* c3, uint8_t* gamut);
    /* Module -> host. Sets the colour from XYZ. */
    SPErr (*StuffXYZ)(ColorID id, CS_XYZ xyz);
    /* Module -> host. Reads the colour as XYZ. */
    SPErr (*ExtractXYZ)(ColorID id, CS_XYZ* xyz);
    /* Module -> host. Shows the host's colour picker starting at the colour; on OK the
     * colour is replaced and 0 returned, on cancel userCanceledErr. prompt is a ZString
     * (may be null). */
    SPErr (*PickColor)(ColorID id, const void* prompt);
} PSColorSpaceSuite1;

#ifdef __cplusplus
}
#endif

#endif
