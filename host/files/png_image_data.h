#pragma once

// The image data of a PNG file, the zlib stream its IDAT chunks carry: every row filtered with
// the Paeth predictor, which suits photographs best of the five filters at a fraction of the
// cost of trying all five, and compressed in independent pieces on several threads that are
// joined into one stream.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace brivo::host::image_codec {

// zlib levels: 0 stores, 1 is fastest, 9 smallest. 7 balances size and time for photographs.
inline constexpr int kDefaultPngCompression = 7;
inline constexpr int kLeastPngCompression = 0;
inline constexpr int kMostPngCompression = 9;

// Fills `row` (rowBytes bytes) with the unfiltered samples of row y. Called from several
// threads at once, each time for a different row.
using PngRowSource = std::function<void(size_t y, uint8_t* row)>;

// A zlib stream in parts, to be written one after the other.
struct PngImageData {
    std::vector<uint8_t> header;
    std::vector<std::vector<uint8_t>> pieces;
    std::vector<uint8_t> trailer;
};

// The zlib stream of `height` rows of rowBytes bytes with pixelBytes bytes per pixel, at the
// given level (clamped to 0 .. 9), split among at most `threads` threads. Throws
// std::bad_alloc when memory is short and std::runtime_error when zlib fails.
PngImageData compressPngImageData(size_t height, size_t rowBytes, size_t pixelBytes, int level,
                                  int threads, const PngRowSource& rowSource);

// The threads the host's encoders may use: BRIVO_THREADS when it is a whole number from 1 to
// 64, else the processors available.
int encoderThreadCount();

}  // namespace brivo::host::image_codec
