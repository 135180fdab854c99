// `brivo apply`: runs the filter module on an image file.
#pragma once

#include "app/command_line.h"

namespace brivo::app {

// Returns the exit status; every failure is reported on stderr first.
int runApply(const ApplyOptions& options);

}  // namespace brivo::app
