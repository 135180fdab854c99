#pragma once

// Helpers the image codecs share: error reporting and moving pixels between a file's
// interleaved samples (colour, then alpha) and a document's planes.

#include <cstddef>
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

// A document of the given size whose planes are still empty: they (and alpha, when the
// file has it) grow with a PlaneGrowth as the file delivers rows. ImageFileError when the size is
// outside the supported range or above maxPixels.
PlanarDocument startDocument(const std::string& path, uint64_t width, uint64_t height,
                             int32_t imageMode, uint64_t maxPixels);

// Samples a pixel takes in the file: one per colour plane, plus one for alpha.
size_t samplesPerPixel(const PlanarDocument& document, bool withAlpha);

// The plane of interleaved sample `sample`: a colour plane, then alpha.
PlaneSamples& planeOfSample(PlanarDocument& document, size_t sample);

// Spreads `count` interleaved pixels into row y of the planes from column x; invertColour
// turns the colour samples into 255 - v (alpha is copied as it is). The rows must have room.
void scatterRow(const uint8_t* pixels, PlanarDocument& document, size_t y, bool withAlpha,
                bool invertColour, size_t x = 0, size_t count = SIZE_MAX);

// Interleaves row y of the document into `row`, with alpha when withAlpha; invertColour as
// for scatterPixels.
void gatherRow(const PlanarDocument& document, size_t y, bool withAlpha, bool invertColour,
               uint8_t* row);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace brivo::host::image_codec
