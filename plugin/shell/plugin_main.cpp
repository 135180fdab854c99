// The module's entry point: one call per selector, nothing escapes.
#include <new>

#include "core/errors.h"
#include "core/plugin_context.h"
#include "dialog/about_box.h"
#include "filter_record.h"
#include "shell/filter_driver.h"
#include "shell/host_suite_check.h"
#include "shell/scripting_parameters.h"

namespace brivo {
namespace {

void dispatch(int16_t selector, PluginContext& context) {
    switch (selector) {
        case filterSelectorParameters:
            context.openHandles();
            context.globals->showDialog = 1;
            break;
        case filterSelectorPrepare:
        case filterSelectorContinue:
            context.openHandles();
            break;
        case filterSelectorStart:
            runFilter(context);
            break;
        case filterSelectorFinish:
            context.openHandles();
            writeScriptingParameters(context);
            break;
        default:
            break;
    }
}

void runSelector(int16_t selector, FilterRecord* filterRecord, intptr_t* dataSlot,
                 int16_t* result) {
    PluginContext context(filterRecord, dataSlot, result);
    if (!checkHostSuites(context)) return;
    try {
        dispatch(selector, context);
    } catch (const HostResultError& error) {
        context.setResult(error.code);
    } catch (const SuiteError&) {
        context.setResult(errPlugInHostInsufficient);
    } catch (const std::bad_alloc&) {
        context.setResult(memFullErr);
    } catch (...) {
        context.setResult(errPlugInHostInsufficient);
    }
}

}  // namespace
}  // namespace brivo

extern "C" __attribute__((visibility("default"))) void PluginMain(int16_t selector,
                                                                  FilterRecord* filterRecord,
                                                                  intptr_t* data,
                                                                  int16_t* result) noexcept {
    int16_t spareResult = 0;
    if (result == nullptr) result = &spareResult;
    *result = noErr;
    try {
        if (selector == filterSelectorAbout) {
            brivo::showAbout(reinterpret_cast<const AboutRecord*>(filterRecord));
            return;
        }
        // Without a record or a data slot there is no host to work with.
        if (filterRecord == nullptr || data == nullptr) {
            *result = errPlugInHostInsufficient;
            return;
        }
        brivo::runSelector(selector, filterRecord, data, result);
    } catch (const std::bad_alloc&) {
        *result = memFullErr;
    } catch (...) {
        *result = errPlugInHostInsufficient;
    }
}
