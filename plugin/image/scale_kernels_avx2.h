// Pieces shared by the AVX2 scaler passes of both sample depths. Only files compiled with
// -mavx2 include this.
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "image/scale_kernels.h"

namespace brivo::fx::avx2 {

// Adds half of 2^shift, shifts arithmetically.
template <int Shift>
inline __m256i roundingShift(__m256i sum) {
    return _mm256_srai_epi32(_mm256_add_epi32(sum, _mm256_set1_epi32(1 << (Shift - 1))), Shift);
}

// One channel: eight destination pixels per vector, their taps gathered. The sums wrap in
// 32 bits.
template <typename Gather>
inline __m256i filterEightOne(const WeightTableSet& x, int32_t j, Gather gather) {
    const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x.first.data() + j));
    const __m256i rowStart = _mm256_mullo_epi32(
        _mm256_add_epi32(_mm256_set1_epi32(j), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)),
        _mm256_set1_epi32(x.stride));
    __m256i sum = _mm256_setzero_si256();
    for (int32_t k = 0; k < x.stride; ++k) {
        const __m256i kk = _mm256_set1_epi32(k);
        const __m256i v = gather(_mm256_add_epi32(first, kk));
        const __m256i w =
            _mm256_i32gather_epi32(x.weights.data(), _mm256_add_epi32(rowStart, kk), 4);
        sum = _mm256_add_epi32(sum, _mm256_mullo_epi32(v, w));
    }
    return sum;
}

// Whether the gathers' 32-bit indices (source pixels and weights) stay in range.
inline bool gatherIndicesFit(const WeightTableSet& x, int32_t begin, int32_t end) {
    constexpr int64_t limit = INT32_MAX;
    if (static_cast<int64_t>(end) * x.stride > limit) return false;
    for (int32_t j = begin; j < end; ++j) {
        if (static_cast<int64_t>(x.first[j]) + x.stride + kRowSlackPixels > limit) return false;
    }
    return true;
}

// Installs the 16-bit passes into the AVX2 table.
void setSixteenBitPasses(ScaleKernels& passes);

}  // namespace brivo::fx::avx2
