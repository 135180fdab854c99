#include "host/runtime/host_services.h"

#include "pluginapi/colorspace_suite.h"
#include "pluginapi/diagnostics_suite.h"
#include "pluginapi/output_view_suite.h"

namespace brivo::host {

HostServices::HostServices(FilterHost& host)
    : host_(host),
      colors_(ColorService(host.document().imageMode, host.document().iccProfile)),
      descriptors_(host) {
    host.offerSuite(kPSColorSpaceSuite, kPSColorSpaceSuiteVersion1, colors_);
    host.bindDuringCalls(descriptors_.store());
    host.offerSuite(kBrivoOutputViewSuite, kBrivoOutputViewSuiteVersion1, outputView_);
    host.offerSuite(kBrivoDiagnosticsSuite, kBrivoDiagnosticsSuiteVersion1, diagnostics_);
}

HostServices::~HostServices() {
    host_.suites().remove(kPSColorSpaceSuite, kPSColorSpaceSuiteVersion1);
    host_.unbind(&colors_);
    host_.unbind(&descriptors_.store());
    host_.suites().remove(kBrivoOutputViewSuite, kBrivoOutputViewSuiteVersion1);
    host_.unbind(&outputView_);
    host_.suites().remove(kBrivoDiagnosticsSuite, kBrivoDiagnosticsSuiteVersion1);
    host_.unbind(&diagnostics_);
}

}  // namespace brivo::host
