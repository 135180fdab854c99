// The dialog toolkit offered to a module: the eleven toolkit suites in a suite registry,
// the toolkit bound during every call, and the preview drawing procedure.
#pragma once

#include "host/runtime/filter_host.h"
#include "host/runtime/suite_registry.h"
#include "host/toolkit/backend.h"
#include "host/toolkit/toolkit.h"

namespace brivo::host::toolkit {

// Adds the toolkit suites to a registry, or takes them off again.
void offerToolkitSuites(SuiteRegistry& registry);
void withdrawToolkitSuites(SuiteRegistry& registry);

// Draws a pixel map into the drawer the module got as platform context; it serves the
// toolkit bound with CallBinding<Toolkit>.
SPErr displayPixelsIntoDrawer(const PSPixelMap* source, const VRect* sourceRect,
                              int32_t destinationRow, int32_t destinationColumn,
                              void* platformContext) noexcept;

class ToolkitServices {
  public:
    // Offers the toolkit to the module `host` runs, drawing and interacting through
    // `backend`; icons come from the module's own file. Both must outlive this object.
    ToolkitServices(FilterHost& host, Backend& backend);
    ~ToolkitServices();
    ToolkitServices(const ToolkitServices&) = delete;
    ToolkitServices& operator=(const ToolkitServices&) = delete;

    Toolkit& toolkit() { return toolkit_; }

  private:
    FilterHost& host_;
    Toolkit toolkit_;
};

}  // namespace brivo::host::toolkit
