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
        for (int32_t i = 0; i < n; ++i) {
            const bool edge = i <= r || i >= n - r;
            out[i * lanes + lane] =
                static_cast<Sample>(edge ? sum / weight : wholeWindow(sum, line));
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
        }
    }
    for (int32_t i = 0; i < n; ++i) {
        std::memcpy(first + i * pixelStep, out + i * lanes, sizeof(Sample) * lanes);
    }
}

// A line of r = 0 is not filtered (and its weights may be 0).
void scalarPass8(const BoxPass& pass) {
    if (pass.line.r < 1) return;
    for (int64_t p = 0; p < pass.passes; ++p) {
        for (int32_t k = 0; k < pass.lines; ++k) {
            filterLine8(pass.origin + k * pass.lineStep, pass.n, pass.pixelStep, pass.lanes,
                        pass.line, pass.scratch);
        }
    }
}

void scalarPass16(const BoxPass& pass) {
    if (pass.line.r < 1) return;
    for (int64_t p = 0; p < pass.passes; ++p) {
        for (int32_t k = 0; k < pass.lines; ++k) {
            filterLine16(pass.origin + k * pass.lineStep, pass.n, pass.pixelStep, pass.lanes,
                         pass.line, pass.scratch);
        }
    }
}

const BoxBlurKernels kScalarKernels{scalarPass8, scalarPass8, scalarPass16, scalarPass16, 0};

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
