// `brivo about`: calls the module's about selector.
#pragma once

#include "app/command_line.h"

namespace brivo::app {

// Shows the module's about box (in a window at a terminal with a display, or drawn
// offscreen into --screenshot), then prints the module's menu name and version; returns
// the exit status.
int runAbout(const AboutOptions& options);

}  // namespace brivo::app
