// A separable moving-average blur whose box may be a fractional number of pixels wide.
// Rows are filtered first, then columns, each axis extraPasses + 1 times, in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/pixel_view.h"

namespace brivo {

// The fewest columns worth a thread of their own in a column pass; column bands start at
// multiples of it so that the vector kernels keep whole blocks.
inline constexpr int32_t kColumnsPerBand = 64;

// Weights of one filtered line. Taps within r - 1 of the centre weigh `full`, the two
// taps at distance r weigh `partial`, and a whole window weighs `window`. Whole windows
// are divided by a multiply with `reciprocal` plus `bias`, then a shift by `shift`.
// r is 0 when the line is not filtered.
struct BoxLine {
    int32_t r = 0;
    uint32_t full = 0;
    uint32_t partial = 0;
    uint64_t window = 0;
    uint64_t reciprocal = 0;
    uint64_t bias = 0;
    int32_t shift = 0;
};

// Line weights for a half-radius h on a line of n pixels, 8-bit or 16-bit samples.
BoxLine boxLine(float h, int32_t n, bool sixteenBit);

// The region of one axis, filtered `passes` times: `lines` lines of n pixels each. Pixel i
// of line k starts at origin + k * lineStep + i * pixelStep. Samples are interleaved `lanes`
// to a pixel. Lines are independent, so a kernel may run all passes of one line (or band of
// lines) before the next.
struct BoxPass {
    uint8_t* origin = nullptr;
    int32_t lines = 0;
    int32_t n = 0;
    ptrdiff_t lineStep = 0;
    ptrdiff_t pixelStep = 0;
    int32_t lanes = 0;
    BoxLine line;
    int64_t passes = 1;
    // scratchBytes of scratch (0 when unknown), never fewer than bytesPerLinePixel * n.
    uint8_t* scratch = nullptr;
    size_t scratchBytes = 0;
};

// All passes over the rows or the columns of a region, per sample depth.
struct BoxBlurKernels {
    using Pass = void (*)(const BoxPass&);
    Pass rows8;
    Pass columns8;
    Pass rows16;
    Pass columns16;
    // Scratch bytes a pass needs per pixel of the longest line, beyond one line of pixels.
    size_t bytesPerLinePixel;
};

// The plain reference passes, one line at a time.
const BoxBlurKernels& scalarBoxBlurKernels();
// The passes this CPU and environment allow (the scalar ones under BRIVO_NO_SIMD=1).
const BoxBlurKernels& boxBlurKernels();
const BoxBlurKernels& avx2BoxBlurKernels();

// Filters one line of 8-bit or 16-bit samples through scratch (n pixels of lanes samples).
void filterLine8(uint8_t* first, int32_t n, ptrdiff_t pixelStep, int32_t lanes, const BoxLine& line,
                 uint8_t* scratch);
void filterLine16(uint8_t* first, int32_t n, ptrdiff_t pixelStep, int32_t lanes,
                  const BoxLine& line, uint8_t* scratch);

class BoxBlur {
  public:
    // True when either radius differs from the one it replaces.
    bool setRadius(float x, float y);
    void setExtraPasses(int32_t count) { extraPasses = count; }

    // Blurs the region of the view in place with the kernels this machine allows.
    void apply(const PixelView& view, const PixelRegion& region);
    void apply(const PixelView& view, const PixelRegion& region, const BoxBlurKernels& kernels);

    // Grows the scratch line to at least bytes (contents not kept); never shrinks it.
    void ensureScratch(size_t bytes);
    // Runs pass over whole's lines, split among the active worker threads, band b using
    // the b-th whole.scratchBytes of the scratch.
    void runInBands(BoxBlurKernels::Pass pass, const BoxPass& whole, int32_t grain,
                    int32_t minimum);

    float radiusX = 0.0f;
    float radiusY = 0.0f;
    int32_t extraPasses = 0;
    std::unique_ptr<uint8_t[]> scratch;
    size_t scratchBytes = 0;
};

}  // namespace brivo
