#include "host/runtime/output_view_suite.h"

#include <stdexcept>
#include <string>

#include "host/runtime/procedure_guard.h"

namespace brivo::host {

namespace {

int32_t requestedView() noexcept {
    return guardValue<OutputViewSuite>(int32_t{outputViewResult},
                                       [](const OutputViewSuite& suite) { return suite.view(); });
}

}  // namespace

OutputViewSuite::OutputViewSuite() : table_{&requestedView} {}

void OutputViewSuite::setView(int32_t view) {
    if (view != outputViewResult && view != outputViewMatte && view != outputViewShape)
        throw std::invalid_argument("unknown output view " + std::to_string(view));
    view_ = view;
}

}  // namespace brivo::host
