// The diagnostics suite: collects what the module reports having got past during a run.
#pragma once

#include <string>
#include <vector>

#include "pluginapi/diagnostics_suite.h"

namespace brivo::host {

class DiagnosticsSuite {
  public:
    DiagnosticsSuite();
    DiagnosticsSuite(const DiagnosticsSuite&) = delete;
    DiagnosticsSuite& operator=(const DiagnosticsSuite&) = delete;

    // The suite's function table; it serves the object bound with
    // CallBinding<DiagnosticsSuite> and drops reports made outside a binding.
    const BrivoDiagnosticsSuite1* table() const noexcept { return &table_; }

    // Every report so far, in order; a message repeated in a row is kept once.
    const std::vector<std::string>& reports() const noexcept { return reports_; }
    void report(const char* message) noexcept;

  private:
    BrivoDiagnosticsSuite1 table_;
    std::vector<std::string> reports_;
};

}  // namespace brivo::host
