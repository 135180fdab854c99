#include "shell/scripting_parameters.h"

#include "core/parameter_table.h"
#include "core/suite_holder.h"
#include "descriptor_suites.h"
#include "shell/descriptor_reader.h"
#include "shell/descriptor_writer.h"

namespace brivo {

namespace {

// The two scripting suites, held for one read or write. A refusal is a suite error.
struct ScriptingSuites {
    explicit ScriptingSuites(const SPBasicSuite* basic)
        : registry(basic, kPSDescriptorRegistrySuite, kPSDescriptorRegistrySuiteVersion),
          descriptors(basic, kPSActionDescriptorSuite, kPSActionDescriptorSuiteVersion) {}

    void free(PIActionDescriptor descriptor) const {
        if (descriptor != nullptr && descriptors->Free != nullptr) descriptors->Free(descriptor);
    }

    SuiteHolder<PSDescriptorRegistryProcs> registry;
    SuiteHolder<PSActionDescriptorProcs> descriptors;
};

}  // namespace

bool readScriptingParameters(PluginContext& context) {
    const ScriptingSuites suites(context.basicSuite());
    // The module's registry entry is looked up but not interpreted; the copy the host
    // hands out is ours to free.
    if (suites.registry->Get != nullptr) {
        PIActionDescriptor entry = nullptr;
        suites.registry->Get(kPluginUniqueId, &entry);
        suites.free(entry);
    }
    const PIDescriptorParameters* descriptorParameters =
        context.filterRecord()->descriptorParameters;
    const bool replayed = readDescriptor(descriptorParameters, *context.parameters) &&
                          descriptorParameters->playInfo != plugInDialogDisplay;
    if (replayed) context.globals->showDialog = 0;
    return replayed;
}

void writeScriptingParameters(PluginContext& context) {
    const ScriptingSuites suites(context.basicSuite());
    PIActionDescriptor made = nullptr;
    const SPErr status = suites.descriptors->Make != nullptr ? suites.descriptors->Make(&made)
                                                             : kSPBadParameterError;
    if (status != kSPNoError || made == nullptr) {
        suites.free(made);
        return;
    }
    if (suites.registry->Register != nullptr) suites.registry->Register(kPluginUniqueId, made, 1);
    suites.free(made);
    writeDescriptor(context.filterRecord()->descriptorParameters, context.handleProcs(),
                    *context.parameters);
}

}  // namespace brivo
