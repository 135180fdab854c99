#pragma once

// Helpers the image codecs share: error reporting and moving pixels between a file's
// interleaved samples (colour, then alpha) and a document's planes.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "host/files/planar_document.h"

namespace brivo::host::image_codec {

// Throws ImageFileError with the message "<path>: <what>".
[[noreturn]] void fail(const std::string& path, const std::string& what);

// Throws ImageFileError saying that `kind` (e.g. "16-bit images") is not supported.
[[noreturn]] void failUnsupported(const std::string& path, const std::string& kind);

// "<bits>-bit images", for failUnsupported.
std::string bitDepthKind(unsigned bits);

// Room for a whole image's interleaved samples, samples per pixel, left unfilled: decoding
// writes every byte, and a file that claims a huge image but ends early fails having touched
// only the rows it reached. ImageFileError when the size is outside the supported range.
std::unique_ptr<uint8_t[]> allocateSamples(const std::string& path, uint64_t width, uint64_t height,
                                           size_t samplesPerPixel);

// A document of the given size, or ImageFileError when the size is outside the supported range.
PlanarDocument allocateDocument(const std::string& path, uint64_t width, uint64_t height,
                                int32_t imageMode, bool withAlpha);

// Samples a pixel takes in the file: one per colour plane, plus one for alpha.
size_t samplesPerPixel(const PlanarDocument& document, bool withAlpha);

// Spreads interleaved pixels over the document's planes; invertColour turns the colour
// samples into 255 - v (alpha is copied as it is).
void scatterPixels(const uint8_t* pixels, PlanarDocument& document, bool invertColour);

// Interleaves row y of the document into `row`, with alpha when withAlpha; invertColour as
// for scatterPixels.
void gatherRow(const PlanarDocument& document, size_t y, bool withAlpha, bool invertColour,
               uint8_t* row);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace brivo::host::image_codec
