// The start selector: settles the parameters, then lights the filter area strip by strip.
#pragma once

#include "core/plugin_context.h"

namespace brivo {

inline constexpr int32_t kStripHeight = 256;

void runFilter(PluginContext& context);

}  // namespace brivo
