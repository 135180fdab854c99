// A fingerprint of the parameters a batch replays, so that its report says which action
// every file got.
#pragma once

#include <string>

#include "host/scripting/descriptor_values.h"

namespace brivo::app {

// "sha256:" and, in lower-case hex, the SHA-256 of the action file's text for these values
// with their keys sorted: equal values give equal hashes whatever file, options or order
// they came from.
std::string actionHash(const host::DescriptorValues& values);

}  // namespace brivo::app
