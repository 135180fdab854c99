// The warp's pixel loop for eight columns at a time: the mapped point and the bilinear
// sample are computed with the same single-precision operations in the same order as the
// reference (vector multiply, add, divide and truncation round like the scalar ones);
// blocks whose points all miss the source are skipped. This file is compiled for AVX2 as
// a whole, so it uses no shared inline templates.
#include <immintrin.h>

#include "render/corner_pin_warp.h"

namespace brivo {
namespace {

// Lanes where value lies in [0, size), as all-ones.
inline __m256i within(__m256i value, __m256i size) {
    return _mm256_and_si256(_mm256_cmpgt_epi32(value, _mm256_set1_epi32(-1)),
                            _mm256_cmpgt_epi32(size, value));
}

// The reference's bilinear sample for the eight points, written where inside is set.
// Neighbours outside the source's bounds read as 0 and are not fetched; blocks with no
// neighbour inside write nothing (the destination is 0 there already). Each source byte
// is fetched as the last byte of the 32-bit word ending at it, so no read passes the byte;
// false (nothing written) when a word would start before the bounds' first byte.
bool sampleEight(const ShapeWindow& source, __m256 u, __m256 v, __m256 inside, uint8_t* out) {
    const int32_t w = source.width;
    const int32_t h = source.height;
    const __m256 sx = _mm256_mul_ps(u, _mm256_set1_ps(static_cast<float>(w)));
    const __m256 sy = _mm256_mul_ps(v, _mm256_set1_ps(static_cast<float>(h)));
    const __m256i lastX = _mm256_set1_epi32(w - 1);
    const __m256i lastY = _mm256_set1_epi32(h - 1);
    const __m256i oneStep = _mm256_set1_epi32(1);
    // Lanes outside compute from (0, 0) and are neither fetched nor written.
    const __m256i insideLanes = _mm256_castps_si256(inside);
    const __m256i x0 =
        _mm256_and_si256(_mm256_min_epi32(_mm256_cvttps_epi32(sx), lastX), insideLanes);
    const __m256i y0 =
        _mm256_and_si256(_mm256_min_epi32(_mm256_cvttps_epi32(sy), lastY), insideLanes);
    const __m256i x1 = _mm256_min_epi32(_mm256_add_epi32(x0, oneStep), lastX);
    const __m256i y1 = _mm256_min_epi32(_mm256_add_epi32(y0, oneStep), lastY);
    // Neighbour positions relative to the bounds, and which of them lie inside.
    const __m256i boundsLeft = _mm256_set1_epi32(source.bounds.left);
    const __m256i boundsTop = _mm256_set1_epi32(source.bounds.top);
    const __m256i boundsWidth = _mm256_set1_epi32(source.bounds.right - source.bounds.left);
    const __m256i boundsHeight = _mm256_set1_epi32(source.bounds.bottom - source.bounds.top);
    const __m256i rx0 = _mm256_sub_epi32(x0, boundsLeft);
    const __m256i rx1 = _mm256_sub_epi32(x1, boundsLeft);
    const __m256i ry0 = _mm256_sub_epi32(y0, boundsTop);
    const __m256i ry1 = _mm256_sub_epi32(y1, boundsTop);
    const __m256i column0In = _mm256_and_si256(within(rx0, boundsWidth), insideLanes);
    const __m256i column1In = _mm256_and_si256(within(rx1, boundsWidth), insideLanes);
    const __m256i row0In = within(ry0, boundsHeight);
    const __m256i row1In = within(ry1, boundsHeight);
    const __m256i in00 = _mm256_and_si256(column0In, row0In);
    const __m256i in10 = _mm256_and_si256(column1In, row0In);
    const __m256i in01 = _mm256_and_si256(column0In, row1In);
    const __m256i in11 = _mm256_and_si256(column1In, row1In);
    const __m256i anyIn = _mm256_or_si256(_mm256_or_si256(in00, in10), _mm256_or_si256(in01, in11));
    if (_mm256_testz_si256(anyIn, anyIn)) return true;

    const __m256i rowBytes = _mm256_set1_epi32(source.rowBytes);
    const __m256i pixelBytes = _mm256_set1_epi32(source.pixelBytes);
    const __m256i back = _mm256_set1_epi32(3);
    const __m256i row0 = _mm256_mullo_epi32(ry0, rowBytes);
    const __m256i row1 = _mm256_mullo_epi32(ry1, rowBytes);
    const __m256i column0 = _mm256_sub_epi32(_mm256_mullo_epi32(rx0, pixelBytes), back);
    const __m256i column1 = _mm256_sub_epi32(_mm256_mullo_epi32(rx1, pixelBytes), back);
    const __m256i at00 = _mm256_add_epi32(row0, column0);
    const __m256i at10 = _mm256_add_epi32(row0, column1);
    const __m256i at01 = _mm256_add_epi32(row1, column0);
    const __m256i at11 = _mm256_add_epi32(row1, column1);
    // A fetched word must not start before the bounds' first byte.
    const __m256i below = _mm256_or_si256(
        _mm256_or_si256(_mm256_and_si256(at00, in00), _mm256_and_si256(at10, in10)),
        _mm256_or_si256(_mm256_and_si256(at01, in01), _mm256_and_si256(at11, in11)));
    if (_mm256_movemask_ps(_mm256_castsi256_ps(below)) != 0) return false;
    const int* base = reinterpret_cast<const int*>(source.first);
    const auto fetch = [base](__m256i offsets, __m256i mask) {
        const __m256i words =
            _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), base, offsets, mask, 1);
        return _mm256_cvtepi32_ps(_mm256_srli_epi32(words, 24));
    };
    const __m256 s00 = fetch(at00, in00);
    const __m256 s10 = fetch(at10, in10);
    const __m256 s01 = fetch(at01, in01);
    const __m256 s11 = fetch(at11, in11);
    const __m256 fx = _mm256_sub_ps(sx, _mm256_cvtepi32_ps(x0));
    const __m256 fy = _mm256_sub_ps(sy, _mm256_cvtepi32_ps(y0));
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256 restX = _mm256_sub_ps(one, fx);
    const __m256 restY = _mm256_sub_ps(one, fy);
    const __m256 upper = _mm256_add_ps(_mm256_mul_ps(s00, restX), _mm256_mul_ps(s10, fx));
    const __m256 lower = _mm256_add_ps(_mm256_mul_ps(s01, restX), _mm256_mul_ps(s11, fx));
    const __m256 value = _mm256_add_ps(_mm256_mul_ps(upper, restY), _mm256_mul_ps(lower, fy));
    const __m256 clamped =
        _mm256_min_ps(_mm256_max_ps(value, _mm256_setzero_ps()), _mm256_set1_ps(255.0f));
    const __m256i ints = _mm256_cvttps_epi32(clamped);
    const __m128i words =
        _mm_packus_epi32(_mm256_castsi256_si128(ints), _mm256_extracti128_si256(ints, 1));
    const __m128i bytes = _mm_packus_epi16(words, words);
    const __m128i keep = _mm_packs_epi16(_mm_packs_epi32(_mm256_castsi256_si128(insideLanes),
                                                         _mm256_extracti128_si256(insideLanes, 1)),
                                         _mm_setzero_si128());
    const __m128i old = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(out));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_blendv_epi8(old, bytes, keep));
    return true;
}

void avx2MapColumns(const ShapeWindow& source, const float a[3][3], int32_t row, int32_t first,
                    int32_t last, uint8_t* out) {
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256 zero = _mm256_setzero_ps();
    const __m256 one = _mm256_set1_ps(1.0f);
    // Byte offsets into the bounds must fit the gathers' 32-bit lanes.
    const bool gatherable =
        source.rowBytes > 0 && source.pixelBytes > 0 &&
        static_cast<int64_t>(source.rowBytes) * (source.bounds.bottom - source.bounds.top) <
            0x7FFFFFFF;
    const float fy = static_cast<float>(row);
    const __m256 rowU = _mm256_set1_ps(a[0][1] * fy);
    const __m256 rowV = _mm256_set1_ps(a[1][1] * fy);
    const __m256 rowW = _mm256_set1_ps(a[2][1] * fy);
    int32_t column = first;
    for (; column + 8 <= last; column += 8) {
        const __m256 fx = _mm256_cvtepi32_ps(_mm256_add_epi32(_mm256_set1_epi32(column), lanes));
        const __m256 mappedU =
            _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(a[0][0]), fx), rowU),
                          _mm256_set1_ps(a[0][2]));
        const __m256 mappedV =
            _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(a[1][0]), fx), rowV),
                          _mm256_set1_ps(a[1][2]));
        const __m256 mappedW =
            _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(a[2][0]), fx), rowW),
                          _mm256_set1_ps(a[2][2]));
        const __m256 u = _mm256_div_ps(mappedU, mappedW);
        const __m256 v = _mm256_div_ps(mappedV, mappedW);
        // Points at infinity (w = 0) fail the range test like NaN and infinities do.
        const __m256 inside = _mm256_and_ps(
            _mm256_and_ps(_mm256_cmp_ps(mappedW, zero, _CMP_NEQ_OQ),
                          _mm256_and_ps(_mm256_cmp_ps(u, zero, _CMP_GE_OQ),
                                        _mm256_cmp_ps(u, one, _CMP_LT_OQ))),
            _mm256_and_ps(_mm256_cmp_ps(v, zero, _CMP_GE_OQ), _mm256_cmp_ps(v, one, _CMP_LT_OQ)));
        int bits = _mm256_movemask_ps(inside);
        if (bits == 0) continue;
        uint8_t* block = out + (column - first);
        if (gatherable && sampleEight(source, u, v, inside, block)) continue;
        alignas(32) float us[8];
        alignas(32) float vs[8];
        _mm256_store_ps(us, u);
        _mm256_store_ps(vs, v);
        while (bits != 0) {
            const int lane = __builtin_ctz(static_cast<unsigned>(bits));
            bits &= bits - 1;
            block[lane] = sampleCornerPinSource(source, us[lane], vs[lane]);
        }
    }
    mapCornerPinColumns(source, a, row, column, last, out + (column - first));
}

constexpr CornerPinKernels kAvx2Kernels{&avx2MapColumns};

}  // namespace

const CornerPinKernels& avx2CornerPinKernels() {
    return kAvx2Kernels;
}

}  // namespace brivo
