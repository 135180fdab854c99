// Recording and replaying the parameters as a scripting descriptor.
#pragma once

#include "core/plugin_context.h"

namespace brivo {

// Reads a recorded descriptor into the parameters. True when one was read and the host
// replays it without the dialog; then showDialog is cleared.
bool readScriptingParameters(PluginContext& context);
// Writes the parameters as the descriptor the host records for this step.
void writeScriptingParameters(PluginContext& context);

}  // namespace brivo
