#include "shell/scripting_parameters.h"

namespace brivo {

// The host's scripting is not wired up yet: nothing replays and nothing is recorded.
bool readScriptingParameters(PluginContext&) { return false; }

void writeScriptingParameters(PluginContext&) {}

}  // namespace brivo
