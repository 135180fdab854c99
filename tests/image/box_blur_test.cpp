#include "image/box_blur.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "image/simd_dispatch.h"

namespace brivo {
namespace {

// A view over a vector of bytes, optionally with padding at the end of each row.
struct Image {
    Image(int32_t width, int32_t height, int32_t channels, int32_t bytesPerChannel,
          int32_t padding = 0)
        : bytes(static_cast<size_t>((width * channels * bytesPerChannel + padding) * height)) {
        view.setTo(width, height, channels, bytesPerChannel,
                   width * channels * bytesPerChannel + padding, bytes.data());
    }
    uint32_t sample(int32_t x, int32_t y, int32_t c) const {
        const uint8_t* p = view.at(x, y) + c * view.bytesPerChannel;
        if (view.bytesPerChannel == 1) return *p;
        uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    void setSample(int32_t x, int32_t y, int32_t c, uint32_t value) {
        uint8_t* p = view.at(x, y) + c * view.bytesPerChannel;
        if (view.bytesPerChannel == 1) {
            *p = static_cast<uint8_t>(value);
        } else {
            const uint16_t v = static_cast<uint16_t>(value);
            std::memcpy(p, &v, 2);
        }
    }
    std::vector<uint8_t> bytes;
    PixelView view;
};

// One line filtered straight from the definition: every output sums its own window.
std::vector<uint64_t> directLine(const std::vector<uint64_t>& in, const BoxLine& line) {
    const int32_t n = static_cast<int32_t>(in.size());
    const int32_t r = line.r;
    std::vector<uint64_t> out(in.size());
    for (int32_t i = 0; i < n; ++i) {
        uint64_t sum = 0;
        uint64_t weight = 0;
        for (int32_t j = std::max(0, i - r); j <= std::min(n - 1, i + r); ++j) {
            const uint64_t w = std::abs(j - i) == r ? line.partial : line.full;
            sum += w * in[j];
            weight += w;
        }
        const bool edge = i <= r || i >= n - r;
        out[i] = edge ? sum / weight : (sum * line.reciprocal + line.bias) >> line.shift;
    }
    return out;
}

// The whole blur of a region, line by line from the definition.
void directBlur(Image& image, const PixelRegion& region, float radiusX, float radiusY,
                int32_t passes) {
    const bool sixteen = image.view.bytesPerChannel != 1;
    const int32_t width = region.right - region.left;
    const int32_t height = region.bottom - region.top;
    const BoxLine rows = boxLine(radiusX * 0.5f, width, sixteen);
    const BoxLine columns = boxLine(radiusY * 0.5f, height, sixteen);
    for (int32_t c = 0; c < image.view.channels; ++c) {
        for (int32_t pass = 0; pass < passes && rows.r > 0; ++pass) {
            for (int32_t y = region.top; y < region.bottom; ++y) {
                std::vector<uint64_t> line(width);
                for (int32_t x = 0; x < width; ++x) line[x] = image.sample(region.left + x, y, c);
                const auto out = directLine(line, rows);
                for (int32_t x = 0; x < width; ++x) image.setSample(region.left + x, y, c, out[x]);
            }
        }
        for (int32_t pass = 0; pass < passes && columns.r > 0; ++pass) {
            for (int32_t x = region.left; x < region.right; ++x) {
                std::vector<uint64_t> line(height);
                for (int32_t y = 0; y < height; ++y) line[y] = image.sample(x, region.top + y, c);
                const auto out = directLine(line, columns);
                for (int32_t y = 0; y < height; ++y) image.setSample(x, region.top + y, c, out[y]);
            }
        }
    }
}

// Blurs a one-row 8-bit line and returns it.
std::vector<uint8_t> blurLine8(std::vector<uint8_t> line, float radius) {
    PixelView view(static_cast<int32_t>(line.size()), 1, 1, 1, 0, line.data());
    BoxBlur blur;
    blur.setRadius(radius, 0.0f);
    blur.apply(view, view.region);
    return line;
}

TEST(BoxLineTest, WeightsFollowTheHalfRadius) {
    const BoxLine r19 = boxLine(1.9f * 0.5f, 100, false);
    EXPECT_EQ(r19.r, 1);
    EXPECT_EQ(r19.partial, 243u);
    EXPECT_EQ(r19.window, 742u);

    const BoxLine r5 = boxLine(5.0f * 0.5f, 100, false);
    EXPECT_EQ(r5.r, 3);
    EXPECT_EQ(r5.partial, 128u);
    EXPECT_EQ(r5.window, 1536u);

    const BoxLine r10 = boxLine(10.0f * 0.5f, 100, false);  // 9 whole taps, no fraction
    EXPECT_EQ(r10.r, 5);
    EXPECT_EQ(r10.partial, 0u);
    EXPECT_EQ(r10.window, 9u * 256u);

    const BoxLine r102 = boxLine(10.2f * 0.5f, 100, true);  // 11 whole taps and 0.1 each side
    EXPECT_EQ(r102.r, 6);
    EXPECT_EQ(r102.full, 65536u);
    EXPECT_EQ(r102.partial, static_cast<uint32_t>((1.0f - (6.0f - 5.1f)) * 65536.0f));
    EXPECT_NEAR(r102.partial / 65536.0, 0.1, 1e-5);
}

TEST(BoxLineTest, RadiusIsLimitedByTheLineAndSaneForAnyInput) {
    EXPECT_EQ(boxLine(100.0f, 10, false).r, 4);
    EXPECT_EQ(boxLine(100.5f, 10, false).partial, 128u);  // the fraction survives the limit
    EXPECT_EQ(boxLine(std::numeric_limits<float>::infinity(), 10, false).r, 4);
    EXPECT_EQ(boxLine(std::numeric_limits<float>::infinity(), 10, false).partial, 0u);
    EXPECT_EQ(boxLine(3e38f, 1000, true).r, 499);
    EXPECT_EQ(boxLine(1.0f, 3, false).r, 0);  // too short to filter
    EXPECT_EQ(boxLine(0.0f, 100, false).r, 0);
    EXPECT_EQ(boxLine(-1.0f, 100, false).r, 0);
    EXPECT_EQ(boxLine(std::nanf(""), 100, false).r, 0);
    // An 8-bit window must stay below 2^23 so its reciprocal is not 0.
    const BoxLine wide8 = boxLine(5e4f, 40000, false);
    EXPECT_EQ(wide8.r, 16383);
    EXPECT_GE(wide8.reciprocal, 1u);
    EXPECT_EQ(boxLine(5e4f, 40000, true).r, 19999);
}

TEST(BoxBlurTest, FractionalAndWholeBoxesOnImpulses) {
    std::vector<uint8_t> impulse(9, 0);
    impulse[4] = 100;
    // Radius 1.9: taps 243/742, 256/742, 243/742.
    EXPECT_EQ(blurLine8(impulse, 1.9f), (std::vector<uint8_t>{0, 0, 0, 32, 34, 32, 0, 0, 0}));
    // Radius 1: taps 1/4, 1/2, 1/4. Radius 2: unchanged.
    EXPECT_EQ(blurLine8(impulse, 1.0f), (std::vector<uint8_t>{0, 0, 0, 25, 50, 25, 0, 0, 0}));
    EXPECT_EQ(blurLine8(impulse, 2.0f), impulse);

    std::vector<uint8_t> wide(31, 0);
    wide[15] = 255;
    const auto nine = blurLine8(wide, 10.0f);  // taps at offsets -4 .. 4 only
    for (int i = 0; i < 31; ++i) EXPECT_EQ(nine[i] != 0, std::abs(i - 15) <= 4) << i;
    const auto eleven = blurLine8(wide, 10.2f);  // 11 whole taps and a tenth at +-6
    for (int i = 0; i < 31; ++i) EXPECT_EQ(eleven[i] != 0, std::abs(i - 15) <= 6) << i;
    EXPECT_EQ(eleven[15 + 6], 255 * 25 / (256 * 11 + 50));
}

TEST(BoxBlurTest, EdgesAverageOnlyPixelsInsideTheLine) {
    std::vector<uint8_t> line{10, 20, 30, 40, 50, 60, 70, 80, 90, 100};
    const auto out = blurLine8(line, 5.0f);  // r = 3, a = 128
    EXPECT_EQ(out[0], (256 * (10 + 20 + 30) + 128 * 40) / 896);
    EXPECT_EQ(out[9], (256 * (100 + 90 + 80) + 128 * 70) / 896);
}

TEST(BoxBlurTest, FullScaleStaysFullScaleEverywhere) {
    for (float radius : {1.0f, 1.9f, 5.0f, 10.2f, 61.7f, 1e6f}) {
        for (int32_t bpc : {1, 2}) {
            Image image(57, 33, 4, bpc);
            std::memset(image.bytes.data(), 0xFF, image.bytes.size());
            BoxBlur blur;
            blur.setExtraPasses(1);
            blur.setRadius(radius, radius);
            blur.apply(image.view, image.view.region);
            for (uint8_t b : image.bytes) ASSERT_EQ(b, 0xFF) << radius << " " << bpc;
        }
    }
}

TEST(BoxBlurTest, HugeRadiusOnLongLineIsCappedNotWhite) {
    std::vector<uint8_t> zeros(40000, 0);
    for (uint8_t v : blurLine8(zeros, 1e5f)) ASSERT_EQ(v, 0);
    std::vector<uint8_t> full(40000, 255);
    for (uint8_t v : blurLine8(full, 1e5f)) ASSERT_EQ(v, 255);
    std::vector<uint8_t> half(40000, 0);
    std::fill(half.begin() + 20000, half.end(), 200);
    const auto out = blurLine8(half, 1e5f);
    EXPECT_LT(out[16384], 200);  // the first whole window straddles the step
    EXPECT_GT(out[16384], 0);
}

TEST(BoxBlurTest, ShortLinesAndOddRadiiLeaveTheImageAlone) {
    std::mt19937 random(7);
    for (float radius : {0.0f, -3.0f, std::nanf(""), 2.0f}) {
        Image image(12, 9, 1, 1);
        for (auto& b : image.bytes) b = static_cast<uint8_t>(random());
        const auto before = image.bytes;
        BoxBlur blur;
        blur.setRadius(radius, radius);
        blur.apply(image.view, image.view.region);
        EXPECT_EQ(image.bytes, before) << radius;
    }
    Image narrow(3, 3, 4, 2);
    for (auto& b : narrow.bytes) b = static_cast<uint8_t>(random());
    const auto before = narrow.bytes;
    BoxBlur blur;
    blur.setRadius(9.0f, 9.0f);
    blur.apply(narrow.view, narrow.view.region);
    EXPECT_EQ(narrow.bytes, before);
}

TEST(BoxBlurTest, OnlyTheRegionIsTouched) {
    Image image(20, 16, 4, 1, 3);
    std::mt19937 random(11);
    for (auto& b : image.bytes) b = static_cast<uint8_t>(random());
    Image expected(20, 16, 4, 1, 3);
    expected.bytes = image.bytes;
    const PixelRegion region{3, 5, 13, 17};
    BoxBlur blur;
    blur.setRadius(4.5f, 3.3f);
    blur.apply(image.view, region);
    directBlur(expected, region, 4.5f, 3.3f, 1);
    EXPECT_EQ(image.bytes, expected.bytes);
}

TEST(BoxBlurTest, PassesCompoundLikeRepeatedApplications) {
    Image twice(40, 7, 1, 2);
    std::mt19937 random(3);
    for (auto& b : twice.bytes) b = static_cast<uint8_t>(random());
    Image once(40, 7, 1, 2);
    once.bytes = twice.bytes;
    BoxBlur blur;
    blur.setRadius(7.3f, 0.0f);
    blur.apply(once.view, once.view.region);
    blur.apply(once.view, once.view.region);
    blur.setExtraPasses(1);
    blur.apply(twice.view, twice.view.region);
    EXPECT_EQ(once.bytes, twice.bytes);
}

TEST(BoxBlurTest, ThreeChannelsAreFilteredAsThree) {
    Image rgb(25, 14, 3, 1);
    std::mt19937 random(5);
    for (auto& b : rgb.bytes) b = static_cast<uint8_t>(random());
    Image expected(25, 14, 3, 1);
    expected.bytes = rgb.bytes;
    BoxBlur blur;
    blur.setRadius(3.7f, 5.0f);
    blur.apply(rgb.view, rgb.view.region);
    directBlur(expected, expected.view.region, 3.7f, 5.0f, 1);
    EXPECT_EQ(rgb.bytes, expected.bytes);
}

TEST(BoxBlurTest, SettersAndScratch) {
    BoxBlur blur;
    EXPECT_TRUE(blur.setRadius(1.0f, 0.0f));
    EXPECT_FALSE(blur.setRadius(1.0f, 0.0f));
    EXPECT_TRUE(blur.setRadius(1.0f, 2.0f));
    blur.ensureScratch(100);
    const uint8_t* first = blur.scratch.get();
    blur.ensureScratch(50);
    EXPECT_EQ(blur.scratch.get(), first);
    EXPECT_EQ(blur.scratchBytes, 100u);
    blur.ensureScratch(200);
    EXPECT_EQ(blur.scratchBytes, 200u);
}

// Random images, regions, radii and layouts: the scalar passes against the definition,
// and every other kernel table against the scalar one, byte for byte.
struct RandomCase {
    int32_t width, height, channels, bytesPerChannel, padding;
    PixelRegion region;
    float radiusX, radiusY;
    int32_t extraPasses;
};

RandomCase randomCase(std::mt19937& random, int32_t maxSize) {
    auto pick = [&](int32_t lo, int32_t hi) {
        return std::uniform_int_distribution<int32_t>(lo, hi)(random);
    };
    RandomCase c;
    const bool tiny = pick(0, 3) == 0;
    c.width = tiny ? pick(1, 6) : pick(1, maxSize);
    c.height = tiny ? pick(1, 6) : pick(1, maxSize);
    c.channels = pick(0, 1) ? 4 : 1;
    c.bytesPerChannel = pick(0, 2) == 0 ? 2 : 1;
    c.padding = pick(0, 1) ? 0 : pick(1, 13);
    c.region.top = pick(0, c.height - 1) * pick(0, 1);
    c.region.left = pick(0, c.width - 1) * pick(0, 1);
    c.region.bottom = pick(c.region.top + 1, c.height);
    c.region.right = pick(c.region.left + 1, c.width);
    auto radius = [&] {
        switch (pick(0, 4)) {
            case 0:
                return 0.0f;
            case 1:
                return static_cast<float>(pick(1, 12));
            case 2:
                return static_cast<float>(pick(1, 400)) / 7.0f;
            case 3:
                return std::uniform_real_distribution<float>(0.0f, 4.0f)(random);
            default:
                return static_cast<float>(pick(1, 3 * maxSize));
        }
    };
    c.radiusX = radius();
    c.radiusY = radius();
    c.extraPasses = pick(0, 2);
    return c;
}

void fillRandom(Image& image, std::mt19937& random) {
    const int kind = static_cast<int>(random() % 3);
    for (size_t i = 0; i < image.bytes.size(); ++i) {
        // Mostly noise; sometimes near full scale to exercise the biased reciprocal.
        image.bytes[i] = kind == 0 ? static_cast<uint8_t>(random())
                                   : static_cast<uint8_t>(255 - random() % (kind == 1 ? 4 : 64));
    }
}

TEST(BoxBlurRandomTest, ScalarMatchesTheDefinition) {
    std::mt19937 random(20240601);
    for (int run = 0; run < 300; ++run) {
        const RandomCase c = randomCase(random, 40);
        Image image(c.width, c.height, c.channels, c.bytesPerChannel, c.padding);
        fillRandom(image, random);
        Image expected(c.width, c.height, c.channels, c.bytesPerChannel, c.padding);
        expected.bytes = image.bytes;
        BoxBlur blur;
        blur.setExtraPasses(c.extraPasses);
        blur.setRadius(c.radiusX, c.radiusY);
        blur.apply(image.view, c.region, scalarBoxBlurKernels());
        directBlur(expected, c.region, c.radiusX, c.radiusY, c.extraPasses + 1);
        ASSERT_EQ(image.bytes, expected.bytes) << "run " << run;
    }
}

#if defined(__x86_64__) || defined(__i386__)
TEST(BoxBlurRandomTest, Avx2MatchesScalar) {
    if (!cpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this machine";
    std::mt19937 random(977);
    for (int run = 0; run < 4000; ++run) {
        const RandomCase c = randomCase(random, run % 10 == 0 ? 300 : 70);
        Image fast(c.width, c.height, c.channels, c.bytesPerChannel, c.padding);
        fillRandom(fast, random);
        Image reference(c.width, c.height, c.channels, c.bytesPerChannel, c.padding);
        reference.bytes = fast.bytes;
        BoxBlur blur;  // one object for both, so a stale scratch cannot hide anything
        blur.setExtraPasses(c.extraPasses);
        blur.setRadius(c.radiusX, c.radiusY);
        blur.apply(fast.view, c.region, avx2BoxBlurKernels());
        blur.apply(reference.view, c.region, scalarBoxBlurKernels());
        ASSERT_EQ(fast.bytes, reference.bytes)
            << "run " << run << ": " << c.width << "x" << c.height << "x" << c.channels << " bpc "
            << c.bytesPerChannel << " radii " << c.radiusX << "," << c.radiusY;
    }
}

TEST(BoxBlurRandomTest, EnvironmentForcesTheScalarTable) {
    ::setenv("BRIVO_NO_SIMD", "1", 1);
    EXPECT_EQ(&boxBlurKernels(), &scalarBoxBlurKernels());
    ::unsetenv("BRIVO_NO_SIMD");
    if (cpuHasAvx2()) {
        EXPECT_EQ(&boxBlurKernels(), &avx2BoxBlurKernels());
    }
}
#endif

}  // namespace
}  // namespace brivo
