// The light put onto the image: the light colour's target space, the source masked by
// the light mask, and the Add, Subtract and Screen blends in Gray, RGB and CMYK forms.
#pragma once

#include <cstdint>

#include "core/pixel_view.h"
#include "render/light_color_space.h"

namespace brivo {

// Screens c over d with an amount in units of 1/255: every full 256 screens c once at
// full strength, the remainder once with c weakened to c * remainder / 255.
uint8_t screenAmount(uint8_t d, uint8_t c, uint16_t amount);

// The views below are 8-bit, interleaved, in the layout of imageMode: Gray 1 byte per
// pixel, RGB and CMYK 4. RGB touches bytes 0..2 (the fourth byte never changes), CMYK
// bytes 0..3; other modes are left alone. Masks are one byte per pixel. Every view is
// read at the same row and column over the source's width and height, so each must be
// at least that large. lightColorBytes are k0..k3 in the image's colour space;
// lightBlendMode is a LightBlendMode index (any other value means Add) and
// lightBrightness the level in percent (NaN or negative gives no light; levels beyond
// 65535 / 255 saturate).

// lightImage = source * mask / 255, channel by channel.
void maskSource(const PixelView& source, const PixelView& mask, PixelView& lightImage,
                int32_t imageMode);

// The light is the mask tinted by the colour: the mask sets the amount of colour.
void compositeFromMatte(PixelView& source, const PixelView& mask, int32_t imageMode,
                        int32_t lightBlendMode, double lightBrightness,
                        const uint8_t lightColorBytes[4]);

// The light is the masked source: the colour times the level sets its amount.
void compositeFromImage(PixelView& source, const PixelView& lightImage, int32_t imageMode,
                        int32_t lightBlendMode, double lightBrightness,
                        const uint8_t lightColorBytes[4]);

// The three kernels above dispatch through one table: the plain reference entries,
// overridden by vector ones when the CPU has them and BRIVO_NO_SIMD is not 1.
struct CompositingKernels {
    void (*maskSource)(const PixelView& source, const PixelView& mask, PixelView& lightImage,
                       int32_t imageMode);
    void (*compositeFromMatte)(PixelView& source, const PixelView& mask, int32_t imageMode,
                               int32_t lightBlendMode, double lightBrightness,
                               const uint8_t lightColorBytes[4]);
    void (*compositeFromImage)(PixelView& source, const PixelView& lightImage, int32_t imageMode,
                               int32_t lightBlendMode, double lightBrightness,
                               const uint8_t lightColorBytes[4]);
};

const CompositingKernels& scalarCompositingKernels();
const CompositingKernels& compositingKernels();
const CompositingKernels& avx2CompositingKernels();

// Pieces the faster kernels share with the reference, compiled without vector flags.
// Leading bytes of a pixel the light changes (0 for modes it leaves alone).
int32_t lightChannelCount(int32_t imageMode);
// The LightBlendMode index actually applied (out-of-range values mean Add).
int32_t appliedBlendMode(int32_t lightBlendMode);
// compositeFromImage's per-channel amounts in 1/255 units.
void imageLightAmounts(double lightBrightness, const uint8_t lightColorBytes[4], int32_t channels,
                       uint16_t amounts[4]);
// compositeFromMatte's amount for a full mask, in 1/255 units.
uint16_t matteLightAmount(double lightBrightness);
// table[i * 256 + d] = the light of colour colors[i] at amount amounts[i] applied to d by
// the blend mode (an applied index), for i and d in 0..255.
void buildLightTable(int32_t blendMode, const uint8_t colors[256], const uint16_t amounts[256],
                     uint8_t* table);

}  // namespace brivo
