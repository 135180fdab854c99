#include "host/runtime/suite_registry.h"

#include <cstring>

#include "host/runtime/procedure_guard.h"

namespace brivo::host {

namespace {

SPErr acquireSuite(const char* name, int32_t version, const void** suite) noexcept {
    if (suite) *suite = nullptr;
    return guardStatus<SuiteRegistry>(
        [&](SuiteRegistry& registry) { return registry.acquire(name, version, suite); });
}

SPErr releaseSuite(const char* name, int32_t version) noexcept {
    return guardStatus<SuiteRegistry>(
        [&](SuiteRegistry& registry) { return registry.release(name, version); });
}

int32_t namesEqual(const char* first, const char* second) noexcept {
    return first && second && std::strcmp(first, second) == 0;
}

}  // namespace

SuiteRegistry::SuiteRegistry() : basic_{&acquireSuite, &releaseSuite, &namesEqual} {}

void SuiteRegistry::add(const std::string& name, int32_t version, const void* table) {
    suites_[{name, version}] = Entry{table};
}

SPErr SuiteRegistry::acquire(const char* name, int32_t version, const void** suite) {
    ++probes_;
    if (!suite) return kSPBadParameterError;
    *suite = nullptr;
    if (!name) return kSPBadParameterError;
    if (withheld_.contains(name)) return kSPSuiteNotFoundError;
    auto it = suites_.find({name, version});
    if (it == suites_.end()) return kSPSuiteNotFoundError;
    ++it->second.acquired;
    *suite = it->second.table;
    return kSPNoError;
}

SPErr SuiteRegistry::release(const char* name, int32_t version) {
    if (!name) return kSPBadParameterError;
    auto it = suites_.find({name, version});
    // Releasing more often than acquiring is refused rather than counted below zero.
    if (it == suites_.end() || it->second.acquired == 0) return kSPBadParameterError;
    --it->second.acquired;
    return kSPNoError;
}

int64_t SuiteRegistry::outstanding() const {
    int64_t total = 0;
    for (const auto& [key, entry] : suites_) total += entry.acquired;
    return total;
}

int64_t SuiteRegistry::outstanding(const std::string& name) const {
    int64_t total = 0;
    for (const auto& [key, entry] : suites_)
        if (key.first == name) total += entry.acquired;
    return total;
}

}  // namespace brivo::host
