#include "core/diagnostics.h"

#include "core/suite_holder.h"
#include "diagnostics_suite.h"

namespace brivo {

void reportToHost(const FilterRecord* record, const std::string& message) noexcept {
    if (record == nullptr) return;
    const SuiteHolder<BrivoDiagnosticsSuite1> diagnostics(
        record->sSPBasic, kBrivoDiagnosticsSuite, kBrivoDiagnosticsSuiteVersion1,
        SuiteHolder<BrivoDiagnosticsSuite1>::NoThrow{});
    if (diagnostics.acquired() && diagnostics->Report != nullptr)
        diagnostics->Report(message.c_str());
}

}  // namespace brivo
