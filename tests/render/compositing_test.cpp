#include "render/compositing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "colorspace_suite.h"
#include "filter_record.h"
#include "render/pixel_math.h"

namespace brivo {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int32_t kAdd = 0;
constexpr int32_t kSubtract = 1;
constexpr int32_t kScreen = 2;

// A one-row view holding the given bytes, pixelBytes per pixel.
PixelView rowOf(const std::vector<uint8_t>& bytes, int32_t pixelBytes) {
    const int32_t width = static_cast<int32_t>(bytes.size()) / pixelBytes;
    PixelView view(width, 1, pixelBytes, 1);
    std::memcpy(view.pixels, bytes.data(), bytes.size());
    return view;
}

std::vector<uint8_t> bytesOf(const PixelView& view) {
    return {view.pixels, view.pixels + static_cast<size_t>(view.rowBytes) * view.height};
}

std::vector<uint8_t> litFromMatte(const std::vector<uint8_t>& image, int32_t imageMode,
                                  const std::vector<uint8_t>& mask, int32_t blendMode, double level,
                                  const uint8_t color[4]) {
    const int32_t pixelBytes = imageMode == plugInModeGrayScale ? 1 : 4;
    PixelView source = rowOf(image, pixelBytes);
    const PixelView maskView = rowOf(mask, 1);
    compositeFromMatte(source, maskView, imageMode, blendMode, level, color);
    return bytesOf(source);
}

std::vector<uint8_t> litFromImage(const std::vector<uint8_t>& image, int32_t imageMode,
                                  const std::vector<uint8_t>& light, int32_t blendMode,
                                  double level, const uint8_t color[4]) {
    const int32_t pixelBytes = imageMode == plugInModeGrayScale ? 1 : 4;
    PixelView source = rowOf(image, pixelBytes);
    const PixelView lightView = rowOf(light, pixelBytes);
    compositeFromImage(source, lightView, imageMode, blendMode, level, color);
    return bytesOf(source);
}

TEST(PixelMath, DivideBy255TruncatesOverTheProductRange) {
    for (uint32_t v = 0; v <= 65535u * 255u; ++v) {
        const uint32_t q = divide255(v);
        ASSERT_TRUE(q * 255u <= v && v < (q + 1) * 255u) << v;
    }
}

TEST(PixelMath, SaturatingAddAndSubtractOverAllInputs) {
    for (int32_t d = 0; d < 256; ++d) {
        for (int32_t x = 0; x <= 65535; ++x) {
            const auto byte = static_cast<uint8_t>(d);
            ASSERT_EQ(addSaturated(byte, x), d + x > 255 ? 255 : d + x);
            ASSERT_EQ(subtractSaturated(byte, x), d - x < 0 ? 0 : d - x);
        }
    }
}

TEST(PixelMath, ScreenByteOverAllPairs) {
    for (int32_t d = 0; d < 256; ++d) {
        for (int32_t c = 0; c < 256; ++c) {
            const int32_t expected = d + c - d * c / 255;
            ASSERT_EQ(screenByte(static_cast<uint8_t>(d), static_cast<uint8_t>(c)),
                      expected > 255 ? 255 : expected);
        }
    }
}

TEST(PixelMath, TruncateToUint16Saturates) {
    EXPECT_EQ(truncateToUint16(kNaN), 0);
    EXPECT_EQ(truncateToUint16(-kNaN), 0);
    EXPECT_EQ(truncateToUint16(kInf), 65535);
    EXPECT_EQ(truncateToUint16(-kInf), 0);
    EXPECT_EQ(truncateToUint16(1e30), 65535);
    EXPECT_EQ(truncateToUint16(-1e30), 0);
    EXPECT_EQ(truncateToUint16(65535.99), 65535);
    EXPECT_EQ(truncateToUint16(65536.0), 65535);
    EXPECT_EQ(truncateToUint16(-0.99), 0);
    for (int32_t i = 0; i <= 65535; ++i) {
        ASSERT_EQ(truncateToUint16(i), i);
        ASSERT_EQ(truncateToUint16(i + 0.5), i);
    }
}

TEST(ScreenAmount, AmountsUpToAndAroundOneFullScreen) {
    for (int32_t d = 0; d < 256; ++d) {
        for (int32_t c = 0; c < 256; ++c) {
            const auto dd = static_cast<uint8_t>(d);
            const auto cc = static_cast<uint8_t>(c);
            ASSERT_EQ(screenAmount(dd, cc, 0), dd);
            // Up to 255 one screen with the colour weakened; 256 exactly one full screen.
            ASSERT_EQ(screenAmount(dd, cc, 100),
                      screenByte(dd, static_cast<uint8_t>(c * 100 / 255)));
            ASSERT_EQ(screenAmount(dd, cc, 255), screenByte(dd, cc));
            ASSERT_EQ(screenAmount(dd, cc, 256), screenByte(dd, cc));
            ASSERT_EQ(screenAmount(dd, cc, 510),
                      screenByte(screenByte(dd, cc), static_cast<uint8_t>(c * 254 / 255)));
            ASSERT_EQ(screenAmount(dd, cc, 512), screenByte(screenByte(dd, cc), cc));
        }
    }
}

TEST(ScreenAmount, EveryCountOfWholeScreensEqualsScreeningOneAtATime) {
    for (int32_t c = 0; c < 256; ++c) {
        for (int32_t d = 0; d < 256; ++d) {
            const auto cc = static_cast<uint8_t>(c);
            uint8_t repeated = static_cast<uint8_t>(d);
            for (int32_t count = 1; count < 256; ++count) {
                repeated = screenByte(repeated, cc);
                ASSERT_EQ(
                    screenAmount(static_cast<uint8_t>(d), cc, static_cast<uint16_t>(count * 256)),
                    repeated)
                    << "d " << d << " c " << c << " count " << count;
            }
        }
    }
}

TEST(ScreenAmount, LargestAmountRepeats255TimesThenOnceMore) {
    // c = 1 moves d by at most 1 per screen: 255 full screens, then 1 * 255 / 255 once.
    EXPECT_EQ(screenAmount(0, 1, 65535), 255);
    EXPECT_EQ(screenAmount(0, 1, 65280), 255);  // 255 full screens, nothing left
    EXPECT_EQ(screenAmount(0, 1, 1024), 4);
    EXPECT_EQ(screenAmount(7, 0, 65535), 7);
}

TEST(LightColorSpace, GrayTakesTheCmykComponents) {
    EXPECT_EQ(lightColorSpace(plugInModeGrayScale), plugIncolorServicesCMYKSpace);
    EXPECT_EQ(lightColorSpace(plugInModeLabColor), plugIncolorServicesLabSpace);
    EXPECT_EQ(lightColorSpace(plugInModeIndexedColor), plugIncolorServicesRGBSpace);
}

TEST(MaskSource, ScalesEachLitChannelByTheMask) {
    const PixelView mask = rowOf({255, 128, 0}, 1);

    PixelView gray = rowOf({200, 200, 200}, 1);
    PixelView grayLight(3, 1, 1, 1);
    maskSource(gray, mask, grayLight, plugInModeGrayScale);
    EXPECT_EQ(bytesOf(grayLight), (std::vector<uint8_t>{200, 100, 0}));

    // RGB leaves the light pixel's fourth byte as it was.
    PixelView rgb = rowOf({10, 100, 255, 77, 10, 100, 255, 77, 10, 100, 255, 77}, 4);
    PixelView rgbLight = rowOf(std::vector<uint8_t>(12, 0xEE), 4);
    maskSource(rgb, mask, rgbLight, plugInModeRGBColor);
    EXPECT_EQ(bytesOf(rgbLight),
              (std::vector<uint8_t>{10, 100, 255, 0xEE, 5, 50, 128, 0xEE, 0, 0, 0, 0xEE}));

    PixelView cmyk = rowOf({10, 100, 255, 77, 10, 100, 255, 77, 10, 100, 255, 77}, 4);
    PixelView cmykLight(3, 1, 4, 1);
    maskSource(cmyk, mask, cmykLight, plugInModeCMYKColor);
    EXPECT_EQ(bytesOf(cmykLight),
              (std::vector<uint8_t>{10, 100, 255, 77, 5, 50, 128, 38, 0, 0, 0, 0}));
}

TEST(CompositeFromMatte, FullWhiteLightAtLevel100) {
    const uint8_t white[4] = {255, 255, 255, 255};
    const std::vector<uint8_t> image = {0, 90, 200, 33};
    const std::vector<uint8_t> fullMask = {255};
    EXPECT_EQ(litFromMatte(image, plugInModeRGBColor, fullMask, kAdd, 100, white),
              (std::vector<uint8_t>{255, 255, 255, 33}));
    EXPECT_EQ(litFromMatte(image, plugInModeRGBColor, fullMask, kSubtract, 100, white),
              (std::vector<uint8_t>{0, 0, 0, 33}));
    EXPECT_EQ(litFromMatte(image, plugInModeRGBColor, fullMask, kScreen, 100, white),
              (std::vector<uint8_t>{255, 255, 255, 33}));
    EXPECT_EQ(litFromMatte(image, plugInModeCMYKColor, fullMask, kAdd, 100, white),
              (std::vector<uint8_t>{255, 255, 255, 255}));
    EXPECT_EQ(litFromMatte({90, 0, 7}, plugInModeGrayScale, {255, 255, 0}, kSubtract, 100, white),
              (std::vector<uint8_t>{0, 0, 7}));
}

TEST(CompositeFromMatte, MaskAndColourScaleTheLightPerChannel) {
    // Level 50: L = 127; mask 200 gives t = 99; each channel adds t * k / 255.
    const uint8_t color[4] = {255, 100, 0, 50};
    EXPECT_EQ(litFromMatte({10, 10, 10, 10}, plugInModeRGBColor, {200}, kAdd, 50, color),
              (std::vector<uint8_t>{109, 48, 10, 10}));
    EXPECT_EQ(litFromMatte({10, 10, 10, 10}, plugInModeCMYKColor, {200}, kAdd, 50, color),
              (std::vector<uint8_t>{109, 48, 10, 29}));
    EXPECT_EQ(litFromMatte({100, 100, 100, 100}, plugInModeCMYKColor, {200}, kSubtract, 50, color),
              (std::vector<uint8_t>{1, 62, 100, 81}));
    // Gray lights its one byte with k0 only.
    EXPECT_EQ(litFromMatte({10}, plugInModeGrayScale, {200}, kAdd, 50, color),
              (std::vector<uint8_t>{109}));
}

TEST(CompositeFromMatte, Level200ScreensOnceFullyAndOnceAt254) {
    // L = 510 and a full mask: screen 100 in fully, then 100 * 254 / 255 = 99.
    const uint8_t color[4] = {100, 0, 255, 9};
    EXPECT_EQ(litFromMatte({0, 50, 0, 200}, plugInModeRGBColor, {255}, kScreen, 200, color),
              (std::vector<uint8_t>{161, 50, 255, 200}));
    // A mask of 128 gives t = 256: exactly one full screen.
    EXPECT_EQ(litFromMatte({0, 50, 0, 200}, plugInModeRGBColor, {128}, kScreen, 200, color),
              (std::vector<uint8_t>{100, 50, 255, 200}));
}

TEST(CompositeFromImage, ColourTimesLevelSetsTheAmount) {
    const uint8_t color[4] = {255, 128, 0, 255};
    const std::vector<uint8_t> image = {100, 100, 100, 40};
    const std::vector<uint8_t> light = {60, 60, 60, 200};
    // Level 100: K = (255, 128, 0); Add d + l * K / 255.
    EXPECT_EQ(litFromImage(image, plugInModeRGBColor, light, kAdd, 100, color),
              (std::vector<uint8_t>{160, 130, 100, 40}));
    EXPECT_EQ(litFromImage(image, plugInModeRGBColor, light, kSubtract, 100, color),
              (std::vector<uint8_t>{40, 70, 100, 40}));
    // Screen the light pixel in: once fully for K = 255, weakened to 30 for K = 128.
    EXPECT_EQ(litFromImage(image, plugInModeRGBColor, light, kScreen, 100, color),
              (std::vector<uint8_t>{137, 119, 100, 40}));
    // Level 300: K0 = 765 screens 60 in twice fully and once at 253/255 (59).
    EXPECT_EQ(litFromImage({0}, plugInModeGrayScale, {60}, kScreen, 300, color),
              (std::vector<uint8_t>{141}));
    EXPECT_EQ(litFromImage(image, plugInModeCMYKColor, light, kAdd, 100, color),
              (std::vector<uint8_t>{160, 130, 100, 240}));
}

TEST(Composite, LevelZeroNegativeOrNaNChangesNothing) {
    const uint8_t white[4] = {255, 255, 255, 255};
    const std::vector<uint8_t> image = {0, 90, 200, 33, 255, 1, 128, 7};
    const std::vector<uint8_t> mask = {255, 128};
    for (double level : {0.0, -0.0, -50.0, -1e30, -kInf, kNaN}) {
        for (int32_t mode : {kAdd, kSubtract, kScreen}) {
            for (int32_t imageMode : {plugInModeRGBColor, plugInModeCMYKColor}) {
                EXPECT_EQ(litFromMatte(image, imageMode, mask, mode, level, white), image);
                EXPECT_EQ(litFromImage(image, imageMode, image, mode, level, white), image);
            }
        }
    }
}

TEST(Composite, HugeLevelsSaturateTheAmount) {
    const uint8_t color[4] = {1, 0, 255, 3};
    const std::vector<uint8_t> image = {0, 90, 200, 33};
    for (double level : {kInf, 1e30, 65535.0 * 100.0}) {
        // L and K saturate at 65535: colour 1 screened 256 times reaches 255.
        EXPECT_EQ(litFromMatte(image, plugInModeRGBColor, {255}, kScreen, level, color),
                  (std::vector<uint8_t>{255, 90, 255, 33}));
        EXPECT_EQ(litFromMatte(image, plugInModeRGBColor, {255}, kAdd, level, color),
                  (std::vector<uint8_t>{255, 90, 255, 33}));
        EXPECT_EQ(litFromImage(image, plugInModeCMYKColor, image, kSubtract, level, color),
                  (std::vector<uint8_t>{0, 90, 0, 0}));
    }
}

TEST(Composite, UnknownBlendModeIsAddAndUnknownImageModeIsLeftAlone) {
    const uint8_t color[4] = {255, 128, 0, 255};
    const std::vector<uint8_t> image = {100, 100, 100, 40};
    const std::vector<uint8_t> light = {60, 60, 60, 200};
    const auto added = litFromImage(image, plugInModeRGBColor, light, kAdd, 100, color);
    for (int32_t mode : {-1, 3, std::numeric_limits<int32_t>::max()}) {
        EXPECT_EQ(litFromImage(image, plugInModeRGBColor, light, mode, 100, color), added);
        EXPECT_EQ(litFromMatte(image, plugInModeRGBColor, {255}, mode, 100, color),
                  litFromMatte(image, plugInModeRGBColor, {255}, kAdd, 100, color));
    }
    EXPECT_EQ(litFromImage(image, plugInModeLabColor, light, kAdd, 100, color), image);
    EXPECT_EQ(litFromMatte(image, plugInModeLabColor, {255}, kAdd, 100, color), image);
}

}  // namespace
}  // namespace brivo
