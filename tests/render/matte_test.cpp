#include "render/matte.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "filter_record.h"
#include "render/pixel_math.h"

namespace brivo {
namespace {

using Pixel = std::vector<uint8_t>;

struct Table {
    uint8_t entries[kMatteTableSize];
};

Table identityTable() {
    Table table;
    for (int32_t i = 0; i < kMatteTableSize; ++i) table.entries[i] = static_cast<uint8_t>(i);
    return table;
}

Table reversedTable() {
    Table table;
    for (int32_t i = 0; i < kMatteTableSize; ++i) table.entries[i] = static_cast<uint8_t>(255 - i);
    return table;
}

// The matte of a one-row source, one pixel per entry of pixels.
std::vector<uint8_t> matteOf(const std::vector<Pixel>& pixels, int32_t imageMode, int32_t channel,
                             const Table& table = identityTable()) {
    const int32_t width = static_cast<int32_t>(pixels.size());
    const int32_t bytes = static_cast<int32_t>(pixels[0].size());
    PixelView source(width, 1, bytes, 1);
    for (int32_t x = 0; x < width; ++x) std::memcpy(source.at(x, 0), pixels[x].data(), bytes);
    PixelView matte(width, 1, 1, 1);
    extractMatte(source, imageMode, channel, table.entries, matte);
    return {matte.pixels, matte.pixels + width};
}

TEST(MatteTable, DefaultsGiveASymmetricBellPeakingAt254) {
    Table table;
    buildMatteTable(50.0, 25.0, table.entries);
    for (int32_t i = 0; i <= 81; ++i) EXPECT_EQ(table.entries[i], 0) << i;
    EXPECT_GT(table.entries[82], 0);
    for (int32_t i = 126; i <= 129; ++i) EXPECT_EQ(table.entries[i], 254) << i;
    for (int32_t i = 0; i < kMatteTableSize; ++i) {
        EXPECT_LE(table.entries[i], 254) << i;
        EXPECT_EQ(table.entries[i], table.entries[255 - i]) << i;
    }
    for (int32_t i = 174; i < kMatteTableSize; ++i) EXPECT_EQ(table.entries[i], 0) << i;
    for (int32_t i = 83; i <= 126; ++i) EXPECT_GE(table.entries[i], table.entries[i - 1]) << i;
}

TEST(MatteTable, ABandAtTheEdgeKeepsOnlyItsInsidePart) {
    Table table;
    buildMatteTable(0.0, 25.0, table.entries);
    EXPECT_EQ(table.entries[0], 255);  // the peak itself, at x = 0
    EXPECT_EQ(table.entries[255], 0);
    buildMatteTable(100.0, 25.0, table.entries);
    EXPECT_EQ(table.entries[255], 255);
    EXPECT_EQ(table.entries[0], 0);
}

TEST(MatteTable, EmptyOrUndefinedBandsAreBlackAndHugeOnesDefined) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double cases[][2] = {{50, 0},    {50, -25}, {nan, 25},  {50, nan},   {inf, 25},
                               {-inf, 25}, {50, inf}, {1e30, 25}, {-1e30, 25}, {inf, inf}};
    for (const auto& [position, range] : cases) {
        Table table;
        std::memset(table.entries, 7, sizeof table.entries);
        buildMatteTable(position, range, table.entries);
        for (int32_t i = 0; i < kMatteTableSize; ++i) {
            ASSERT_EQ(table.entries[i], 0) << position << " " << range << " " << i;
        }
    }
    Table table;
    buildMatteTable(50.0, 1e30, table.entries);  // defined, nearly flat at the peak
    EXPECT_GE(table.entries[0], 250);
}

TEST(MatteExtraction, GrayIgnoresTheChannelAndUsesTheTable) {
    const std::vector<Pixel> pixels = {{0}, {17}, {128}, {255}};
    for (int32_t channel = -1; channel <= 9; ++channel) {
        EXPECT_EQ(matteOf(pixels, plugInModeGrayScale, channel),
                  (std::vector<uint8_t>{0, 17, 128, 255}));
    }
    EXPECT_EQ(matteOf(pixels, plugInModeGrayScale, 0, reversedTable()),
              (std::vector<uint8_t>{255, 238, 127, 0}));
}

TEST(MatteExtraction, RgbIntegerChannels) {
    const std::vector<Pixel> pixels = {{10, 20, 30, 99}, {255, 255, 255, 0}, {201, 100, 7, 1}};
    EXPECT_EQ(matteOf(pixels, plugInModeRGBColor, 0), (std::vector<uint8_t>{18, 255, 119}));
    EXPECT_EQ(matteOf(pixels, plugInModeRGBColor, 1), (std::vector<uint8_t>{10, 255, 201}));
    EXPECT_EQ(matteOf(pixels, plugInModeRGBColor, 2), (std::vector<uint8_t>{20, 255, 100}));
    EXPECT_EQ(matteOf(pixels, plugInModeRGBColor, 3), (std::vector<uint8_t>{30, 255, 7}));
    EXPECT_EQ(matteOf(pixels, plugInModeRGBColor, 4), (std::vector<uint8_t>{25, 255, 53}));
    EXPECT_EQ(matteOf(pixels, plugInModeRGBColor, 5), (std::vector<uint8_t>{20, 255, 104}));
    EXPECT_EQ(matteOf(pixels, plugInModeRGBColor, 6), (std::vector<uint8_t>{15, 255, 150}));
}

TEST(MatteExtraction, OutOfRangeChannelMeansLuminance) {
    const std::vector<Pixel> rgb = {{10, 20, 30, 0}, {201, 100, 7, 0}};
    const std::vector<Pixel> cmyk = {{10, 20, 30, 40}, {255, 0, 128, 200}};
    for (int32_t channel : {-1, 9, std::numeric_limits<int32_t>::min(), 1000}) {
        EXPECT_EQ(matteOf(rgb, plugInModeRGBColor, channel), matteOf(rgb, plugInModeRGBColor, 0));
        EXPECT_EQ(matteOf(cmyk, plugInModeCMYKColor, channel),
                  matteOf(cmyk, plugInModeCMYKColor, 0));
    }
}

TEST(MatteExtraction, RgbHueInSinglePrecision) {
    // Primaries and secondaries at 0, 60, 120, 240 and 300 degrees. In single precision
    // 120 * 0.7083333 rounds up to 85 and 240 * 0.7083333 to 170.
    const std::vector<Pixel> pixels = {{255, 0, 0, 0},    {255, 255, 0, 0}, {0, 255, 0, 0},
                                       {0, 0, 255, 0},    {255, 0, 255, 0}, {0, 128, 0, 0},
                                       {200, 100, 100, 0}};
    EXPECT_EQ(matteOf(pixels, plugInModeRGBColor, 7),
              (std::vector<uint8_t>{0, 42, 85, 170, 212, 85, 0}));
}

TEST(MatteExtraction, GreyPixelsHaveNoHueAndReadEntryZero) {
    const std::vector<Pixel> pixels = {{0, 0, 0, 0}, {128, 128, 128, 5}, {255, 255, 255, 9}};
    EXPECT_EQ(matteOf(pixels, plugInModeRGBColor, 7, reversedTable()),
              (std::vector<uint8_t>{255, 255, 255}));
}

TEST(MatteExtraction, RgbSaturationInSinglePrecision) {
    // 255 * (1 - 128/255) is 126.99999 in single precision.
    const std::vector<Pixel> pixels = {
        {255, 0, 0, 0}, {0, 0, 0, 0}, {90, 90, 90, 0}, {255, 128, 128, 0}, {200, 100, 100, 0}};
    EXPECT_EQ(matteOf(pixels, plugInModeRGBColor, 8), (std::vector<uint8_t>{255, 0, 0, 126, 127}));
}

TEST(MatteExtraction, CmykChannels) {
    // 255 is no ink: an empty pixel is white, full black is 0.
    const std::vector<Pixel> pixels = {
        {255, 255, 255, 255}, {255, 255, 255, 0}, {0, 0, 0, 255}, {10, 20, 31, 200}};
    EXPECT_EQ(matteOf(pixels, plugInModeCMYKColor, 0), (std::vector<uint8_t>{255, 0, 0, 14}));
    EXPECT_EQ(matteOf(pixels, plugInModeCMYKColor, 1), (std::vector<uint8_t>{255, 255, 0, 25}));
    EXPECT_EQ(matteOf(pixels, plugInModeCMYKColor, 2), (std::vector<uint8_t>{255, 255, 0, 20}));
    EXPECT_EQ(matteOf(pixels, plugInModeCMYKColor, 3), (std::vector<uint8_t>{255, 255, 0, 15}));
    EXPECT_EQ(matteOf(pixels, plugInModeCMYKColor, 4), (std::vector<uint8_t>{255, 255, 0, 10}));
    EXPECT_EQ(matteOf(pixels, plugInModeCMYKColor, 5), (std::vector<uint8_t>{255, 255, 0, 20}));
    EXPECT_EQ(matteOf(pixels, plugInModeCMYKColor, 6), (std::vector<uint8_t>{255, 255, 0, 31}));
}

TEST(MatteExtraction, CmykHueAndSaturationAreEntryZeroEverywhere) {
    const std::vector<Pixel> pixels = {{0, 0, 0, 0}, {255, 10, 128, 3}, {255, 255, 255, 255}};
    for (int32_t channel : {7, 8}) {
        EXPECT_EQ(matteOf(pixels, plugInModeCMYKColor, channel, reversedTable()),
                  (std::vector<uint8_t>{255, 255, 255}));
    }
}

TEST(MatteExtraction, FollowsRowStridesAndLeavesPaddingAlone) {
    const int32_t width = 3;
    const int32_t height = 2;
    PixelView source(width, height, 4, 1, 4 * width + 5);
    PixelView matte(width, height, 1, 1, width + 2);
    std::memset(source.pixels, 0, static_cast<size_t>(source.rowBytes) * height);
    std::memset(matte.pixels, 0xAB, static_cast<size_t>(matte.rowBytes) * height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) source.at(x, y)[1] = static_cast<uint8_t>(10 * y + x);
    }
    const Table table = identityTable();
    extractMatte(source, plugInModeRGBColor, 2, table.entries, matte);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) EXPECT_EQ(*matte.at(x, y), 10 * y + x);
        EXPECT_EQ(matte.row(y)[width], 0xAB);
        EXPECT_EQ(matte.row(y)[width + 1], 0xAB);
    }
}

TEST(PixelMath, HalfSumOverAllPairs) {
    for (uint32_t a = 0; a < 256; ++a) {
        for (uint32_t b = 0; b < 256; ++b) {
            ASSERT_EQ(halfSum(static_cast<uint8_t>(a), static_cast<uint8_t>(b)), (a + b) / 2);
        }
    }
}

TEST(PixelMath, LowByteAndSaturatingTruncation) {
    EXPECT_EQ(lowByte(255), 255);
    EXPECT_EQ(lowByte(256), 0);
    EXPECT_EQ(lowByte(-1), 255);
    EXPECT_EQ(lowByte(std::numeric_limits<int32_t>::min()), 0);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(truncateToInt32(nan), 0);
    EXPECT_EQ(truncateToInt32(inf), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(truncateToInt32(-inf), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(truncateToInt32(1e30), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(truncateToInt32(-1e30), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(truncateToInt32(2147483646.9), 2147483646);
    EXPECT_EQ(truncateToInt32(-2147483647.9), -2147483647);
    for (int32_t i = -70000; i <= 70000; ++i) {
        ASSERT_EQ(truncateToInt32(i), i);
        ASSERT_EQ(truncateToInt32(i + 0.75), i >= 0 ? i : i + 1);
        ASSERT_EQ(truncateToInt32(static_cast<float>(i) - 0.25f), i > 0 ? i - 1 : i);
    }
}

}  // namespace
}  // namespace brivo
