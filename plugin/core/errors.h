// The module's two error kinds and the helpers that raise them. PluginMain is the only
// place that catches them.
#pragma once

#include <cstdint>

#include "plugin_types.h"

namespace brivo {

// A 16-bit host result code (memFullErr, userCanceledErr).
struct HostResultError {
    int16_t code;
};

// A 32-bit status from a suite that could not be acquired or whose call failed.
struct SuiteError {
    SPErr code;
};

[[noreturn]] inline void throwResult(int16_t code) {
    throw HostResultError{code};
}
[[noreturn]] inline void throwMemoryFull() {
    throwResult(memFullErr);
}

// Turns a failing suite status into a SuiteError.
inline void checkSuiteStatus(SPErr status) {
    if (status != kSPNoError) throw SuiteError{status};
}

}  // namespace brivo
