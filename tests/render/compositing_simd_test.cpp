// Every kernel of the vector table gives the reference table's bytes, on seeded random
// data over widths 1 to 70, odd row strides, every image mode, blend mode and level.
#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

#include "core/simd_dispatch.h"
#include "filter_record.h"
#include "render/compositing.h"

namespace brivo {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int32_t kMaxWidth = 70;
constexpr int32_t kHeight = 3;
const int32_t kModes[] = {plugInModeGrayScale, plugInModeRGBColor, plugInModeCMYKColor,
                          plugInModeLabColor, plugInModeBitmap};
const int32_t kBlendModes[] = {0, 1, 2, -1, 3};
const double kLevels[] = {0.0,  100.0, 200.0, 600.0, kNaN, kInf,    -kInf,
                          -5.0, 0.4,   33.3,  257.0, 1e4,  25701.0, 1e9};

// Random bytes behind a view with an odd number of bytes after every row.
struct Image {
    Image(std::mt19937& random, int32_t width, int32_t height, int32_t pixelBytes, int32_t padding)
        : bytes(static_cast<size_t>((width * pixelBytes + padding) * height)) {
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
        // Push some samples to the ends of the range, where saturation happens.
        for (size_t i = 0; i < bytes.size(); i += 7) bytes[i] = (i / 7) % 2 ? 255 : 0;
        view.setTo(width, height, pixelBytes, 1, width * pixelBytes + padding, bytes.data());
    }
    // A copy of other's bytes behind a view of the same layout.
    Image(const Image& other) : bytes(other.bytes) {
        view.setTo(other.view.width, other.view.height, other.view.pixelBytes, 1,
                   other.view.rowBytes, bytes.data());
    }
    std::vector<uint8_t> bytes;
    PixelView view;
};

int32_t pixelBytesOf(int32_t imageMode) {
    return imageMode == plugInModeGrayScale ? 1 : 4;
}

class CompositingSimd : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!cpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this CPU";
    }
    const CompositingKernels& scalar = scalarCompositingKernels();
    const CompositingKernels& vector = avx2CompositingKernels();
};

TEST_F(CompositingSimd, MaskSourceMatchesReference) {
    std::mt19937 random(11);
    for (int32_t mode : kModes) {
        for (int32_t width = 1; width <= kMaxWidth; ++width) {
            const int32_t pixelBytes = pixelBytesOf(mode);
            const int32_t padding = 1 + 2 * (width % 3);
            Image source(random, width, kHeight, pixelBytes, padding);
            Image mask(random, width, kHeight, 1, padding + 2);
            Image expected(random, width, kHeight, pixelBytes, padding + 4);
            Image actual(expected);
            scalar.maskSource(source.view, mask.view, expected.view, mode);
            vector.maskSource(source.view, mask.view, actual.view, mode);
            ASSERT_EQ(expected.bytes, actual.bytes) << "mode " << mode << " width " << width;
        }
    }
}

// Runs one composite through both tables over the same random image and light.
template <typename Composite>
void expectSameComposite(std::mt19937& random, Composite composite, const CompositingKernels& a,
                         const CompositingKernels& b, bool lightPerChannel) {
    for (int32_t mode : kModes) {
        for (int32_t blend : kBlendModes) {
            for (double level : kLevels) {
                const uint8_t colors[4] = {static_cast<uint8_t>(random()), 255, 0,
                                           static_cast<uint8_t>(random())};
                for (int32_t width = 1; width <= kMaxWidth; width += 1 + width / 8) {
                    const int32_t pixelBytes = pixelBytesOf(mode);
                    const int32_t padding = 1 + 2 * (width % 4);
                    Image expected(random, width, kHeight, pixelBytes, padding);
                    Image light(random, width, kHeight, lightPerChannel ? pixelBytes : 1,
                                padding + 2);
                    Image actual(expected);
                    composite(a, expected.view, light.view, mode, blend, level, colors);
                    composite(b, actual.view, light.view, mode, blend, level, colors);
                    ASSERT_EQ(expected.bytes, actual.bytes)
                        << "mode " << mode << " blend " << blend << " level " << level << " width "
                        << width;
                }
            }
        }
    }
}

TEST_F(CompositingSimd, CompositeFromImageMatchesReference) {
    std::mt19937 random(12);
    expectSameComposite(
        random,
        [](const CompositingKernels& k, PixelView& s, const PixelView& l, int32_t mode,
           int32_t blend, double level,
           const uint8_t* colors) { k.compositeFromImage(s, l, mode, blend, level, colors); },
        scalar, vector, true);
}

TEST_F(CompositingSimd, CompositeFromMatteMatchesReference) {
    std::mt19937 random(13);
    expectSameComposite(
        random,
        [](const CompositingKernels& k, PixelView& s, const PixelView& m, int32_t mode,
           int32_t blend, double level,
           const uint8_t* colors) { k.compositeFromMatte(s, m, mode, blend, level, colors); },
        scalar, vector, false);
}

// Every light byte and every image byte for the colours and levels where the vector
// arithmetic changes form (whole multiples of 255, capped amounts).
TEST_F(CompositingSimd, EveryBytePairMatchesReference) {
    std::vector<uint8_t> image(256 * 256 * 4);
    std::vector<uint8_t> light(256 * 256 * 4);
    for (int32_t l = 0; l < 256; ++l) {
        for (int32_t d = 0; d < 256; ++d) {
            for (int32_t c = 0; c < 4; ++c) {
                image[(l * 256 + d) * 4 + c] = static_cast<uint8_t>(d);
                light[(l * 256 + d) * 4 + c] = static_cast<uint8_t>(l);
            }
        }
    }
    PixelView lightView;
    lightView.setTo(256, 256, 4, 1, 1024, light.data());
    for (int32_t blend = 0; blend < 3; ++blend) {
        for (double level : {1.0, 99.0, 100.0, 101.0, 255.0, 256.0, 25600.0, 25700.0}) {
            const uint8_t colors[4] = {1, 128, 255, 254};
            std::vector<uint8_t> expected = image;
            std::vector<uint8_t> actual = image;
            PixelView e;
            PixelView a;
            e.setTo(256, 256, 4, 1, 1024, expected.data());
            a.setTo(256, 256, 4, 1, 1024, actual.data());
            scalar.compositeFromImage(e, lightView, plugInModeCMYKColor, blend, level, colors);
            vector.compositeFromImage(a, lightView, plugInModeCMYKColor, blend, level, colors);
            ASSERT_EQ(expected, actual) << "blend " << blend << " level " << level;
        }
    }
}

TEST_F(CompositingSimd, EnvironmentSelectsTheReferenceTable) {
    setenv("BRIVO_NO_SIMD", "1", 1);
    EXPECT_EQ(&compositingKernels(), &scalarCompositingKernels());
    unsetenv("BRIVO_NO_SIMD");
    EXPECT_EQ(&compositingKernels(), &avx2CompositingKernels());
}

}  // namespace
}  // namespace brivo
