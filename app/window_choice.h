// Whether a command can show real windows, and pictures of windows saved as files.
#pragma once

#include <string>

#include "host/toolkit/software_canvas.h"

namespace brivo::app {

// True when the command runs at a terminal, was built with real windows and an X display
// can be opened: only then may a modal window wait for the user.
bool canShowWindows();

// Saves a window's picture as an image file (PNG by its name). Throws on failure.
void writeWindowPicture(const host::toolkit::RgbImage& picture, const std::string& path);

}  // namespace brivo::app
