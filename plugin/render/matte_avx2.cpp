// Vector form of the matte: eight pixels at a time, each pixel's channel index computed in
// its own 32-bit lane with the reference's operations in the reference's order (integer sums,
// single-precision hue and saturation with true divisions, the double-precision CMYK
// luminance), then looked up in the table. Rows narrower than eight pixels, and the tail of
// every row, go through the same lanes from a zero-padded copy. This file is compiled for AVX2
// as a whole, so it uses no shared inline templates.
#include <immintrin.h>

#include <cstring>

#include "core/filter_parameters.h"
#include "filter_record.h"
#include "render/matte.h"

namespace brivo {
namespace {

constexpr int32_t kLanes = 8;

// The byte at bit offset shift of every 32-bit lane.
__m256i byteAt(__m256i pixels, int shift) {
    return _mm256_and_si256(_mm256_srli_epi32(pixels, shift), _mm256_set1_epi32(0xFF));
}

__m256i halfSum(__m256i a, __m256i b) {
    return _mm256_srli_epi32(_mm256_add_epi32(a, b), 1);
}

// Lanes where mask is set become 0.
__m256i zeroWhere(__m256 mask, __m256i value) {
    return _mm256_andnot_si256(_mm256_castps_si256(mask), value);
}

// Truncates each lane toward zero and keeps its low 8 bits. The values are well inside the
// 32-bit range here (or masked off afterwards), where this equals the reference conversion.
__m256i lowBytes(__m256 value) {
    return _mm256_and_si256(_mm256_cvttps_epi32(value), _mm256_set1_epi32(0xFF));
}

// The first three bytes of each pixel as units: byte × the unit scale in single precision.
struct UnitColour {
    __m256 r;
    __m256 g;
    __m256 b;
    __m256 max;
    __m256 min;

    explicit UnitColour(__m256i pixels) {
        const __m256 scale = _mm256_set1_ps(kMatteUnitScale);
        r = _mm256_mul_ps(_mm256_cvtepi32_ps(byteAt(pixels, 0)), scale);
        g = _mm256_mul_ps(_mm256_cvtepi32_ps(byteAt(pixels, 8)), scale);
        b = _mm256_mul_ps(_mm256_cvtepi32_ps(byteAt(pixels, 16)), scale);
        max = _mm256_max_ps(r, _mm256_max_ps(g, b));
        min = _mm256_min_ps(r, _mm256_min_ps(g, b));
    }
};

// (76 r + 150 g + 29 b) / 255: the sums by pairs of 16-bit products, the division as
// (x * 0x8081) >> 23, exact for sums up to 65535.
__m256i rgbLuminance(__m256i pixels) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i weights = _mm256_set1_epi64x(0x0000001D0096004CLL);  // 76, 150, 29, 0
    // The fourth byte of an RGB pixel is a spare that nobody need have written; it is
    // weighted 0, and masking it off keeps its value out of the sums altogether.
    const __m256i colour = _mm256_and_si256(pixels, _mm256_set1_epi32(0x00FFFFFF));
    // Pairs of partial sums for pixels (0, 1 | 4, 5) and (2, 3 | 6, 7).
    const __m256i low = _mm256_madd_epi16(_mm256_unpacklo_epi8(colour, zero), weights);
    const __m256i high = _mm256_madd_epi16(_mm256_unpackhi_epi8(colour, zero), weights);
    const __m256i sums = _mm256_hadd_epi32(low, high);  // pixels 0..7 in order
    return _mm256_srli_epi32(_mm256_mullo_epi32(sums, _mm256_set1_epi32(0x8081)), 23);
}

// Hue in degrees × 0.7083333; 0 for grey pixels. With bytes for channels, max − min is 0
// exactly when the colour is grey, and otherwise its ratio to max cannot round to 0, so the
// test on the difference equals a test on the saturation.
// Each pixel's hue needs two of the three distances to max divided by delta: red at max
// takes b − g from 0 (adding 0 to a quotient leaves it as it is), green 2 + r − b, blue
// 4 + g − r. Choosing the two numerators first saves a third division.
__m256i rgbHue(__m256i pixels) {
    const UnitColour colour(pixels);
    const __m256 delta = _mm256_sub_ps(colour.max, colour.min);
    const __m256 grey = _mm256_cmp_ps(delta, _mm256_setzero_ps(), _CMP_EQ_OQ);
    const __m256 toRed = _mm256_sub_ps(colour.max, colour.r);
    const __m256 toGreen = _mm256_sub_ps(colour.max, colour.g);
    const __m256 toBlue = _mm256_sub_ps(colour.max, colour.b);
    // Red wins a tie with green or blue, green a tie with blue.
    const __m256 redIsMax = _mm256_cmp_ps(colour.r, colour.max, _CMP_EQ_OQ);
    const __m256 greenIsMax = _mm256_cmp_ps(colour.g, colour.max, _CMP_EQ_OQ);
    const auto pick = [&](__m256 red, __m256 green, __m256 blue) {
        return _mm256_blendv_ps(_mm256_blendv_ps(blue, green, greenIsMax), red, redIsMax);
    };
    const __m256 base = pick(_mm256_setzero_ps(), _mm256_set1_ps(2.0f), _mm256_set1_ps(4.0f));
    const __m256 added = _mm256_div_ps(pick(toBlue, toRed, toGreen), delta);
    const __m256 subtracted = _mm256_div_ps(pick(toGreen, toBlue, toRed), delta);
    __m256 hue = _mm256_sub_ps(_mm256_add_ps(base, added), subtracted);
    hue = _mm256_mul_ps(hue, _mm256_set1_ps(60.0f));
    const __m256 negative = _mm256_cmp_ps(hue, _mm256_setzero_ps(), _CMP_LT_OQ);
    hue = _mm256_blendv_ps(hue, _mm256_add_ps(hue, _mm256_set1_ps(360.0f)), negative);
    return zeroWhere(grey, lowBytes(_mm256_mul_ps(hue, _mm256_set1_ps(0.7083333f))));
}

// 255 × (max − min) / max; 0 for black.
__m256i rgbSaturation(__m256i pixels) {
    const UnitColour colour(pixels);
    const __m256 black = _mm256_cmp_ps(colour.max, _mm256_setzero_ps(), _CMP_EQ_OQ);
    const __m256 spread =
        _mm256_mul_ps(_mm256_set1_ps(255.0f), _mm256_sub_ps(colour.max, colour.min));
    return zeroWhere(black, lowBytes(_mm256_div_ps(spread, colour.max)));
}

// The CMYK luminance of four pixels in double precision, as 32-bit indices.
__m128i cmykLuminanceOfFour(__m128i pixels) {
    const __m256d scale = _mm256_set1_pd(static_cast<double>(kMatteUnitScale));
    const __m256d one = _mm256_set1_pd(1.0);
    const __m128i byteMask = _mm_set1_epi32(0xFF);
    const auto unit = [&](int shift) {
        const __m128i bytes = _mm_and_si128(_mm_srli_epi32(pixels, shift), byteMask);
        return _mm256_mul_pd(_mm256_cvtepi32_pd(bytes), scale);
    };
    const __m256d c = unit(0);
    const __m256d m = unit(8);
    const __m256d y = unit(16);
    const __m256d k = unit(24);
    const __m256d red = _mm256_set1_pd(static_cast<double>(0.299f));
    const __m256d green = _mm256_set1_pd(static_cast<double>(0.587f));
    const __m256d blue = _mm256_set1_pd(static_cast<double>(0.114f));
    __m256d ink = _mm256_sub_pd(one, _mm256_mul_pd(red, c));
    ink = _mm256_sub_pd(ink, _mm256_mul_pd(green, m));
    ink = _mm256_sub_pd(ink, _mm256_mul_pd(blue, y));
    ink = _mm256_add_pd(_mm256_mul_pd(ink, k), _mm256_sub_pd(one, k));
    const __m256d level = _mm256_mul_pd(_mm256_set1_pd(255.0), _mm256_sub_pd(one, ink));
    return _mm_and_si128(_mm256_cvttpd_epi32(level), byteMask);
}

__m256i cmykLuminance(__m256i pixels) {
    return _mm256_set_m128i(cmykLuminanceOfFour(_mm256_extracti128_si256(pixels, 1)),
                            cmykLuminanceOfFour(_mm256_castsi256_si128(pixels)));
}

// Where each row's eight pixels come from: 4-byte pixels whole, 1-byte pixels widened to
// a lane each.
template <int32_t PixelBytes>
__m256i loadEight(const uint8_t* pixels) {
    if constexpr (PixelBytes == 4) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels));
    } else {
        return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixels)));
    }
}

// Looks the eight lane indices up in the table (held widened in 32-bit entries) unless it is
// the identity, and packs the results into eight bytes.
void storeEight(__m256i index, const int32_t* wideTable, bool identity, uint8_t* out) {
    if (!identity) index = _mm256_i32gather_epi32(wideTable, index, 4);
    const __m128i words =
        _mm_packus_epi32(_mm256_castsi256_si128(index), _mm256_extracti128_si256(index, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(words, words));
}

// matte = table[IndexOf(pixel)] over the matte's rows, IndexOf taking eight pixels of
// PixelBytes bytes loaded into lanes and giving their indices 0..255.
template <int32_t PixelBytes, __m256i (*IndexOf)(__m256i)>
void extractRows(const PixelView& source, const uint8_t table[kMatteTableSize], PixelView& matte) {
    bool identity = true;
    alignas(32) int32_t wide[kMatteTableSize];
    for (int32_t i = 0; i < kMatteTableSize; ++i) {
        wide[i] = table[i];
        identity = identity && table[i] == i;
    }
    for (int32_t y = 0; y < matte.height; ++y) {
        const uint8_t* s = source.row(y);
        uint8_t* out = matte.row(y);
        int32_t x = 0;
        for (; x + kLanes <= matte.width; x += kLanes)
            storeEight(IndexOf(loadEight<PixelBytes>(s + PixelBytes * x)), wide, identity, out + x);
        if (x == matte.width) continue;
        const size_t rest = static_cast<size_t>(matte.width - x);
        alignas(32) uint8_t padded[kLanes * 4] = {};
        uint8_t results[kLanes];
        std::memcpy(padded, s + PixelBytes * x, rest * PixelBytes);
        storeEight(IndexOf(loadEight<PixelBytes>(padded)), wide, identity, results);
        std::memcpy(out + x, results, rest);
    }
}

// Every pixel reads the table's first entry.
void fillFirstEntry(const uint8_t table[kMatteTableSize], PixelView& matte) {
    for (int32_t y = 0; y < matte.height; ++y)
        std::memset(matte.row(y), table[0], static_cast<size_t>(matte.width));
}

// The byte of each pixel at bit offset Shift.
template <int Shift>
__m256i byteOf(__m256i pixels) {
    return byteAt(pixels, Shift);
}

// The half sum of the pixel's bytes at bit offsets First and Second.
template <int First, int Second>
__m256i halfSumOf(__m256i pixels) {
    return halfSum(byteAt(pixels, First), byteAt(pixels, Second));
}

__m256i sameIndex(__m256i index) {
    return index;
}

void extractRgb(const PixelView& source, MatteChannel channel, const uint8_t* table,
                PixelView& matte) {
    switch (channel) {
        case MatteChannel::Luminance:
            return extractRows<4, rgbLuminance>(source, table, matte);
        case MatteChannel::Red:
            return extractRows<4, byteOf<0>>(source, table, matte);
        case MatteChannel::Green:
            return extractRows<4, byteOf<8>>(source, table, matte);
        case MatteChannel::Blue:
            return extractRows<4, byteOf<16>>(source, table, matte);
        case MatteChannel::Cyan:
            return extractRows<4, halfSumOf<8, 16>>(source, table, matte);
        case MatteChannel::Magenta:
            return extractRows<4, halfSumOf<0, 16>>(source, table, matte);
        case MatteChannel::Yellow:
            return extractRows<4, halfSumOf<0, 8>>(source, table, matte);
        case MatteChannel::Hue:
            return extractRows<4, rgbHue>(source, table, matte);
        case MatteChannel::Saturation:
            return extractRows<4, rgbSaturation>(source, table, matte);
    }
}

void extractCmyk(const PixelView& source, MatteChannel channel, const uint8_t* table,
                 PixelView& matte) {
    switch (channel) {
        case MatteChannel::Luminance:
            return extractRows<4, cmykLuminance>(source, table, matte);
        case MatteChannel::Red:
            return extractRows<4, halfSumOf<8, 16>>(source, table, matte);
        case MatteChannel::Green:
            return extractRows<4, halfSumOf<0, 16>>(source, table, matte);
        case MatteChannel::Blue:
            return extractRows<4, halfSumOf<0, 8>>(source, table, matte);
        case MatteChannel::Cyan:
            return extractRows<4, byteOf<0>>(source, table, matte);
        case MatteChannel::Magenta:
            return extractRows<4, byteOf<8>>(source, table, matte);
        case MatteChannel::Yellow:
            return extractRows<4, byteOf<16>>(source, table, matte);
        case MatteChannel::Hue:
        case MatteChannel::Saturation:
            return fillFirstEntry(table, matte);
    }
}

void avx2ExtractMatte(const PixelView& source, int32_t imageMode, int32_t matteChannel,
                      const uint8_t table[kMatteTableSize], PixelView& matte) {
    const bool colour = imageMode == plugInModeRGBColor || imageMode == plugInModeCMYKColor;
    // Colour modes read four bytes a pixel, every other mode the first; other layouts take
    // the reference path.
    const bool vectorLayout =
        matte.pixelBytes == 1 && (source.pixelBytes == 4 || (!colour && source.pixelBytes == 1));
    if (!vectorLayout) {
        scalarMatteKernels().extractMatte(source, imageMode, matteChannel, table, matte);
        return;
    }
    const MatteChannel channel = matteChannelOf(matteChannel);
    if (imageMode == plugInModeRGBColor) return extractRgb(source, channel, table, matte);
    if (imageMode == plugInModeCMYKColor) return extractCmyk(source, channel, table, matte);
    if (source.pixelBytes == 1) return extractRows<1, sameIndex>(source, table, matte);
    extractRows<4, byteOf<0>>(source, table, matte);
}

constexpr MatteKernels kAvx2Kernels{&avx2ExtractMatte};

}  // namespace

const MatteKernels& avx2MatteKernels() {
    return kAvx2Kernels;
}

}  // namespace brivo
