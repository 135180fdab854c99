// Pictures of windows saved as image files (documentation, checks of the dialogs' look).
#pragma once

#include <string>

#include "host/toolkit/software_canvas.h"

namespace brivo::app {

// Saves a window's picture as an image file, PNG by its name. Throws on failure.
void writeWindowPicture(const host::toolkit::RgbImage& picture, const std::string& path);

}  // namespace brivo::app
