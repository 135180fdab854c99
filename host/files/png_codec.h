#pragma once

// PNG through libpng: 8-bit Grayscale and RGB, with or without alpha.

#include <cstdio>
#include <string>
#include <vector>

#include "host/files/file_options.h"
#include "host/files/planar_document.h"

namespace brivo::host::image_codec {

// Reads the PNG stream `file`; palette images become RGB and a tRNS chunk becomes alpha.
// Keeps the ICC profile (including ones libpng would reject), the resolution, the text
// chunks and the gAMA, cHRM and sRGB chunks. `path` names the file in ImageFileError messages.
PlanarDocument readPng(std::FILE* file, const std::string& path, const ReadOptions& options);

// Writes a Grayscale or RGB document, with its alpha, ICC profile, resolution and metadata
// (`exif` as eXIf, XMP as iTXt, IPTC as a raw-profile text, the comment as text), to `file`.
void writePng(const PlanarDocument& document, const std::vector<uint8_t>& exif, std::FILE* file,
              const std::string& path, const WriteOptions& options);

}  // namespace brivo::host::image_codec
