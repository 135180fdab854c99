#include "host/runtime/diagnostics_suite.h"

#include <cstring>

#include "host/runtime/call_binding.h"

namespace brivo::host {

namespace {

// A report longer than this is cut: it is meant to be one sentence.
constexpr size_t kMaxReportLength = 4096;

void reportToHost(const char* message) noexcept {
    if (DiagnosticsSuite* suite = CallBinding<DiagnosticsSuite>::current()) suite->report(message);
}

}  // namespace

DiagnosticsSuite::DiagnosticsSuite() : table_{&reportToHost} {}

void DiagnosticsSuite::report(const char* message) noexcept {
    if (message == nullptr) return;
    try {
        std::string text(message, strnlen(message, kMaxReportLength));
        if (reports_.empty() || reports_.back() != text) reports_.push_back(std::move(text));
    } catch (...) {
        // Out of memory: the report is lost, the run goes on.
    }
}

}  // namespace brivo::host
