// EXIF, XMP, IPTC and comments: read from any image file and written into JPEG and TIFF
// files, through exiv2.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/files/planar_document.h"

namespace brivo::host::image_codec {

// Fills document.metadata's EXIF, XMP and IPTC (and, for JPEG, the comment) from the file at
// `path`, and document.orientation from its EXIF orientation. A file whose metadata cannot be
// parsed keeps its pixels: the metadata is then left empty and `false` returned.
bool readMetadata(const std::string& file, ImageFormat format, PlanarDocument& document);

// The document's EXIF block as it should be written: orientation and pixel dimensions
// saying what the document now holds. Empty when the document has no EXIF.
std::vector<uint8_t> exifForWriting(const PlanarDocument& document);

// Writes `exif` and the document's XMP, IPTC and comment into the JPEG or TIFF file at
// `file`, which the codec has just written; `path` names the target in messages.
void writeMetadata(const PlanarDocument& document, const std::vector<uint8_t>& exif,
                   const std::string& file, const std::string& path);

}  // namespace brivo::host::image_codec
