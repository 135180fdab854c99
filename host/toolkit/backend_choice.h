// Which backend shows a command's dialogs: real windows for a person at a terminal with a
// display, the headless backend otherwise (its dialogs close at once, as cancelled).
#pragma once

#include <memory>

#include "host/toolkit/backend.h"

namespace brivo::host::toolkit {

// FLTK when the process runs at a terminal (standard input and output), an X display can
// be opened and BRIVO_HEADLESS is not set to 1; headless otherwise.
std::unique_ptr<Backend> makeBackendForCommand();

}  // namespace brivo::host::toolkit
