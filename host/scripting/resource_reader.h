// Reads the resources a filter module carries in its own file, without loading it: the
// records of its resource section, found through the ELF section headers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <vector>

namespace brivo::host {

class ResourceError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct Resource {
    uint32_t type;  // four-character code, e.g. 'PIPL'
    int32_t id;
    std::vector<uint8_t> bytes;
};

class ResourceReader {
  public:
    // Reads every resource of the module file. Throws ResourceError for a file that is
    // not a 64-bit little-endian ELF file, has no resource section, or whose headers or
    // records reach outside the file.
    explicit ResourceReader(const std::filesystem::path& module);

    const std::vector<Resource>& resources() const { return resources_; }
    const Resource* find(uint32_t type, int32_t id) const;

    // Reads the records of a resource section's bytes.
    static std::vector<Resource> parseSection(const std::vector<uint8_t>& section);

  private:
    std::vector<Resource> resources_;
};

}  // namespace brivo::host
