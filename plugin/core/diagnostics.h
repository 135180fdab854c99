// Telling the host about something the filter got past without failing.
#pragma once

#include <string>

#include "filter_record.h"

namespace brivo {

// Passes `message` to the host's diagnostics suite, when the host offers one; otherwise
// does nothing. Never throws.
void reportToHost(const FilterRecord* record, const std::string& message) noexcept;

}  // namespace brivo
