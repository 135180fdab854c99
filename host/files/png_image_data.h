#pragma once

// The image data of a PNG file, the zlib stream its IDAT chunks carry: every row filtered with
// the Paeth predictor, which suits photographs best of the five filters at a fraction of the
// cost of trying all five, and compressed in independent pieces of fixed size on several
// threads. The pieces are handed on in order as they are ready, so the whole stream is never
// held at once, and the bytes do not depend on the number of threads.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace brivo::host::image_codec {

// Compression settings from 0 (stored, fastest) to 9 (smallest, slowest). Each piece of the
// image is compressed matching runs of equal bytes only, which for photographs is both
// smaller and several times faster than zlib's own levels 1 to 6. From setting 6 (the
// documents' default) up, zlib's full match search at level setting + 1 is tried too and the
// smaller result kept: on the pieces where it wins on a sample, or at 9 on every piece.
inline constexpr int kLeastPngCompression = 0;
inline constexpr int kMostPngCompression = 9;

enum class PngSearch { never, whereItPays, always };

struct PngDeflateSettings {
    bool store;        // stored without compression
    PngSearch search;  // when the full match search is tried besides run matching
    int searchLevel;   // zlib's level for that search
};
PngDeflateSettings deflateSettingsFor(int compression);

// Fills `row` (rowBytes bytes) with the unfiltered samples of row y. Called from several
// threads at once, each time for a different row.
using PngRowSource = std::function<void(size_t y, uint8_t* row)>;

// Receives the stream's next bytes, in order, on the thread that called
// compressPngImageData, with the number of rows the stream holds up to their end.
using PngStreamSink = std::function<void(std::span<const uint8_t> bytes, size_t rowsDone)>;

// Passes the zlib stream of `height` rows of rowBytes bytes with pixelBytes bytes per pixel,
// compressed as `compression` says, to `sink`, using at most `threads` threads. Throws
// std::bad_alloc when memory is short, std::runtime_error when zlib fails, and whatever the
// row source or the sink throw; every thread has stopped when it returns or throws.
void compressPngImageData(size_t height, size_t rowBytes, size_t pixelBytes, int compression,
                          int threads, const PngRowSource& rowSource, const PngStreamSink& sink);

}  // namespace brivo::host::image_codec
