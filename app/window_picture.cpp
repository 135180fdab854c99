#include "app/window_picture.h"

#include "host/files/image_file.h"
#include "host/files/planar_document.h"

namespace brivo::app {

void writeWindowPicture(const host::toolkit::RgbImage& picture, const std::string& path) {
    host::PlanarDocument document =
        host::makePlanarDocument(picture.width, picture.height, plugInModeRGBColor);
    const size_t pixels = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
    for (size_t i = 0; i < pixels; ++i)
        for (size_t c = 0; c < 3; ++c) document.planes[c][i] = picture.pixels[i * 3 + c];
    host::writeImageFile(document, path);
}

}  // namespace brivo::app
