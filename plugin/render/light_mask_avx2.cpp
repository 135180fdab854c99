// Displacement compiled for AVX2: the same double arithmetic as the reference, four pixels
// at a time, with floor done by the rounding instruction. Only neighbours inside the
// shape's bounds are fetched; points with none there are 0 without a fetch. This file is
// compiled for AVX2 as a whole, so it calls no inline functions of shared headers.
#include <immintrin.h>

#include "render/light_mask.h"

namespace brivo {
namespace {

// Lanes where value lies in [0, size), as all-ones.
inline __m128i within(__m128i value, __m128i size) {
    return _mm_and_si128(_mm_cmpgt_epi32(value, _mm_set1_epi32(-1)), _mm_cmpgt_epi32(size, value));
}

// Four neighbouring pixels of a row, from their luminance bytes at levels. A point beside
// no pixel of the bounds is 0 (all its neighbours are 0); the others interpolate between
// their neighbours, those outside the bounds read as 0. Each shape byte is fetched as the
// last byte of the 32-bit word ending at it, so no read passes the byte; false (nothing
// written) when such a word would start before the bounds' first byte.
bool sampleFour(const ShapeWindow& shape, const DisplacementGrid& grid, int32_t column, double y,
                uint8_t* levels) {
    uint32_t packedLevels;
    __builtin_memcpy(&packedLevels, levels, 4);
    const __m128i index = _mm_cvtepu8_epi32(_mm_cvtsi32_si128(static_cast<int>(packedLevels)));
    const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    const __m256d dx = _mm256_mask_i32gather_pd(_mm256_setzero_pd(), grid.offsetX, index, all, 8);
    const __m256d dy = _mm256_mask_i32gather_pd(_mm256_setzero_pd(), grid.offsetY, index, all, 8);
    const __m256d x = _mm256_add_pd(
        _mm256_set1_pd(grid.left),
        _mm256_cvtepi32_pd(_mm_add_epi32(_mm_set1_epi32(column), _mm_setr_epi32(0, 1, 2, 3))));
    const __m256d px = _mm256_mul_pd(_mm256_add_pd(dx, x), _mm256_set1_pd(grid.kx));
    const __m256d py = _mm256_mul_pd(_mm256_add_pd(dy, _mm256_set1_pd(y)), _mm256_set1_pd(grid.ky));
    const VRect& bounds = shape.bounds;
    const __m256d reach = _mm256_and_pd(
        _mm256_and_pd(_mm256_cmp_pd(px, _mm256_set1_pd(bounds.left - 1.0), _CMP_GT_OQ),
                      _mm256_cmp_pd(px, _mm256_set1_pd(bounds.right), _CMP_LT_OQ)),
        _mm256_and_pd(_mm256_cmp_pd(py, _mm256_set1_pd(bounds.top - 1.0), _CMP_GT_OQ),
                      _mm256_cmp_pd(py, _mm256_set1_pd(bounds.bottom), _CMP_LT_OQ)));
    if (_mm256_movemask_pd(reach) == 0) {
        __builtin_memset(levels, 0, 4);
        return true;
    }
    // Points that reach no pixel of the bounds are computed from (0, 0) and written as 0.
    const __m256d leftEdge = _mm256_and_pd(_mm256_floor_pd(px), reach);
    const __m256d topEdge = _mm256_and_pd(_mm256_floor_pd(py), reach);
    const __m128i on = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(
        _mm256_castpd_si256(reach), _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7)));
    const __m128i rx0 = _mm_sub_epi32(_mm256_cvttpd_epi32(leftEdge), _mm_set1_epi32(bounds.left));
    const __m128i ry0 = _mm_sub_epi32(_mm256_cvttpd_epi32(topEdge), _mm_set1_epi32(bounds.top));
    const __m128i one = _mm_set1_epi32(1);
    const __m128i boundsWidth = _mm_set1_epi32(bounds.right - bounds.left);
    const __m128i boundsHeight = _mm_set1_epi32(bounds.bottom - bounds.top);
    const __m128i column0In = _mm_and_si128(within(rx0, boundsWidth), on);
    const __m128i column1In = _mm_and_si128(within(_mm_add_epi32(rx0, one), boundsWidth), on);
    const __m128i row0In = within(ry0, boundsHeight);
    const __m128i row1In = within(_mm_add_epi32(ry0, one), boundsHeight);
    const __m128i in00 = _mm_and_si128(column0In, row0In);
    const __m128i in10 = _mm_and_si128(column1In, row0In);
    const __m128i in01 = _mm_and_si128(column0In, row1In);
    const __m128i in11 = _mm_and_si128(column1In, row1In);
    const __m128i pixelBytes = _mm_set1_epi32(shape.pixelBytes);
    const __m128i rowBytes = _mm_set1_epi32(shape.rowBytes);
    const __m128i at00 = _mm_sub_epi32(
        _mm_add_epi32(_mm_mullo_epi32(ry0, rowBytes), _mm_mullo_epi32(rx0, pixelBytes)),
        _mm_set1_epi32(3));
    const __m128i at10 = _mm_add_epi32(at00, pixelBytes);
    const __m128i at01 = _mm_add_epi32(at00, rowBytes);
    const __m128i at11 = _mm_add_epi32(at01, pixelBytes);
    const __m128i below =
        _mm_or_si128(_mm_or_si128(_mm_and_si128(at00, in00), _mm_and_si128(at10, in10)),
                     _mm_or_si128(_mm_and_si128(at01, in01), _mm_and_si128(at11, in11)));
    if (_mm_movemask_ps(_mm_castsi128_ps(below)) != 0) return false;
    const int* base = reinterpret_cast<const int*>(shape.first);
    const auto fetch = [base](__m128i offsets, __m128i mask) {
        const __m128i words = _mm_mask_i32gather_epi32(_mm_setzero_si128(), base, offsets, mask, 1);
        return _mm256_cvtepi32_pd(_mm_srli_epi32(words, 24));
    };
    const __m256d p00 = fetch(at00, in00);
    const __m256d p10 = fetch(at10, in10);
    const __m256d p01 = fetch(at01, in01);
    const __m256d p11 = fetch(at11, in11);
    const __m256d fx = _mm256_sub_pd(px, leftEdge);
    const __m256d fy = _mm256_sub_pd(py, topEdge);
    const __m256d upper = _mm256_add_pd(p00, _mm256_mul_pd(_mm256_sub_pd(p10, p00), fx));
    const __m256d lower = _mm256_add_pd(p01, _mm256_mul_pd(_mm256_sub_pd(p11, p01), fx));
    const __m256d value = _mm256_add_pd(upper, _mm256_mul_pd(_mm256_sub_pd(lower, upper), fy));
    const __m128i ints = _mm_and_si128(_mm256_cvttpd_epi32(value), on);
    const __m128i bytes = _mm_packus_epi16(_mm_packus_epi32(ints, ints), _mm_setzero_si128());
    const uint32_t packed = static_cast<uint32_t>(_mm_cvtsi128_si32(bytes));
    __builtin_memcpy(levels, &packed, 4);
    return true;
}

void avx2DisplaceShape(const ShapeWindow& shape, const PixelView& strip,
                       const DisplacementGrid& grid, const PixelRegion& part) {
    // Byte offsets into the bounds must fit the gathers' 32-bit lanes.
    const bool gatherable =
        shape.rowBytes > 0 && shape.pixelBytes > 0 &&
        static_cast<int64_t>(shape.rowBytes) * (shape.bounds.bottom - shape.bounds.top) <
            0x7FFFFFFF;
    for (int32_t r = part.top; r < part.bottom; ++r) {
        uint8_t* pixel = strip.row(r);
        const double y = grid.top + r;
        int32_t c = part.left;
        if (gatherable) {
            for (; c + 4 <= part.right; c += 4) {
                if (sampleFour(shape, grid, c, y, pixel + c)) continue;
                for (int32_t k = c; k < c + 4; ++k) {
                    const uint8_t level = pixel[k];
                    pixel[k] = sampleDisplacedShape(
                        shape, (grid.offsetX[level] + (grid.left + k)) * grid.kx,
                        (grid.offsetY[level] + y) * grid.ky);
                }
            }
        }
        for (; c < part.right; ++c) {
            const uint8_t level = pixel[c];
            pixel[c] =
                sampleDisplacedShape(shape, (grid.offsetX[level] + (grid.left + c)) * grid.kx,
                                     (grid.offsetY[level] + y) * grid.ky);
        }
    }
}

constexpr LightMaskKernels kAvx2Kernels{&avx2DisplaceShape};

}  // namespace

const LightMaskKernels& avx2LightMaskKernels() {
    return kAvx2Kernels;
}

}  // namespace brivo
