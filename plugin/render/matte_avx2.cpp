// Vector form of the matte for the luminance of RGB pixels: 76 r + 150 g + 29 b summed in
// 32-bit lanes and divided by 255 as (x * 0x8081) >> 23, exact for sums up to 65535, then
// looked up in the table. Other channels and modes take the reference path. This file is
// compiled for AVX2 as a whole, so it uses no shared inline templates.
#include <immintrin.h>

#include "core/filter_parameters.h"
#include "core/parameter_table.h"
#include "filter_record.h"
#include "render/matte.h"

namespace brivo {
namespace {

constexpr int32_t kLuminance = 0;

void avx2ExtractMatte(const PixelView& source, int32_t imageMode, int32_t matteChannel,
                      const uint8_t table[kMatteTableSize], PixelView& matte) {
    // Out-of-range channels mean Luminance, as in the reference.
    const bool luminance =
        matteChannel == kLuminance || matteChannel < 0 || matteChannel >= kMatteChannelCount;
    if (imageMode != plugInModeRGBColor || !luminance || source.pixelBytes != 4 ||
        matte.pixelBytes != 1) {
        scalarMatteKernels().extractMatte(source, imageMode, matteChannel, table, matte);
        return;
    }
    bool identity = true;
    alignas(32) int32_t wide[kMatteTableSize];
    for (int32_t i = 0; i < kMatteTableSize; ++i) {
        wide[i] = table[i];
        identity = identity && table[i] == i;
    }
    const __m256i zero = _mm256_setzero_si256();
    const __m256i weights = _mm256_set1_epi64x(0x0000001D0096004CLL);  // 76, 150, 29, 0
    const __m256i magic = _mm256_set1_epi32(0x8081);
    for (int32_t y = 0; y < matte.height; ++y) {
        const uint8_t* s = source.row(y);
        uint8_t* out = matte.row(y);
        int32_t x = 0;
        for (; x + 8 <= matte.width; x += 8) {
            const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * x));
            // Pairs of partial sums for pixels (0, 1 | 4, 5) and (2, 3 | 6, 7).
            const __m256i low = _mm256_madd_epi16(_mm256_unpacklo_epi8(pixels, zero), weights);
            const __m256i high = _mm256_madd_epi16(_mm256_unpackhi_epi8(pixels, zero), weights);
            const __m256i sums = _mm256_hadd_epi32(low, high);  // pixels 0..7 in order
            __m256i index = _mm256_srli_epi32(_mm256_mullo_epi32(sums, magic), 23);
            if (!identity) index = _mm256_i32gather_epi32(wide, index, 4);
            const __m128i words =
                _mm_packus_epi32(_mm256_castsi256_si128(index), _mm256_extracti128_si256(index, 1));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(words, words));
        }
        for (; x < matte.width; ++x) {
            const uint8_t* p = s + 4 * x;
            out[x] = table[(76u * p[0] + 150u * p[1] + 29u * p[2]) / 255u];
        }
    }
}

constexpr MatteKernels kAvx2Kernels{&avx2ExtractMatte};

}  // namespace

const MatteKernels& avx2MatteKernels() {
    return kAvx2Kernels;
}

}  // namespace brivo
