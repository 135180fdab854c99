#include "host/files/png_image_data.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <stdexcept>
#include <stop_token>
#include <system_error>
#include <thread>
#include <vector>

namespace brivo::host::image_codec {

namespace {

constexpr uint8_t kPaethFilter = 4;
constexpr size_t kOutputStep = size_t{1} << 16;
// Rows are compressed in pieces of about this many filtered bytes: enough that the joins cost
// nothing measurable, few enough that the threads share the work evenly.
constexpr size_t kPieceInputBytes = size_t{1} << 20;
// deflate's window, which each piece is given from the rows before it.
constexpr size_t kWindowBytes = size_t{1} << 15;
// Pieces that may be compressed ahead of the next one passed on, per thread.
constexpr size_t kPiecesAheadPerThread = 2;

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

class RawDeflater {
  public:
    explicit RawDeflater(PngDeflateSettings settings) {
        // The largest hash table finds a few more matches at little cost.
        const int status = deflateInit2(&stream_, settings.level, Z_DEFLATED, -MAX_WBITS,
                                        MAX_MEM_LEVEL, settings.strategy);
        if (status == Z_MEM_ERROR) throw std::bad_alloc();
        if (status != Z_OK) throw std::runtime_error("cannot start the PNG compressor");
    }
    ~RawDeflater() { deflateEnd(&stream_); }
    RawDeflater(const RawDeflater&) = delete;
    RawDeflater& operator=(const RawDeflater&) = delete;

    // Starts a new piece whose output follows `preceding`, the bytes before it in the stream,
    // so that its matches may reach back into them.
    void restart(std::span<const uint8_t> preceding) {
        if (deflateReset(&stream_) != Z_OK)
            throw std::runtime_error("cannot restart the PNG compressor");
        if (!preceding.empty() && deflateSetDictionary(&stream_, preceding.data(),
                                                       static_cast<uInt>(preceding.size())) != Z_OK)
            throw std::runtime_error("cannot restart the PNG compressor");
    }

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

// One piece of the stream: rows [first, end) deflated without a header, ending in a sync
// flush (a later piece follows) or in the stream's final block.
struct Piece {
    size_t first = 0;
    size_t end = 0;
    bool last = false;
    std::vector<uint8_t> deflated;
    uLong adler = 0;
    std::exception_ptr failure;
    bool ready = false;  // compressed, or failed; guarded by the schedule's mutex
};

// Filters and compresses pieces, one at a time, on one thread.
class PieceCompressor {
  public:
    PieceCompressor(size_t rowBytes, size_t pixelBytes, PngDeflateSettings settings,
                    const PngRowSource& rowSource)
        : rowBytes_(rowBytes),
          pixelBytes_(pixelBytes),
          rowSource_(rowSource),
          deflater_(settings),
          rows_(2 * rowBytes),
          filtered_(rowBytes + 1) {}

    // Compresses `piece`, leaving it unfinished when `stop` is asked for.
    void compress(Piece& piece, const std::stop_token& stop) {
        // The rows just before the piece, filtered as the stream holds them, fill deflate's
        // window as they would have in one unbroken stream.
        const size_t rowsInWindow = (kWindowBytes + filtered_.size() - 1) / filtered_.size();
        const size_t start = piece.first - std::min(piece.first, rowsInWindow);
        window_.clear();
        startAt(start);
        for (size_t y = start; y < piece.first; ++y) {
            filterRow(y);
            window_.insert(window_.end(), filtered_.begin(), filtered_.end());
        }
        const size_t windowBytes = std::min(window_.size(), kWindowBytes);
        deflater_.restart(std::span(window_).last(windowBytes));

        piece.adler = adler32(0L, Z_NULL, 0);
        for (size_t y = piece.first; y < piece.end; ++y) {
            if (stop.stop_requested()) return;
            filterRow(y);
            piece.adler =
                adler32(piece.adler, filtered_.data(), static_cast<uInt>(filtered_.size()));
            deflater_.add(filtered_.data(), filtered_.size(), Z_NO_FLUSH, piece.deflated);
        }
        deflater_.add(nullptr, 0, piece.last ? Z_FINISH : Z_SYNC_FLUSH, piece.deflated);
    }

  private:
    // Makes row y - 1 the row above the next one filtered: zeros above the first row.
    void startAt(size_t y) {
        uint8_t* above = rows_.data();
        if (y == 0)
            std::fill_n(above, rowBytes_, uint8_t{0});
        else
            rowSource_(y - 1, above);
        aboveFirst_ = true;
    }

    // Filters row y into filtered_; the row above must be the one read last.
    void filterRow(size_t y) {
        uint8_t* above = rows_.data() + (aboveFirst_ ? 0 : rowBytes_);
        uint8_t* row = rows_.data() + (aboveFirst_ ? rowBytes_ : 0);
        rowSource_(y, row);
        paethFilter(row, above, rowBytes_, pixelBytes_, filtered_.data());
        aboveFirst_ = !aboveFirst_;
    }

    size_t rowBytes_;
    size_t pixelBytes_;
    const PngRowSource& rowSource_;
    RawDeflater deflater_;
    std::vector<uint8_t> rows_;  // the row above and the row being filtered, in turn
    bool aboveFirst_ = true;
    std::vector<uint8_t> filtered_;
    std::vector<uint8_t> window_;
};

// Hands pieces to threads in order, keeping them at most `ahead` pieces ahead of the next one
// to be passed on, so that the output waiting for its turn stays small.
class PieceSchedule {
  public:
    PieceSchedule(std::vector<Piece>& pieces, size_t ahead) : pieces_(pieces), ahead_(ahead) {}

    // For a helper thread: the next piece to compress, or null when none is left or `stop`
    // was asked for.
    Piece* take(const std::stop_token& stop) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait(lock, stop, [&] { return noneLeft() || mayTake(); })) return nullptr;
        return noneLeft() ? nullptr : &pieces_[nextToTake_++];
    }

    // For the writing thread: waits until piece `next` is ready, answering null, or until
    // a piece may be taken, answering it.
    Piece* nextOrTake(size_t next) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return pieces_[next].ready || (!noneLeft() && mayTake()); });
        return pieces_[next].ready ? nullptr : &pieces_[nextToTake_++];
    }

    void finished(Piece& piece) {
        const std::lock_guard lock(mutex_);
        piece.ready = true;
        changed_.notify_all();
    }

    void passedOn(size_t next) {
        const std::lock_guard lock(mutex_);
        nextToPass_ = next;
        changed_.notify_all();
    }

  private:
    bool noneLeft() const { return nextToTake_ == pieces_.size(); }
    bool mayTake() const { return nextToTake_ < nextToPass_ + ahead_; }

    std::vector<Piece>& pieces_;
    size_t ahead_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    size_t nextToTake_ = 0;
    size_t nextToPass_ = 0;
};

void compressNoexcept(PieceCompressor& compressor, Piece& piece, const std::stop_token& stop) {
    try {
        compressor.compress(piece, stop);
    } catch (...) {
        piece.failure = std::current_exception();
    }
}

// A helper thread's work: pieces until none is left or it is asked to stop.
void compressPieces(const std::stop_token& stop, PieceSchedule& schedule, size_t rowBytes,
                    size_t pixelBytes, PngDeflateSettings settings,
                    const PngRowSource& rowSource) noexcept {
    std::optional<PieceCompressor> compressor;
    while (Piece* piece = schedule.take(stop)) {
        try {
            if (!compressor) compressor.emplace(rowBytes, pixelBytes, settings, rowSource);
            compressNoexcept(*compressor, *piece, stop);
        } catch (...) {
            piece->failure = std::current_exception();
        }
        schedule.finished(*piece);
    }
}

std::vector<Piece> piecesOf(size_t height, size_t rowBytes) {
    const size_t rowsPerPiece = std::max<size_t>(1, kPieceInputBytes / (rowBytes + 1));
    const size_t count = std::max<size_t>(1, (height + rowsPerPiece - 1) / rowsPerPiece);
    std::vector<Piece> pieces(count);
    for (size_t i = 0; i < count; ++i) {
        pieces[i].first = std::min(height, i * rowsPerPiece);
        pieces[i].end = std::min(height, (i + 1) * rowsPerPiece);
        pieces[i].last = i + 1 == count;
    }
    return pieces;
}

}  // namespace

PngDeflateSettings deflateSettingsFor(int compression) {
    compression = std::clamp(compression, kLeastPngCompression, kMostPngCompression);
    if (compression == 0) return {0, Z_DEFAULT_STRATEGY};
    // Z_FILTERED suits the small residuals the predictor leaves when matches are searched.
    return {compression, compression < 7 ? Z_RLE : Z_FILTERED};
}

void compressPngImageData(size_t height, size_t rowBytes, size_t pixelBytes, int compression,
                          int threads, const PngRowSource& rowSource, const PngStreamSink& sink) {
    const PngDeflateSettings settings = deflateSettingsFor(compression);
    std::vector<Piece> pieces = piecesOf(height, rowBytes);
    const size_t helperCount =
        std::min(static_cast<size_t>(std::max(threads, 1)) - 1, pieces.size() - 1);
    PieceSchedule schedule(pieces, kPiecesAheadPerThread * (helperCount + 1));
    PieceCompressor compressor(rowBytes, pixelBytes, settings, rowSource);
    // Declared last, so that on every way out the helpers are asked to stop and joined
    // before anything they use goes.
    std::vector<std::jthread> helpers;
    for (size_t i = 0; i < helperCount; ++i) {
        try {
            helpers.emplace_back(compressPieces, std::ref(schedule), rowBytes, pixelBytes, settings,
                                 std::cref(rowSource));
        } catch (const std::system_error&) {
            break;  // fewer helpers; this thread takes their share
        }
    }

    // The stream is the zlib header, the pieces and the Adler-32 of all the filtered bytes,
    // most significant byte first.
    // A 32 KiB window; the check bits make the pair a multiple of 31.
    const uint8_t header[2] = {0x78, 0xDA};
    sink(header, 0);
    uLong adler = adler32(0L, Z_NULL, 0);
    for (size_t next = 0; next < pieces.size();) {
        if (Piece* own = schedule.nextOrTake(next)) {
            compressNoexcept(compressor, *own, {});
            schedule.finished(*own);
            continue;
        }
        Piece& piece = pieces[next];
        if (piece.failure) std::rethrow_exception(piece.failure);
        adler = adler32_combine(adler, piece.adler,
                                static_cast<z_off_t>((piece.end - piece.first) * (rowBytes + 1)));
        sink(piece.deflated, piece.end);
        std::vector<uint8_t>().swap(piece.deflated);
        schedule.passedOn(++next);
    }
    uint8_t trailer[4];
    for (size_t i = 0; i < 4; ++i) trailer[i] = static_cast<uint8_t>(adler >> (24 - 8 * i));
    sink(trailer, height);
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
