// The basic suite: the host's suites by name and version, with per-call bookkeeping.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "pluginapi/basic_suite.h"

namespace brivo::host {

class SuiteRegistry {
  public:
    SuiteRegistry();
    SuiteRegistry(const SuiteRegistry&) = delete;
    SuiteRegistry& operator=(const SuiteRegistry&) = delete;

    // The basic suite for a FilterRecord; it serves the registry bound with
    // CallBinding<SuiteRegistry> and refuses everything outside a binding.
    SPBasicSuite* basicSuite() noexcept { return &basic_; }

    // Offers `table` (which must outlive the registry) under name and version,
    // replacing an earlier entry with the same name and version.
    void add(const std::string& name, int32_t version, const void* table);
    // Takes the suite off offer, before its table goes away.
    void remove(const std::string& name, int32_t version) { suites_.erase({name, version}); }
    // A withheld suite is refused at every version, as if the host lacked it.
    void withhold(const std::string& name) { withheld_.insert(name); }
    void offer(const std::string& name) { withheld_.erase(name); }

    // Host-side acquisition, also used by the basic suite's procedures.
    SPErr acquire(const char* name, int32_t version, const void** suite);
    SPErr release(const char* name, int32_t version);

    // Acquisitions not yet released, over all suites.
    int64_t outstanding() const;
    int64_t outstanding(const std::string& name) const;
    // Every acquisition attempt, granted or refused.
    int64_t probes() const { return probes_; }
    void resetProbes() { probes_ = 0; }

  private:
    using Key = std::pair<std::string, int32_t>;
    struct Entry {
        const void* table;
        int64_t acquired = 0;
    };

    SPBasicSuite basic_;
    std::map<Key, Entry> suites_;
    std::set<std::string> withheld_;
    int64_t probes_ = 0;
};

}  // namespace brivo::host
