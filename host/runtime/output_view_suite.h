// The output view suite: tells the module which image the host wants from a start, the
// lit result or one of the intermediate one-channel images.
#pragma once

#include <cstdint>

#include "pluginapi/output_view_suite.h"

namespace brivo::host {

class OutputViewSuite {
  public:
    OutputViewSuite();
    OutputViewSuite(const OutputViewSuite&) = delete;
    OutputViewSuite& operator=(const OutputViewSuite&) = delete;

    // The suite's function table; it serves the object bound with
    // CallBinding<OutputViewSuite> and answers outputViewResult outside a binding.
    const BrivoOutputViewSuite1* table() const noexcept { return &table_; }

    // outputViewResult, outputViewMatte or outputViewShape; throws std::invalid_argument
    // for any other value.
    void setView(int32_t view);
    int32_t view() const noexcept { return view_; }

  private:
    BrivoOutputViewSuite1 table_;
    int32_t view_ = outputViewResult;
};

}  // namespace brivo::host
