/* The Action Descriptor suite (version 2) and the Descriptor Registry suite
 * (version 1), named by GUID strings. */
#ifndef BRIVO_PLUGINAPI_DESCRIPTOR_SUITES_H
#define BRIVO_PLUGINAPI_DESCRIPTOR_SUITES_H

#include "plugin_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kPSActionDescriptorSuite "df135115-c769-11d0-8079-00c04fd7ec47"
#define kPSActionDescriptorSuiteVersion 2
#define kPSDescriptorRegistrySuite "61e608b0-40fd-11d1-8da3-00c04fd5f7ee"
#define kPSDescriptorRegistrySuiteVersion 1

typedef struct ActionDescriptorRec* PIActionDescriptor;

typedef struct PSActionDescriptorProcs {
    /* Module -> host. A new, empty descriptor in *descriptor; the caller frees it. */
    SPErr (*Make)(PIActionDescriptor* descriptor);
    /* Module -> host. Frees a descriptor from Make or from the registry's Get. */
    SPErr (*Free)(PIActionDescriptor descriptor);
} PSActionDescriptorProcs;

typedef struct PSDescriptorRegistryProcs {
    /* Module -> host. Stores a copy of descriptor under key; the caller keeps its own. */
    SPErr (*Register)(const char* key, PIActionDescriptor descriptor, uint8_t isPersistent);
    /* Module -> host. Removes the entry under key. */
    SPErr (*Erase)(const char* key);
    /* Module -> host. A copy of the entry under key in *descriptor (null when there is
     * none); the caller frees it with the Action Descriptor suite's Free. */
    SPErr (*Get)(const char* key, PIActionDescriptor* descriptor);
} PSDescriptorRegistryProcs;

#ifdef __cplusplus
}
#endif

#endif
