// The services a full host lends besides memory and pixels: colour conversion, scripting
// and the choice of output view, attached to one filter host session.
#pragma once

#include "host/color/colorspace_suite.h"
#include "host/runtime/diagnostics_suite.h"
#include "host/runtime/filter_host.h"
#include "host/runtime/output_view_suite.h"
#include "host/scripting/descriptor_host.h"

namespace brivo::host {

class HostServices {
  public:
    // Offers the ColorSpace suite, converting for the document the host holds now, and
    // the scripting suites and descriptor parameters, the output view suite (asking for
    // the lit result until told otherwise) and the diagnostics suite. `host` must outlive
    // this object.
    explicit HostServices(FilterHost& host);
    ~HostServices();
    HostServices(const HostServices&) = delete;
    HostServices& operator=(const HostServices&) = delete;

    ColorSpaceSuite& colors() { return colors_; }
    DescriptorHost& descriptors() { return descriptors_; }
    OutputViewSuite& outputView() { return outputView_; }
    const DiagnosticsSuite& diagnostics() const { return diagnostics_; }

  private:
    FilterHost& host_;
    ColorSpaceSuite colors_;
    DescriptorHost descriptors_;
    OutputViewSuite outputView_;
    DiagnosticsSuite diagnostics_;
};

}  // namespace brivo::host
