// `brivo apply` on several files: folders, shards, a pool of worker processes, a report.
#pragma once

#include "app/command_line.h"

namespace brivo::app {

// Exit status 0 when every file was filtered or skipped, 3 when some failed, 1 when the
// batch could not start, 130 when interrupted.
int runBatch(const ApplyOptions& options);

}  // namespace brivo::app
