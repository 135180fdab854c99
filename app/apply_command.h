// `brivo apply`: runs the filter module on one image file.
#pragma once

#include <string>
#include <vector>

#include "app/command_line.h"

namespace brivo::app {

// How one file's run ended.
struct ApplyOutcome {
    int exitStatus = kExitSuccess;  // kExitSuccess, kExitFailure or kExitCancelled
    std::string error;              // why it failed; empty on success
    // What the run got past: an unusable pattern, damaged input data. Under --strict any
    // warning fails the run.
    std::vector<std::string> warnings;
};

// Filters options.input into options.output. Checks every path before any work, never
// writes over a file it reads, and writes the output (and the --record action) only when
// everything succeeded. Draws the progress bar and the -v report on stderr as it goes but
// prints neither the warnings nor the error: the caller does. Ctrl-C and SIGTERM cancel it
// (exit status 130) leaving no file behind.
ApplyOutcome applyToFile(const ApplyOptions& options);

// applyToFile, with the warnings and the error printed on stderr; returns the exit status.
int runApply(const ApplyOptions& options);

}  // namespace brivo::app
