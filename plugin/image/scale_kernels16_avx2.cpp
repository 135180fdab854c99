// AVX2 versions of the 16-bit passes. Where the weights and values prove that no sum leaves
// the int32 range, a pass multiplies pairs of taps as int16 with _mm256_madd_epi16 (samples
// less 32768, added back once); its 64-bit sums then equal the 32-bit ones. Otherwise passes
// whose sums wrap in 64 bits keep four samples in 64-bit lanes and multiply with
// _mm256_mul_epi32, whose signed 32 × 32 → 64-bit product is exact. Either way every result
// is the scalar pass's bit for bit.
#include <immintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "image/scale_kernels.h"
#include "image/scale_kernels_avx2.h"

namespace brivo::fx::avx2 {

namespace {

using Sum64 = int64_t;

// The largest sum of absolute int16 weights for which a weighted sum of int16 values, plus
// its rounding term, stays inside int32: 32768 × 65535 + 2^11 < 2^31.
constexpr int64_t kPairWeightBudget = 65535;

// The largest sum of absolute weights for which a weighted sum of 16-bit samples, plus its
// rounding term, stays inside int32: 65535 × 32767 + 2^15 < 2^31.
constexpr int64_t kInt32WeightBudget = 32767;

int64_t absoluteWeightSum(const int32_t* w, int32_t taps) {
    int64_t total = 0;
    for (int32_t k = 0; k < taps; ++k) total += std::llabs(w[k]);
    return total;
}

// Whether the weights fit int16 and their absolute sum stays within budget.
bool weightsWithin(const int32_t* w, int32_t taps, int64_t budget) {
    return fitsInt16(w, taps) && absoluteWeightSum(w, taps) <= budget;
}

// Whether no table's weighted sum of 16-bit samples leaves int32; every weight then fits
// int16 too.
bool tablesStayInInt32(const WeightTableSet& x) {
    return x.largestAbsoluteSum <= kInt32WeightBudget;
}

// 32768 × Σ weights, which sums of centred samples leave out, in 32-bit lanes.
__m256i centreCompensation(const int32_t* w, int32_t taps) {
    uint32_t total = 0;
    for (int32_t t = 0; t < taps; ++t) total += static_cast<uint32_t>(w[t]) << 15;
    return _mm256_set1_epi32(static_cast<int32_t>(total));
}

// Eight 32-bit sums rounded down by 2^12, limited to 0 .. 32768 and stored as samples.
void storeEightSamples(uint16_t* out, __m256i sum) {
    const __m256i v = _mm256_min_epi32(
        _mm256_max_epi32(roundingShift<12>(sum), _mm256_setzero_si256()), _mm256_set1_epi32(32768));
    const __m256i words = _mm256_permute4x64_epi64(_mm256_packus_epi32(v, v), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(words));
}

// Four samples or mids widened to 64-bit lanes.
__m256i loadFourWide(const uint16_t* p) {
    return _mm256_cvtepu16_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}

__m256i loadFourWide(const int32_t* p) {
    return _mm256_cvtepi32_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// sum + v × w in each 64-bit lane, v and w read as signed 32-bit values (w broadcast).
__m256i multiplyAdd64(__m256i sum, __m256i v, __m256i w) {
    return _mm256_add_epi64(sum, _mm256_mul_epi32(v, w));
}

// Σ rows[t][i] × weights[t] in 64 bits for eight samples from i: four in lo, four in hi.
template <typename Value>
void sumEightWide(const Value* const* rows, const int32_t* weights, int32_t taps, size_t i,
                  __m256i& lo, __m256i& hi) {
    lo = _mm256_setzero_si256();
    hi = _mm256_setzero_si256();
    for (int32_t t = 0; t < taps; ++t) {
        const __m256i w = _mm256_set1_epi32(weights[t]);
        lo = multiplyAdd64(lo, loadFourWide(rows[t] + i), w);
        hi = multiplyAdd64(hi, loadFourWide(rows[t] + i + 4), w);
    }
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
            sum = multiplyAdd64(sum, loadFourWide(p + static_cast<size_t>(k) * 4),
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
    if (tablesStayInInt32(x) && gatherIndicesFit(x, begin, end)) {
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

// Eight mids of rows a and b as int16 pairs (a, b) in sample order, for _mm256_madd_epi16;
// reach collects each mid plus 2^15, which stays below 2^16 while the mids fit int16.
__m256i pairMids(const int32_t* a, const int32_t* b, __m256i& reach) {
    const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a));
    const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b));
    const __m256i bias = _mm256_set1_epi32(0x8000);
    reach = _mm256_or_si256(
        reach, _mm256_or_si256(_mm256_add_epi32(va, bias), _mm256_add_epi32(vb, bias)));
    return _mm256_blend_epi16(va, _mm256_slli_epi32(vb, 16), 0xAA);
}

// The 64-bit sums of eight samples from i, for mids or weights that the pairs cannot take.
void combineEightWide(const int32_t* const* rows, const int32_t* weights, int32_t taps, size_t i,
                      uint16_t* out) {
    __m256i lo, hi;
    sumEightWide(rows, weights, taps, i, lo, hi);
    storeFourSamples(out + i, finishSample(lo));
    storeFourSamples(out + i + 4, finishSample(hi));
}

void combineRows(const int32_t* const* rows, const int32_t* weights, int32_t taps, size_t begin,
                 size_t end, uint16_t* out) {
    const bool pairs = weightsWithin(weights, taps, kPairWeightBudget);
    const __m256i outside = _mm256_set1_epi32(static_cast<int32_t>(0xFFFF0000u));
    size_t i = begin;
    for (; i + 8 <= end; i += 8) {
        __m256i sum = _mm256_setzero_si256();
        __m256i reach = _mm256_setzero_si256();
        for (int32_t t = 0; pairs && t < taps; t += 2) {
            const bool pair = t + 1 < taps;
            const __m256i v = pairMids(rows[t] + i, (pair ? rows[t + 1] : rows[t]) + i, reach);
            sum = _mm256_add_epi32(
                sum, _mm256_madd_epi16(v, weightPair(weights[t], pair ? weights[t + 1] : 0)));
        }
        if (pairs && _mm256_testz_si256(reach, outside))
            storeEightSamples(out + i, sum);
        else
            combineEightWide(rows, weights, taps, i, out);
    }
    scalarScaleKernels().xFirst16[0].combineRows(rows, weights, taps, i, end, out);
}

// ---- y-first path, one channel: every sum wraps in 32 bits -------------------------------

void sumRowsOne(const uint16_t* const* rows, const int32_t* weights, int32_t taps, size_t begin,
                size_t end, int32_t* sums) {
    size_t i = begin;
    // The pairs' sums wrap in 32 bits like the reference's, so any int16 weights will do.
    if (fitsInt16(weights, taps)) {
        const __m256i back = centreCompensation(weights, taps);
        for (; i + 16 <= end; i += 16) {
            __m256i lo, hi;
            sumSixteen(rows, weights, taps, i, lo, hi);
            lo = _mm256_add_epi32(lo, back);
            hi = _mm256_add_epi32(hi, back);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + i),
                                _mm256_permute2x128_si256(lo, hi, 0x20));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + i + 8),
                                _mm256_permute2x128_si256(lo, hi, 0x31));
        }
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
    if (weightsWithin(weights, taps, kInt32WeightBudget)) {
        const __m256i back = centreCompensation(weights, taps);
        auto store = [sums](size_t at, __m128i four) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + at), _mm256_cvtepi32_epi64(four));
        };
        for (; i + 16 <= end; i += 16) {
            __m256i lo, hi;
            sumSixteen(rows, weights, taps, i, lo, hi);
            lo = _mm256_add_epi32(lo, back);
            hi = _mm256_add_epi32(hi, back);
            store(i, _mm256_castsi256_si128(lo));
            store(i + 4, _mm256_castsi256_si128(hi));
            store(i + 8, _mm256_extracti128_si256(lo, 1));
            store(i + 12, _mm256_extracti128_si256(hi, 1));
        }
    }
    for (; i + 8 <= end; i += 8) {
        __m256i lo, hi;
        sumEightWide(rows, weights, taps, i, lo, hi);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + i), lo);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + i + 4), hi);
    }
    scalarScaleKernels().yFirst16Four.sumRows(rows, weights, taps, i, end, sums);
}

// Whether every sum the tables in [begin, end) weight lies in the int32 range, so that its
// bits 16 .. 31 are s >> 16 as int16.
bool tableSumsFitInt32(const Sum64* sums, const WeightTableSet& x, int32_t begin, int32_t end) {
    if (begin >= end) return true;
    int32_t from = x.first[begin];
    int32_t to = from;
    for (int32_t j = begin; j < end; ++j) {
        from = std::min(from, x.first[j]);
        to = std::max(to, x.first[j] + x.taps[j]);
    }
    const __m256i bias = _mm256_set1_epi64x(int64_t{1} << 31);
    auto biased = [sums, bias](size_t i) {
        return _mm256_add_epi64(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(sums + i)),
                                bias);
    };
    __m256i reach = _mm256_setzero_si256();
    const size_t last = static_cast<size_t>(to) * 4;
    size_t i = static_cast<size_t>(from) * 4;
    for (; i + 16 <= last; i += 16) {
        reach =
            _mm256_or_si256(reach, _mm256_or_si256(_mm256_or_si256(biased(i), biased(i + 4)),
                                                   _mm256_or_si256(biased(i + 8), biased(i + 12))));
    }
    for (; i < last; i += 4) reach = _mm256_or_si256(reach, biased(i));
    return _mm256_testz_si256(reach, _mm256_set1_epi64x(static_cast<int64_t>(~uint64_t{0} << 32)));
}

// Four taps of one pixel from at: in each 64-bit lane (one channel) the int16 values s >> 16
// of taps 0 and 1 in the low half, of taps 2 and 3 in the high half, for _mm256_madd_epi16.
__m256i quadSums(const Sum64* at) {
    auto load = [at](int tap) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + tap * 4));
    };
    const __m256i low = _mm256_blend_epi16(_mm256_srli_epi64(load(0), 16), load(1), 0x22);
    const __m256i high =
        _mm256_blend_epi16(_mm256_slli_epi64(load(2), 16), _mm256_slli_epi64(load(3), 32), 0x88);
    return _mm256_blend_epi16(low, high, 0xCC);
}

// Weights k .. k + 3 of a table as int16, those past its taps zero, repeated per 64-bit lane.
__m256i quadWeights(const int32_t* w, int32_t k, int32_t taps) {
    const __m128i inside = _mm_cmpgt_epi32(_mm_set1_epi32(taps - k), _mm_setr_epi32(0, 1, 2, 3));
    const __m128i four = _mm_maskload_epi32(w + k, inside);
    return _mm256_broadcastq_epi64(_mm_packs_epi32(four, four));
}

// Taps past the table's own read the row's slack at weight 0.
void filterSumsFourInPairs(const Sum64* sums, const WeightTableSet& x, int32_t j, uint16_t* out) {
    const Sum64* p = sums + static_cast<size_t>(x.first[j]) * 4;
    const int32_t* w = x.weightsOf(j);
    const int32_t taps = x.taps[j];
    __m256i sum = _mm256_setzero_si256();
    for (int32_t k = 0; k < taps; k += 4) {
        sum = _mm256_add_epi32(sum, _mm256_madd_epi16(quadSums(p + static_cast<size_t>(k) * 4),
                                                      quadWeights(w, k, taps)));
    }
    const __m128i total = lowHalves(_mm256_add_epi32(sum, _mm256_srli_epi64(sum, 32)));
    const __m128i v = _mm_min_epi32(
        _mm_max_epi32(_mm_srai_epi32(_mm_add_epi32(total, _mm_set1_epi32(1 << 11)), 12),
                      _mm_setzero_si128()),
        _mm_set1_epi32(32768));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + static_cast<size_t>(j) * 4),
                     _mm_packus_epi32(v, v));
}

// A sum s in [-2^47, 2^47) has s >> 16 in the int32 range, and then its bits 16 .. 47 are that
// value, ready for _mm256_mul_epi32. Outside, the pixel takes the scalar pass.
void filterSumsFourWide(const Sum64* sums, const WeightTableSet& x, int32_t j, uint16_t* out) {
    const __m256i bias = _mm256_set1_epi64x(int64_t{1} << 47);
    const __m256i outside = _mm256_set1_epi64x(static_cast<int64_t>(~uint64_t{0} << 48));
    const Sum64* p = sums + static_cast<size_t>(x.first[j]) * 4;
    const int32_t* w = x.weightsOf(j);
    __m256i sum = _mm256_setzero_si256();
    __m256i reach = _mm256_setzero_si256();
    for (int32_t k = 0; k < x.taps[j]; ++k) {
        const __m256i s =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + static_cast<size_t>(k) * 4));
        reach = _mm256_or_si256(reach, _mm256_add_epi64(s, bias));
        sum = multiplyAdd64(sum, _mm256_srli_epi64(s, 16), _mm256_set1_epi32(w[k]));
    }
    if (_mm256_testz_si256(reach, outside))
        storeFourSamples(out + static_cast<size_t>(j) * 4, finishSample(sum));
    else
        scalarScaleKernels().yFirst16Four.filterSums(sums, x, j, j + 1, out);
}

void filterSumsFour(const Sum64* sums, const WeightTableSet& x, int32_t begin, int32_t end,
                    uint16_t* out) {
    const bool pairs = tablesStayInInt32(x) && tableSumsFitInt32(sums, x, begin, end);
    for (int32_t j = begin; j < end; ++j) {
        if (pairs)
            filterSumsFourInPairs(sums, x, j, out);
        else
            filterSumsFourWide(sums, x, j, out);
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
