#pragma once

// Reading and writing image documents as PNG, JPEG and TIFF files.

#include <optional>
#include <stdexcept>
#include <string>

#include "host/files/planar_document.h"

namespace brivo::host {

// A file that cannot be read or written; the message names the file and what is wrong.
class ImageFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The format a path's extension asks for (.png, .jpg/.jpeg, .tif/.tiff, any letter case).
std::optional<ImageFormat> imageFormatForPath(const std::string& path);

// Reads the first image of a PNG, JPEG or TIFF file, recognised by its content rather than its
// name. Accepts 8-bit Grayscale, RGB and CMYK, with or without transparency; palette PNGs are
// expanded to RGB (with alpha when they carry transparency), and a PNG's single transparent
// colour becomes an alpha plane. Throws ImageFileError for anything else. Only the first page
// of a multi-page TIFF is read. Kept besides the pixels: transparency, the ICC profile and the
// resolution (except in CMYK JPEGs, which have no JFIF header); other metadata (EXIF, text
// chunks, further pages) is not.
PlanarDocument readImageFile(const std::string& path);

// Writes the document in the format its extension names. The file appears complete or not at
// all: the data goes to a temporary file in the same directory that is renamed over the target
// on success and removed on failure. PNG and TIFF (deflate) are lossless; JPEG uses the
// document's jpegQuality with full-resolution colour. Throws ImageFileError when the format
// cannot hold the document (CMYK as PNG, transparency as JPEG) or the write fails.
void writeImageFile(const PlanarDocument& document, const std::string& path);

}  // namespace brivo::host
