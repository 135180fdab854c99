// A fingerprint of the parameters a batch replays, so that its report says which action
// every file got.
#pragma once

#include <string>

#include "host/scripting/descriptor_values.h"

namespace brivo::app {

// "sha256:" and the SHA-256 of the action file's text for these values, in lower-case hex:
// equal values give equal hashes whatever file or options they came from.
std::string actionHash(const host::DescriptorValues& values);

}  // namespace brivo::app
