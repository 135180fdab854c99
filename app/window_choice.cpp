#include "app/window_choice.h"

#include <unistd.h>

#include "host/files/image_file.h"
#include "host/files/planar_document.h"
#ifdef BRIVO_HAVE_FLTK
#include "host/toolkit/fltk_backend.h"
#endif

namespace brivo::app {

bool canShowWindows() {
#ifdef BRIVO_HAVE_FLTK
    return isatty(STDIN_FILENO) == 1 && host::toolkit::FltkBackend::displayAvailable();
#else
    return false;
#endif
}

void writeWindowPicture(const host::toolkit::RgbImage& picture, const std::string& path) {
    host::PlanarDocument document =
        host::makePlanarDocument(picture.width, picture.height, plugInModeRGBColor);
    const size_t pixels = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
    for (size_t i = 0; i < pixels; ++i)
        for (size_t c = 0; c < 3; ++c) document.planes[c][i] = picture.pixels[i * 3 + c];
    host::writeImageFile(document, path);
}

}  // namespace brivo::app
