/* "AS ZString Suite" version 1: texts the host keeps for a module, handed to other suites
 * (the colour picker's prompt) by reference instead of as C strings. */
#ifndef BRIVO_PLUGINAPI_ZSTRING_SUITE_H
#define BRIVO_PLUGINAPI_ZSTRING_SUITE_H

#include "plugin_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kASZStringSuite "AS ZString Suite"
#define kASZStringSuiteVersion1 1

/* A host-owned text, opaque to the module. */
typedef struct ASZByte* ASZString;

typedef struct ASZStringSuite1 {
    /* Module -> host. Makes a text from the first `length` bytes of `text` (UTF-8, no
     * terminator needed) and stores it in *zstring ; the module
     * frees it with Release. Returns kSPBadParameterError
     * for a null pointer, kSPOutOfMemoryError when the host cannot keep it. */
    SPErr (*MakeFromCString)(const char* text, size_t length, ASZString* zstring);
    /* Module -> host. Frees a text from MakeFromCString. kSPBadParameterError for a text
     * this suite does not hold (or already freed). */
    SPErr (*Release)(ASZString zstring);
} ASZStringSuite1;

#ifdef __cplusplus
}
#endif

#endif
