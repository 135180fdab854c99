// Reading a small text file whole, with a limit, so that a wrong path (a folder, a device,
// a huge file) gives a clear message instead of endless reading.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace brivo::host {

// Presets and actions are a few kilobytes; this leaves ample room.
inline constexpr size_t kMaxSettingsFileBytes = size_t{4} << 20;

class BoundedReadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The whole content of `path`. Throws BoundedReadError, with a message that starts with
// `what` and the path ("preset p.json is a folder, not a file"), when the file cannot be
// opened, is a folder, or holds more than maxBytes.
std::string readBoundedFile(const std::string& path, const std::string& what,
                            size_t maxBytes = kMaxSettingsFileBytes);

}  // namespace brivo::host
