// The main dialog, run by the start selector when no recorded step replays silently.
#pragma once

#include "core/plugin_context.h"

namespace brivo {

// Lets the user edit the live parameters; true when the user confirmed.
bool RunLightDialog(PluginContext& context);

}  // namespace brivo
