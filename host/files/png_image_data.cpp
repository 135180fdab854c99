#include "host/files/png_image_data.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>
#include <thread>

namespace brivo::host::image_codec {

namespace {

constexpr uint8_t kPaethFilter = 4;
constexpr size_t kOutputStep = size_t{1} << 16;
// Fewer rows than this per piece cost more in lost matches than the thread gains.
constexpr size_t kLeastRowsPerPiece = 64;

uint8_t paethPredictor(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
    return static_cast<uint8_t>(pb <= pc ? b : c);
}

// out[0] = the filter type, out[1 ..] = row less its Paeth prediction from the row above.
void paethFilter(const uint8_t* row, const uint8_t* above, size_t rowBytes, size_t pixelBytes,
                 uint8_t* out) {
    out[0] = kPaethFilter;
    const size_t lead = std::min(pixelBytes, rowBytes);
    for (size_t i = 0; i < lead; ++i) out[1 + i] = static_cast<uint8_t>(row[i] - above[i]);
    for (size_t i = lead; i < rowBytes; ++i)
        out[1 + i] = static_cast<uint8_t>(
            row[i] - paethPredictor(row[i - pixelBytes], above[i], above[i - pixelBytes]));
}

// One piece of the stream: rows [first, end) deflated without a header, ending in a sync
// flush (a later piece follows) or in the stream's final block.
struct Piece {
    size_t first = 0;
    size_t end = 0;
    bool last = false;
    std::vector<uint8_t> deflated;
    uLong adler = 0;
    size_t inputBytes = 0;
    std::exception_ptr failure;
};

class RawDeflater {
  public:
    explicit RawDeflater(int level) {
        // Z_FILTERED suits the small residuals the predictor leaves; the largest hash table
        // finds a few more matches at little cost.
        const int status =
            deflateInit2(&stream_, level, Z_DEFLATED, -MAX_WBITS, MAX_MEM_LEVEL, Z_FILTERED);
        if (status == Z_MEM_ERROR) throw std::bad_alloc();
        if (status != Z_OK) throw std::runtime_error("cannot start the PNG compressor");
    }
    ~RawDeflater() { deflateEnd(&stream_); }
    RawDeflater(const RawDeflater&) = delete;
    RawDeflater& operator=(const RawDeflater&) = delete;

    void add(const uint8_t* bytes, size_t count, int flush, std::vector<uint8_t>& out) {
        stream_.next_in = const_cast<Bytef*>(bytes);
        stream_.avail_in = static_cast<uInt>(count);
        do {
            const size_t used = out.size();
            out.resize(used + kOutputStep);
            stream_.next_out = out.data() + used;
            stream_.avail_out = static_cast<uInt>(kOutputStep);
            const int status = deflate(&stream_, flush);
            // What deflate left unused goes; the bound keeps the new size within the step.
            const size_t unused = std::min<size_t>(stream_.avail_out, kOutputStep);
            out.resize(used + (kOutputStep - unused));
            if (status == Z_STREAM_ERROR) throw std::runtime_error("PNG compression failed");
        } while (stream_.avail_out == 0 || stream_.avail_in != 0);
    }

  private:
    z_stream stream_{};
};

void compressPiece(Piece& piece, size_t rowBytes, size_t pixelBytes, int level,
                   const PngRowSource& rowSource) {
    RawDeflater deflater(level);
    std::vector<uint8_t> rows(2 * rowBytes, 0);
    std::vector<uint8_t> filtered(rowBytes + 1);
    uint8_t* above = rows.data();
    uint8_t* row = rows.data() + rowBytes;
    if (piece.first > 0) rowSource(piece.first - 1, above);
    piece.adler = adler32(0L, Z_NULL, 0);
    for (size_t y = piece.first; y < piece.end; ++y) {
        rowSource(y, row);
        paethFilter(row, above, rowBytes, pixelBytes, filtered.data());
        piece.adler = adler32(piece.adler, filtered.data(), static_cast<uInt>(filtered.size()));
        const bool final = y + 1 == piece.end;
        const int flush = !final ? Z_NO_FLUSH : piece.last ? Z_FINISH : Z_SYNC_FLUSH;
        deflater.add(filtered.data(), filtered.size(), flush, piece.deflated);
        std::swap(above, row);
    }
    piece.inputBytes = (piece.end - piece.first) * filtered.size();
}

void compressPieceNoexcept(Piece& piece, size_t rowBytes, size_t pixelBytes, int level,
                           const PngRowSource& rowSource) noexcept {
    try {
        compressPiece(piece, rowBytes, pixelBytes, level, rowSource);
    } catch (...) {
        piece.failure = std::current_exception();
    }
}

}  // namespace

PngImageData compressPngImageData(size_t height, size_t rowBytes, size_t pixelBytes, int level,
                                  int threads, const PngRowSource& rowSource) {
    level = std::clamp(level, kLeastPngCompression, kMostPngCompression);
    const size_t wanted = static_cast<size_t>(std::max(threads, 1));
    const size_t pieceCount = std::clamp<size_t>(height / kLeastRowsPerPiece, size_t{1}, wanted);
    std::vector<Piece> pieces(pieceCount);
    for (size_t i = 0; i < pieceCount; ++i) {
        pieces[i].first = height * i / pieceCount;
        pieces[i].end = height * (i + 1) / pieceCount;
        pieces[i].last = i + 1 == pieceCount;
    }
    {
        std::vector<std::jthread> helpers;
        for (size_t i = 1; i < pieceCount; ++i) {
            try {
                helpers.emplace_back(compressPieceNoexcept, std::ref(pieces[i]), rowBytes,
                                     pixelBytes, level, std::cref(rowSource));
            } catch (const std::system_error&) {
                compressPieceNoexcept(pieces[i], rowBytes, pixelBytes, level, rowSource);
            }
        }
        compressPieceNoexcept(pieces[0], rowBytes, pixelBytes, level, rowSource);
    }
    for (const Piece& piece : pieces)
        if (piece.failure) std::rethrow_exception(piece.failure);

    // The stream is the zlib header, the pieces and the Adler-32 of all the filtered bytes,
    // most significant byte first. The pieces stay apart rather than being copied together.
    PngImageData data;
    data.header = {0x78, 0xDA};  // a 32 KiB window; the check bits make the pair a multiple of 31
    uLong adler = adler32(0L, Z_NULL, 0);
    for (Piece& piece : pieces) {
        adler = adler32_combine(adler, piece.adler, static_cast<z_off_t>(piece.inputBytes));
        data.pieces.push_back(std::move(piece.deflated));
    }
    for (int shift = 24; shift >= 0; shift -= 8)
        data.trailer.push_back(static_cast<uint8_t>(adler >> shift));
    return data;
}

int encoderThreadCount() {
    const char* value = std::getenv("BRIVO_THREADS");
    if (value != nullptr && *value != '\0') {
        char* end = nullptr;
        const long count = std::strtol(value, &end, 10);
        if (*end == '\0' && count >= 1 && count <= 64) return static_cast<int>(count);
    }
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 64);
}

}  // namespace brivo::host::image_codec
