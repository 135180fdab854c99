// The module's entry point: one call per selector, nothing escapes.
#include <new>

#include "core/errors.h"
#include "core/plugin_context.h"
#include "dialog/about_dialog.h"
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

// Runs `body`, storing the result code of any error it raises: the host code itself, or
// errPlugInHostInsufficient for a suite that failed.
template <class Body>
void storeErrors(int16_t* result, Body&& body) {
    try {
        body();
    } catch (const HostResultError& error) {
        *result = error.code;
    } catch (const SuiteError&) {
        *result = errPlugInHostInsufficient;
    } catch (const std::bad_alloc&) {
        *result = memFullErr;
    } catch (...) {
        *result = errPlugInHostInsufficient;
    }
}

void runSelector(int16_t selector, FilterRecord* filterRecord, intptr_t* dataSlot,
                 int16_t* result) {
    PluginContext context(filterRecord, dataSlot, result);
    if (!checkHostSuites(context)) return;
    storeErrors(result, [&] { dispatch(selector, context); });
}

// The about box needs no handles and no suite check; without a basic suite there is no
// host to show it with.
void runAbout(const AboutRecord* about, int16_t* result) {
    if (about == nullptr || about->sSPBasic == nullptr) return;
    storeErrors(result, [&] { ShowAbout(*about); });
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
            brivo::runAbout(reinterpret_cast<const AboutRecord*>(filterRecord), result);
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
