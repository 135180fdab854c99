#pragma once

// TIFF through libtiff: 8-bit Grayscale, RGB and CMYK, in strips or tiles.

#include <string>

#include "host/image_document.h"

namespace brivo::host::image_codec {

// Reads the first image of the TIFF file at `path`, keeping its alpha kind, ICC profile and
// resolution.
ImageDocument readTiff(const std::string& path);

// Writes the document to the file `file` with deflate compression; `path` names the target in
// ImageFileError messages.
void writeTiff(const ImageDocument& document, const std::string& file, const std::string& path);

}  // namespace brivo::host::image_codec
