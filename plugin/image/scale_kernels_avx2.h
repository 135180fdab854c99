// Pieces shared by the AVX2 scaler passes of both sample depths. Only files compiled with
// -mavx2 include this.
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "image/scale_kernels.h"

namespace brivo::fx::avx2 {

inline bool fitsInt16(const int32_t* weights, int32_t taps) {
    for (int32_t t = 0; t < taps; ++t) {
        if (weights[t] < -32768 || weights[t] > 32767) return false;
    }
    return true;
}

// Two weights as one 32-bit lane for _mm256_madd_epi16: low half first, high half second.
inline __m256i weightPair(int32_t first, int32_t second) {
    return _mm256_set1_epi32(static_cast<int32_t>((static_cast<uint32_t>(second) << 16) |
                                                  (static_cast<uint32_t>(first) & 0xFFFFu)));
}

// Sixteen 8-bit samples of two rows as pairs (a, b) of 16-bit values: samples 0-3 and 8-11
// in lo, 4-7 and 12-15 in hi.
inline void interleaveSamples(const uint8_t* a, const uint8_t* b, __m256i& lo, __m256i& hi) {
    const __m256i va = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a)));
    const __m256i vb = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b)));
    lo = _mm256_unpacklo_epi16(va, vb);
    hi = _mm256_unpackhi_epi16(va, vb);
}

// Sixteen 16-bit samples of two rows, each less 32768 so that it fits int16; whoever sums
// them adds 32768 × the weights back.
inline void interleaveSamples(const uint16_t* a, const uint16_t* b, __m256i& lo, __m256i& hi) {
    const __m256i flip = _mm256_set1_epi16(static_cast<int16_t>(0x8000));
    const __m256i va =
        _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a)), flip);
    const __m256i vb =
        _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(b)), flip);
    lo = _mm256_unpacklo_epi16(va, vb);
    hi = _mm256_unpackhi_epi16(va, vb);
}

inline void interleaveSamples(const int16_t* a, const int16_t* b, __m256i& lo, __m256i& hi) {
    const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a));
    const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b));
    lo = _mm256_unpacklo_epi16(va, vb);
    hi = _mm256_unpackhi_epi16(va, vb);
}

// Σ rows[t][i] × weights[t] for sixteen samples from i, two rows per multiply; the sums
// come back in the interleaved order of interleaveSamples.
template <typename Sample>
inline void sumSixteen(const Sample* const* rows, const int32_t* weights, int32_t taps, size_t i,
                       __m256i& lo, __m256i& hi) {
    lo = _mm256_setzero_si256();
    hi = _mm256_setzero_si256();
    for (int32_t t = 0; t < taps; t += 2) {
        const bool pair = t + 1 < taps;
        const Sample* second = pair ? rows[t + 1] : rows[t];
        const __m256i w = weightPair(weights[t], pair ? weights[t + 1] : 0);
        __m256i a, b;
        interleaveSamples(rows[t] + i, second + i, a, b);
        lo = _mm256_add_epi32(lo, _mm256_madd_epi16(a, w));
        hi = _mm256_add_epi32(hi, _mm256_madd_epi16(b, w));
    }
}

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
