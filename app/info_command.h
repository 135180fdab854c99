// `brivo info`: describes a filter module.
#pragma once

#include "app/command_line.h"

namespace brivo::app {

int runInfo(const InfoOptions& options);

}  // namespace brivo::app
