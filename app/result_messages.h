// Words for the result codes a filter module returns.
#pragma once

#include <cstdint>
#include <string>

namespace brivo::app {

// A sentence for the user explaining a non-zero result code.
std::string describeResult(int16_t result);

// The command's exit status for a result code: 0 for success, 130 for a cancelled run
// (as after an interrupt), 1 for every failure.
int exitStatusForResult(int16_t result);

}  // namespace brivo::app
