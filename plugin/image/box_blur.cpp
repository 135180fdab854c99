#include "image/box_blur.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "core/errors.h"
#include "core/simd_dispatch.h"
#include "core/worker_pool.h"

namespace brivo {

namespace {

// Beyond this r an 8-bit whole window outweighs 2^23 and its reciprocal would be 0.
constexpr int32_t kMaxRadius8 = 16383;

// Output of a whole window: S / W as a biased reciprocal multiply that keeps a window of
// full-scale samples at full scale.
inline uint8_t wholeWindow8(uint32_t sum, const BoxLine& line) {
    return static_cast<uint8_t>(
        (sum * static_cast<uint32_t>(line.reciprocal) + static_cast<uint32_t>(line.bias)) >>
        line.shift);
}

inline uint16_t wholeWindow16(uint64_t sum, const BoxLine& line) {
    return static_cast<uint16_t>((sum * line.reciprocal + line.bias) >> line.shift);
}

// Moves the window along the line one output at a time. The running sum gains the new
// outer pixel at the partial weight, raises the previous outer pixel to the full weight,
// lowers the pixel leaving the whole taps to the partial weight and drops the one that
// leaves the window; only pixels inside the line are ever taken.
template <typename Sample, typename Sum, typename WholeWindow>
void filterLine(uint8_t* first, int32_t n, ptrdiff_t pixelStep, int32_t lanes, const BoxLine& line,
                uint8_t* scratch, WholeWindow wholeWindow) {
    const int32_t r = line.r;
    const Sum full = line.full;
    const Sum partial = line.partial;
    const Sum raise = full - partial;
    Sample* out = reinterpret_cast<Sample*>(scratch);
    for (int32_t lane = 0; lane < lanes; ++lane) {
        // Rows may start at any byte, so samples are read without assuming alignment.
        auto in = [&](int32_t j) -> Sum {
            Sample sample;
            std::memcpy(&sample, first + j * pixelStep + lane * sizeof(Sample), sizeof(Sample));
            return sample;
        };
        Sum sum = 0;
        Sum weight = 0;
        for (int32_t j = 0; j < r; ++j) {
            sum += full * in(j);
            weight += full;
        }
        sum += partial * in(r);
        weight += partial;
        // Moves the window from output i to i + 1, taking only the taps inside the line.
        const auto advance = [&](int32_t i) {
            if (i + r + 1 < n) {
                sum += partial * in(i + r + 1);
                weight += partial;
            }
            if (i + r < n) {
                sum += raise * in(i + r);
                weight += raise;
            }
            if (i - r + 1 >= 0) {
                sum -= raise * in(i - r + 1);
                weight -= raise;
            }
            if (i - r >= 0) {
                sum -= partial * in(i - r);
                weight -= partial;
            }
        };
        int32_t i = 0;
        // Up to r the window is cut short at the start and divided by its own weight.
        for (; i <= r && i < n; ++i) {
            out[i * lanes + lane] = static_cast<Sample>(sum / weight);
            advance(i);
        }
        // In between it is whole, every tap lies inside the line and the weight stays put.
        for (; i < n - r - 1; ++i) {
            out[i * lanes + lane] = static_cast<Sample>(wholeWindow(sum, line));
            sum += partial * in(i + r + 1) + raise * in(i + r);
            sum -= raise * in(i - r + 1) + partial * in(i - r);
        }
        for (; i < n; ++i) {
            const bool edge = i <= r || i >= n - r;
            out[i * lanes + lane] =
                static_cast<Sample>(edge ? sum / weight : wholeWindow(sum, line));
            advance(i);
        }
    }
    for (int32_t i = 0; i < n; ++i) {
        std::memcpy(first + i * pixelStep, out + i * lanes, sizeof(Sample) * lanes);
    }
}

using LineFilter = void (*)(uint8_t* first, int32_t n, ptrdiff_t pixelStep, int32_t lanes,
                            const BoxLine& line, uint8_t* scratch);

// Columns a column pass copies out side by side: neighbouring columns share cache lines, so
// one walk down the image serves the whole block, where filtering in place would walk it
// once per column.
constexpr int32_t kColumnBlock = 16;
constexpr size_t kLargestPixelBytes = 4 * sizeof(uint16_t);

// Every pass over every line, each line filtered where it lies. A line of r = 0 is not
// filtered (and its weights may be 0).
template <LineFilter filter>
void scalarPass(const BoxPass& pass) {
    if (pass.line.r < 1) return;
    for (int64_t p = 0; p < pass.passes; ++p)
        for (int32_t k = 0; k < pass.lines; ++k)
            filter(pass.origin + k * pass.lineStep, pass.n, pass.pixelStep, pass.lanes, pass.line,
                   pass.scratch);
}

// The same for lines far apart in memory (columns): blocks of lines are copied into scratch
// after the filter's own line, filtered there through every pass and copied back. Falls back
// to filtering in place when the scratch cannot hold a block.
template <typename Sample, LineFilter filter>
void scalarBlockedPass(const BoxPass& pass) {
    if (pass.line.r < 1) return;
    const size_t pixel = static_cast<size_t>(pass.lanes) * sizeof(Sample);
    const size_t lineBytes = pixel * static_cast<size_t>(pass.n);
    if (pass.scratchBytes < (kColumnBlock + 1) * lineBytes) return scalarPass<filter>(pass);
    uint8_t* block = pass.scratch + lineBytes;
    for (int32_t first = 0; first < pass.lines; first += kColumnBlock) {
        const int32_t count = std::min(kColumnBlock, pass.lines - first);
        const auto pixelOf = [&](int32_t k, int32_t i) {
            return pass.origin + (first + k) * pass.lineStep + i * pass.pixelStep;
        };
        for (int32_t i = 0; i < pass.n; ++i)
            for (int32_t k = 0; k < count; ++k)
                std::memcpy(block + k * lineBytes + i * pixel, pixelOf(k, i), pixel);
        for (int64_t p = 0; p < pass.passes; ++p)
            for (int32_t k = 0; k < count; ++k)
                filter(block + k * lineBytes, pass.n, static_cast<ptrdiff_t>(pixel), pass.lanes,
                       pass.line, pass.scratch);
        for (int32_t i = 0; i < pass.n; ++i)
            for (int32_t k = 0; k < count; ++k)
                std::memcpy(pixelOf(k, i), block + k * lineBytes + i * pixel, pixel);
    }
}

const BoxBlurKernels kScalarKernels{
    scalarPass<filterLine8>, scalarBlockedPass<uint8_t, filterLine8>, scalarPass<filterLine16>,
    scalarBlockedPass<uint16_t, filterLine16>, (kColumnBlock + 1) * kLargestPixelBytes};

}  // namespace

BoxLine boxLine(float h, int32_t n, bool sixteenBit) {
    BoxLine line;
    if (!(h > 0.0f) || n < 4) return line;
    // The fraction comes from h itself; r from h limited to the line, which it could never
    // exceed anyway, so that no radius reaches an undefined float-to-integer conversion.
    const float d = std::ceil(h) - h;
    const float w = d > 0.0f ? 1.0f - d : 0.0f;
    int32_t r = static_cast<int32_t>(std::ceil(std::min(h, static_cast<float>(n))));
    r = std::min(r, n / 2 - 1);
    if (!sixteenBit) r = std::min(r, kMaxRadius8);

    const uint32_t full = sixteenBit ? 65536u : 256u;
    line.r = r;
    line.full = full;
    line.partial = static_cast<uint32_t>(w * static_cast<float>(full));
    line.window = uint64_t{full} * static_cast<uint64_t>(2 * r - 1) + 2 * uint64_t{line.partial};
    line.shift = sixteenBit ? 47 : 23;
    const uint64_t one = uint64_t{1} << line.shift;
    const uint64_t maxSample = sixteenBit ? 65535u : 255u;
    line.reciprocal = one / line.window;
    line.bias = maxSample * (one - line.reciprocal * line.window);
    return line;
}

void filterLine8(uint8_t* first, int32_t n, ptrdiff_t pixelStep, int32_t lanes, const BoxLine& line,
                 uint8_t* scratch) {
    filterLine<uint8_t, uint32_t>(first, n, pixelStep, lanes, line, scratch, wholeWindow8);
}

void filterLine16(uint8_t* first, int32_t n, ptrdiff_t pixelStep, int32_t lanes,
                  const BoxLine& line, uint8_t* scratch) {
    filterLine<uint16_t, uint64_t>(first, n, pixelStep, lanes, line, scratch, wholeWindow16);
}

const BoxBlurKernels& scalarBoxBlurKernels() {
    return kScalarKernels;
}

const BoxBlurKernels& boxBlurKernels() {
    return selectKernels(kScalarKernels, BRIVO_AVX2_KERNELS(avx2BoxBlurKernels));
}

bool BoxBlur::setRadius(float x, float y) {
    const bool changed = x != radiusX || y != radiusY;
    radiusX = x;
    radiusY = y;
    return changed;
}

void BoxBlur::ensureScratch(size_t bytes) {
    if (scratchBytes >= bytes) return;
    scratch.reset();
    scratchBytes = 0;
    scratch.reset(new (std::nothrow) uint8_t[bytes]);
    if (!scratch) throwMemoryFull();
    scratchBytes = bytes;
}

void BoxBlur::apply(const PixelView& view, const PixelRegion& region) {
    apply(view, region, boxBlurKernels());
}

void BoxBlur::apply(const PixelView& view, const PixelRegion& region,
                    const BoxBlurKernels& kernels) {
    const bool sixteenBit = view.bytesPerChannel != 1;
    const int32_t sampleBytes = sixteenBit ? 2 : 1;
    // Only layouts whose samples fit inside their pixels are filtered.
    if (view.pixels == nullptr || view.channels < 1 ||
        view.pixelBytes < view.channels * sampleBytes) {
        return;
    }
    const int32_t top = std::max(region.top, 0);
    const int32_t left = std::max(region.left, 0);
    const int32_t bottom = std::min(region.bottom, view.height);
    const int32_t right = std::min(region.right, view.width);
    if (top >= bottom || left >= right) return;

    const size_t longest = static_cast<size_t>(std::max(view.width, view.height));
    const size_t bandScratch =
        std::max(static_cast<size_t>(view.pixelBytes), kernels.bytesPerLinePixel) * longest;
    const int32_t rowLines = bottom - top;
    const int32_t columnLines = right - left;
    const int32_t bands =
        std::max(bandCount(rowLines, kRowsPerBand), bandCount(columnLines, kColumnsPerBand));
    ensureScratch(bandScratch * static_cast<size_t>(bands));
    const BoxBlurKernels::Pass rowPass = sixteenBit ? kernels.rows16 : kernels.rows8;
    const BoxBlurKernels::Pass columnPass = sixteenBit ? kernels.columns16 : kernels.columns8;

    BoxPass rows;
    rows.origin = view.at(left, top);
    rows.lines = rowLines;
    rows.n = right - left;
    rows.lineStep = view.rowBytes;
    rows.pixelStep = view.pixelBytes;
    rows.lanes = view.channels;
    rows.line = boxLine(radiusX * 0.5f, rows.n, sixteenBit);
    rows.passes = int64_t{extraPasses} + 1;
    rows.scratchBytes = bandScratch;
    if (rows.line.r >= 1) runInBands(rowPass, rows, 1, kRowsPerBand);

    BoxPass columns = rows;
    columns.lines = columnLines;
    columns.n = bottom - top;
    columns.lineStep = view.pixelBytes;
    columns.pixelStep = view.rowBytes;
    columns.line = boxLine(radiusY * 0.5f, columns.n, sixteenBit);
    if (columns.line.r >= 1) runInBands(columnPass, columns, kColumnsPerBand, kColumnsPerBand);
}

void BoxBlur::runInBands(BoxBlurKernels::Pass pass, const BoxPass& whole, int32_t grain,
                         int32_t minimum) {
    // Lines are independent: each band of lines runs every pass with its own scratch.
    forEachBand(whole.lines, grain, minimum, [&](int32_t band, int32_t first, int32_t end) {
        BoxPass part = whole;
        part.origin = whole.origin + first * whole.lineStep;
        part.lines = end - first;
        part.scratch = scratch.get() + static_cast<size_t>(band) * whole.scratchBytes;
        pass(part);
    });
}

}  // namespace brivo
