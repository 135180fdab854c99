// The filter list of an open-file chooser: parsing the packed form modules pass, and
// matching file names against its patterns.
#pragma once

#include <string_view>
#include <vector>

#include "host/toolkit/backend.h"

namespace brivo::host::toolkit {

// Reads description/pattern pairs, each NUL-terminated, up to an empty text. A missing
// pattern after the last description ends the list. Null gives no filters.
std::vector<FileFilter> parseFileFilters(const char* packed);

// Whether a file name matches a shell wildcard pattern ('*', '?'), without regard to the
// case of ASCII letters.
bool matchesPattern(std::string_view name, std::string_view pattern);
bool matchesAny(std::string_view name, const FileFilter& filter);

}  // namespace brivo::host::toolkit
