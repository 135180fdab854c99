#include "fuzz_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

#include "host/runtime/module_loader.h"

namespace brivo::fuzz {

MemoryFile::MemoryFile(const uint8_t* data, size_t size) {
    descriptor_ = memfd_create("fuzz-input", 0);
    require(descriptor_ >= 0, "memfd_create failed");
    for (size_t written = 0; written < size;) {
        const ssize_t n = write(descriptor_, data + written, size - written);
        require(n > 0, "writing the in-memory file failed");
        written += static_cast<size_t>(n);
    }
    path_ = "/proc/self/fd/" + std::to_string(descriptor_);
}

MemoryFile::~MemoryFile() {
    close(descriptor_);
}

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

test::ModuleSession openSession(host::PlanarDocument document) {
    // One loader held for the whole run keeps the module mapped between sessions.
    static const auto resident = std::make_unique<host::ModuleLoader>(BRIVO_MODULE_PATH);
    return test::makeHost(std::move(document));
}

const host::ParameterCatalog& moduleCatalog() {
    static const host::ParameterCatalog catalog =
        host::ParameterCatalog::ofModule(BRIVO_MODULE_PATH);
    return catalog;
}

void requireBalanced(const host::FilterHost& host) {
    const host::CallReport& report = host.lastCall();
    require(report.outstandingLocks == 0, "a handle lock was left behind");
    require(report.outstandingSuites == 0, "a suite was left acquired");
    require(report.liveBuffers == 0, "a buffer was left allocated");
}

double fuzzedReal(FuzzedDataProvider& input) {
    using limits = std::numeric_limits<double>;
    static constexpr double kTroublesome[] = {limits::quiet_NaN(),
                                              limits::infinity(),
                                              -limits::infinity(),
                                              limits::max(),
                                              -limits::max(),
                                              limits::min(),
                                              limits::denorm_min(),
                                              -0.0,
                                              1e30,
                                              -1e30,
                                              2147483648.0,
                                              -2147483649.0,
                                              65536.0,
                                              0.5,
                                              -0.5,
                                              1e-300};
    if (input.ConsumeBool()) return input.PickValueInArray(kTroublesome);
    return input.ConsumeFloatingPoint<double>();
}

std::string patternPath(const char* name) {
    return std::string(BRIVO_SOURCE_DIR) + "/patterns/" + name;
}

}  // namespace brivo::fuzz
