#include "host/scripting/descriptor_suites.h"

#include <utility>

#include "host/runtime/procedure_guard.h"
#include "host/scripting/descriptor_store.h"
#include "pluginapi/descriptor_suites.h"

namespace brivo::host {

namespace {

template <class Body>
SPErr onStore(Body&& body) noexcept {
    return guardStatus<DescriptorStore>(std::forward<Body>(body));
}

SPErr make(PIActionDescriptor* descriptor) noexcept {
    if (descriptor == nullptr) return kSPBadParameterError;
    *descriptor = nullptr;
    return onStore([&](DescriptorStore& store) {
        *descriptor = store.makeDescriptor();
        return kSPNoError;
    });
}

SPErr freeDescriptor(PIActionDescriptor descriptor) noexcept {
    return onStore([&](DescriptorStore& store) {
        return store.freeDescriptor(descriptor) ? kSPNoError : kSPBadParameterError;
    });
}

SPErr registerEntry(const char* key, PIActionDescriptor descriptor, uint8_t) noexcept {
    if (key == nullptr) return kSPBadParameterError;
    return onStore([&](DescriptorStore& store) {
        return store.registerEntry(key, descriptor) ? kSPNoError : kSPBadParameterError;
    });
}

SPErr eraseEntry(const char* key) noexcept {
    if (key == nullptr) return kSPBadParameterError;
    return onStore([&](DescriptorStore& store) {
        return store.eraseEntry(key) ? kSPNoError : kSPBadParameterError;
    });
}

SPErr getEntry(const char* key, PIActionDescriptor* descriptor) noexcept {
    if (key == nullptr || descriptor == nullptr) return kSPBadParameterError;
    *descriptor = nullptr;
    return onStore([&](DescriptorStore& store) {
        *descriptor = store.copyEntry(key);
        return kSPNoError;
    });
}

const PSActionDescriptorProcs actionDescriptorProcs{&make, &freeDescriptor};
const PSDescriptorRegistryProcs registryProcs{&registerEntry, &eraseEntry, &getEntry};

}  // namespace

void addDescriptorSuites(SuiteRegistry& registry) {
    registry.add(kPSActionDescriptorSuite, kPSActionDescriptorSuiteVersion, &actionDescriptorProcs);
    registry.add(kPSDescriptorRegistrySuite, kPSDescriptorRegistrySuiteVersion, &registryProcs);
}

}  // namespace brivo::host
