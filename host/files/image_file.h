#pragma once

// Reading and writing image documents as PNG, JPEG and TIFF files.

#include <optional>
#include <stdexcept>
#include <string>

#include "host/files/file_options.h"
#include "host/files/planar_document.h"

namespace brivo::host {

// A file that cannot be read or written; the message names the file and what is wrong.
class ImageFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The format a path's extension asks for (.png, .jpg/.jpeg, .tif/.tiff, any letter case).
std::optional<ImageFormat> imageFormatForPath(const std::string& path);

// The path that stands for standard input or output.
inline constexpr const char* kStandardStream = "-";

// Reads a PNG, JPEG or TIFF file, recognised by its content rather than its name; "-" reads
// standard input, and pipes and other streams are buffered whole first. Accepts 8-bit
// Grayscale, RGB and CMYK, with or without transparency; palette PNGs are expanded to RGB
// (with alpha when they carry transparency), and a PNG's single transparent colour becomes
// an alpha plane. Throws ImageFileError for anything else, for a document above
// options.maxPixels and for a TIFF file of several pages. Kept besides the pixels:
// transparency, the ICC profile, the resolution and the metadata (EXIF, XMP, IPTC, comments,
// PNG text and colour chunks). Unless options.keepOrientation, the pixels are turned upright
// as the EXIF orientation says.
PlanarDocument readImageFile(const std::string& path, const ReadOptions& options = {});

// Why `document` cannot be written as `format`, or empty when it can.
std::string formatRefusal(const PlanarDocument& document, ImageFormat format);

// Writes the document in options.format, else the format its extension names; "-" writes to
// standard output. The file appears complete or not at all: the data goes to a temporary file
// in the same directory that is renamed over the target on success and removed on failure or
// cancellation. PNG and TIFF (deflate) are lossless; JPEG uses the requested quality, else the
// document's. The metadata is written too, the EXIF saying the document's orientation and
// size. Throws ImageFileError when the format cannot hold the document (CMYK as PNG,
// transparency as JPEG) or the write fails, FileCancelled when options.rows asked to stop.
void writeImageFile(const PlanarDocument& document, const std::string& path,
                    const WriteOptions& options = {});

}  // namespace brivo::host
