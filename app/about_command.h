// `brivo about`: calls the module's about selector.
#pragma once

#include "app/command_line.h"

namespace brivo::app {

// Prints the module's menu name and version, since the about box itself needs a dialog
// toolkit; returns the exit status.
int runAbout(const AboutOptions& options);

}  // namespace brivo::app
