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
// The full search is tried on a whole piece when it beats run matching on this much of it.
constexpr size_t kSampleBytes = size_t{1} << 16;
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
    RawDeflater(int level, int strategy) {
        // The largest hash table and block buffer: longer blocks suit photographs.
        const int status =
            deflateInit2(&stream_, level, Z_DEFLATED, -MAX_WBITS, MAX_MEM_LEVEL, strategy);
        if (status == Z_MEM_ERROR) throw std::bad_alloc();
        if (status != Z_OK) throw std::runtime_error("cannot start the PNG compressor");
    }
    ~RawDeflater() { deflateEnd(&stream_); }
    RawDeflater(const RawDeflater&) = delete;
    RawDeflater& operator=(const RawDeflater&) = delete;

    // Replaces `out` with `bytes` deflated as the continuation of `preceding`, the bytes
    // before them in the stream (their matches may reach back into it), ending as `flush`
    // says.
    void compress(std::span<const uint8_t> preceding, std::span<const uint8_t> bytes, int flush,
                  std::vector<uint8_t>& out) {
        if (deflateReset(&stream_) != Z_OK ||
            (!preceding.empty() &&
             deflateSetDictionary(&stream_, preceding.data(),
                                  static_cast<uInt>(preceding.size())) != Z_OK))
            throw std::runtime_error("cannot restart the PNG compressor");
        out.clear();
        stream_.next_in = const_cast<Bytef*>(bytes.data());
        stream_.avail_in = static_cast<uInt>(bytes.size());
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
          settings_(settings),
          rowSource_(rowSource),
          runs_(settings.store ? Z_NO_COMPRESSION : Z_DEFAULT_COMPRESSION,
                settings.store ? Z_DEFAULT_STRATEGY : Z_RLE),
          rows_(2 * rowBytes) {
        if (settings.search != PngSearch::never) search_.emplace(settings.searchLevel, Z_FILTERED);
    }

    // Compresses `piece`, leaving it unfinished when `stop` is asked for.
    void compress(Piece& piece, const std::stop_token& stop) {
        // The rows just before the piece are filtered too: as the stream holds them, they
        // fill deflate's window as they would have in one unbroken stream.
        const size_t filteredRowBytes = rowBytes_ + 1;
        const size_t rowsInWindow = (kWindowBytes + filteredRowBytes - 1) / filteredRowBytes;
        const size_t start = piece.first - std::min(piece.first, rowsInWindow);
        filtered_.resize((piece.end - start) * filteredRowBytes);
        startAt(start);
        for (size_t y = start; y < piece.end; ++y) {
            if (stop.stop_requested()) return;
            filterRow(y, filtered_.data() + (y - start) * filteredRowBytes);
        }
        const size_t windowEnd = (piece.first - start) * filteredRowBytes;
        const auto window =
            std::span(filtered_).first(windowEnd).last(std::min(windowEnd, kWindowBytes));
        const auto rows = std::span(filtered_).subspan(windowEnd);
        piece.adler = adler32_z(adler32(0L, Z_NULL, 0), rows.data(), rows.size());

        const int flush = piece.last ? Z_FINISH : Z_SYNC_FLUSH;
        runs_.compress(window, rows, flush, piece.deflated);
        if (search_ && searchPays(window, rows)) {
            search_->compress(window, rows, flush, other_);
            if (other_.size() < piece.deflated.size()) std::swap(piece.deflated, other_);
        }
    }

  private:
    // Whether the full match search may beat run matching on these rows: always, or when
    // it does on their first kSampleBytes by more than 1%. Smaller wins rarely hold over
    // the whole piece and are not worth the search's time.
    bool searchPays(std::span<const uint8_t> window, std::span<const uint8_t> rows) {
        if (settings_.search == PngSearch::always) return true;
        const auto sample = rows.first(std::min(rows.size(), kSampleBytes));
        runs_.compress(window, sample, Z_SYNC_FLUSH, other_);
        const size_t runBytes = other_.size();
        search_->compress(window, sample, Z_SYNC_FLUSH, other_);
        return other_.size() + runBytes / 100 < runBytes;
    }

    // Makes row y - 1 the row above the next one filtered: zeros above the first row.
    void startAt(size_t y) {
        if (y == 0)
            std::fill_n(rows_.data(), rowBytes_, uint8_t{0});
        else
            rowSource_(y - 1, rows_.data());
        aboveFirst_ = true;
    }

    // Filters row y into `out`; the row above must be the one read last.
    void filterRow(size_t y, uint8_t* out) {
        uint8_t* above = rows_.data() + (aboveFirst_ ? 0 : rowBytes_);
        uint8_t* row = rows_.data() + (aboveFirst_ ? rowBytes_ : 0);
        rowSource_(y, row);
        paethFilter(row, above, rowBytes_, pixelBytes_, out);
        aboveFirst_ = !aboveFirst_;
    }

    size_t rowBytes_;
    size_t pixelBytes_;
    PngDeflateSettings settings_;
    const PngRowSource& rowSource_;
    RawDeflater runs_;                   // run matching only, or storing
    std::optional<RawDeflater> search_;  // the full match search, when the settings ask
    std::vector<uint8_t> rows_;          // the row above and the row being filtered, in turn
    bool aboveFirst_ = true;
    std::vector<uint8_t> filtered_;  // the window's rows, then the piece's
    std::vector<uint8_t> other_;     // the other compression of the piece, or of a sample
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

void compressNoexcept(PieceCompressor& compressor, Piece& piece,
                      const std::stop_token& stop) noexcept {
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
    if (compression == 0) return {true, PngSearch::never, 0};
    if (compression < 6) return {false, PngSearch::never, 0};
    if (compression < 9) return {false, PngSearch::whereItPays, compression + 1};
    return {false, PngSearch::always, 9};
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

    // The stream is the zlib header (a 32 KiB window; the check bits make the pair a multiple
    // of 31), the pieces, and the Adler-32 of all the filtered bytes, most significant first.
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

}  // namespace brivo::host::image_codec
