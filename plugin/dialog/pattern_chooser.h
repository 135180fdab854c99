// The pattern chooser: the host's open-file dialog, starting in the "Patterns" folder that
// ships beside the module.
#pragma once

#include "basic_suite.h"
#include "core/filter_parameters.h"

namespace brivo {

struct PatternChoice {
    enum class Outcome { picked, cancelled, tooLong };
    Outcome outcome = Outcome::cancelled;
    ShapePath path;  // the picked file when outcome is picked
};

// Shows the open-file dialog titled "Choose Pattern..." for JPEG and PNG files. The start
// folder is worked out on the first call and kept for the process; a call that fails to
// work it out leaves it unknown, so the next call tries again. A picked path longer than
// the parameter record holds is reported as tooLong, never cut. Throws SuiteError when
// the host refuses the plug-ins or dialog suite.
PatternChoice choosePattern(const SPBasicSuite* basic, void* plugInRef);

// Forgets the start folder (for a module whose files moved, and for tests).
void forgetPatternFolder();

}  // namespace brivo
