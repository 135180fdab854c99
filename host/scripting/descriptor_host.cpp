#include "host/scripting/descriptor_host.h"

#include <stdexcept>

#include "host/scripting/descriptor_procs.h"
#include "host/scripting/descriptor_suites.h"

namespace brivo::host {

DescriptorHost::DescriptorHost(FilterHost& host) : host_(host), store_(host.handles()) {
    parameters_.descriptorParametersVersion = 1;
    parameters_.playInfo = plugInDialogDisplay;
    parameters_.recordInfo = plugInDialogOptional;
    parameters_.readDescriptorProcs = readDescriptorProcs();
    parameters_.writeDescriptorProcs = writeDescriptorProcs();
    addDescriptorSuites(host_.suites());
    host_.setDescriptorParameters(&parameters_);
}

DescriptorHost::~DescriptorHost() {
    host_.setDescriptorParameters(nullptr);
    forget();
}

void DescriptorHost::replay(const DescriptorValues& values, int16_t playInfo) {
    Handle handle = store_.makeHandle(values);
    if (handle == nullptr) throw std::bad_alloc();
    forget();
    parameters_.descriptor = handle;
    parameters_.playInfo = playInfo;
}

void DescriptorHost::forget() {
    host_.handles().dispose(parameters_.descriptor);
    parameters_.descriptor = nullptr;
}

std::optional<DescriptorValues> DescriptorHost::recorded() {
    return store_.valuesOf(parameters_.descriptor);
}

}  // namespace brivo::host
