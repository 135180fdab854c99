// Displacement compiled for AVX2: the same double arithmetic as the reference, four pixels
// at a time, with the offset d·a looked up per luminance value (it depends on nothing
// else) and floor done by the rounding instruction. Blocks with a point whose neighbours
// straddle the shape's edge take the one-pixel path. This file is compiled for AVX2 as a whole, so
// it uses no shared inline templates.
#include <immintrin.h>

#include <cmath>

#include "render/light_mask.h"

namespace brivo {
namespace {

inline double pixelAt(const PixelView& shape, int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= shape.width || y >= shape.height) return 0.0;
    return *shape.at(x, y);
}

inline uint8_t sample(const PixelView& shape, double x, double y) {
    if (!(x > -1.0 && x < shape.width && y > -1.0 && y < shape.height)) return 0;
    const double left = std::floor(x);
    const double top = std::floor(y);
    const int32_t x0 = static_cast<int32_t>(left);
    const int32_t y0 = static_cast<int32_t>(top);
    const double fx = x - left;
    const double fy = y - top;
    double p00;
    double p10;
    double p01;
    double p11;
    if (x0 >= 0 && y0 >= 0 && x0 + 1 < shape.width && y0 + 1 < shape.height) {
        const uint8_t* p = shape.at(x0, y0);
        p00 = p[0];
        p10 = p[shape.pixelBytes];
        p01 = p[shape.rowBytes];
        p11 = p[shape.rowBytes + shape.pixelBytes];
    } else {
        p00 = pixelAt(shape, x0, y0);
        p10 = pixelAt(shape, x0 + 1, y0);
        p01 = pixelAt(shape, x0, y0 + 1);
        p11 = pixelAt(shape, x0 + 1, y0 + 1);
    }
    const double upper = p00 + (p10 - p00) * fx;
    const double lower = p01 + (p11 - p01) * fx;
    return static_cast<uint8_t>(upper + (lower - upper) * fy);
}

// Four neighbouring pixels of a row, from their luminance bytes at levels, when every
// point either misses the shape (0) or has all four neighbours on it; false (nothing
// written) otherwise. Each shape byte is fetched as the last byte of the 32-bit word
// ending at it, so no read passes the byte.
bool sampleFour(const PixelView& shape, const double* offsetX, const double* offsetY, double left,
                int32_t column, double y, double kx, double ky, uint8_t* levels) {
    uint32_t packedLevels;
    __builtin_memcpy(&packedLevels, levels, 4);
    const __m128i index = _mm_cvtepu8_epi32(_mm_cvtsi32_si128(static_cast<int>(packedLevels)));
    const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    const __m256d dx = _mm256_mask_i32gather_pd(_mm256_setzero_pd(), offsetX, index, all, 8);
    const __m256d dy = _mm256_mask_i32gather_pd(_mm256_setzero_pd(), offsetY, index, all, 8);
    const __m256d x = _mm256_add_pd(
        _mm256_set1_pd(left),
        _mm256_cvtepi32_pd(_mm_add_epi32(_mm_set1_epi32(column), _mm_setr_epi32(0, 1, 2, 3))));
    const __m256d px = _mm256_mul_pd(_mm256_add_pd(dx, x), _mm256_set1_pd(kx));
    const __m256d py = _mm256_mul_pd(_mm256_add_pd(dy, _mm256_set1_pd(y)), _mm256_set1_pd(ky));
    const __m256d width = _mm256_set1_pd(static_cast<double>(shape.width));
    const __m256d height = _mm256_set1_pd(static_cast<double>(shape.height));
    const __m256d minusOne = _mm256_set1_pd(-1.0);
    const __m256d onShape = _mm256_and_pd(_mm256_and_pd(_mm256_cmp_pd(px, minusOne, _CMP_GT_OQ),
                                                        _mm256_cmp_pd(px, width, _CMP_LT_OQ)),
                                          _mm256_and_pd(_mm256_cmp_pd(py, minusOne, _CMP_GT_OQ),
                                                        _mm256_cmp_pd(py, height, _CMP_LT_OQ)));
    const int onBits = _mm256_movemask_pd(onShape);
    if (onBits == 0) {
        __builtin_memset(levels, 0, 4);
        return true;
    }
    // Points off the shape are computed from (0, 0) and written as 0.
    const __m256d leftEdge = _mm256_and_pd(_mm256_floor_pd(px), onShape);
    const __m256d topEdge = _mm256_and_pd(_mm256_floor_pd(py), onShape);
    const __m128i x0 = _mm256_cvttpd_epi32(leftEdge);
    const __m128i y0 = _mm256_cvttpd_epi32(topEdge);
    const __m128i on = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(
        _mm256_castpd_si256(onShape), _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7)));
    // All four neighbours on the shape: 0 <= x0, 0 <= y0, x0 + 1 < width, y0 + 1 < height.
    const __m128i interior = _mm_and_si128(
        _mm_and_si128(_mm_cmpgt_epi32(x0, _mm_set1_epi32(-1)),
                      _mm_cmpgt_epi32(y0, _mm_set1_epi32(-1))),
        _mm_and_si128(
            _mm_cmplt_epi32(_mm_add_epi32(x0, _mm_set1_epi32(1)), _mm_set1_epi32(shape.width)),
            _mm_cmplt_epi32(_mm_add_epi32(y0, _mm_set1_epi32(1)), _mm_set1_epi32(shape.height))));
    if (_mm_movemask_ps(_mm_castsi128_ps(_mm_andnot_si128(interior, on))) != 0) return false;
    const __m128i row0 = _mm_mullo_epi32(y0, _mm_set1_epi32(shape.rowBytes));
    const __m128i at00 =
        _mm_sub_epi32(_mm_add_epi32(row0, _mm_mullo_epi32(x0, _mm_set1_epi32(shape.pixelBytes))),
                      _mm_set1_epi32(3));
    if (_mm_movemask_ps(_mm_castsi128_ps(_mm_and_si128(at00, on))) != 0) return false;
    const __m128i at10 = _mm_add_epi32(at00, _mm_set1_epi32(shape.pixelBytes));
    const __m128i at01 = _mm_add_epi32(at00, _mm_set1_epi32(shape.rowBytes));
    const __m128i at11 = _mm_add_epi32(at01, _mm_set1_epi32(shape.pixelBytes));
    const int* base = reinterpret_cast<const int*>(shape.pixels);
    const auto fetch = [base, on](__m128i offsets) {
        const __m128i words = _mm_mask_i32gather_epi32(_mm_setzero_si128(), base, offsets, on, 1);
        return _mm256_cvtepi32_pd(_mm_srli_epi32(words, 24));
    };
    const __m256d p00 = fetch(at00);
    const __m256d p10 = fetch(at10);
    const __m256d p01 = fetch(at01);
    const __m256d p11 = fetch(at11);
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

void avx2DisplaceShape(const PixelView& shape, const PixelView& strip, const VRect& rect,
                       const VRect& shapeRect, double ax, double ay) {
    double kx = 0.0;
    double ky = 0.0;
    if (!displacementScale(rect, shapeRect, kx, ky)) return;
    double offsetX[256];
    double offsetY[256];
    for (int32_t level = 0; level < 256; ++level) {
        const double d = (level - 127.5) * kDisplacementUnit;
        offsetX[level] = d * ax;
        offsetY[level] = d * ay;
    }
    // Byte offsets into the shape must fit the gathers' 32-bit lanes.
    const bool gatherable = shape.rowBytes > 0 && shape.pixelBytes > 0 &&
                            static_cast<int64_t>(shape.rowBytes) * shape.height < 0x7FFFFFFF;
    for (int32_t r = 0; r < strip.height; ++r) {
        uint8_t* pixel = strip.row(r);
        const double y = static_cast<double>(rect.top) + r;
        int32_t c = 0;
        if (gatherable) {
            for (; c + 4 <= strip.width; c += 4) {
                if (sampleFour(shape, offsetX, offsetY, static_cast<double>(rect.left), c, y, kx,
                               ky, pixel + c))
                    continue;
                for (int32_t k = c; k < c + 4; ++k) {
                    const double x = static_cast<double>(rect.left) + k;
                    const uint8_t level = pixel[k];
                    pixel[k] = sample(shape, (offsetX[level] + x) * kx, (offsetY[level] + y) * ky);
                }
            }
        }
        for (; c < strip.width; ++c) {
            const double x = static_cast<double>(rect.left) + c;
            const uint8_t level = pixel[c];
            pixel[c] = sample(shape, (offsetX[level] + x) * kx, (offsetY[level] + y) * ky);
        }
    }
}

constexpr LightMaskKernels kAvx2Kernels{&avx2DisplaceShape};

}  // namespace

const LightMaskKernels& avx2LightMaskKernels() {
    return kAvx2Kernels;
}

}  // namespace brivo
