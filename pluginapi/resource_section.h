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
#define BRIVO_RESOURCE_CATALOG BRIVO_FOURCC('P', 'C', 'A', 'T')
#define BRIVO_RESOURCE_PROPERTY_LIST_ID 16000
#define BRIVO_RESOURCE_TERMINOLOGY_ID 16000
#define BRIVO_RESOURCE_CATALOG_ID 16000

/* The parameter catalog: every value a module reads from its scripting descriptor, so a host
 * can name, check and explain parameters without knowing the module. Little-endian:
 *   uint16  BRIVO_CATALOG_VERSION
 *   uint16  entry count
 *   per entry (one per descriptor key; the entries of one field are consecutive, in
 *   component order):
 *     uint8 + bytes  the field's name (a length byte, then the characters)
 *     uint8          component (element of an array field; 0 otherwise)
 *     uint32         descriptor key
 *     uint8          value type, BRIVO_CATALOG_*
 *     float64 x 3    default, minimum, maximum: IEEE 754 binary64 bit patterns; the range is
 *                    the dialog's (an infinity means unbounded); for a path the maximum is
 *                    its longest length in bytes
 *     uint32         enumeration type (0 unless BRIVO_CATALOG_ENUMERATED)
 *     uint16         enumerator count, then per enumerator in index order:
 *                      uint32 code, uint8 + bytes display name
 * An enumerated value is sent as its code; its default and range are indices. */
#define BRIVO_CATALOG_VERSION 1
#define BRIVO_CATALOG_ENUMERATED 1 /* one of the enumerators, sent as an enumerated value */
#define BRIVO_CATALOG_REAL 2       /* a number, sent as a float */
#define BRIVO_CATALOG_XYZ 3        /* a 16-bit colour component (32768 = white's), an integer */
#define BRIVO_CATALOG_PATH 4       /* a file path, sent as text */
#define BRIVO_CATALOG_IGNORED 5    /* a boolean the module accepts and ignores */

#ifdef __cplusplus
} /* extern "C" */
static_assert(sizeof(BrivoResourceHeader) == 16, "record header is 16 bytes");
#else
_Static_assert(sizeof(BrivoResourceHeader) == 16, "record header is 16 bytes");
#endif

#endif /* BRIVO_PLUGINAPI_RESOURCE_SECTION_H */
