#include "render/matte.h"

#include <algorithm>

#include "core/filter_parameters.h"
#include "core/parameter_table.h"
#include "core/simd_dispatch.h"
#include "core/worker_pool.h"
#include "filter_record.h"
#include "render/curve.h"
#include "render/pixel_math.h"

namespace brivo {
namespace {

constexpr float kUnitScale = kMatteUnitScale;

// Hue in degrees scaled by 0.7083333 into 0..255, all in single precision; 0 where
// the hue is undefined (grey pixels).
uint8_t hueIndex(uint8_t red, uint8_t green, uint8_t blue) {
    const float r = red * kUnitScale;
    const float g = green * kUnitScale;
    const float b = blue * kUnitScale;
    const float max = std::max(r, std::max(g, b));
    const float min = std::min(r, std::min(g, b));
    const float delta = max - min;
    const float s = max != 0.0f ? delta / max : 0.0f;
    if (s == 0.0f) return 0;

    const float rc = (max - r) / delta;
    const float gc = (max - g) / delta;
    const float bc = (max - b) / delta;
    float hue;
    if (r == max) {
        hue = bc - gc;
    } else if (g == max) {
        hue = 2.0f + rc - bc;
    } else {
        hue = 4.0f + gc - rc;
    }
    hue = hue * 60.0f;
    if (hue < 0.0f) hue = hue + 360.0f;
    return lowByte(truncateToInt32(hue * 0.7083333f));
}

// 255 * (max - min) / max in single precision; 0 for black.
uint8_t saturationIndex(uint8_t red, uint8_t green, uint8_t blue) {
    const float r = red * kUnitScale;
    const float g = green * kUnitScale;
    const float b = blue * kUnitScale;
    const float max = std::max(r, std::max(g, b));
    const float min = std::min(r, std::min(g, b));
    if (max == 0.0f) return 0;
    return lowByte(truncateToInt32((255.0f * (max - min)) / max));
}

// Luminance of a CMYK pixel (255 = no ink): single-precision constants in double
// arithmetic, so an empty pixel gives 255 and full black 0.
uint8_t cmykLuminanceIndex(const uint8_t* pixel) {
    const double scale = kUnitScale;
    const double c = pixel[0] * scale;
    const double m = pixel[1] * scale;
    const double y = pixel[2] * scale;
    const double k = pixel[3] * scale;
    const double red = 0.299f;
    const double green = 0.587f;
    const double blue = 0.114f;
    const double ink = (1.0 - red * c - green * m - blue * y) * k + (1.0 - k);
    return lowByte(truncateToInt32(255.0 * (1.0 - ink)));
}

uint8_t rgbIndex(const uint8_t* pixel, MatteChannel channel) {
    const uint8_t r = pixel[0];
    const uint8_t g = pixel[1];
    const uint8_t b = pixel[2];
    switch (channel) {
        case MatteChannel::Luminance:
            return static_cast<uint8_t>(divide255(76u * r + 150u * g + 29u * b));
        case MatteChannel::Red:
            return r;
        case MatteChannel::Green:
            return g;
        case MatteChannel::Blue:
            return b;
        case MatteChannel::Cyan:
            return halfSum(g, b);
        case MatteChannel::Magenta:
            return halfSum(r, b);
        case MatteChannel::Yellow:
            return halfSum(r, g);
        case MatteChannel::Hue:
            return hueIndex(r, g, b);
        case MatteChannel::Saturation:
            return saturationIndex(r, g, b);
    }
    return 0;
}

uint8_t cmykIndex(const uint8_t* pixel, MatteChannel channel) {
    const uint8_t c = pixel[0];
    const uint8_t m = pixel[1];
    const uint8_t y = pixel[2];
    switch (channel) {
        case MatteChannel::Luminance:
            return cmykLuminanceIndex(pixel);
        case MatteChannel::Red:
            return halfSum(m, y);
        case MatteChannel::Green:
            return halfSum(c, y);
        case MatteChannel::Blue:
            return halfSum(c, m);
        case MatteChannel::Cyan:
            return c;
        case MatteChannel::Magenta:
            return m;
        case MatteChannel::Yellow:
            return y;
        // Hue and saturation are not computed for CMYK: every pixel reads entry 0.
        case MatteChannel::Hue:
        case MatteChannel::Saturation:
            return 0;
    }
    return 0;
}

uint8_t channelIndex(const uint8_t* pixel, int32_t imageMode, MatteChannel channel) {
    switch (imageMode) {
        case plugInModeRGBColor:
            return rgbIndex(pixel, channel);
        case plugInModeCMYKColor:
            return cmykIndex(pixel, channel);
        default:
            return pixel[0];
    }
}

}  // namespace

MatteChannel matteChannelOf(int32_t matteChannel) {
    if (matteChannel < 0 || matteChannel >= kMatteChannelCount) return MatteChannel::Luminance;
    return static_cast<MatteChannel>(matteChannel);
}

void buildMatteTable(double mattePosition, double matteRange, uint8_t table[kMatteTableSize]) {
    const double p = mattePosition * 0.01;
    const double r = matteRange * 0.01;
    const double pairs[5][2] = {
        {p - r, 0.0}, {p - r * 0.5, 0.2}, {p, 1.0}, {p + r * 0.5, 0.2}, {p + r, 0.0},
    };
    Curve curve;
    curve.setPoints(pairs, 5);
    for (int32_t i = 0; i < kMatteTableSize; ++i) {
        const double x = static_cast<double>(i) / static_cast<double>(kMatteTableSize - 1);
        table[i] = lowByte(truncateToInt32(255.0 * curve.evaluate(x)));
    }
}

namespace {

void scalarExtractMatte(const PixelView& source, int32_t imageMode, int32_t matteChannel,
                        const uint8_t table[kMatteTableSize], PixelView& matte) {
    const MatteChannel channel = matteChannelOf(matteChannel);
    for (int32_t y = 0; y < matte.height; ++y) {
        for (int32_t x = 0; x < matte.width; ++x) {
            *matte.at(x, y) = table[channelIndex(source.at(x, y), imageMode, channel)];
        }
    }
}

constexpr MatteKernels kScalarKernels{&scalarExtractMatte};

}  // namespace

const MatteKernels& scalarMatteKernels() {
    return kScalarKernels;
}

const MatteKernels& matteKernels() {
    return selectKernels(kScalarKernels, BRIVO_AVX2_KERNELS(avx2MatteKernels));
}

void extractMatte(const PixelView& source, int32_t imageMode, int32_t matteChannel,
                  const uint8_t table[kMatteTableSize], PixelView& matte) {
    const auto kernel = matteKernels().extractMatte;
    forEachBand(matte.height, 1, kRowsPerBand, [&](int32_t, int32_t top, int32_t bottom) {
        PixelView matteBand = matte.rows(top, bottom);
        kernel(source.rows(top, bottom), imageMode, matteChannel, table, matteBand);
    });
}

}  // namespace brivo
