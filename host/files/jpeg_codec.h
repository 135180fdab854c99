#pragma once

// JPEG through libjpeg: 8-bit Grayscale, RGB and CMYK.

#include <cstdio>
#include <string>

#include "host/files/file_options.h"
#include "host/files/planar_document.h"

namespace brivo::host::image_codec {

// Reads the JPEG stream `file`, keeping the ICC profile, the JFIF resolution, and the quality
// and sampling estimated from its tables. A stream that ends early is an error; damaged data
// the decoder gets past is passed to options.warn. `path` names the file in messages.
PlanarDocument readJpeg(std::FILE* file, const std::string& path, const ReadOptions& options);

// Writes a document without alpha to `file` at the requested or the document's quality and
// sampling; CMYK gets an Adobe marker.
void writeJpeg(const PlanarDocument& document, std::FILE* file, const std::string& path,
               const WriteOptions& options);

}  // namespace brivo::host::image_codec
