#pragma once

// JPEG through libjpeg: 8-bit Grayscale, RGB and CMYK.

#include <cstdio>
#include <string>

#include "host/files/planar_document.h"

namespace brivo::host::image_codec {

// Reads the JPEG stream `file`, keeping the ICC profile and the JFIF resolution. A stream that
// ends early is an error. `path` names the file in ImageFileError messages.
PlanarDocument readJpeg(std::FILE* file, const std::string& path);

// Writes a document without alpha to `file` at its jpegQuality, with full-resolution colour;
// CMYK gets an Adobe marker.
void writeJpeg(const PlanarDocument& document, std::FILE* file, const std::string& path);

}  // namespace brivo::host::image_codec
