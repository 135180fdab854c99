// The vector matte gives the reference table's bytes: on seeded random data over widths 1
// to 70, odd row strides, every image mode and matte channel, for identity and bell tables;
// over every RGB colour in the computed channels; over the CMYK luminance's ink triples.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/filter_parameters.h"
#include "core/simd_dispatch.h"
#include "filter_record.h"
#include "render/matte.h"

namespace brivo {
namespace {

const int32_t kModes[] = {plugInModeGrayScale, plugInModeRGBColor, plugInModeCMYKColor,
                          plugInModeLabColor};

std::vector<uint8_t> randomBytes(std::mt19937& random, size_t count) {
    std::vector<uint8_t> bytes(count);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
}

std::vector<uint8_t> matteOf(const MatteKernels& kernels, std::vector<uint8_t>& source,
                             int32_t width, int32_t height, int32_t pixelBytes, int32_t mode,
                             int32_t channel, const uint8_t* table) {
    PixelView sourceView;
    sourceView.setTo(width, height, pixelBytes, 1, width * pixelBytes + 3, source.data());
    const int32_t matteRow = width + 5;
    std::vector<uint8_t> matte(static_cast<size_t>(matteRow) * height, 0xA5);
    PixelView matteView;
    matteView.setTo(width, height, 1, 1, matteRow, matte.data());
    kernels.extractMatte(sourceView, mode, channel, table, matteView);
    return matte;
}

TEST(MatteSimd, EveryModeAndChannelMatchesReference) {
    if (!cpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this CPU";
    std::mt19937 random(21);
    uint8_t identity[kMatteTableSize];
    for (int32_t i = 0; i < kMatteTableSize; ++i) identity[i] = static_cast<uint8_t>(i);
    uint8_t bell[kMatteTableSize];
    buildMatteTable(40.0, 30.0, bell);
    std::vector<uint8_t> shuffled = randomBytes(random, kMatteTableSize);
    for (const uint8_t* table : {+identity, +bell, shuffled.data()}) {
        for (int32_t mode : kModes) {
            for (int32_t channel = -1; channel <= 9; ++channel) {
                for (int32_t width = 1; width <= 70; width += 1 + width / 10) {
                    const int32_t height = 3;
                    const int32_t pixelBytes = mode == plugInModeGrayScale ? 1 : 4;
                    std::vector<uint8_t> source =
                        randomBytes(random, static_cast<size_t>(width * pixelBytes + 3) * height);
                    source[0] = 255;  // white and black pixels bound the luminance range
                    if (source.size() > 8) source[4] = source[5] = source[6] = 255;
                    ASSERT_EQ(matteOf(scalarMatteKernels(), source, width, height, pixelBytes, mode,
                                      channel, table),
                              matteOf(avx2MatteKernels(), source, width, height, pixelBytes, mode,
                                      channel, table))
                        << "mode " << mode << " channel " << channel << " width " << width;
                }
            }
        }
    }
}

// Every RGB triple, through the luminance, hue and saturation lanes, equals the reference.
TEST(MatteSimd, EveryColourMatchesReferenceInTheComputedChannels) {
    if (!cpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this CPU";
    uint8_t identity[kMatteTableSize];
    for (int32_t i = 0; i < kMatteTableSize; ++i) identity[i] = static_cast<uint8_t>(i);
    const int32_t width = 256 * 256;
    std::vector<uint8_t> source(static_cast<size_t>(width * 4 + 3) * 256);
    for (int32_t r = 0; r < 256; ++r)
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = &source[static_cast<size_t>(r) * (width * 4 + 3) + 4 * x];
            p[0] = static_cast<uint8_t>(r);
            p[1] = static_cast<uint8_t>(x >> 8);
            p[2] = static_cast<uint8_t>(x);
            p[3] = static_cast<uint8_t>(x * 7);
        }
    for (MatteChannel channel :
         {MatteChannel::Luminance, MatteChannel::Hue, MatteChannel::Saturation}) {
        const int32_t index = static_cast<int32_t>(channel);
        EXPECT_EQ(
            matteOf(scalarMatteKernels(), source, width, 256, 4, plugInModeRGBColor, index,
                    identity),
            matteOf(avx2MatteKernels(), source, width, 256, 4, plugInModeRGBColor, index, identity))
            << "channel " << index;
    }
}

// The CMYK luminance in double precision: every cyan, magenta and yellow triple at the ink
// extremes and a few levels between, against the reference.
TEST(MatteSimd, CmykLuminanceMatchesReferenceOverEveryInkTriple) {
    if (!cpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this CPU";
    uint8_t identity[kMatteTableSize];
    for (int32_t i = 0; i < kMatteTableSize; ++i) identity[i] = static_cast<uint8_t>(i);
    const int32_t width = 256 * 256;
    std::vector<uint8_t> source(static_cast<size_t>(width * 4 + 3) * 256);
    for (const uint8_t black : {0, 1, 128, 254, 255}) {
        for (int32_t c = 0; c < 256; ++c)
            for (int32_t x = 0; x < width; ++x) {
                uint8_t* p = &source[static_cast<size_t>(c) * (width * 4 + 3) + 4 * x];
                p[0] = static_cast<uint8_t>(c);
                p[1] = static_cast<uint8_t>(x >> 8);
                p[2] = static_cast<uint8_t>(x);
                p[3] = black;
            }
        EXPECT_EQ(
            matteOf(scalarMatteKernels(), source, width, 256, 4, plugInModeCMYKColor, 0, identity),
            matteOf(avx2MatteKernels(), source, width, 256, 4, plugInModeCMYKColor, 0, identity))
            << "black " << int{black};
    }
}

// The dispatched entry splits the matte into bands for the workers; the bands together give
// the reference's bytes in every mode and channel on a tall strip with a row tail.
TEST(MatteSimd, DispatchedExtractionMatchesReference) {
    std::mt19937 random(5);
    uint8_t bell[kMatteTableSize];
    buildMatteTable(55.0, 70.0, bell);
    const int32_t width = 301;
    const int32_t height = 97;
    for (int32_t mode : kModes) {
        const int32_t pixelBytes = mode == plugInModeGrayScale ? 1 : 4;
        std::vector<uint8_t> source =
            randomBytes(random, static_cast<size_t>(width * pixelBytes + 3) * height);
        for (int32_t channel = -1; channel <= 9; ++channel) {
            const MatteKernels dispatched{&extractMatte};
            ASSERT_EQ(matteOf(scalarMatteKernels(), source, width, height, pixelBytes, mode,
                              channel, bell),
                      matteOf(dispatched, source, width, height, pixelBytes, mode, channel, bell))
                << "mode " << mode << " channel " << channel;
        }
    }
}

}  // namespace
}  // namespace brivo
