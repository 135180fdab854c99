#include "image/image_scaler.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "core/simd_dispatch.h"
#include "image/scale_weights.h"

namespace brivo::fx {
namespace {

// ---- Helpers ------------------------------------------------------------------------------

struct Table {
    int32_t i0;
    std::vector<int32_t> weights;
};

// The table of the destination pixel at source position c, axis scale s, n source pixels.
Table weightTable(const char* filter, double s, int32_t n, double c, bool trim = true) {
    const ResampleFilter& f = *findFilter(filter);
    const AxisFilterParams axis = axisFilterParams(s, f);
    const int32_t capacity = weightTableCapacity(axis, n);
    std::vector<int32_t> room(static_cast<size_t>(capacity));
    const WeightTable t = buildWeightTable(c, f, axis, n, trim, room.data(), capacity);
    return {t.i0, std::vector<int32_t>(room.begin(), room.begin() + (t.i1 - t.i0))};
}

// padding is in samples, so that 16-bit rows stay aligned.
PixelView makeView(int32_t width, int32_t height, int32_t channels, int32_t bytesPerChannel,
                   int32_t padding = 0) {
    return PixelView(width, height, channels, bytesPerChannel,
                     (width * channels + padding) * bytesPerChannel);
}

void fillRandom(PixelView& view, std::mt19937& random, bool hostRange) {
    const size_t bytes = static_cast<size_t>(view.rowBytes) * view.height;
    for (size_t i = 0; i < bytes; ++i) view.pixels[i] = static_cast<uint8_t>(random());
    if (view.bytesPerChannel == 2 && hostRange) {
        for (int32_t y = 0; y < view.height; ++y) {
            uint16_t* row = view.row16(y);
            for (int32_t i = 0; i < view.width * view.channels; ++i) row[i] %= 32769;
        }
    }
}

void fillSamples(PixelView& view, uint16_t value) {
    for (int32_t y = 0; y < view.height; ++y) {
        for (int32_t i = 0; i < view.width * view.channels; ++i) {
            if (view.bytesPerChannel == 1)
                view.row(y)[i] = static_cast<uint8_t>(value);
            else
                view.row16(y)[i] = value;
        }
    }
}

uint32_t sample(const PixelView& view, int32_t x, int32_t y, int32_t c = 0) {
    const int32_t i = x * view.channels + c;
    return view.bytesPerChannel == 1 ? view.row(y)[i] : view.row16(y)[i];
}

std::vector<uint8_t> bytesOf(const PixelView& view) {
    return std::vector<uint8_t>(view.pixels,
                                view.pixels + static_cast<size_t>(view.rowBytes) * view.height);
}

VRect whole(const PixelView& v) {
    return VRect{0, 0, v.height, v.width};
}

// ---- Weight tables ------------------------------------------------------------------------

TEST(ScaleWeightsTest, ReductionByTwoWithTriangle) {
    const AxisFilterParams axis = axisFilterParams(0.5, *findFilter("triangle"));
    EXPECT_EQ(axis.scale, 2.0);
    EXPECT_EQ(axis.support, 2.0);
    EXPECT_EQ(axis.width, 4);

    // The edge tables are cut at the window and renormalised; one unit comes off tap 1.
    Table t = weightTable("triangle", 0.5, 100, 1.0);
    EXPECT_EQ(t.i0, 0);
    EXPECT_EQ(t.weights, (std::vector<int32_t>{7022, 7021, 2341}));
    t = weightTable("triangle", 0.5, 100, 3.0);
    EXPECT_EQ(t.i0, 1);
    EXPECT_EQ(t.weights, (std::vector<int32_t>{2048, 6144, 6144, 2048}));
    t = weightTable("triangle", 0.5, 100, 99.0);
    EXPECT_EQ(t.i0, 97);
    EXPECT_EQ(t.weights, (std::vector<int32_t>{2341, 7022, 7021}));
}

TEST(ScaleWeightsTest, EnlargementWithCubic) {
    Table t = weightTable("cubic", 2.0, 50, 0.25);
    EXPECT_EQ(t.i0, 0);
    EXPECT_EQ(t.weights, (std::vector<int32_t>{14696, 1688}));
    t = weightTable("cubic", 2.0, 50, 0.75);
    EXPECT_EQ(t.i0, 0);
    EXPECT_EQ(t.weights, (std::vector<int32_t>{10785, 5553, 46}));
    // One source pixel enlarged to three: every table is that pixel at full weight.
    for (int b = 0; b < 3; ++b) {
        t = weightTable("cubic", 3.0, 1, (b + 0.5) / 3.0);
        EXPECT_EQ(t.i0, 0);
        EXPECT_EQ(t.weights, (std::vector<int32_t>{16384}));
    }
}

TEST(ScaleWeightsTest, TablesWithoutWeightFallBackToOneTap) {
    // "bessel" is zero everywhere: the tap at the centre of the range takes all.
    Table t = weightTable("bessel", 1.0, 20, 10.5, false);
    EXPECT_EQ(t.i0, (7 + 14) >> 1);
    EXPECT_EQ(t.weights, (std::vector<int32_t>{16384}));
    // A position far outside the axis: the empty range becomes one tap inside it.
    t = weightTable("triangle", 1.0, 20, 500.0);
    EXPECT_EQ(t.i0, 19);
    EXPECT_EQ(t.weights, (std::vector<int32_t>{16384}));
    t = weightTable("cubic", 1.0, 20, -500.0, false);
    EXPECT_EQ(t.i0, 0);
    EXPECT_EQ(t.weights, (std::vector<int32_t>{16384}));
    t = weightTable("cubic", 1.0, 20, std::nan(""), false);
    EXPECT_EQ(t.weights.size(), 1u);
}

TEST(ScaleWeightsTest, EveryTableSumsToTheUnitInsideTheAxis) {
    std::mt19937 random(7);
    const char* names[] = {"point",   "box",      "triangle", "quadratic", "cubic",
                           "catrom",  "mitchell", "gaussian", "sinc",      "bessel",
                           "hanning", "hamming",  "blackman", "kaiser"};
    for (int i = 0; i < 4000; ++i) {
        const char* name = names[random() % 14];
        const int32_t n = 1 + static_cast<int32_t>(random() % 40);
        const double s =
            std::ldexp(1.0 + (random() % 1000) / 1000.0, static_cast<int>(random() % 7) - 3);
        const double c = (static_cast<int32_t>(random() % 5000) - 500) / 100.0;
        const bool trim = random() % 2 == 0;
        const Table t = weightTable(name, s, n, c, trim);
        SCOPED_TRACE(std::string(name) + " n=" + std::to_string(n) + " s=" + std::to_string(s) +
                     " c=" + std::to_string(c));
        ASSERT_GE(t.i0, 0);
        ASSERT_FALSE(t.weights.empty());
        ASSERT_LE(t.i0 + static_cast<int32_t>(t.weights.size()), n);
        EXPECT_EQ(std::accumulate(t.weights.begin(), t.weights.end(), int64_t{0}), 16384);
        if (trim) {
            EXPECT_NE(t.weights.front(), 0);
            EXPECT_NE(t.weights.back(), 0);
        }
    }
}

// ---- The engine ---------------------------------------------------------------------------

TEST(ImageScalerTest, QualitiesPickTheirFilters) {
    EXPECT_STREQ(ImageScaler::filterForQuality(0, 10, 20)->name, "point");
    EXPECT_STREQ(ImageScaler::filterForQuality(1, 10, 20)->name, "triangle");
    EXPECT_STREQ(ImageScaler::filterForQuality(3, 10, 5)->name, "cubic");
    EXPECT_STREQ(ImageScaler::filterForQuality(4, 10, 5)->name, "point");
    EXPECT_STREQ(ImageScaler::filterForQuality(5, 10, 5)->name, "triangle");
    EXPECT_STREQ(ImageScaler::filterForQuality(5, 10, 10)->name, "cubic");
    EXPECT_STREQ(ImageScaler::filterForQuality(5, 10, 11)->name, "cubic");
    EXPECT_EQ(ImageScaler::filterForQuality(6, 10, 11), nullptr);
    EXPECT_EQ(ImageScaler::filterForQuality(-1, 10, 11), nullptr);
}

TEST(ImageScalerTest, EightBitConstantsStayExact) {
    std::mt19937 random(3);
    for (int i = 0; i < 300; ++i) {
        const int32_t channels = random() % 2 ? 4 : 1;
        PixelView src = makeView(1 + random() % 30, 1 + random() % 30, channels, 1);
        PixelView dst = makeView(1 + random() % 30, 1 + random() % 30, channels, 1, 3);
        const uint8_t v = static_cast<uint8_t>(random());
        fillSamples(src, v);
        ImageScaler::scaleImage(src, dst, static_cast<ScaleQuality>(random() % 6));
        for (int32_t y = 0; y < dst.height; ++y) {
            for (int32_t x = 0; x < dst.width; ++x) ASSERT_EQ(sample(dst, x, y), v);
        }
    }
}

// The value between the passes carries pixel / 4: rounded when x goes first, truncated when
// y goes first.
TEST(ImageScalerTest, SixteenBitConstantsFollowTheOrder) {
    struct Case {
        int32_t sw, sh, dw, dh;
        uint16_t in, out;
    };
    const Case cases[] = {
        {100, 10, 10, 10, 2, 4},   // x reduces steeply: x first
        {10, 100, 10, 10, 2, 0},   // y reduces steeply: y first
        {100, 100, 50, 50, 2, 0},  // equal costs: y first
        {100, 10, 10, 10, 32768, 32768}, {10, 100, 10, 10, 32768, 32768}, {10, 100, 10, 10, 7, 4},
    };
    for (const Case& k : cases) {
        for (int32_t channels : {1, 4}) {
            PixelView src = makeView(k.sw, k.sh, channels, 2);
            PixelView dst = makeView(k.dw, k.dh, channels, 2);
            fillSamples(src, k.in);
            ImageScaler::scaleImage(src, dst, 5);
            SCOPED_TRACE(std::to_string(k.sw) + "x" + std::to_string(k.sh) + " ch " +
                         std::to_string(channels));
            for (int32_t y = 0; y < dst.height; ++y) {
                for (int32_t x = 0; x < dst.width; ++x) {
                    for (int32_t c = 0; c < channels; ++c) ASSERT_EQ(sample(dst, x, y, c), k.out);
                }
            }
        }
    }
}

TEST(ImageScalerTest, HalvingAppliesTheTriangleTables) {
    PixelView src = makeView(100, 100, 1, 1);
    PixelView dst = makeView(50, 50, 1, 1);
    for (int32_t y = 0; y < 100; ++y) {
        for (int32_t x = 0; x < 100; ++x) src.row(y)[x] = static_cast<uint8_t>((x * 37) % 256);
    }
    ImageScaler::scaleImage(src, dst, 5);
    auto expected = [&](int32_t first, std::vector<int32_t> w) {
        int64_t sum = 8192;
        for (size_t k = 0; k < w.size(); ++k) sum += w[k] * src.row(0)[first + k];
        return static_cast<uint32_t>(sum >> 14);
    };
    for (int32_t y : {0, 17, 49}) {
        EXPECT_EQ(sample(dst, 0, y), expected(0, {7022, 7021, 2341}));
        EXPECT_EQ(sample(dst, 1, y), expected(1, {2048, 6144, 6144, 2048}));
        EXPECT_EQ(sample(dst, 49, y), expected(97, {2341, 7022, 7021}));
    }
}

TEST(ImageScalerTest, EqualSizesAreCopied) {
    std::mt19937 random(5);
    PixelView src = makeView(7, 5, 4, 1, 3);
    fillRandom(src, random, true);
    PixelView same = makeView(7, 5, 4, 1, 3);
    ImageScaler::scaleImage(src, same, 5);
    EXPECT_EQ(bytesOf(same), bytesOf(src));

    PixelView wider = makeView(7, 5, 4, 1, 9);
    fillSamples(wider, 0);
    ImageScaler::scaleImage(src, wider, 5);
    for (int32_t y = 0; y < 5; ++y) EXPECT_EQ(std::memcmp(wider.row(y), src.row(y), 28), 0);

    const std::vector<uint8_t> before = bytesOf(src);
    ImageScaler::scaleImage(src, src, 5);
    EXPECT_EQ(bytesOf(src), before);
}

TEST(ImageScalerTest, RefusedCallsWriteNothing) {
    std::mt19937 random(9);
    PixelView src = makeView(20, 20, 1, 1);
    fillRandom(src, random, true);
    PixelView dst = makeView(300, 40, 1, 1);
    fillSamples(dst, 77);
    const std::vector<uint8_t> untouched = bytesOf(dst);

    ImageScaler::scaleImageRect(src, whole(src), dst, VRect{0, -239, 10, 10}, 5);
    ImageScaler::scaleImage(src, dst, 6);
    ImageScaler::scaleImageRect(src, VRect{5, 5, 5, 10}, dst, whole(dst), 5);
    ImageScaler::scaleImageRect(src, whole(src), dst, VRect{0, 10, 10, 10}, 5);
    EXPECT_EQ(bytesOf(dst), untouched);
}

TEST(ImageScalerTest, PixelsOutOfTheSourcesReachKeepTheirValues) {
    PixelView src = makeView(10, 10, 1, 1);
    fillSamples(src, 200);
    PixelView dst = makeView(30, 30, 1, 1);
    fillSamples(dst, 9);
    ImageScaler::ImageReadInterface reader(&src);
    ImageScaler::ImageWriteInterface writer(&dst);
    ScaleMapping mapping{1.0, 1.0, 3.0, 4.0};
    ImageScaler::zoomMapped(reader, ScaleWindow{0, 0, 9, 9}, writer, ScaleWindow{0, 0, 29, 29},
                            mapping, findFilter("cubic"), findFilter("cubic"));
    // Cubic is zero at distance two: it reaches one pixel beyond the source's edge pixels.
    for (int32_t y = 0; y < 30; ++y) {
        for (int32_t x = 0; x < 30; ++x) {
            const bool reached = x >= 3 - 1 && x <= 12 + 1 && y >= 4 - 1 && y <= 13 + 1;
            ASSERT_EQ(sample(dst, x, y), reached ? 200u : 9u) << x << "," << y;
        }
    }
    EXPECT_DOUBLE_EQ(mapping.ux, 0.5 - 1.0);
}

TEST(ImageScalerTest, PointSamplingPicksTheCoveringPixel) {
    PixelView src = makeView(3, 2, 4, 2);
    for (int32_t i = 0; i < 6 * 4; ++i) src.row16(i / 12)[i % 12] = static_cast<uint16_t>(1000 + i);
    PixelView dst = makeView(6, 4, 4, 2);
    ImageScaler::scaleImage(src, dst, 0);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            for (int32_t c = 0; c < 4; ++c)
                ASSERT_EQ(sample(dst, x, y, c), sample(src, x / 2, y / 2, c));
        }
    }
}

// A cardinal filter at scale 1 on whole pixels becomes point sampling after the window was
// limited with its full support: the last reached column must still read inside the source.
TEST(ImageScalerTest, CoercedPointStaysInsideTheSource) {
    PixelView src = makeView(10, 10, 1, 1);
    for (int32_t y = 0; y < 10; ++y) {
        for (int32_t x = 0; x < 10; ++x) src.row(y)[x] = static_cast<uint8_t>(10 * y + x);
    }
    PixelView dst = makeView(20, 20, 1, 1);
    fillSamples(dst, 255);
    ImageScaler::ImageReadInterface reader(&src);
    ImageScaler::ImageWriteInterface writer(&dst);
    ScaleWindow from{0, 0, 14, 14};
    ScaleWindow to{0, 0, 14, 14};
    ImageScaler::zoomWindows(reader, from, writer, to, findFilter("catrom"), findFilter("catrom"));
    for (int32_t y = 0; y < 20; ++y) {
        for (int32_t x = 0; x < 20; ++x) {
            const uint32_t expected =
                x <= 10 && y <= 10 ? 10u * std::min(y, 9) + std::min(x, 9) : 255u;
            ASSERT_EQ(sample(dst, x, y), expected) << x << "," << y;
        }
    }
}

TEST(ImageScalerTest, NegativeLobesEndAtZero) {
    for (int32_t bytes : {1, 2}) {
        const uint16_t bright = bytes == 1 ? 255 : 32768;
        PixelView src = makeView(8, 1, 1, bytes);
        for (int32_t x = 0; x < 8; ++x) {
            if (bytes == 1)
                src.row(0)[x] = x < 4 ? 0 : 255;
            else
                src.row16(0)[x] = x < 4 ? 0 : bright;
        }
        PixelView dst = makeView(16, 3, 1, bytes);
        ImageScaler::ImageReadInterface reader(&src);
        ImageScaler::ImageWriteInterface writer(&dst);
        ScaleWindow from{0, 0, 7, 0};
        ScaleWindow to{0, 0, 15, 2};
        ImageScaler::zoomWindows(reader, from, writer, to, findFilter("catrom"),
                                 findFilter("point"));
        for (int32_t y = 0; y < 3; ++y) {
            for (int32_t x = 0; x < 6; ++x) EXPECT_EQ(sample(dst, x, y), 0u) << x;
            for (int32_t x = 10; x < 16; ++x) EXPECT_EQ(sample(dst, x, y), bright) << x;
        }
    }
}

// Views of other channel counts are processed as four channels without running past rows.
TEST(ImageScalerTest, OddChannelCountsStayInsideTheirRows) {
    std::mt19937 random(11);
    for (int32_t channels : {2, 3, 5}) {
        PixelView src = makeView(9, 7, channels, 1);
        fillRandom(src, random, true);
        PixelView dst = makeView(4, 13, channels, 1);
        ImageScaler::scaleImage(src, dst, 5);
        ImageScaler::scaleImage(src, dst, 0);
    }
}

// ---- Fast passes against the reference ----------------------------------------------------

TEST(ImageScalerTest, FastPassesMatchTheReferenceByteForByte) {
    if (!cpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this CPU";
    const ScaleKernels& fast = avx2ScaleKernels();
    const char* names[] = {"point",   "box",      "triangle", "quadratic", "cubic",
                           "catrom",  "mitchell", "gaussian", "sinc",      "bessel",
                           "hanning", "hamming",  "blackman", "kaiser"};
    std::mt19937 random(2024);
    auto size = [&]() {
        return static_cast<int32_t>(random() % 4 == 0 ? 1 + random() % 5 : 1 + random() % 70);
    };
    for (int i = 0; i < 3000; ++i) {
        const int32_t channels = random() % 2 ? 4 : 1;
        const int32_t bytes = random() % 3 ? 1 : 2;
        PixelView src =
            makeView(size(), size(), channels, bytes, static_cast<int32_t>(random() % 7));
        fillRandom(src, random, random() % 4 != 0);
        PixelView scalarOut =
            makeView(size(), size(), channels, bytes, static_cast<int32_t>(random() % 5));
        fillRandom(scalarOut, random, true);
        PixelView fastOut =
            makeView(scalarOut.width, scalarOut.height, channels, bytes,
                     (scalarOut.rowBytes - scalarOut.width * scalarOut.pixelBytes) / bytes);
        std::memcpy(fastOut.pixels, scalarOut.pixels, bytesOf(scalarOut).size());

        auto rect = [&](const PixelView& v) {
            const int32_t left = static_cast<int32_t>(random() % 5) - 2;
            const int32_t top = static_cast<int32_t>(random() % 5) - 2;
            return VRect{top, left, top + 1 + static_cast<int32_t>(random() % (v.height + 3)),
                         left + 1 + static_cast<int32_t>(random() % (v.width + 3))};
        };
        const VRect from = random() % 2 ? whole(src) : rect(src);
        const VRect to = random() % 2 ? whole(scalarOut) : rect(scalarOut);
        SCOPED_TRACE("case " + std::to_string(i));
        if (random() % 3 == 0) {
            const ResampleFilter* xf = findFilter(names[random() % 14]);
            const ResampleFilter* yf = findFilter(names[random() % 14]);
            for (auto [out, kernels] :
                 {std::pair{&scalarOut, &scalarScaleKernels()},
                  std::pair<PixelView*, const ScaleKernels*>{&fastOut, &fast}}) {
                ImageScaler::ImageReadInterface reader(&src);
                ImageScaler::ImageWriteInterface writer(out);
                ScaleWindow a{from.left, from.top, from.right - 1, from.bottom - 1};
                ScaleWindow b{to.left, to.top, to.right - 1, to.bottom - 1};
                ImageScaler::zoomWindows(reader, a, writer, b, xf, yf, *kernels);
            }
        } else {
            const ScaleQuality quality = static_cast<ScaleQuality>(random() % 6);
            ImageScaler::scaleImageRect(src, from, scalarOut, to, quality, scalarScaleKernels());
            ImageScaler::scaleImageRect(src, from, fastOut, to, quality, fast);
        }
        ASSERT_EQ(bytesOf(fastOut), bytesOf(scalarOut));
    }
}

// 16-bit images of every sample value, wide enough for the vector passes' full blocks, scaled
// with the passes the dispatch selects (the vector ones where the CPU has them) and with the
// reference passes, along both paths and with filters that have negative lobes.
TEST(ImageScalerTest, SixteenBitScalesMatchTheReferenceThroughTheDispatch) {
    const char* names[] = {"triangle", "cubic", "catrom", "sinc", "hamming", "box"};
    std::mt19937 random(1616);
    auto size = [&]() { return static_cast<int32_t>(1 + random() % 150); };
    for (int i = 0; i < 300; ++i) {
        const int32_t channels = random() % 2 ? 4 : 1;
        PixelView src = makeView(size(), size(), channels, 2);
        fillRandom(src, random, random() % 2 != 0);
        PixelView expected = makeView(size(), size(), channels, 2);
        PixelView actual = makeView(expected.width, expected.height, channels, 2);
        const ResampleFilter* xf = findFilter(names[random() % 6]);
        const ResampleFilter* yf = findFilter(names[random() % 6]);
        ASSERT_NE(xf, nullptr);
        ASSERT_NE(yf, nullptr);
        for (auto [out, kernels] :
             {std::pair{&expected, &scalarScaleKernels()},
              std::pair<PixelView*, const ScaleKernels*>{&actual, &scaleKernels()}}) {
            ImageScaler::ImageReadInterface reader(&src);
            ImageScaler::ImageWriteInterface writer(out);
            ScaleWindow a{0, 0, src.width - 1, src.height - 1};
            ScaleWindow b{0, 0, out->width - 1, out->height - 1};
            ImageScaler::zoomWindows(reader, a, writer, b, xf, yf, *kernels);
        }
        ASSERT_EQ(bytesOf(actual), bytesOf(expected)) << "case " << i;
    }
}

}  // namespace
}  // namespace brivo::fx
