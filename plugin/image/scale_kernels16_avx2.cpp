// AVX2 versions of the 16-bit passes. Passes whose sums wrap in 64 bits keep four samples in
// 64-bit lanes and multiply with _mm256_mul_epi32, whose signed 32 × 32 → 64-bit product is
// exact, so every sum is the scalar pass's sum bit for bit. The one-channel x-first pass
// works in 32 bits where the tables' weights prove that no sum leaves the int32 range.
#include <immintrin.h>

#include <cstdint>
#include <cstdlib>

#include "image/scale_kernels.h"
#include "image/scale_kernels_avx2.h"

namespace brivo::fx::avx2 {

namespace {

using Sum64 = int64_t;

// The largest sum of absolute weights for which a weighted sum of 16-bit samples, plus its
// rounding term, stays inside int32: 65535 × 32767 + 2^15 < 2^31.
constexpr int64_t kInt32WeightBudget = 32767;

bool sumsStayInInt32(const WeightTableSet& x, int32_t begin, int32_t end) {
    for (int32_t j = begin; j < end; ++j) {
        const int32_t* w = x.weightsOf(j);
        int64_t total = 0;
        for (int32_t k = 0; k < x.taps[j]; ++k) total += std::llabs(w[k]);
        if (total > kInt32WeightBudget) return false;
    }
    return true;
}

__m256i loadFourSamples(const uint16_t* p) {
    return _mm256_cvtepu16_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}

__m256i loadFourMids(const int32_t* p) {
    return _mm256_cvtepi32_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// sum + v × w in each 64-bit lane, v and w read as signed 32-bit values (w broadcast).
__m256i multiplyAdd64(__m256i sum, __m256i v, __m256i w) {
    return _mm256_add_epi64(sum, _mm256_mul_epi32(v, w));
}

// The low 32 bits of each 64-bit lane, in order, as four 32-bit values.
__m128i lowHalves(__m256i v) {
    const __m256i picked =
        _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6));
    return _mm256_castsi256_si128(picked);
}

// A 64-bit sum rounded down by 2^12 and limited to 0 .. 32768, per lane. Past the limits the
// shift does not matter, so the lanes are compared before a logical shift.
__m256i finishSample(__m256i sum) {
    const __m256i x = _mm256_add_epi64(sum, _mm256_set1_epi64x(1 << 11));
    const __m256i negative = _mm256_cmpgt_epi64(_mm256_setzero_si256(), x);
    const __m256i above = _mm256_cmpgt_epi64(x, _mm256_set1_epi64x((int64_t{32768} << 12) + 4095));
    const __m256i shifted = _mm256_andnot_si256(negative, _mm256_srli_epi64(x, 12));
    return _mm256_blendv_epi8(shifted, _mm256_set1_epi64x(32768), above);
}

// Four finished samples (0 .. 32768 in 64-bit lanes) to 16 bits.
void storeFourSamples(uint16_t* out, __m256i finished) {
    const __m128i dwords = lowHalves(finished);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi32(dwords, dwords));
}

// ---- x-first path ------------------------------------------------------------------------

void filterRowFour(const uint16_t* source, const WeightTableSet& x, int32_t begin, int32_t end,
                   int32_t* out) {
    const __m256i half = _mm256_set1_epi64x(1 << 15);
    for (int32_t j = begin; j < end; ++j) {
        const uint16_t* p = source + static_cast<size_t>(x.first[j]) * 4;
        const int32_t* w = x.weightsOf(j);
        __m256i sum = _mm256_setzero_si256();
        for (int32_t k = 0; k < x.taps[j]; ++k) {
            sum = multiplyAdd64(sum, loadFourSamples(p + static_cast<size_t>(k) * 4),
                                _mm256_set1_epi32(w[k]));
        }
        // The int32 result is bits 16 .. 47 of the rounded sum.
        const __m256i shifted = _mm256_srli_epi64(_mm256_add_epi64(sum, half), 16);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + static_cast<size_t>(j) * 4),
                         lowHalves(shifted));
    }
}

void filterRowOne(const uint16_t* source, const WeightTableSet& x, int32_t begin, int32_t end,
                  int32_t* out) {
    int32_t j = begin;
    if (sumsStayInInt32(x, begin, end) && gatherIndicesFit(x, begin, end)) {
        // Each gather loads two samples from the tap on; the row's slack covers the last.
        const __m256i low = _mm256_set1_epi32(0xFFFF);
        auto gather = [source, low](__m256i index) {
            return _mm256_and_si256(
                _mm256_i32gather_epi32(reinterpret_cast<const int*>(source), index, 2), low);
        };
        for (; j + 8 <= end; j += 8) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j),
                                roundingShift<16>(filterEightOne(x, j, gather)));
        }
    }
    scalarScaleKernels().xFirst16[0].filterRow(source, x, j, end, out);
}

void combineRows(const int32_t* const* rows, const int32_t* weights, int32_t taps, size_t begin,
                 size_t end, uint16_t* out) {
    size_t i = begin;
    for (; i + 8 <= end; i += 8) {
        __m256i lo = _mm256_setzero_si256();
        __m256i hi = _mm256_setzero_si256();
        for (int32_t t = 0; t < taps; ++t) {
            const __m256i w = _mm256_set1_epi32(weights[t]);
            lo = multiplyAdd64(lo, loadFourMids(rows[t] + i), w);
            hi = multiplyAdd64(hi, loadFourMids(rows[t] + i + 4), w);
        }
        storeFourSamples(out + i, finishSample(lo));
        storeFourSamples(out + i + 4, finishSample(hi));
    }
    scalarScaleKernels().xFirst16[0].combineRows(rows, weights, taps, i, end, out);
}

// ---- y-first path, one channel: every sum wraps in 32 bits -------------------------------

void sumRowsOne(const uint16_t* const* rows, const int32_t* weights, int32_t taps, size_t begin,
                size_t end, int32_t* sums) {
    size_t i = begin;
    for (; i + 16 <= end; i += 16) {
        __m256i lo = _mm256_setzero_si256();
        __m256i hi = _mm256_setzero_si256();
        for (int32_t t = 0; t < taps; ++t) {
            const __m256i w = _mm256_set1_epi32(weights[t]);
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[t] + i));
            const __m256i a = _mm256_cvtepu16_epi32(_mm256_castsi256_si128(v));
            const __m256i b = _mm256_cvtepu16_epi32(_mm256_extracti128_si256(v, 1));
            lo = _mm256_add_epi32(lo, _mm256_mullo_epi32(a, w));
            hi = _mm256_add_epi32(hi, _mm256_mullo_epi32(b, w));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + i), lo);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + i + 8), hi);
    }
    scalarScaleKernels().yFirst16One.sumRows(rows, weights, taps, i, end, sums);
}

void filterSumsOne(const int32_t* sums, const WeightTableSet& x, int32_t begin, int32_t end,
                   uint16_t* out) {
    int32_t j = begin;
    if (gatherIndicesFit(x, begin, end)) {
        auto gather = [sums](__m256i index) {
            return _mm256_srai_epi32(
                _mm256_i32gather_epi32(reinterpret_cast<const int*>(sums), index, 4), 16);
        };
        const __m256i maxValue = _mm256_set1_epi32(32768);
        for (; j + 8 <= end; j += 8) {
            const __m256i v =
                _mm256_min_epi32(_mm256_max_epi32(roundingShift<12>(filterEightOne(x, j, gather)),
                                                  _mm256_setzero_si256()),
                                 maxValue);
            const __m256i words = _mm256_permute4x64_epi64(_mm256_packus_epi32(v, v), 0x08);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), _mm256_castsi256_si128(words));
        }
    }
    scalarScaleKernels().yFirst16One.filterSums(sums, x, j, end, out);
}

// ---- y-first path, four channels: every sum wraps in 64 bits -----------------------------

void sumRowsFour(const uint16_t* const* rows, const int32_t* weights, int32_t taps, size_t begin,
                 size_t end, Sum64* sums) {
    size_t i = begin;
    for (; i + 8 <= end; i += 8) {
        __m256i lo = _mm256_setzero_si256();
        __m256i hi = _mm256_setzero_si256();
        for (int32_t t = 0; t < taps; ++t) {
            const __m256i w = _mm256_set1_epi32(weights[t]);
            lo = multiplyAdd64(lo, loadFourSamples(rows[t] + i), w);
            hi = multiplyAdd64(hi, loadFourSamples(rows[t] + i + 4), w);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + i), lo);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + i + 4), hi);
    }
    scalarScaleKernels().yFirst16Four.sumRows(rows, weights, taps, i, end, sums);
}

// A sum s in [-2^47, 2^47) has s >> 16 in the int32 range, and then its bits 16 .. 47 are that
// value, ready for _mm256_mul_epi32. Pixels with a sum outside take the scalar pass.
void filterSumsFour(const Sum64* sums, const WeightTableSet& x, int32_t begin, int32_t end,
                    uint16_t* out) {
    const __m256i bias = _mm256_set1_epi64x(int64_t{1} << 47);
    const __m256i outside = _mm256_set1_epi64x(static_cast<int64_t>(~uint64_t{0} << 48));
    for (int32_t j = begin; j < end; ++j) {
        const Sum64* p = sums + static_cast<size_t>(x.first[j]) * 4;
        const int32_t* w = x.weightsOf(j);
        __m256i sum = _mm256_setzero_si256();
        __m256i reach = _mm256_setzero_si256();
        for (int32_t k = 0; k < x.taps[j]; ++k) {
            const __m256i s = _mm256_loadu_si256(
                reinterpret_cast<const __m256i*>(p + static_cast<size_t>(k) * 4));
            reach = _mm256_or_si256(reach, _mm256_add_epi64(s, bias));
            sum = multiplyAdd64(sum, _mm256_srli_epi64(s, 16), _mm256_set1_epi32(w[k]));
        }
        uint16_t* pixel = out + static_cast<size_t>(j) * 4;
        if (_mm256_testz_si256(reach, outside)) {
            storeFourSamples(pixel, finishSample(sum));
        } else {
            scalarScaleKernels().yFirst16Four.filterSums(sums, x, j, j + 1, out);
        }
    }
}

}  // namespace

void setSixteenBitPasses(ScaleKernels& passes) {
    passes.xFirst16[0] = {filterRowOne, combineRows};
    passes.xFirst16[1] = {filterRowFour, combineRows};
    passes.yFirst16One = {sumRowsOne, filterSumsOne};
    passes.yFirst16Four = {sumRowsFour, filterSumsFour};
}

}  // namespace brivo::fx::avx2
