// The shape blend compiled for AVX2: 32 bytes at a time in 16-bit lanes, with the same
// integer results as the reference. Division by 255 of a product of two bytes is
// (x · 0x8081) >> 23, exact for every x below 2^16. This file is compiled for AVX2 as a
// whole, so it calls no inline functions of shared headers.
#include <immintrin.h>

#include "render/shape_blend.h"

namespace brivo {
namespace {

inline __m256i divideBy255(__m256i x) {
    return _mm256_srli_epi16(_mm256_mulhi_epu16(x, _mm256_set1_epi16(static_cast<short>(0x8081))),
                             7);
}

// truncate(s × opacity) in single precision for sixteen 16-bit samples.
inline __m256i scaledByOpacity(__m256i s, __m256 opacity) {
    const auto scale = [opacity](__m128i eight) {
        return _mm256_cvttps_epi32(
            _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_cvtepu16_epi32(eight)), opacity));
    };
    const __m256i low = scale(_mm256_castsi256_si128(s));
    const __m256i high = scale(_mm256_extracti128_si256(s, 1));
    return _mm256_permute4x64_epi64(_mm256_packus_epi32(low, high), 0xD8);
}

// Sixteen blended samples (16-bit lanes holding bytes); results outside 0 .. 255 are
// clamped by the final pack.
inline __m256i blendSixteen(ShapeBlendMode mode, __m256i s, __m256i m, __m256 opacity,
                            __m256i weight) {
    const __m256i t = divideBy255(_mm256_mullo_epi16(s, weight));
    switch (mode) {
        case ShapeBlendMode::Only:
            return t;
        case ShapeBlendMode::Add:
            return _mm256_add_epi16(m, t);
        case ShapeBlendMode::Subtract:
            return _mm256_sub_epi16(m, t);
        case ShapeBlendMode::Multiply:
            return divideBy255(_mm256_mullo_epi16(scaledByOpacity(s, opacity), m));
        case ShapeBlendMode::Screen:
            return _mm256_sub_epi16(_mm256_add_epi16(m, t), divideBy255(_mm256_mullo_epi16(m, t)));
        case ShapeBlendMode::Difference: {
            // 2·m·t / 255 is 2·q, plus 1 when the remainder r of m·t / 255 is 128 or more.
            const __m256i product = _mm256_mullo_epi16(m, t);
            const __m256i q = divideBy255(product);
            const __m256i r =
                _mm256_sub_epi16(product, _mm256_mullo_epi16(q, _mm256_set1_epi16(255)));
            const __m256i roundsUp = _mm256_cmpgt_epi16(r, _mm256_set1_epi16(127));
            return _mm256_sub_epi16(_mm256_add_epi16(m, t),
                                    _mm256_sub_epi16(_mm256_add_epi16(q, q), roundsUp));
        }
        case ShapeBlendMode::Darken:
            return _mm256_min_epu16(m, t);
        case ShapeBlendMode::Lighten:
            return _mm256_max_epu16(m, t);
        case ShapeBlendMode::None:
            break;
    }
    return m;
}

void avx2BlendRow(ShapeBlendMode mode, float opacity, int32_t weight, uint8_t* shape,
                  const uint8_t* matte, int32_t count) {
    // At full opacity Only keeps the shape as it is.
    if (mode == ShapeBlendMode::Only && opacity == 1.0f) return;
    const __m256i zero = _mm256_setzero_si256();
    const __m256 opacities = _mm256_set1_ps(opacity);
    const __m256i weights = _mm256_set1_epi16(static_cast<short>(weight));
    int32_t x = 0;
    for (; x + 32 <= count; x += 32) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(shape + x));
        const __m256i m = matte != nullptr
                              ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(matte + x))
                              : zero;
        const __m256i low = blendSixteen(mode, _mm256_unpacklo_epi8(s, zero),
                                         _mm256_unpacklo_epi8(m, zero), opacities, weights);
        const __m256i high = blendSixteen(mode, _mm256_unpackhi_epi8(s, zero),
                                          _mm256_unpackhi_epi8(m, zero), opacities, weights);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(shape + x), _mm256_packus_epi16(low, high));
    }
    for (; x < count; ++x)
        shape[x] =
            blendShapePixel(mode, shape[x], matte != nullptr ? matte[x] : 0u, opacity, weight);
}

}  // namespace

const ShapeBlendKernels& avx2ShapeBlendKernels() {
    static constexpr ShapeBlendKernels kernels{&avx2BlendRow};
    return kernels;
}

}  // namespace brivo
