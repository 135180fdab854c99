#include "host/runtime/channel_ports.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "host/runtime/host_threads.h"
#include "host/runtime/procedure_guard.h"

namespace brivo::host {

struct ChannelPorts::Channel {
    std::span<const uint8_t> source;
    // Made at the first write without copying the source: a row is copied in only when a
    // write covers part of it, and the rows no write reached when the result is taken.
    PlaneSamples result;
    std::vector<bool> rowHolds;  // the result's row holds the source row or written samples
    bool written = false;
};

namespace {

SPErr readPixels(PIChannelPort port, int32_t level, VRect* rect,
                 const PixelMemoryDesc* destination) noexcept {
    return guardStatus<ChannelPorts>(
        [&](ChannelPorts& ports) { return ports.read(port, level, rect, destination); });
}

SPErr writePixels(PIChannelPort port, const VRect* rect, const PixelMemoryDesc* source) noexcept {
    return guardStatus<ChannelPorts>(
        [&](ChannelPorts& ports) { return ports.write(port, rect, source); });
}

SPErr readScaledPixels(PIChannelPort port, VRect* sourceRect, const PSScaling* scaling,
                       const PixelMemoryDesc* destination) noexcept {
    return guardStatus<ChannelPorts>([&](ChannelPorts& ports) {
        return ports.readScaled(port, sourceRect, scaling, destination);
    });
}

// Only whole-byte, 8-bit layouts with forward strides are served.
bool usable(const PixelMemoryDesc* desc) {
    return desc && desc->data && desc->depth == 8 && desc->colBits > 0 && desc->colBits % 8 == 0 &&
           desc->rowBits >= 0 && desc->rowBits % 8 == 0 && desc->bitOffset >= 0 &&
           desc->bitOffset % 8 == 0;
}

// Address of sample (x, y) of a module plane.
uint8_t* sampleAt(const PixelMemoryDesc& desc, int64_t x, int64_t y) {
    return static_cast<uint8_t*>(desc.data) +
           (y * desc.rowBits + x * desc.colBits + desc.bitOffset) / 8;
}

// Rows of `columns` samples worth a copying thread of their own: about a quarter megabyte.
int64_t rowsPerPart(int64_t columns) {
    return std::max<int64_t>(1, (int64_t{1} << 18) / std::max<int64_t>(columns, 1));
}

// to[4 · x] = from[x] for x < count; the other bytes of `to` keep their values. Sixteen
// samples at a time where the sixteen pixels they land in lie before the last one, so no
// byte past the last written one is touched.
void spreadToFourByteStride(const uint8_t* from, uint8_t* to, int64_t count) {
    int64_t x = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i others = _mm_set1_epi32(static_cast<int>(0xFFFFFF00u));
    for (; x + 16 < count; x += 16) {
        const __m128i samples = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x));
        const __m128i low = _mm_unpacklo_epi8(samples, zero);
        const __m128i high = _mm_unpackhi_epi8(samples, zero);
        const __m128i spread[4] = {_mm_unpacklo_epi16(low, zero), _mm_unpackhi_epi16(low, zero),
                                   _mm_unpacklo_epi16(high, zero), _mm_unpackhi_epi16(high, zero)};
        for (int part = 0; part < 4; ++part) {
            auto* pixels = reinterpret_cast<__m128i*>(to + 4 * x + 16 * part);
            const __m128i kept = _mm_and_si128(_mm_loadu_si128(pixels), others);
            _mm_storeu_si128(pixels, _mm_or_si128(kept, spread[part]));
        }
    }
#endif
    for (; x < count; ++x) to[4 * x] = from[x];
}

// to[x] = from[4 · x] for x < count, sixteen at a time while every byte read lies before the
// last sample.
void gatherFromFourByteStride(const uint8_t* from, uint8_t* to, int64_t count) {
    int64_t x = 0;
#if defined(__SSE2__)
    const __m128i lowByte = _mm_set1_epi32(0xFF);
    for (; x + 16 < count; x += 16) {
        __m128i parts[4];
        for (int part = 0; part < 4; ++part)
            parts[part] = _mm_and_si128(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 4 * x + 16 * part)),
                lowByte);
        const __m128i words = _mm_packus_epi16(_mm_packs_epi32(parts[0], parts[1]),
                                               _mm_packs_epi32(parts[2], parts[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + x), words);
    }
#endif
    for (; x < count; ++x) to[x] = from[4 * x];
}

struct Tap {
    int64_t index;    // input cell
    uint64_t weight;  // overlap with the output cell
};

// For each of `to` output cells, the input cells of [start, start + from) it covers with
// their overlaps, in units where an input cell is `to` wide and an output cell `from`
// wide, so the overlaps of one output cell add up to `from`.
// The weighted sum of the input cells one output cell covers. Only the first and last
// cells can be partly covered; every cell between lies wholly inside and weighs
// fullWeight, so those are added plainly and weighted once.
uint64_t coveredSum(const uint64_t* cells, std::span<const Tap> taps, uint64_t fullWeight) {
    const Tap& first = taps.front();
    if (taps.size() == 1) return cells[first.index] * first.weight;
    const Tap& last = taps.back();
    uint64_t inner = 0;
    for (int64_t index = first.index + 1; index < last.index; ++index) inner += cells[index];
    return cells[first.index] * first.weight + cells[last.index] * last.weight + inner * fullWeight;
}

// The weighted sums down the rows one output row covers, for the columns [left, right) of
// each row: the first and last rows by their weights, the rows between (each wholly
// inside, weighing fullWeight) added as bytes first, a row at a time.
void coveredColumns(const uint8_t* source, int64_t rowStride, std::span<const Tap> taps,
                    uint64_t fullWeight, int64_t left, int64_t right, std::vector<uint32_t>& inner,
                    std::vector<uint64_t>& columns) {
    const Tap& first = taps.front();
    const uint8_t* firstRow = source + first.index * rowStride;
    if (taps.size() == 1) {
        for (int64_t c = left; c < right; ++c) columns[c] = firstRow[c] * first.weight;
        return;
    }
    const Tap& last = taps.back();
    const uint8_t* lastRow = source + last.index * rowStride;
    std::fill(inner.begin() + left, inner.begin() + right, 0u);
    for (int64_t r = first.index + 1; r < last.index; ++r) {
        const uint8_t* row = source + r * rowStride;
        for (int64_t c = left; c < right; ++c) inner[c] += row[c];
    }
    for (int64_t c = left; c < right; ++c)
        columns[c] = firstRow[c] * first.weight + lastRow[c] * last.weight + inner[c] * fullWeight;
}

class AreaTaps {
  public:
    AreaTaps(int64_t start, int64_t from, int64_t to) {
        firsts_.reserve(static_cast<size_t>(to) + 1);
        for (int64_t cell = 0; cell < to; ++cell) {
            firsts_.push_back(taps_.size());
            const int64_t begin = cell * from;
            const int64_t end = begin + from;
            for (int64_t input = begin / to; input <= (end - 1) / to; ++input) {
                const int64_t overlap =
                    std::min(end, (input + 1) * to) - std::max(begin, input * to);
                taps_.push_back({start + input, static_cast<uint64_t>(overlap)});
            }
        }
        firsts_.push_back(taps_.size());
    }

    std::span<const Tap> of(int64_t cell) const {
        const auto at = static_cast<size_t>(cell);
        return std::span(taps_).subspan(firsts_[at], firsts_[at + 1] - firsts_[at]);
    }

  private:
    std::vector<Tap> taps_;
    std::vector<size_t> firsts_;
};

}  // namespace

ChannelPorts::ChannelPorts()
    : table_{&readPixels, &writePixels, &readScaledPixels}, copyThreads_(hostThreadCount()) {}

ChannelPorts::~ChannelPorts() = default;

void ChannelPorts::attach(int32_t width, int32_t height,
                          std::vector<std::span<const uint8_t>> channels) {
    if (width < 0 || height < 0) throw std::invalid_argument("negative channel size");
    std::vector<std::unique_ptr<Channel>> attached;
    for (auto samples : channels) {
        if (samples.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
            throw std::invalid_argument("channel size does not match the document");
        attached.push_back(std::make_unique<Channel>(Channel{samples, {}, {}, false}));
    }
    width_ = width;
    height_ = height;
    channels_ = std::move(attached);
}

void ChannelPorts::detach() {
    channels_.clear();
    width_ = height_ = 0;
}

PIChannelPort ChannelPorts::port(int32_t channel) const {
    return reinterpret_cast<PIChannelPort>(channels_.at(static_cast<size_t>(channel)).get());
}

bool ChannelPorts::written(int32_t channel) const {
    return channels_.at(static_cast<size_t>(channel))->written;
}

PlaneSamples ChannelPorts::takeResult(int32_t channel) {
    Channel& target = *channels_.at(static_cast<size_t>(channel));
    if (!target.written) return {target.source.begin(), target.source.end()};
    for (int32_t y = 0; y < height_; ++y)
        if (!target.rowHolds[static_cast<size_t>(y)]) copySourceRow(target, y);
    target.written = false;
    return std::move(target.result);
}

ChannelPorts::Channel* ChannelPorts::find(PIChannelPort port) {
    for (auto& channel : channels_)
        if (reinterpret_cast<PIChannelPort>(channel.get()) == port) return channel.get();
    return nullptr;
}

void ChannelPorts::copySourceRow(Channel& channel, int32_t row) const {
    const size_t start = static_cast<size_t>(row) * static_cast<size_t>(width_);
    std::memcpy(channel.result.data() + start, channel.source.data() + start,
                static_cast<size_t>(width_));
}

bool ChannelPorts::inside(const VRect& rect) const {
    return rect.top >= 0 && rect.left >= 0 && rect.top <= rect.bottom && rect.left <= rect.right &&
           rect.bottom <= height_ && rect.right <= width_;
}

SPErr ChannelPorts::read(PIChannelPort port, int32_t level, VRect* rect,
                         const PixelMemoryDesc* destination) {
    ++reads_;
    Channel* channel = find(port);
    if (channel && rect) {
        for (size_t i = 0; i < channels_.size(); ++i)
            if (channels_[i].get() == channel)
                readLog_.emplace_back(static_cast<int32_t>(i), *rect);
    }
    if (!channel || level != 0 || !rect || !inside(*rect) || !usable(destination))
        return kSPBadParameterError;
    const int64_t columns = rect->right - rect->left;
    const int64_t step = destination->colBits / 8;
    runInParts(rect->bottom - rect->top, copyThreads_, rowsPerPart(columns),
               [&](int64_t first, int64_t last) {
                   for (int64_t y = first; y < last; ++y) {
                       const uint8_t* from =
                           channel->source.data() + (rect->top + y) * width_ + rect->left;
                       uint8_t* to = sampleAt(*destination, 0, y);
                       if (step == 1) {
                           std::memcpy(to, from, static_cast<size_t>(columns));
                       } else if (step == 4) {  // interleaved four-sample pixels
                           spreadToFourByteStride(from, to, columns);
                       } else {
                           for (int64_t x = 0; x < columns; ++x, to += step) *to = from[x];
                       }
                   }
               });
    return kSPNoError;
}

SPErr ChannelPorts::write(PIChannelPort port, const VRect* rect, const PixelMemoryDesc* source) {
    ++writes_;
    Channel* channel = find(port);
    if (!channel || !rect || !inside(*rect) || !usable(source)) return kSPBadParameterError;
    if (!channel->written) {
        channel->result.resize(channel->source.size());
        channel->rowHolds.assign(static_cast<size_t>(height_), false);
        channel->written = true;
    }
    const int64_t columns = rect->right - rect->left;
    const int64_t step = source->colBits / 8;
    const int64_t rows = rect->bottom - rect->top;
    for (int32_t row = rect->top; row < rect->bottom; ++row) {
        if (channel->rowHolds[static_cast<size_t>(row)]) continue;
        if (columns != width_) copySourceRow(*channel, row);
        channel->rowHolds[static_cast<size_t>(row)] = true;
    }
    runInParts(rows, copyThreads_, rowsPerPart(columns), [&](int64_t first, int64_t last) {
        for (int64_t y = first; y < last; ++y) {
            uint8_t* to = channel->result.data() + (rect->top + y) * width_ + rect->left;
            const uint8_t* from = sampleAt(*source, 0, y);
            if (step == 1) {
                std::memcpy(to, from, static_cast<size_t>(columns));
            } else if (step == 4) {  // interleaved four-sample pixels
                gatherFromFourByteStride(from, to, columns);
            } else {
                for (int64_t x = 0; x < columns; ++x, from += step) to[x] = *from;
            }
        }
    });
    return kSPNoError;
}

SPErr ChannelPorts::readScaled(PIChannelPort port, VRect* sourceRect, const PSScaling* scaling,
                               const PixelMemoryDesc* destination) {
    ++scaledReads_;
    Channel* channel = find(port);
    if (!channel || !sourceRect || !scaling || !inside(*sourceRect) || !usable(destination))
        return kSPBadParameterError;
    const int64_t sourceWidth = sourceRect->right - sourceRect->left;
    const int64_t sourceHeight = sourceRect->bottom - sourceRect->top;
    const int64_t width = int64_t{scaling->destinationRect.right} - scaling->destinationRect.left;
    const int64_t height = int64_t{scaling->destinationRect.bottom} - scaling->destinationRect.top;
    if (width < 0 || height < 0) return kSPBadParameterError;
    if (width == 0 || height == 0) return kSPNoError;
    if (sourceWidth == 0 || sourceHeight == 0) return kSPBadParameterError;

    // Area average: every output sample is the mean of the source area it covers,
    // weighted by overlap, computed exactly in integers and rounded to nearest.
    const AreaTaps across(sourceRect->left, sourceWidth, width);
    const AreaTaps down(sourceRect->top, sourceHeight, height);
    const uint64_t total = static_cast<uint64_t>(sourceWidth) * static_cast<uint64_t>(sourceHeight);
    // Down the rows first (contiguous bytes), then across the column sums of each row.
    std::vector<uint32_t> inner(static_cast<size_t>(width_));
    std::vector<uint64_t> columns(static_cast<size_t>(width_));
    for (int64_t y = 0; y < height; ++y) {
        coveredColumns(channel->source.data(), width_, down.of(y), static_cast<uint64_t>(height),
                       sourceRect->left, sourceRect->right, inner, columns);
        for (int64_t x = 0; x < width; ++x) {
            const uint64_t sum =
                coveredSum(columns.data(), across.of(x), static_cast<uint64_t>(width));
            *sampleAt(*destination, x, y) = static_cast<uint8_t>((sum + total / 2) / total);
        }
    }
    return kSPNoError;
}

}  // namespace brivo::host
