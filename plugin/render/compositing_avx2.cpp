// Vector and table-driven forms of the light kernels. Every product of a byte and an
// amount is the same exact integer as in the reference, and the truncating division by
// 255 of a 16-bit value is done as (x * 0x8081) >> 23, which is exact over 0..65535;
// saturating byte adds and subtracts equal the reference's saturation once an amount is
// capped at 255. This file is compiled for AVX2 as a whole, so it uses no shared inline
// templates (a linker could pick such a copy for code that runs on any CPU).
#include <immintrin.h>

#include <new>

#include "filter_record.h"
#include "render/compositing.h"

namespace brivo {
namespace {

constexpr int32_t kAdd = 0;
constexpr int32_t kSubtract = 1;
constexpr int32_t kTableBytes = 256 * 256;

inline uint32_t div255(uint32_t value) {
    return value / 255u;
}

// x / 255 for 16-bit lanes holding 0..65535.
inline __m256i divide255Words(__m256i x) {
    return _mm256_srli_epi16(_mm256_mulhi_epu16(x, _mm256_set1_epi16(static_cast<short>(0x8081))),
                             7);
}

// A byte mask selecting the first `channels` bytes of every 4-byte pixel.
inline __m256i channelSelect(int32_t channels) {
    const uint32_t bits = channels >= 4 ? 0xFFFFFFFFu : (1u << (8 * channels)) - 1u;
    return _mm256_set1_epi32(static_cast<int>(bits));
}

bool isFourBytePixels(int32_t channels, const PixelView& view) {
    return channels >= 3 && view.pixelBytes == 4;
}

bool isOneBytePixels(int32_t channels, const PixelView& view) {
    return channels == 1 && view.pixelBytes == 1;
}

void avx2MaskSource(const PixelView& source, const PixelView& mask, PixelView& lightImage,
                    int32_t imageMode) {
    const int32_t channels = lightChannelCount(imageMode);
    if (channels == 0) return;
    const bool four = isFourBytePixels(channels, source) && lightImage.pixelBytes == 4;
    const bool one = isOneBytePixels(channels, source) && lightImage.pixelBytes == 1;
    if ((!four && !one) || mask.pixelBytes != 1) {
        scalarCompositingKernels().maskSource(source, mask, lightImage, imageMode);
        return;
    }
    const __m256i zero = _mm256_setzero_si256();
    const __m256i select = channelSelect(channels);
    // Word lanes of the mask for pixels (0, 1 | 4, 5) and (2, 3 | 6, 7) of eight.
    const __m256i spreadLow =
        _mm256_setr_epi8(0, -128, 0, -128, 0, -128, 0, -128, 1, -128, 1, -128, 1, -128, 1, -128, 4,
                         -128, 4, -128, 4, -128, 4, -128, 5, -128, 5, -128, 5, -128, 5, -128);
    const __m256i spreadHigh =
        _mm256_setr_epi8(2, -128, 2, -128, 2, -128, 2, -128, 3, -128, 3, -128, 3, -128, 3, -128, 6,
                         -128, 6, -128, 6, -128, 6, -128, 7, -128, 7, -128, 7, -128, 7, -128);
    for (int32_t y = 0; y < source.height; ++y) {
        const uint8_t* s = source.row(y);
        const uint8_t* m = mask.row(y);
        uint8_t* out = lightImage.row(y);
        int32_t x = 0;
        if (four) {
            for (; x + 8 <= source.width; x += 8) {
                const __m256i pixels =
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * x));
                const __m256i m8 = _mm256_broadcastsi128_si256(
                    _mm_loadl_epi64(reinterpret_cast<const __m128i*>(m + x)));
                const __m256i low = divide255Words(_mm256_mullo_epi16(
                    _mm256_unpacklo_epi8(pixels, zero), _mm256_shuffle_epi8(m8, spreadLow)));
                const __m256i high = divide255Words(_mm256_mullo_epi16(
                    _mm256_unpackhi_epi8(pixels, zero), _mm256_shuffle_epi8(m8, spreadHigh)));
                __m256i* target = reinterpret_cast<__m256i*>(out + 4 * x);
                const __m256i kept = _mm256_loadu_si256(target);
                _mm256_storeu_si256(
                    target, _mm256_blendv_epi8(kept, _mm256_packus_epi16(low, high), select));
            }
            for (; x < source.width; ++x)
                for (int32_t c = 0; c < channels; ++c)
                    out[4 * x + c] = static_cast<uint8_t>(div255(s[4 * x + c] * uint32_t{m[x]}));
        } else {
            for (; x + 32 <= source.width; x += 32) {
                const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + x));
                const __m256i m8 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m + x));
                const __m256i low = divide255Words(_mm256_mullo_epi16(
                    _mm256_unpacklo_epi8(pixels, zero), _mm256_unpacklo_epi8(m8, zero)));
                const __m256i high = divide255Words(_mm256_mullo_epi16(
                    _mm256_unpackhi_epi8(pixels, zero), _mm256_unpackhi_epi8(m8, zero)));
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x),
                                    _mm256_packus_epi16(low, high));
            }
            for (; x < source.width; ++x)
                out[x] = static_cast<uint8_t>(div255(s[x] * uint32_t{m[x]}));
        }
    }
}

// Applies per-channel lookup tables (tables + c * 65536, indexed by index * 256 + d) to the
// first `channels` bytes of every pixel of source. indexView is the light image (one index
// per channel) or the mask (one index per pixel).
void applyTables(PixelView& source, const PixelView& indexView, int32_t channels,
                 bool indexPerChannel, const uint8_t* tables) {
    for (int32_t y = 0; y < source.height; ++y) {
        uint8_t* d = source.row(y);
        const uint8_t* index = indexView.row(y);
        for (int32_t x = 0; x < source.width; ++x) {
            for (int32_t c = 0; c < channels; ++c) {
                const uint32_t i = indexPerChannel ? index[c] : index[0];
                d[c] = tables[c * kTableBytes + i * 256 + d[c]];
            }
            d += source.pixelBytes;
            index += indexView.pixelBytes;
        }
    }
}

void avx2CompositeFromMatte(PixelView& source, const PixelView& mask, int32_t imageMode,
                            int32_t lightBlendMode, double lightBrightness,
                            const uint8_t lightColorBytes[4]) {
    const int32_t channels = lightChannelCount(imageMode);
    if (channels == 0) return;
    const int32_t mode = appliedBlendMode(lightBlendMode);
    const uint32_t lightAmount = matteLightAmount(lightBrightness);
    uint16_t amounts[256];
    for (uint32_t m = 0; m < 256; ++m) amounts[m] = static_cast<uint16_t>(div255(m * lightAmount));
    if (mode != kAdd && mode != kSubtract) {
        uint8_t* tables = new (std::nothrow) uint8_t[static_cast<size_t>(channels) * kTableBytes];
        if (tables == nullptr) {
            scalarCompositingKernels().compositeFromMatte(source, mask, imageMode, lightBlendMode,
                                                          lightBrightness, lightColorBytes);
            return;
        }
        for (int32_t c = 0; c < channels; ++c) {
            uint8_t colors[256];
            for (int32_t i = 0; i < 256; ++i) colors[i] = lightColorBytes[c];
            buildLightTable(mode, colors, amounts, tables + c * kTableBytes);
        }
        applyTables(source, mask, channels, false, tables);
        delete[] tables;
        return;
    }
    // Add and Subtract: the amount each mask value adds to (or takes from) every channel,
    // capped at 255, packed one byte per channel.
    alignas(32) uint32_t packed[256];
    for (uint32_t m = 0; m < 256; ++m) {
        uint32_t word = 0;
        for (int32_t c = 0; c < channels; ++c) {
            uint32_t amount = div255(uint32_t{amounts[m]} * lightColorBytes[c]);
            if (amount > 255u) amount = 255u;
            word |= amount << (8 * c);
        }
        packed[m] = word;
    }
    const bool add = mode == kAdd;
    const bool four = isFourBytePixels(channels, source) && mask.pixelBytes == 1;
    for (int32_t y = 0; y < source.height; ++y) {
        uint8_t* d = source.row(y);
        const uint8_t* m = mask.row(y);
        int32_t x = 0;
        if (four) {
            for (; x + 8 <= source.width; x += 8) {
                const __m256i index =
                    _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(m + x)));
                const __m256i amount =
                    _mm256_i32gather_epi32(reinterpret_cast<const int*>(packed), index, 4);
                __m256i* target = reinterpret_cast<__m256i*>(d + 4 * x);
                const __m256i pixels = _mm256_loadu_si256(target);
                _mm256_storeu_si256(target, add ? _mm256_adds_epu8(pixels, amount)
                                                : _mm256_subs_epu8(pixels, amount));
            }
        }
        for (; x < source.width; ++x) {
            uint8_t* pixel = d + static_cast<ptrdiff_t>(x) * source.pixelBytes;
            const uint32_t word = packed[m[static_cast<ptrdiff_t>(x) * mask.pixelBytes]];
            for (int32_t c = 0; c < channels; ++c) {
                const uint32_t amount = (word >> (8 * c)) & 0xFFu;
                const uint32_t v = pixel[c];
                pixel[c] = static_cast<uint8_t>(add ? (v + amount > 255u ? 255u : v + amount)
                                                    : (amount >= v ? 0u : v - amount));
            }
        }
    }
}

// min(255, amount * l / 255) for an amount split as 255 * whole + part, whole capped at
// 255 (any larger whole saturates every non-zero l anyway).
inline uint32_t cappedAmount(uint32_t whole, uint32_t part, uint32_t l) {
    const uint32_t amount = whole * l + div255(part * l);
    return amount > 255u ? 255u : amount;
}

void avx2CompositeFromImage(PixelView& source, const PixelView& lightImage, int32_t imageMode,
                            int32_t lightBlendMode, double lightBrightness,
                            const uint8_t lightColorBytes[4]) {
    const int32_t channels = lightChannelCount(imageMode);
    if (channels == 0) return;
    const int32_t mode = appliedBlendMode(lightBlendMode);
    uint16_t amounts[4];
    imageLightAmounts(lightBrightness, lightColorBytes, channels, amounts);
    if (mode != kAdd && mode != kSubtract) {
        uint8_t* tables = new (std::nothrow) uint8_t[static_cast<size_t>(channels) * kTableBytes];
        if (tables == nullptr) {
            scalarCompositingKernels().compositeFromImage(
                source, lightImage, imageMode, lightBlendMode, lightBrightness, lightColorBytes);
            return;
        }
        for (int32_t c = 0; c < channels; ++c) {
            uint8_t colors[256];
            uint16_t same[256];
            for (int32_t i = 0; i < 256; ++i) {
                colors[i] = static_cast<uint8_t>(i);
                same[i] = amounts[c];
            }
            buildLightTable(mode, colors, same, tables + c * kTableBytes);
        }
        applyTables(source, lightImage, channels, true, tables);
        delete[] tables;
        return;
    }
    uint32_t whole[4];
    uint32_t part[4];
    for (int32_t c = 0; c < 4; ++c) {
        const uint32_t w = amounts[c] / 255u;
        whole[c] = w > 255u ? 255u : w;
        part[c] = amounts[c] % 255u;
    }
    const bool add = mode == kAdd;
    const bool four = isFourBytePixels(channels, source) && lightImage.pixelBytes == 4;
    const bool one = isOneBytePixels(channels, source) && lightImage.pixelBytes == 1;
    const auto words = [](const uint32_t* values) {
        return _mm256_set1_epi64x(
            static_cast<long long>(uint64_t{values[0]} | uint64_t{values[1]} << 16 |
                                   uint64_t{values[2]} << 32 | uint64_t{values[3]} << 48));
    };
    const __m256i wholeWords = one ? _mm256_set1_epi16(static_cast<short>(whole[0])) : words(whole);
    const __m256i partWords = one ? _mm256_set1_epi16(static_cast<short>(part[0])) : words(part);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i cap = _mm256_set1_epi16(255);
    const auto amountOf = [&](__m256i l) {
        const __m256i sum = _mm256_add_epi16(_mm256_mullo_epi16(l, wholeWords),
                                             divide255Words(_mm256_mullo_epi16(l, partWords)));
        return _mm256_min_epu16(sum, cap);
    };
    const int32_t step = four ? 8 : 32;
    const int32_t bytesPerPixel = four ? 4 : 1;
    for (int32_t y = 0; y < source.height; ++y) {
        uint8_t* d = source.row(y);
        const uint8_t* l = lightImage.row(y);
        int32_t x = 0;
        if (four || one) {
            for (; x + step <= source.width; x += step) {
                const __m256i light =
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(l + bytesPerPixel * x));
                const __m256i amount =
                    _mm256_packus_epi16(amountOf(_mm256_unpacklo_epi8(light, zero)),
                                        amountOf(_mm256_unpackhi_epi8(light, zero)));
                __m256i* target = reinterpret_cast<__m256i*>(d + bytesPerPixel * x);
                const __m256i pixels = _mm256_loadu_si256(target);
                _mm256_storeu_si256(target, add ? _mm256_adds_epu8(pixels, amount)
                                                : _mm256_subs_epu8(pixels, amount));
            }
        }
        for (; x < source.width; ++x) {
            uint8_t* pixel = d + static_cast<ptrdiff_t>(x) * source.pixelBytes;
            const uint8_t* light = l + static_cast<ptrdiff_t>(x) * lightImage.pixelBytes;
            for (int32_t c = 0; c < channels; ++c) {
                const uint32_t amount = cappedAmount(whole[c], part[c], light[c]);
                const uint32_t v = pixel[c];
                pixel[c] = static_cast<uint8_t>(add ? (v + amount > 255u ? 255u : v + amount)
                                                    : (amount >= v ? 0u : v - amount));
            }
        }
    }
}

constexpr CompositingKernels kAvx2Kernels{&avx2MaskSource, &avx2CompositeFromMatte,
                                          &avx2CompositeFromImage};

}  // namespace

const CompositingKernels& avx2CompositingKernels() {
    return kAvx2Kernels;
}

}  // namespace brivo
