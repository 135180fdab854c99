#pragma once

// TIFF through libtiff: 8-bit Grayscale, RGB and CMYK, in strips or tiles.

#include <string>

#include "host/files/planar_document.h"

namespace brivo::host::image_codec {

// Reads the first image of the TIFF file at `path`, keeping its alpha kind, ICC profile and
// resolution.
PlanarDocument readTiff(const std::string& path);

// Writes the document to the file `file` with deflate compression; `path` names the target in
// ImageFileError messages.
void writeTiff(const PlanarDocument& document, const std::string& file, const std::string& path);

}  // namespace brivo::host::image_codec
