#pragma once

// TIFF through libtiff: 8-bit Grayscale, RGB and CMYK, in strips or tiles.

#include <string>

#include "host/files/file_options.h"
#include "host/files/planar_document.h"

namespace brivo::host::image_codec {

// Reads the TIFF file at `file`, keeping its alpha kind, ICC profile and resolution. A file
// of several pages is refused rather than filtered and written back as one page. `path`
// names the file in ImageFileError messages.
PlanarDocument readTiff(const std::string& file, const std::string& path,
                        const ReadOptions& options);

// Writes the document to the file `file` with deflate compression; `path` names the target in
// ImageFileError messages.
void writeTiff(const PlanarDocument& document, const std::string& file, const std::string& path,
               const WriteOptions& options);

}  // namespace brivo::host::image_codec
