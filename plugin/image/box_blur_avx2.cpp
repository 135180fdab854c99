// Vector passes for 8-bit samples. At 8-bit every byte column of a region is a line of its
// own, so a band of neighbouring byte columns is filtered side by side while walking down
// the rows in memory order. Rows become such a band by transposing a strip of them.
// Sums are the same exact integers as in the line filter, so the bytes are identical.
// This file is compiled for AVX2 as a whole, so it instantiates no shared inline templates
// (a linker could pick such a copy for code that runs on any CPU).
#include <immintrin.h>

#include <cstring>

#include "image/box_blur.h"

namespace brivo {

namespace {

constexpr int32_t kGroupBytes = 8;         // byte columns per vector of eight 32-bit sums
constexpr int32_t kColumnBandBytes = 256;  // byte columns the column pass takes at once
constexpr int32_t kMaxGroups = kColumnBandBytes / kGroupBytes;
constexpr int32_t kPrefetchRows = 8;  // rows ahead of the window to fetch
constexpr int32_t kStripBytes = 32;   // bytes of one transposed strip row
// A transposed strip (kStripBytes per line pixel) plus an output ring of at most n / 2
// rows of a column band.
constexpr size_t kScratchPerLinePixel = kStripBytes + kColumnBandBytes / 2;

inline __m256i loadGroup(const uint8_t* p) {
    return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}

inline void storeGroup(uint8_t* p, __m256i v) {
    const __m128i words =
        _mm_packus_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(words, words));
}

// Four groups of eight lanes, narrowed to 32 bytes in lane order.
inline void storeGroups4(uint8_t* p, __m256i a, __m256i b, __m256i c, __m256i d) {
    const __m256i bytes = _mm256_packus_epi16(_mm256_packus_epi32(a, b), _mm256_packus_epi32(c, d));
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm256_permutevar8x32_epi32(bytes, order));
}

// Truncating S / W. Both are below 2^31, so the correctly rounded double quotient never
// reaches the next integer and truncates to the integer quotient.
inline __m256i divideGroup(__m256i sum, __m256d weight) {
    const __m128i low =
        _mm256_cvttpd_epi32(_mm256_div_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(sum)), weight));
    const __m128i high = _mm256_cvttpd_epi32(
        _mm256_div_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(sum, 1)), weight));
    return _mm256_set_m128i(high, low);
}

// Filters `groups` groups of eight neighbouring byte columns in place, n rows of them,
// rows `stride` bytes apart. Each output waits in a ring of r + 1 rows until the input row
// it replaces is no longer read.
void filterBand(uint8_t* base, ptrdiff_t stride, int32_t groups, int32_t n, const BoxLine& line,
                uint8_t* ring) {
    const int32_t r = line.r;
    const int32_t bandBytes = groups * kGroupBytes;
    const __m256i partial = _mm256_set1_epi32(static_cast<int32_t>(line.partial));
    const __m256i reciprocal = _mm256_set1_epi32(static_cast<int32_t>(line.reciprocal));
    const __m256i bias = _mm256_set1_epi32(static_cast<int32_t>(line.bias));
    auto row = [&](int32_t j) { return base + j * stride; };
    auto slot = [&](int32_t i) { return ring + static_cast<ptrdiff_t>(i % (r + 1)) * bandBytes; };
    auto flush = [&](int32_t i) {
        if (i >= 0) std::memcpy(row(i), slot(i), static_cast<size_t>(bandBytes));
    };

    // inner: sum of the whole taps (offsets -(r-1) .. r-1) that lie inside the line.
    __m256i inner[kMaxGroups];
    for (int32_t g = 0; g < groups; ++g) inner[g] = _mm256_setzero_si256();
    for (int32_t j = 0; j < r; ++j) {
        for (int32_t g = 0; g < groups; ++g) {
            inner[g] = _mm256_add_epi32(inner[g], loadGroup(row(j) + g * kGroupBytes));
        }
    }
    // Full weight 256 is a shift; outer sums stay below 2^16, so a 16-bit multiply-add
    // against the partial weight gives the exact 32-bit product.
    auto weighted = [&](int32_t g, __m256i outer) {
        return _mm256_add_epi32(_mm256_slli_epi32(inner[g], 8), _mm256_madd_epi16(outer, partial));
    };

    // A window cut by an end of the line: exact division by the weights taken.
    auto edgeStep = [&](int32_t i) {
        const bool hasLeft = i - r >= 0;
        const bool hasRight = i + r < n;
        const int32_t firstInner = i - r + 1 > 0 ? i - r + 1 : 0;
        const int32_t lastInner = i + r - 1 < n - 1 ? i + r - 1 : n - 1;
        const int32_t innerTaps = lastInner - firstInner + 1;
        const uint32_t weight = line.full * static_cast<uint32_t>(innerTaps) +
                                line.partial * static_cast<uint32_t>(hasLeft + hasRight);
        const __m256d divisor = _mm256_set1_pd(static_cast<double>(weight));
        uint8_t* out = slot(i);
        for (int32_t g = 0; g < groups; ++g) {
            const int32_t x = g * kGroupBytes;
            __m256i outer = _mm256_setzero_si256();
            if (hasLeft) outer = _mm256_add_epi32(outer, loadGroup(row(i - r) + x));
            if (hasRight) outer = _mm256_add_epi32(outer, loadGroup(row(i + r) + x));
            storeGroup(out + x, divideGroup(weighted(g, outer), divisor));
            if (hasRight) inner[g] = _mm256_add_epi32(inner[g], loadGroup(row(i + r) + x));
            if (i - r + 1 >= 0) {
                inner[g] = _mm256_sub_epi32(inner[g], loadGroup(row(i - r + 1) + x));
            }
        }
        flush(i - r);
    };

    for (int32_t i = 0; i <= r; ++i) edgeStep(i);
    for (int32_t i = r + 1; i < n - r; ++i) {
        const uint8_t* leaving = row(i - r);
        const uint8_t* entering = row(i + r);
        const uint8_t* lowered = row(i - r + 1);
        uint8_t* out = slot(i);
        // Rows far apart in memory defeat the hardware prefetcher: ask for rows ahead.
        if (i + r + kPrefetchRows < n) {
            const uint8_t* ahead = row(i + r + kPrefetchRows);
            for (int32_t x = 0; x < bandBytes; x += 64) {
                _mm_prefetch(reinterpret_cast<const char*>(ahead + x), _MM_HINT_T0);
            }
        }
        auto whole = [&](int32_t g) {
            const int32_t x = g * kGroupBytes;
            const __m256i in = loadGroup(entering + x);
            const __m256i sum = weighted(g, _mm256_add_epi32(loadGroup(leaving + x), in));
            inner[g] = _mm256_sub_epi32(_mm256_add_epi32(inner[g], in), loadGroup(lowered + x));
            return _mm256_srli_epi32(_mm256_add_epi32(_mm256_mullo_epi32(sum, reciprocal), bias),
                                     23);
        };
        int32_t g = 0;
        for (; g + 4 <= groups; g += 4) {
            const __m256i a = whole(g);
            const __m256i b = whole(g + 1);
            const __m256i c = whole(g + 2);
            const __m256i d = whole(g + 3);
            storeGroups4(out + g * kGroupBytes, a, b, c, d);
        }
        for (; g < groups; ++g) storeGroup(out + g * kGroupBytes, whole(g));
        flush(i - r);
    }
    for (int32_t i = n - r; i < n; ++i) edgeStep(i);
    for (int32_t i = n - r; i < n; ++i) flush(i);
}

void transposeBytes8x8(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride) {
    __m128i in[8];
    for (int k = 0; k < 8; ++k) {
        in[k] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + k * srcStride));
    }
    const __m128i t0 = _mm_unpacklo_epi8(in[0], in[1]);
    const __m128i t1 = _mm_unpacklo_epi8(in[2], in[3]);
    const __m128i t2 = _mm_unpacklo_epi8(in[4], in[5]);
    const __m128i t3 = _mm_unpacklo_epi8(in[6], in[7]);
    const __m128i u0 = _mm_unpacklo_epi16(t0, t1);
    const __m128i u1 = _mm_unpackhi_epi16(t0, t1);
    const __m128i u2 = _mm_unpacklo_epi16(t2, t3);
    const __m128i u3 = _mm_unpackhi_epi16(t2, t3);
    const __m128i out[4] = {_mm_unpacklo_epi32(u0, u2), _mm_unpackhi_epi32(u0, u2),
                            _mm_unpacklo_epi32(u1, u3), _mm_unpackhi_epi32(u1, u3)};
    for (int m = 0; m < 4; ++m) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 2 * m * dstStride), out[m]);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + (2 * m + 1) * dstStride),
                         _mm_unpackhi_epi64(out[m], out[m]));
    }
}

void transposeDwords8x8(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst,
                        ptrdiff_t dstStride) {
    __m256i in[8];
    for (int k = 0; k < 8; ++k) {
        in[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + k * srcStride));
    }
    __m256i t[8];
    for (int k = 0; k < 8; k += 2) {
        t[k] = _mm256_unpacklo_epi32(in[k], in[k + 1]);
        t[k + 1] = _mm256_unpackhi_epi32(in[k], in[k + 1]);
    }
    __m256i u[8];
    for (int k = 0; k < 8; k += 4) {
        u[k] = _mm256_unpacklo_epi64(t[k], t[k + 2]);
        u[k + 1] = _mm256_unpackhi_epi64(t[k], t[k + 2]);
        u[k + 2] = _mm256_unpacklo_epi64(t[k + 1], t[k + 3]);
        u[k + 3] = _mm256_unpackhi_epi64(t[k + 1], t[k + 3]);
    }
    for (int c = 0; c < 4; ++c) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + c * dstStride),
                            _mm256_permute2x128_si256(u[c], u[c + 4], 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + (c + 4) * dstStride),
                            _mm256_permute2x128_si256(u[c], u[c + 4], 0x31));
    }
}

// dst element (c, k) = src element (k, c) for a rows x cols matrix of 1- or 4-byte elements.
void transpose(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride,
               int32_t element, int32_t rows, int32_t cols) {
    const int32_t wholeRows = rows & ~7;
    const int32_t wholeCols = cols & ~7;
    for (int32_t k = 0; k < wholeRows; k += 8) {
        for (int32_t c = 0; c < wholeCols; c += 8) {
            const uint8_t* from = src + k * srcStride + c * element;
            uint8_t* to = dst + c * dstStride + k * element;
            if (element == 1) {
                transposeBytes8x8(from, srcStride, to, dstStride);
            } else {
                transposeDwords8x8(from, srcStride, to, dstStride);
            }
        }
    }
    for (int32_t k = 0; k < rows; ++k) {
        for (int32_t c = k < wholeRows ? wholeCols : 0; c < cols; ++c) {
            std::memcpy(dst + c * dstStride + k * element, src + k * srcStride + c * element,
                        static_cast<size_t>(element));
        }
    }
}

// Pass after pass over the whole region: the prefetcher keeps up with one band's walk down
// the rows better than a band's data stays cached between passes.
void columns8(const BoxPass& pass) {
    if (pass.lineStep != pass.lanes) {
        scalarBoxBlurKernels().columns8(pass);
        return;
    }
    const int32_t bytes = pass.lines * pass.lanes;
    for (int64_t p = 0; p < pass.passes; ++p) {
        int32_t x = 0;
        while (x + kGroupBytes <= bytes) {
            const int32_t groups =
                (bytes - x) / kGroupBytes < kMaxGroups ? (bytes - x) / kGroupBytes : kMaxGroups;
            filterBand(pass.origin + x, pass.pixelStep, groups, pass.n, pass.line, pass.scratch);
            x += groups * kGroupBytes;
        }
        for (; x < bytes; ++x) {
            filterLine8(pass.origin + x, pass.n, pass.pixelStep, 1, pass.line, pass.scratch);
        }
    }
}

// Each strip of rows is transposed once and filtered through all passes before it goes back.
void rows8(const BoxPass& pass) {
    const int32_t element = pass.lanes;
    if (pass.pixelStep != element || (element != 1 && element != 4)) {
        scalarBoxBlurKernels().rows8(pass);
        return;
    }
    const int32_t stripRows = kStripBytes / element;
    uint8_t* strip = pass.scratch;
    uint8_t* ring = pass.scratch + static_cast<ptrdiff_t>(kStripBytes) * pass.n;
    int32_t y = 0;
    for (; y + stripRows <= pass.lines; y += stripRows) {
        uint8_t* first = pass.origin + y * pass.lineStep;
        transpose(first, pass.lineStep, strip, kStripBytes, element, stripRows, pass.n);
        for (int64_t p = 0; p < pass.passes; ++p) {
            filterBand(strip, kStripBytes, kStripBytes / kGroupBytes, pass.n, pass.line, ring);
        }
        transpose(strip, kStripBytes, first, pass.lineStep, element, pass.n, stripRows);
    }
    for (; y < pass.lines; ++y) {
        for (int64_t p = 0; p < pass.passes; ++p) {
            filterLine8(pass.origin + y * pass.lineStep, pass.n, pass.pixelStep, pass.lanes,
                        pass.line, pass.scratch);
        }
    }
}

}  // namespace

const BoxBlurKernels& avx2BoxBlurKernels() {
    static const BoxBlurKernels kernels{rows8, columns8, scalarBoxBlurKernels().rows16,
                                        scalarBoxBlurKernels().columns16, kScratchPerLinePixel};
    return kernels;
}

}  // namespace brivo
