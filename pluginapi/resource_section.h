/* How a module carries its resources in its own file, so that a host can read them without
 * running module code: an ELF section of records, each a header followed by the resource's
 * bytes padded to a multiple of 4. Records are 4-byte aligned and a multiple of 4 bytes long;
 * zero words between records (linker padding) are skipped by readers. All values are
 * little-endian, as the section's contents are. */
#ifndef BRIVO_PLUGINAPI_RESOURCE_SECTION_H
#define BRIVO_PLUGINAPI_RESOURCE_SECTION_H

#include "plugin_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The section's name; a string literal, so a module can name it in a section attribute. */
#define BRIVO_RESOURCE_SECTION_NAME ".brivo_resources"

/* First word of every record header. */
#define BRIVO_RESOURCE_RECORD_MAGIC BRIVO_FOURCC('B', 'r', 'v', 'R')

typedef struct BrivoResourceHeader {
    uint32_t magic;  /* BRIVO_RESOURCE_RECORD_MAGIC */
    uint32_t type;   /* four-character resource type, e.g. BRIVO_RESOURCE_PROPERTY_LIST */
    int32_t id;      /* resource id */
    uint32_t length; /* the resource's length in bytes, without the padding */
} BrivoResourceHeader;

/* The resources a host looks for, by type and id. */
#define BRIVO_RESOURCE_PROPERTY_LIST BRIVO_FOURCC('P', 'I', 'P', 'L')
#define BRIVO_RESOURCE_TERMINOLOGY BRIVO_FOURCC('A', 'E', 'T', 'E')
#define BRIVO_RESOURCE_PROPERTY_LIST_ID 16000
#define BRIVO_RESOURCE_TERMINOLOGY_ID 16000

#ifdef __cplusplus
} /* extern "C" */
static_assert(sizeof(BrivoResourceHeader) == 16, "record header is 16 bytes");
#else
_Static_assert(sizeof(BrivoResourceHeader) == 16, "record header is 16 bytes");
#endif

#endif /* BRIVO_PLUGINAPI_RESOURCE_SECTION_H */
