// AVX2 versions of the 8-bit passes. Every sum wraps in 32 bits exactly as in the scalar
// passes, so the order of the taps and the pairing of products change nothing.
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "image/scale_kernels.h"
#include "image/scale_kernels_avx2.h"

namespace brivo::fx {

namespace {

using avx2::filterEightOne;
using avx2::fitsInt16;
using avx2::gatherIndicesFit;
using avx2::roundingShift;
using avx2::sumSixteen;

void sumRowsY8(const uint8_t* const* rows, const int32_t* weights, int32_t taps, size_t begin,
               size_t end, int32_t* sums) {
    size_t i = begin;
    if (fitsInt16(weights, taps)) {
        for (; i + 16 <= end; i += 16) {
            __m256i lo, hi;
            sumSixteen(rows, weights, taps, i, lo, hi);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + i),
                                _mm256_permute2x128_si256(lo, hi, 0x20));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + i + 8),
                                _mm256_permute2x128_si256(lo, hi, 0x31));
        }
    }
    scalarScaleKernels().yFirst8[0].sumRows(rows, weights, taps, i, end, sums);
}

void combineRowsY8(const int16_t* const* rows, const int32_t* weights, int32_t taps, size_t begin,
                   size_t end, uint8_t* out) {
    size_t i = begin;
    if (fitsInt16(weights, taps)) {
        for (; i + 16 <= end; i += 16) {
            __m256i lo, hi;
            sumSixteen(rows, weights, taps, i, lo, hi);
            // packs keeps lo's and hi's lanes apart, which restores the sample order.
            const __m256i words = _mm256_packs_epi32(roundingShift<20>(lo), roundingShift<20>(hi));
            const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm256_castsi256_si128(bytes));
        }
    }
    scalarScaleKernels().xFirst8[0].combineRows(rows, weights, taps, i, end, out);
}

// Four channels: two destination pixels per vector, one in each 128-bit lane.
template <typename Load>
__m256i filterPairFour(const WeightTableSet& x, int32_t j, Load load) {
    const int32_t* w0 = x.weightsOf(j);
    const int32_t* w1 = x.weightsOf(j + 1);
    const size_t p0 = static_cast<size_t>(x.first[j]) * 4;
    const size_t p1 = static_cast<size_t>(x.first[j + 1]) * 4;
    __m256i sum = _mm256_setzero_si256();
    for (int32_t k = 0; k < x.stride; ++k) {
        const __m256i v = load(p0 + static_cast<size_t>(k) * 4, p1 + static_cast<size_t>(k) * 4);
        const __m256i w = _mm256_setr_m128i(_mm_set1_epi32(w0[k]), _mm_set1_epi32(w1[k]));
        sum = _mm256_add_epi32(sum, _mm256_mullo_epi32(v, w));
    }
    return sum;
}

// A 32-bit value as the 16-bit value it truncates to, sign-extended again.
__m256i wrapToInt16(__m256i v) {
    return _mm256_srai_epi32(_mm256_slli_epi32(v, 16), 16);
}

template <int Channels>
void filterRowX8(const uint8_t* source, const WeightTableSet& x, int32_t begin, int32_t end,
                 int16_t* out) {
    int32_t j = begin;
    if constexpr (Channels == 4) {
        auto load = [source](size_t a, size_t b) {
            int32_t pa, pb;
            std::memcpy(&pa, source + a, 4);
            std::memcpy(&pb, source + b, 4);
            return _mm256_cvtepu8_epi32(
                _mm_unpacklo_epi32(_mm_cvtsi32_si128(pa), _mm_cvtsi32_si128(pb)));
        };
        for (; j + 2 <= end; j += 2) {
            const __m256i v = wrapToInt16(roundingShift<8>(filterPairFour(x, j, load)));
            const __m256i words = _mm256_packs_epi32(v, v);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + static_cast<size_t>(j) * 4),
                             _mm256_castsi256_si128(words));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + static_cast<size_t>(j + 1) * 4),
                             _mm256_extracti128_si256(words, 1));
        }
    } else if (gatherIndicesFit(x, begin, end)) {
        // Each gather loads four bytes from the tap on; the row's slack covers the last.
        const __m256i low = _mm256_set1_epi32(0xFF);
        auto gather = [source, low](__m256i index) {
            return _mm256_and_si256(
                _mm256_i32gather_epi32(reinterpret_cast<const int*>(source), index, 1), low);
        };
        for (; j + 8 <= end; j += 8) {
            const __m256i v = wrapToInt16(roundingShift<8>(filterEightOne(x, j, gather)));
            const __m256i words = _mm256_permute4x64_epi64(_mm256_packs_epi32(v, v), 0x08);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), _mm256_castsi256_si128(words));
        }
    }
    scalarScaleKernels().xFirst8[Channels == 4 ? 1 : 0].filterRow(source, x, j, end, out);
}

template <int Channels>
void filterSumsX8(const int32_t* sums, const WeightTableSet& x, int32_t begin, int32_t end,
                  uint8_t* out) {
    int32_t j = begin;
    if constexpr (Channels == 4) {
        auto load = [sums](size_t a, size_t b) {
            const __m256i v =
                _mm256_setr_m128i(_mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + a)),
                                  _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + b)));
            return _mm256_srai_epi32(v, 8);
        };
        for (; j + 2 <= end; j += 2) {
            const __m256i v = roundingShift<20>(filterPairFour(x, j, load));
            const __m256i words = _mm256_packs_epi32(v, v);
            const __m256i bytes = _mm256_packus_epi16(words, words);
            const int32_t a = _mm256_extract_epi32(bytes, 0);
            const int32_t b = _mm256_extract_epi32(bytes, 4);
            std::memcpy(out + static_cast<size_t>(j) * 4, &a, 4);
            std::memcpy(out + static_cast<size_t>(j + 1) * 4, &b, 4);
        }
    } else if (gatherIndicesFit(x, begin, end)) {
        auto gather = [sums](__m256i index) {
            return _mm256_srai_epi32(
                _mm256_i32gather_epi32(reinterpret_cast<const int*>(sums), index, 4), 8);
        };
        for (; j + 8 <= end; j += 8) {
            const __m256i v = roundingShift<20>(filterEightOne(x, j, gather));
            const __m256i words = _mm256_packs_epi32(v, v);
            const __m256i bytes = _mm256_permutevar8x32_epi32(
                _mm256_packus_epi16(words, words), _mm256_setr_epi32(0, 4, 0, 0, 0, 0, 0, 0));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + j), _mm256_castsi256_si128(bytes));
        }
    }
    scalarScaleKernels().yFirst8[Channels == 4 ? 1 : 0].filterSums(sums, x, j, end, out);
}

}  // namespace

const ScaleKernels& avx2ScaleKernels() {
    static const ScaleKernels table = [] {
        ScaleKernels passes = scalarScaleKernels();
        passes.xFirst8[0] = {filterRowX8<1>, combineRowsY8};
        passes.xFirst8[1] = {filterRowX8<4>, combineRowsY8};
        passes.yFirst8[0] = {sumRowsY8, filterSumsX8<1>};
        passes.yFirst8[1] = {sumRowsY8, filterSumsX8<4>};
        avx2::setSixteenBitPasses(passes);
        return passes;
    }();
    return table;
}

}  // namespace brivo::fx
