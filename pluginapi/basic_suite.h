/* The basic suite: every other suite is acquired through it by name and version. */
#ifndef BRIVO_PLUGINAPI_BASIC_SUITE_H
#define BRIVO_PLUGINAPI_BASIC_SUITE_H

#include "plugin_types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct SPBasicSuite {
    /* Module -> host. Looks up the suite called name at exactly version. On success
     * stores a pointer to its function table in *suite (valid until the matching
     * ReleaseSuite) and returns kSPNoError; otherwise stores null and returns
     * kSPSuiteNotFoundError. Every successful acquisition needs one ReleaseSuite. */
    SPErr (*AcquireSuite)(const char* name, int32_t version, const void** suite);
    /* Module -> host. Gives back one acquisition of name/version. */
    SPErr (*ReleaseSuite)(const char* name, int32_t version);
    /* Module -> host. Non-zero when the two names are equal. */
    int32_t (*IsEqual)(const char* token1, const char* token2);
} SPBasicSuite;

#ifdef __cplusplus
}
#endif

#endif
