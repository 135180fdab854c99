#pragma once

// PNG through libpng: 8-bit Grayscale and RGB, with or without alpha.

#include <cstdio>
#include <string>

#include "host/files/planar_document.h"

namespace brivo::host::image_codec {

// Reads the PNG stream `file`; palette images become RGB and a tRNS chunk becomes alpha.
// Keeps the ICC profile and the resolution. `path` names the file in ImageFileError messages.
PlanarDocument readPng(std::FILE* file, const std::string& path);

// Writes a Grayscale or RGB document, with its alpha, ICC profile and resolution, to `file`.
void writePng(const PlanarDocument& document, std::FILE* file, const std::string& path);

}  // namespace brivo::host::image_codec
