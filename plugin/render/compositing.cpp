#include "render/compositing.h"

#include "colorspace_suite.h"
#include "core/filter_parameters.h"
#include "core/image_modes.h"
#include "core/parameter_table.h"
#include "core/simd_dispatch.h"
#include "core/worker_pool.h"
#include "filter_record.h"
#include "render/pixel_math.h"

namespace brivo {
namespace {

LightBlendMode blendModeOrAdd(int32_t lightBlendMode) {
    if (lightBlendMode < 0 || lightBlendMode >= kLightBlendModeCount) return LightBlendMode::Add;
    return static_cast<LightBlendMode>(lightBlendMode);
}

// One channel of light: colour c at amount a (1/255 units) onto d.
uint8_t applyLight(LightBlendMode mode, uint8_t d, uint8_t c, uint16_t a) {
    switch (mode) {
        case LightBlendMode::Add:
            return addSaturated(d, divide255(static_cast<uint32_t>(a) * c));
        case LightBlendMode::Subtract:
            return subtractSaturated(d, divide255(static_cast<uint32_t>(a) * c));
        case LightBlendMode::Screen:
            return screenAmount(d, c, a);
    }
    return d;
}

// Whole screens of one colour repeated any number of times up to 255: powers[k][c][d] is d
// screened by c 2^k times, so a count takes at most eight look-ups where screening once
// per step would cost up to 255 steps per sample for the brightest lights.
class RepeatedScreens {
  public:
    RepeatedScreens() {
        for (int32_t c = 0; c < 256; ++c)
            for (int32_t d = 0; d < 256; ++d)
                powers_[0][c][d] = screenByte(static_cast<uint8_t>(d), static_cast<uint8_t>(c));
        for (int32_t k = 1; k < kPowers; ++k)
            for (int32_t c = 0; c < 256; ++c)
                for (int32_t d = 0; d < 256; ++d)
                    powers_[k][c][d] = powers_[k - 1][c][powers_[k - 1][c][d]];
    }

    uint8_t apply(uint8_t d, uint8_t c, uint32_t repeats) const {
        for (int32_t k = 0; repeats != 0; ++k, repeats >>= 1)
            if ((repeats & 1u) != 0) d = powers_[k][c][d];
        return d;
    }

  private:
    static constexpr int32_t kPowers = 8;  // counts up to 255
    uint8_t powers_[kPowers][256][256];
};

// Built on first use and kept: 512 KiB in static storage, so it cannot fail to allocate.
const RepeatedScreens& repeatedScreens() {
    static const RepeatedScreens screens;
    return screens;
}

}  // namespace

int32_t lightChannelCount(int32_t imageMode) {
    return colorChannelsForMode(imageMode);
}

int32_t appliedBlendMode(int32_t lightBlendMode) {
    return static_cast<int32_t>(blendModeOrAdd(lightBlendMode));
}

void imageLightAmounts(double lightBrightness, const uint8_t lightColorBytes[4], int32_t channels,
                       uint16_t amounts[4]) {
    const double level = lightBrightness * 0.01;
    for (int32_t c = 0; c < 4; ++c)
        amounts[c] = c < channels ? truncateToUint16(lightColorBytes[c] * level) : 0;
}

uint16_t matteLightAmount(double lightBrightness) {
    const double level = lightBrightness * 0.01;
    return truncateToUint16(level * 255.0);
}

void buildLightTable(int32_t blendMode, const uint8_t colors[256], const uint16_t amounts[256],
                     uint8_t* table) {
    const LightBlendMode mode = blendModeOrAdd(blendMode);
    for (int32_t i = 0; i < 256; ++i) {
        uint8_t* row = table + i * 256;
        const uint8_t c = colors[i];
        const uint16_t amount = amounts[i];
        for (int32_t d = 0; d < 256; ++d)
            row[d] = applyLight(mode, static_cast<uint8_t>(d), c, amount);
    }
}

uint8_t screenAmount(uint8_t d, uint8_t c, uint16_t amount) {
    if (amount > 255) d = repeatedScreens().apply(d, c, amount >> 8u);
    const uint32_t remainder = amount & 0xFFu;
    if (remainder != 0) {
        const uint8_t weakened =
            static_cast<uint8_t>(divide255(static_cast<uint32_t>(c) * remainder));
        d = screenByte(d, weakened);
    }
    return d;
}

namespace {

void scalarMaskSource(const PixelView& source, const PixelView& mask, PixelView& lightImage,
                      int32_t imageMode) {
    const int32_t channels = colorChannelsForMode(imageMode);
    for (int32_t y = 0; y < source.height; ++y) {
        for (int32_t x = 0; x < source.width; ++x) {
            const uint8_t* s = source.at(x, y);
            const uint32_t m = *mask.at(x, y);
            uint8_t* light = lightImage.at(x, y);
            for (int32_t c = 0; c < channels; ++c) {
                light[c] = static_cast<uint8_t>(divide255(s[c] * m));
            }
        }
    }
}

void scalarCompositeFromMatte(PixelView& source, const PixelView& mask, int32_t imageMode,
                              int32_t lightBlendMode, double lightBrightness,
                              const uint8_t lightColorBytes[4]) {
    const int32_t channels = colorChannelsForMode(imageMode);
    const LightBlendMode mode = blendModeOrAdd(lightBlendMode);
    const double level = lightBrightness * 0.01;
    const uint32_t lightAmount = truncateToUint16(level * 255.0);
    for (int32_t y = 0; y < source.height; ++y) {
        for (int32_t x = 0; x < source.width; ++x) {
            uint8_t* d = source.at(x, y);
            const uint16_t t = static_cast<uint16_t>(divide255(*mask.at(x, y) * lightAmount));
            for (int32_t c = 0; c < channels; ++c) {
                d[c] = applyLight(mode, d[c], lightColorBytes[c], t);
            }
        }
    }
}

void scalarCompositeFromImage(PixelView& source, const PixelView& lightImage, int32_t imageMode,
                              int32_t lightBlendMode, double lightBrightness,
                              const uint8_t lightColorBytes[4]) {
    const int32_t channels = colorChannelsForMode(imageMode);
    const LightBlendMode mode = blendModeOrAdd(lightBlendMode);
    const double level = lightBrightness * 0.01;
    uint16_t colorAmount[4] = {};
    for (int32_t c = 0; c < channels; ++c) {
        colorAmount[c] = truncateToUint16(lightColorBytes[c] * level);
    }
    for (int32_t y = 0; y < source.height; ++y) {
        for (int32_t x = 0; x < source.width; ++x) {
            uint8_t* d = source.at(x, y);
            const uint8_t* light = lightImage.at(x, y);
            for (int32_t c = 0; c < channels; ++c) {
                d[c] = applyLight(mode, d[c], light[c], colorAmount[c]);
            }
        }
    }
}

constexpr CompositingKernels kScalarKernels{&scalarMaskSource, &scalarCompositeFromMatte,
                                            &scalarCompositeFromImage};

}  // namespace

const CompositingKernels& scalarCompositingKernels() {
    return kScalarKernels;
}

const CompositingKernels& compositingKernels() {
    return selectKernels(kScalarKernels, BRIVO_AVX2_KERNELS(avx2CompositingKernels));
}

void maskSource(const PixelView& source, const PixelView& mask, PixelView& lightImage,
                int32_t imageMode) {
    const auto kernel = compositingKernels().maskSource;
    forEachBand(source.height, 1, kRowsPerBand, [&](int32_t, int32_t top, int32_t bottom) {
        PixelView lightBand = lightImage.rows(top, bottom);
        kernel(source.rows(top, bottom), mask.rows(top, bottom), lightBand, imageMode);
    });
}

void compositeFromMatte(PixelView& source, const PixelView& mask, int32_t imageMode,
                        int32_t lightBlendMode, double lightBrightness,
                        const uint8_t lightColorBytes[4]) {
    const auto kernel = compositingKernels().compositeFromMatte;
    forEachBand(source.height, 1, kRowsPerBand, [&](int32_t, int32_t top, int32_t bottom) {
        PixelView sourceBand = source.rows(top, bottom);
        kernel(sourceBand, mask.rows(top, bottom), imageMode, lightBlendMode, lightBrightness,
               lightColorBytes);
    });
}

void compositeFromImage(PixelView& source, const PixelView& lightImage, int32_t imageMode,
                        int32_t lightBlendMode, double lightBrightness,
                        const uint8_t lightColorBytes[4]) {
    const auto kernel = compositingKernels().compositeFromImage;
    forEachBand(source.height, 1, kRowsPerBand, [&](int32_t, int32_t top, int32_t bottom) {
        PixelView sourceBand = source.rows(top, bottom);
        kernel(sourceBand, lightImage.rows(top, bottom), imageMode, lightBlendMode, lightBrightness,
               lightColorBytes);
    });
}

}  // namespace brivo
