// The once-per-load check that the host offers the two suites the filter cannot work
// without.
#pragma once

#include "core/plugin_context.h"

namespace brivo {

// True when the ChannelPorts and Buffer suites are there. Probes the host only on the
// first call; the outcome holds for the life of the loaded module. Stores -30900 in the
// context's result when the suites are missing.
bool checkHostSuites(PluginContext& context);

}  // namespace brivo
