#include "host/runtime/channel_ports.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "host/runtime/call_binding.h"

namespace brivo::host {
namespace {

// A 4 x 3 document of two channels: sample (x, y) of channel c is 100 * c + 10 * y + x.
class ChannelPortsTest : public ::testing::Test {
  protected:
    ChannelPortsTest() {
        for (int c = 0; c < 2; ++c)
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 4; ++x)
                    planes[c].push_back(static_cast<uint8_t>(100 * c + 10 * y + x));
        ports.attach(4, 3, {planes[0], planes[1]});
    }

    static PixelMemoryDesc tight(std::vector<uint8_t>& pixels, int32_t width) {
        return {pixels.data(), width * 8, 8, 0, 8};
    }

    PlaneSamples planes[2];
    ChannelPorts ports;
};

TEST_F(ChannelPortsTest, ReadsARectangleIntoATightPlane) {
    std::vector<uint8_t> out(4, 0);
    VRect rect{1, 2, 3, 4};
    PixelMemoryDesc desc = tight(out, 2);
    EXPECT_EQ(ports.read(ports.port(1), 0, &rect, &desc), kSPNoError);
    EXPECT_EQ(out, (std::vector<uint8_t>{112, 113, 122, 123}));
    EXPECT_EQ(rect.bottom, 3);  // the rectangle read is the one asked for
    EXPECT_EQ(ports.reads(), 1);
}

TEST_F(ChannelPortsTest, ReadsIntoOnePlaneOfInterleavedPixels) {
    // Two planes of 4 bytes per pixel, the second plane at a byte offset of 1.
    std::vector<uint8_t> out(2 * 2 * 4, 0xEE);
    VRect rect{0, 0, 2, 2};
    PixelMemoryDesc desc{out.data(), 2 * 32, 32, 8, 8};
    ASSERT_EQ(ports.read(ports.port(0), 0, &rect, &desc), kSPNoError);
    EXPECT_EQ(out, (std::vector<uint8_t>{0xEE, 0, 0xEE, 0xEE, 0xEE, 1, 0xEE, 0xEE, 0xEE, 10, 0xEE,
                                         0xEE, 0xEE, 11, 0xEE, 0xEE}));
}

TEST(ChannelPortsInterleaved, RowsOfAnyLengthMoveOneSampleOfEachPixel) {
    // Wide rows take the vector path, short ones and the ends of rows the plain one; the
    // pixel buffer ends at the last sample so that a read or write past it is caught.
    for (int32_t width : {1, 15, 16, 17, 33, 67, 100}) {
        const int32_t height = 3;
        PlaneSamples plane(static_cast<size_t>(width) * height);
        for (size_t i = 0; i < plane.size(); ++i) plane[i] = static_cast<uint8_t>(i * 7 + 1);
        ChannelPorts ports;
        ports.attach(width, height, {plane});
        for (int32_t offset = 0; offset < 4; ++offset) {
            const size_t bytes = static_cast<size_t>(width) * height * 4 - (3 - offset);
            std::vector<uint8_t> pixels(bytes, 0xAB);
            VRect rect{0, 0, height, width};
            PixelMemoryDesc desc{pixels.data(), width * 32, 32, offset * 8, 8};
            ASSERT_EQ(ports.read(ports.port(0), 0, &rect, &desc), kSPNoError);
            for (size_t i = 0; i < bytes; ++i) {
                const bool sample = i % 4 == static_cast<size_t>(offset);
                ASSERT_EQ(pixels[i], sample ? plane[i / 4] : 0xAB) << width << " " << i;
            }
            // Written back changed, the samples arrive and nothing else does.
            for (size_t i = static_cast<size_t>(offset); i < bytes; i += 4) pixels[i] ^= 0x5A;
            ASSERT_EQ(ports.write(ports.port(0), &rect, &desc), kSPNoError);
            const PlaneSamples result = ports.takeResult(0);
            for (size_t i = 0; i < plane.size(); ++i)
                ASSERT_EQ(result[i], plane[i] ^ 0x5A) << width << " " << i;
        }
    }
}

TEST(ChannelPortsShared, LargeReadsAndWritesGiveTheSameBytesOnAnyNumberOfThreads) {
    // Large enough to be split among threads: every row must still land where it belongs.
    const int32_t width = 1031;
    const int32_t height = 700;
    PlaneSamples plane(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < plane.size(); ++i) plane[i] = static_cast<uint8_t>(i * 31 + i / 997);
    const VRect rect{3, 2, height - 1, width - 5};
    const int32_t columns = rect.right - rect.left;
    const int32_t rows = rect.bottom - rect.top;
    const auto roundTrip = [&](const char* threads) {
        setenv("BRIVO_THREADS", threads, 1);
        ChannelPorts ports;
        unsetenv("BRIVO_THREADS");
        ports.attach(width, height, {plane});
        std::vector<uint8_t> pixels(static_cast<size_t>(columns) * rows * 4, 0xA5);
        PixelMemoryDesc desc{pixels.data(), columns * 32, 32, 8, 8};
        VRect area = rect;
        EXPECT_EQ(ports.read(ports.port(0), 0, &area, &desc), kSPNoError);
        for (size_t i = 1; i < pixels.size(); i += 4) pixels[i] = static_cast<uint8_t>(~pixels[i]);
        EXPECT_EQ(ports.write(ports.port(0), &rect, &desc), kSPNoError);
        return std::make_pair(pixels, ports.takeResult(0));
    };
    const auto one = roundTrip("1");
    for (const char* threads : {"2", "5"}) {
        const auto shared = roundTrip(threads);
        EXPECT_EQ(shared.first, one.first) << threads << " threads";
        EXPECT_EQ(shared.second, one.second) << threads << " threads";
    }
    // The written rectangle is inverted, the rest is the attached samples.
    const PlaneSamples& result = one.second;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            const bool inside =
                y >= rect.top && y < rect.bottom && x >= rect.left && x < rect.right;
            ASSERT_EQ(result[i], inside ? static_cast<uint8_t>(~plane[i]) : plane[i])
                << x << "," << y;
        }
    }
}

TEST_F(ChannelPortsTest, RefusesBadRequestsWithoutTouchingMemory) {
    std::vector<uint8_t> out(32, 7);
    PixelMemoryDesc good = tight(out, 4);
    const VRect outside[] = {{0, 0, 4, 4}, {0, 0, 3, 5}, {-1, 0, 1, 1}, {2, 0, 1, 1}, {0, 3, 1, 2}};
    for (VRect rect : outside) {
        EXPECT_EQ(ports.read(ports.port(0), 0, &rect, &good), kSPBadParameterError);
        EXPECT_EQ(ports.write(ports.port(0), &rect, &good), kSPBadParameterError);
    }
    VRect rect{0, 0, 1, 1};
    const PixelMemoryDesc sixteen{out.data(), 64, 16, 0, 16};
    const PixelMemoryDesc noData{nullptr, 32, 8, 0, 8};
    const PixelMemoryDesc partialByte{out.data(), 32, 4, 0, 8};
    const PixelMemoryDesc* none = nullptr;
    for (const PixelMemoryDesc* desc : {&sixteen, &noData, &partialByte, none})
        EXPECT_EQ(ports.read(ports.port(0), 0, &rect, desc), kSPBadParameterError);
    int notAPort = 0;
    EXPECT_EQ(ports.read(reinterpret_cast<PIChannelPort>(&notAPort), 0, &rect, &good),
              kSPBadParameterError);
    EXPECT_EQ(ports.read(nullptr, 0, &rect, &good), kSPBadParameterError);
    EXPECT_EQ(ports.read(ports.port(0), 1, &rect, &good), kSPBadParameterError);
    EXPECT_EQ(ports.read(ports.port(0), 0, nullptr, &good), kSPBadParameterError);
    EXPECT_EQ(out, std::vector<uint8_t>(32, 7));
    EXPECT_FALSE(ports.written(0));
}

TEST_F(ChannelPortsTest, WritesGoToTheResultWhileReadsSeeTheOriginal) {
    std::vector<uint8_t> strip{1, 2, 3, 4};
    VRect rect{1, 1, 2, 3};
    PixelMemoryDesc source{strip.data(), 32, 16, 0, 8};  // every other sample: 1 and 3
    ASSERT_EQ(ports.write(ports.port(0), &rect, &source), kSPNoError);
    EXPECT_TRUE(ports.written(0));
    EXPECT_FALSE(ports.written(1));

    std::vector<uint8_t> out(2);
    PixelMemoryDesc desc = tight(out, 2);
    ASSERT_EQ(ports.read(ports.port(0), 0, &rect, &desc), kSPNoError);
    EXPECT_EQ(out, (std::vector<uint8_t>{11, 12}));

    PlaneSamples expected = planes[0];
    expected[5] = 1;
    expected[6] = 3;
    EXPECT_EQ(ports.takeResult(0), expected);
    EXPECT_EQ(ports.takeResult(1), planes[1]);  // unwritten: the original samples
    EXPECT_EQ(planes[0][5], 11);                // the attached samples never change
    EXPECT_EQ(ports.writes(), 1);
}

// Whole-row writes are taken without copying the attached rows first; rows written in
// part, and rows never written, must still hold the attached samples around the writes,
// also when the result's block is a reused one that held other bytes.
TEST(ChannelPortsResult, KeepsEveryAttachedSampleNoWriteReplaced) {
    const int32_t width = 1500;
    const int32_t height = 700;  // planes of a megabyte: large blocks, kept for reuse
    PlaneSamples plane(static_cast<size_t>(width) * height);
    for (int round = 0; round < 2; ++round) {
        // Each round's samples differ from the last round's, which its result may reuse.
        for (size_t i = 0; i < plane.size(); ++i)
            plane[i] = static_cast<uint8_t>((i + 97 * round) % 249 + 1);
        ChannelPorts ports;
        ports.attach(width, height, {plane});
        PlaneSamples expected = plane;
        const auto writeRect = [&](const VRect& rect, uint8_t value) {
            const int32_t columns = rect.right - rect.left;
            // At least one byte, so that an empty rectangle still comes with pixels.
            std::vector<uint8_t> strip(
                std::max<size_t>(static_cast<size_t>(columns) * (rect.bottom - rect.top), 1),
                value);
            PixelMemoryDesc source{strip.data(), columns * 8, 8, 0, 8};
            VRect asked = rect;
            ASSERT_EQ(ports.write(ports.port(0), &asked, &source), kSPNoError);
            for (int32_t y = rect.top; y < rect.bottom; ++y)
                for (int32_t x = rect.left; x < rect.right; ++x)
                    expected[static_cast<size_t>(y) * width + static_cast<size_t>(x)] = value;
        };
        writeRect(VRect{300, 0, 556, width}, 0);     // whole rows first
        writeRect(VRect{10, 100, 40, 900}, 0);       // part of rows
        writeRect(VRect{20, 0, 30, width}, 0);       // whole rows over part-written ones
        writeRect(VRect{550, 1499, 600, width}, 0);  // the last column, across a whole-row strip
        writeRect(VRect{699, 0, 700, width}, 0);     // the last row
        writeRect(VRect{650, 0, 650, width}, 0);     // no rows at all
        const PlaneSamples result = ports.takeResult(0);
        ASSERT_EQ(result.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(result[i], expected[i]) << "round " << round << " sample " << i;
    }
}

TEST_F(ChannelPortsTest, ProceduresServeTheBoundPortsOnly) {
    std::vector<uint8_t> out(1);
    VRect rect{0, 0, 1, 1};
    PixelMemoryDesc desc = tight(out, 1);
    const PSChannelPortsSuite2& table = *ports.table();
    EXPECT_EQ(table.ReadPixelsFromLevel(ports.port(0), 0, &rect, &desc), kSPBadParameterError);
    CallBinding<ChannelPorts> binding(ports);
    EXPECT_EQ(table.ReadPixelsFromLevel(ports.port(1), 0, &rect, &desc), kSPNoError);
    EXPECT_EQ(out[0], 100);
}

TEST(ChannelPortsAttach, RefusesChannelsOfTheWrongSize) {
    ChannelPorts ports;
    std::vector<uint8_t> short_(5);
    EXPECT_THROW(ports.attach(2, 3, {short_}), std::invalid_argument);
    EXPECT_EQ(ports.channelCount(), 0);
}

class ScaledReadTest : public ::testing::Test {
  protected:
    // Resamples `source` (width x height) from sourceRect to a width x height of `to`.
    std::vector<uint8_t> scale(std::vector<uint8_t> source, int32_t width, int32_t height,
                               VRect sourceRect, int32_t toWidth, int32_t toHeight) {
        ports.attach(width, height, {source});
        std::vector<uint8_t> out(static_cast<size_t>(toWidth * toHeight), 0xAA);
        PixelMemoryDesc desc{out.data(), toWidth * 8, 8, 0, 8};
        // The destination's position does not matter, only its size.
        PSScaling scaling{sourceRect, {5, 7, 5 + toHeight, 7 + toWidth}};
        EXPECT_EQ(ports.readScaled(ports.port(0), &sourceRect, &scaling, &desc), kSPNoError);
        return out;
    }
    ChannelPorts ports;
};

TEST_F(ScaledReadTest, SameSizeIsACopy) {
    std::vector<uint8_t> source(6 * 4);
    std::iota(source.begin(), source.end(), 0);
    EXPECT_EQ(scale(source, 6, 4, {1, 2, 3, 5}, 3, 2),
              (std::vector<uint8_t>{8, 9, 10, 14, 15, 16}));
}

TEST_F(ScaledReadTest, HalvingAveragesBlocksWithRounding) {
    const std::vector<uint8_t> source{0, 2, 10, 20, 1, 2, 30, 41, 255, 255, 0, 0, 255, 254, 0, 1};
    EXPECT_EQ(scale(source, 4, 4, {0, 0, 4, 4}, 2, 2), (std::vector<uint8_t>{1, 25, 255, 0}));
}

TEST_F(ScaledReadTest, UnevenRatiosWeighPartlyCoveredSamples) {
    // Three samples onto two: each output covers one and a half inputs.
    EXPECT_EQ(scale({0, 90, 180}, 3, 1, {0, 0, 1, 3}, 2, 1), (std::vector<uint8_t>{30, 150}));
}

TEST_F(ScaledReadTest, EnlargingRepeatsSamples) {
    EXPECT_EQ(scale({10, 20}, 2, 1, {0, 0, 1, 2}, 4, 2),
              (std::vector<uint8_t>{10, 10, 20, 20, 10, 10, 20, 20}));
}

TEST_F(ScaledReadTest, RefusesEmptyOrOutsideSourcesAndNegativeDestinations) {
    std::vector<uint8_t> source(4, 1);
    ports.attach(2, 2, {source});
    std::vector<uint8_t> out(4, 9);
    PixelMemoryDesc desc{out.data(), 16, 8, 0, 8};
    VRect empty{0, 0, 0, 2};
    VRect outside{0, 0, 3, 2};
    VRect whole{0, 0, 2, 2};
    PSScaling scaling{whole, {0, 0, 2, 2}};
    EXPECT_EQ(ports.readScaled(ports.port(0), &empty, &scaling, &desc), kSPBadParameterError);
    EXPECT_EQ(ports.readScaled(ports.port(0), &outside, &scaling, &desc), kSPBadParameterError);
    EXPECT_EQ(ports.readScaled(ports.port(0), &whole, nullptr, &desc), kSPBadParameterError);
    PSScaling backwards{whole, {2, 2, 0, 0}};
    EXPECT_EQ(ports.readScaled(ports.port(0), &whole, &backwards, &desc), kSPBadParameterError);
    PSScaling nothing{whole, {1, 1, 1, 1}};
    EXPECT_EQ(ports.readScaled(ports.port(0), &whole, &nothing, &desc), kSPNoError);
    EXPECT_EQ(out, std::vector<uint8_t>(4, 9));
    EXPECT_EQ(ports.scaledReads(), 5);
}

}  // namespace
}  // namespace brivo::host
