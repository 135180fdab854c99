#include "shell/host_suite_check.h"

#include "buffer_suite.h"
#include "channel_ports_suite.h"
#include "core/suite_holder.h"

namespace brivo {

namespace {
uint8_t checkPending = 1;
uint8_t suitesPresent = 0;

bool probeSuites(const SPBasicSuite* basic) {
    using NoThrowPorts = SuiteHolder<PSChannelPortsSuite2>::NoThrow;
    using NoThrowBuffer = SuiteHolder<PSBufferSuite1>::NoThrow;
    SuiteHolder<PSChannelPortsSuite2> ports(basic, kPSChannelPortsSuite,
                                            kPSChannelPortsSuiteVersion2, NoThrowPorts{});
    if (!ports.acquired()) return false;
    SuiteHolder<PSBufferSuite1> buffer(basic, kPSBufferSuite, kPSBufferSuiteVersion1,
                                       NoThrowBuffer{});
    return buffer.acquired();
}
}  // namespace

bool checkHostSuites(PluginContext& context) {
    if (checkPending != 0) {
        checkPending = 0;
        suitesPresent = probeSuites(context.basicSuite()) ? 1 : 0;
    }
    if (suitesPresent == 0) context.setResult(errPlugInHostInsufficient);
    return suitesPresent != 0;
}

}  // namespace brivo
