// How the module carries its resources in its own file, so that a host can read them
// without running module code: an ELF section of records, each a header followed by the
// resource's bytes padded to a multiple of 4. Records are 4-byte aligned and a multiple
// of 4 bytes long; zero words between records (linker padding) are skipped by readers.
#pragma once

#include <cstdint>

#include "plugin_types.h"

namespace brivo::resources {

inline constexpr const char* kSectionName = ".brivo_resources";
inline constexpr uint32_t kRecordMagic = BRIVO_FOURCC('B', 'r', 'v', 'R');

// Little-endian, as the section's contents are.
struct RecordHeader {
    uint32_t magic;   // kRecordMagic
    uint32_t type;    // four-character resource type, e.g. BRIVO_FOURCC('P','I','P','L')
    int32_t id;       // resource id
    uint32_t length;  // the resource's length in bytes, without the padding
};
static_assert(sizeof(RecordHeader) == 16);

inline constexpr uint32_t kPropertyListType = BRIVO_FOURCC('P', 'I', 'P', 'L');
inline constexpr uint32_t kTerminologyType = BRIVO_FOURCC('A', 'E', 'T', 'E');
inline constexpr int32_t kPropertyListId = 16000;
inline constexpr int32_t kTerminologyId = 16000;

}  // namespace brivo::resources
