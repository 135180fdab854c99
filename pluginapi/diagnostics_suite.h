/* "Brivo Diagnostics Suite" version 1: lets the module tell the host about something it
 * got past without failing the run (a pattern file it could not use, say), so that the
 * host can show it to the user or treat it as a failure. A host that does not offer the
 * suite hears nothing; the module behaves the same either way. */
#ifndef BRIVO_PLUGINAPI_DIAGNOSTICS_SUITE_H
#define BRIVO_PLUGINAPI_DIAGNOSTICS_SUITE_H

#include "plugin_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kBrivoDiagnosticsSuite "Brivo Diagnostics Suite"
#define kBrivoDiagnosticsSuiteVersion1 1

typedef struct BrivoDiagnosticsSuite1 {
    /* Module -> host, during a selector call. `message` is one sentence of UTF-8 text,
     * NUL-terminated, owned by the module and valid only during the call: the host copies
     * it. Never fails; returns nothing. */
    void (*Report)(const char* message);
} BrivoDiagnosticsSuite1;

#ifdef __cplusplus
}
#endif

#endif
