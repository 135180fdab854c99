#include "app/edit_command.h"

#include <iostream>
#include <stdexcept>

#include "app/edit_script.h"
#include "host/scripting/last_values.h"
#if BRIVO_HAVE_FLTK
#include "host/toolkit/fltk_backend.h"
#endif

namespace brivo::app {

namespace {

bool givenOnCommandLine(const ParameterSources& sources) {
    return sources.action || sources.preset || sources.color || !sources.sets.empty();
}

bool displayAvailable() {
#if BRIVO_HAVE_FLTK
    return host::toolkit::FltkBackend::displayAvailable();
#else
    return false;
#endif
}

}  // namespace

host::DescriptorValues startingValues(const ApplyOptions& options,
                                      const host::DescriptorValues& given) {
    if (givenOnCommandLine(options.parameters) || options.edit->fresh) return given;
    try {
        const std::optional<host::DescriptorValues> kept =
            host::LastValues::forModule(options.module).load();
        return kept ? *kept : given;
    } catch (const std::exception& error) {
        std::cerr << "brivo: warning: the last values are not used: " << error.what() << '\n';
        return given;
    }
}

std::unique_ptr<host::toolkit::Backend> dialogBackend(const EditOptions& edit) {
    const bool windowed = !edit.script || edit.windows;
    if (windowed && !displayAvailable())
        throw std::runtime_error(
            "brivo edit shows a dialog and needs a display, but none could be opened "
            "(is DISPLAY set?); use `brivo apply` to filter without the dialog");
    return makeScriptedBackend(edit.script ? loadScript(*edit.script) : std::vector<ScriptStep>(),
                               windowed);
}

void keepConfirmedValues(const ApplyOptions& options, const host::DescriptorValues& recorded) {
    try {
        host::LastValues::forModule(options.module).save(recorded);
    } catch (const std::exception& error) {
        std::cerr << "brivo: warning: the values could not be kept for next time: " << error.what()
                  << '\n';
    }
}

}  // namespace brivo::app
