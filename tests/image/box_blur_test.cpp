#include "image/box_blur.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#include "core/simd_dispatch.h"

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
    // Another image of the same shape holding the same bytes.
    Image copy() const {
        Image other(view.width, view.height, view.channels, view.bytesPerChannel,
                    view.rowBytes - view.width * view.channels * view.bytesPerChannel);
        std::copy(bytes.begin(), bytes.end(), other.bytes.begin());
        return other;
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

// Shapes at the vector kernels' seams: widths and heights around tile, block and band sizes,
// 1, 3 and 4 lanes, whole and fractional radii from 0.3 to beyond the line, and pass counts
// beyond what the kernels run together.
TEST(BoxBlurRandomTest, Avx2MatchesScalarAtTheSeams) {
    if (!cpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this machine";
    const int32_t sizes[] = {1, 2, 4, 7, 8, 9, 15, 16, 17, 31, 33, 63, 64, 65, 257, 300};
    const float radii[] = {0.3f,  1.0f,  1.5f,   2.0f,   2.7f,   10.0f, 10.5f,
                           17.3f, 60.0f, 100.0f, 128.4f, 257.0f, 300.0f};
    std::mt19937 random(4242);
    auto pick = [&](auto& list) { return list[random() % std::size(list)]; };
    for (int run = 0; run < 600; ++run) {
        const int32_t width = pick(sizes);
        const int32_t height = pick(sizes);
        const int32_t channels = run % 3 == 0 ? 1 : (run % 3 == 1 ? 4 : 3);
        const int32_t bytesPerChannel = run % 7 == 0 ? 2 : 1;
        const float radiusX = pick(radii);
        const float radiusY = pick(radii);
        const int32_t extraPasses = static_cast<int32_t>(random() % 6);
        const auto padding = static_cast<int32_t>(random() % 3);
        Image fast(width, height, channels, bytesPerChannel, padding);
        fillRandom(fast, random);
        Image reference(width, height, channels, bytesPerChannel, padding);
        reference.bytes = fast.bytes;
        BoxBlur blur;
        blur.setExtraPasses(extraPasses);
        blur.setRadius(radiusX, radiusY);
        blur.apply(fast.view, fast.view.region, avx2BoxBlurKernels());
        blur.apply(reference.view, reference.view.region, scalarBoxBlurKernels());
        ASSERT_EQ(fast.bytes, reference.bytes)
            << "run " << run << ": " << width << "x" << height << "x" << channels << " bpc "
            << bytesPerChannel << " radii " << radiusX << "," << radiusY << " passes "
            << extraPasses + 1;
    }
}

// Images as the renderer blurs them: long rows of four lanes, or one, in strips, with two
// passes each way; and a wide image whose box is too large for its column rings to be kept
// for the whole width at once.
TEST(BoxBlurRandomTest, Avx2MatchesScalarOnRenderSizedImages) {
    if (!cpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this machine";
    struct Case {
        int32_t width, height, channels, bytesPerChannel;
        float radiusX, radiusY;
        int32_t extraPasses;
    };
    const Case cases[] = {
        {1203, 283, 4, 1, 10.0f, 10.0f, 1},   {1203, 283, 4, 1, 7.3f, 12.6f, 1},
        {997, 601, 1, 1, 10.0f, 60.0f, 1},    {997, 601, 1, 1, 33.3f, 4.0f, 2},
        {1500, 300, 4, 1, 280.0f, 290.0f, 0}, {1500, 300, 4, 1, 281.5f, 201.5f, 3},
        {1203, 283, 4, 2, 10.5f, 10.0f, 1},   {997, 601, 1, 2, 33.3f, 4.0f, 2},
        {1500, 300, 4, 2, 281.5f, 201.5f, 3}, {1501, 299, 3, 2, 12.0f, 12.5f, 1}};
    std::mt19937 random(99);
    for (const Case& c : cases) {
        Image fast(c.width, c.height, c.channels, c.bytesPerChannel);
        fillRandom(fast, random);
        Image dispatched = fast.copy();
        Image reference = fast.copy();
        BoxBlur blur;
        blur.setExtraPasses(c.extraPasses);
        blur.setRadius(c.radiusX, c.radiusY);
        blur.apply(fast.view, fast.view.region, avx2BoxBlurKernels());
        blur.apply(dispatched.view, dispatched.view.region);
        blur.apply(reference.view, reference.view.region, scalarBoxBlurKernels());
        ASSERT_EQ(fast.bytes, reference.bytes)
            << c.width << "x" << c.height << "x" << c.channels << " bpc " << c.bytesPerChannel
            << " radii " << c.radiusX << "," << c.radiusY;
        ASSERT_EQ(dispatched.bytes, reference.bytes);
    }
}

// Every sum a whole window can hold, for whole boxes (whose quotient the vector passes take
// in 16-bit steps) and fractional ones: line y of an image 2r + 2 pixels wide has one whole
// window, at pixel r + 1, whose whole taps add up to y and whose outer taps are random.
TEST(BoxBlurRandomTest, Avx2MatchesScalarForEveryWholeWindowSum) {
    if (!cpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this machine";
    std::mt19937 random(5);
    for (int32_t r : {1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 30, 31, 64, 65, 100, 128, 129}) {
        for (float fraction : {0.0f, 0.6f}) {
            const int32_t width = 2 * r + 2;
            const int32_t taps = 2 * r - 1;
            const int32_t height = 255 * taps + 1;
            Image fast(width, height, 1, 1);
            for (int32_t y = 0; y < height; ++y) {
                for (int32_t x = 0; x < width; ++x) {
                    const int32_t tap = x - 2;  // whole taps are pixels 2 .. 2r
                    const int32_t value = tap < 0 || tap >= taps
                                              ? static_cast<int32_t>(random() % 256)
                                              : std::clamp(y - 255 * tap, 0, 255);
                    fast.setSample(x, y, 0, static_cast<uint32_t>(value));
                }
            }
            Image reference(width, height, 1, 1);
            reference.bytes = fast.bytes;
            BoxBlur blur;
            blur.setRadius(2.0f * static_cast<float>(r) - fraction, 0.0f);
            ASSERT_EQ(boxLine(blur.radiusX * 0.5f, width, false).r, r);
            blur.apply(fast.view, fast.view.region, avx2BoxBlurKernels());
            blur.apply(reference.view, reference.view.region, scalarBoxBlurKernels());
            for (int32_t y = 0; y < height; ++y) {
                ASSERT_EQ(fast.sample(r + 1, y, 0), reference.sample(r + 1, y, 0))
                    << "r " << r << " fraction " << fraction << " sum " << y;
            }
            ASSERT_EQ(fast.bytes, reference.bytes) << "r " << r << " fraction " << fraction;
        }
    }
}

// 16-bit samples drawn from the whole range, from its ends only, and near either end, on
// shapes around the vector blocks (16 samples) and tiles, with 1, 3 and 4 lanes, radii from
// 0 to beyond the line and up to six passes: the vector table and the dispatch against the
// scalar passes.
TEST(BoxBlurRandomTest, Avx2MatchesScalarOnSixteenBitSamples) {
    if (!cpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this machine";
    const int32_t sizes[] = {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 33, 65, 129, 200};
    std::mt19937 random(1616);
    auto pick = [&](int32_t lo, int32_t hi) {
        return std::uniform_int_distribution<int32_t>(lo, hi)(random);
    };
    for (int run = 0; run < 1500; ++run) {
        const int32_t width = sizes[random() % std::size(sizes)];
        const int32_t height = sizes[random() % std::size(sizes)];
        const int32_t channels = std::array<int32_t, 3>{1, 3, 4}[random() % 3];
        Image fast(width, height, channels, 2, pick(0, 1) * 2);
        const int kind = pick(0, 3);
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                for (int32_t c = 0; c < channels; ++c) {
                    const auto value = static_cast<uint32_t>(pick(0, 65535));
                    const uint32_t samples[] = {value, pick(0, 1) ? 65535u : 0u, 65535u - value % 8,
                                                value % 8};
                    fast.setSample(x, y, c, samples[kind]);
                }
            }
        }
        auto radius = [&] {
            switch (pick(0, 3)) {
                case 0:
                    return static_cast<float>(pick(0, 8));
                case 1:
                    return static_cast<float>(pick(1, 600)) / 7.0f;
                case 2:
                    return std::uniform_real_distribution<float>(0.0f, 3.0f)(random);
                default:
                    return static_cast<float>(pick(1, 1000));
            }
        };
        const float radiusX = radius();
        const float radiusY = radius();
        Image dispatched = fast.copy();
        Image reference = fast.copy();
        BoxBlur blur;
        blur.setExtraPasses(pick(0, 5));
        blur.setRadius(radiusX, radiusY);
        blur.apply(fast.view, fast.view.region, avx2BoxBlurKernels());
        blur.apply(dispatched.view, dispatched.view.region);
        blur.apply(reference.view, reference.view.region, scalarBoxBlurKernels());
        ASSERT_EQ(fast.bytes, reference.bytes)
            << "run " << run << ": " << width << "x" << height << "x" << channels << " radii "
            << radiusX << "," << radiusY << " passes " << blur.extraPasses + 1;
        ASSERT_EQ(dispatched.bytes, reference.bytes) << "run " << run;
    }
}

// Whole windows of 16-bit samples across the range of their sums, for small boxes, wide
// ones, and the widest whose sums the vector passes keep in 32 bits (r = 32769) and the
// first beyond it: line y of an image 2r + 2 pixels wide has one whole window, at pixel
// r + 1, whose whole taps add up to about y / (lines - 1) of full scale and whose outer
// taps are random. Every sample value also passes through a blur of an image holding each
// value once.
TEST(BoxBlurRandomTest, Avx2MatchesScalarAcrossSixteenBitWindowSums) {
    if (!cpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this machine";
    std::mt19937 random(65535);
    for (int32_t r : {1, 2, 3, 6, 100, 4095, 32769, 32770}) {
        for (float fraction : {0.0f, 0.6f, 0.999f}) {
            const int32_t width = 2 * r + 2;
            const int32_t taps = 2 * r - 1;
            const int32_t height = r > 1000 ? 24 : 513;
            Image fast(width, height, 1, 2);
            for (int32_t y = 0; y < height; ++y) {
                const double share = static_cast<double>(y) / (height - 1);
                const auto sum = static_cast<int64_t>(share * 65535.0 * taps);
                for (int32_t x = 0; x < width; ++x) {
                    const int32_t tap = x - 2;  // whole taps are pixels 2 .. 2r
                    const int64_t value =
                        tap < 0 || tap >= taps
                            ? static_cast<int64_t>(random() % 65536)
                            : std::clamp<int64_t>(sum - int64_t{65535} * tap, 0, 65535);
                    fast.setSample(x, y, 0, static_cast<uint32_t>(value));
                }
            }
            Image reference = fast.copy();
            BoxBlur blur;
            blur.setRadius(2.0f * static_cast<float>(r) - fraction, 0.0f);
            ASSERT_EQ(boxLine(blur.radiusX * 0.5f, width, true).r, r);
            blur.apply(fast.view, fast.view.region, avx2BoxBlurKernels());
            blur.apply(reference.view, reference.view.region, scalarBoxBlurKernels());
            ASSERT_EQ(fast.bytes, reference.bytes) << "r " << r << " fraction " << fraction;
        }
    }

    Image fast(256, 256, 1, 2);
    std::vector<uint32_t> values(65536);
    std::iota(values.begin(), values.end(), 0u);
    std::shuffle(values.begin(), values.end(), random);
    for (int32_t i = 0; i < 65536; ++i) fast.setSample(i % 256, i / 256, 0, values[i]);
    for (float radius : {2.0f, 3.5f, 21.0f, 40.3f}) {
        Image image = fast.copy();
        Image reference = fast.copy();
        BoxBlur blur;
        blur.setRadius(radius, radius);
        blur.apply(image.view, image.view.region, avx2BoxBlurKernels());
        blur.apply(reference.view, reference.view.region, scalarBoxBlurKernels());
        ASSERT_EQ(image.bytes, reference.bytes) << "radius " << radius;
    }
}

// Called with no more scratch than the table promises to need (bytesPerLinePixel per pixel of
// the line), the vector passes stay inside it, whatever the box and the number of passes.
TEST(BoxBlurRandomTest, Avx2PassesFitTheLeastScratch) {
    if (!cpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this machine";
    const BoxBlurKernels& fast = avx2BoxBlurKernels();
    std::mt19937 random(17);
    auto passOf = [](const BoxBlurKernels& table, bool columns, bool sixteen) {
        if (sixteen) return columns ? table.columns16 : table.rows16;
        return columns ? table.columns8 : table.rows8;
    };
    for (int32_t n : {4, 5, 9, 40, 301}) {
        for (int32_t lines : {1, 37, 300}) {
            for (int32_t lanes : {1, 4}) {
                for (bool columns : {false, true}) {
                    for (int32_t bytesPerChannel : {1, 2}) {
                        const bool sixteen = bytesPerChannel == 2;
                        const int32_t pixel = lanes * bytesPerChannel;
                        const int32_t width = columns ? lines : n;
                        const int32_t height = columns ? n : lines;
                        Image image(width, height, lanes, bytesPerChannel);
                        fillRandom(image, random);
                        Image reference(width, height, lanes, bytesPerChannel);
                        reference.bytes = image.bytes;
                        BoxPass pass;
                        pass.lines = lines;
                        pass.n = n;
                        pass.lineStep = columns ? pixel : image.view.rowBytes;
                        pass.pixelStep = columns ? image.view.rowBytes : pixel;
                        pass.lanes = lanes;
                        pass.line = boxLine(1e6f, n, sixteen);
                        pass.passes = 6;
                        // Exactly the promised bytes, so any overrun is outside the allocation.
                        std::vector<uint8_t> scratch(fast.bytesPerLinePixel * n);
                        pass.scratch = scratch.data();
                        pass.origin = image.view.pixels;
                        passOf(fast, columns, sixteen)(pass);
                        std::vector<uint8_t> referenceScratch(static_cast<size_t>(pixel) * n);
                        pass.scratch = referenceScratch.data();
                        pass.origin = reference.view.pixels;
                        passOf(scalarBoxBlurKernels(), columns, sixteen)(pass);
                        ASSERT_EQ(image.bytes, reference.bytes)
                            << "n " << n << " lines " << lines << " lanes " << lanes << " bpc "
                            << bytesPerChannel << (columns ? " columns" : " rows");
                    }
                }
            }
        }
    }
}

// A line too short to filter has r = 0 and zero weights: every table leaves it alone.
TEST(BoxBlurRandomTest, UnfilteredLinesAreLeftAlone) {
    std::vector<const BoxBlurKernels*> tables{&scalarBoxBlurKernels()};
    if (cpuHasAvx2()) tables.push_back(&avx2BoxBlurKernels());
    for (const BoxBlurKernels* table : tables) {
        for (int32_t lanes : {1, 4}) {
            Image image(40, 3, lanes, 1);
            std::iota(image.bytes.begin(), image.bytes.end(), uint8_t{0});
            const auto before = image.bytes;
            std::vector<uint8_t> scratch(table->bytesPerLinePixel * 64 + 64 * lanes);
            BoxPass pass;
            pass.origin = image.view.pixels;
            pass.lines = 3;
            pass.n = 40;
            pass.lineStep = image.view.rowBytes;
            pass.pixelStep = lanes;
            pass.lanes = lanes;
            pass.line = boxLine(0.0f, 40, false);
            pass.passes = 2;
            pass.scratch = scratch.data();
            table->rows8(pass);
            pass.lines = 40;
            pass.n = 3;
            pass.lineStep = lanes;
            pass.pixelStep = image.view.rowBytes;
            table->columns8(pass);
            EXPECT_EQ(image.bytes, before) << lanes;
        }
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
