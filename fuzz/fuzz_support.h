// What the fuzz targets share: inputs handed to code that reads files, sessions on the real
// module, and the checks that stop a run when a call leaves something behind.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/runtime/filter_host.h"
#include "host/scripting/parameter_catalog.h"
#include "support/host_fixture.h"

namespace brivo::fuzz {

// The input as a file that lives only in memory, for readers that take a path.
class MemoryFile {
  public:
    MemoryFile(const uint8_t* data, size_t size);
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    const std::string& path() const { return path_; }

  private:
    int descriptor_ = -1;
    std::string path_;
};

// Stops the run with a message when condition is false: a fault the fuzzer should keep.
void require(bool condition, const char* what);

// A session on the module built beside the targets. The module stays loaded between inputs,
// so each input does not pay for loading it again.
test::ModuleSession openSession(host::PlanarDocument document);

// The parameter catalog the module carries: its fields' keys, types and enumerators.
const host::ParameterCatalog& moduleCatalog();

// Stops the run when the host's last call left a lock, a suite or a buffer behind.
void requireBalanced(const host::FilterHost& host);

// A number from the input, as often as not one that breaks careless arithmetic: NaN, the
// infinities, the largest and smallest magnitudes, negative zero, a denormal.
double fuzzedReal(FuzzedDataProvider& input);

// A pattern file shipped with the module, by name.
std::string patternPath(const char* name);

}  // namespace brivo::fuzz
