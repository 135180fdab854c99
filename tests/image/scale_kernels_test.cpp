// The AVX2 16-bit scaler passes against the reference passes, called directly on random rows,
// weight tables and sums, including values no resampling filter produces.
#include "image/scale_kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/simd_dispatch.h"

namespace brivo::fx {
namespace {

class SixteenBitPassesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!cpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this CPU";
    }

    // Weights as filters make them, anywhere in int16, or anywhere in int32.
    int32_t weight(int range) {
        switch (range) {
            case 0:
                return static_cast<int32_t>(random_() % 22000) - 3000;
            case 1:
                return static_cast<int32_t>(random_() % 65536) - 32768;
            default:
                return random_() % 8 == 0 ? (random_() % 2 ? INT32_MIN : INT32_MAX)
                                          : static_cast<int32_t>(random_());
        }
    }

    std::vector<int32_t> weights(int32_t taps, int range) {
        std::vector<int32_t> w(static_cast<size_t>(taps));
        for (int32_t& v : w) v = weight(range);
        return w;
    }

    // Samples biased toward the ends of their range.
    uint16_t sample() {
        switch (random_() % 6) {
            case 0:
                return 0;
            case 1:
                return 65535;
            default:
                return static_cast<uint16_t>(random_());
        }
    }

    // Sums and intermediate values: for a whole case either within the reach of the vector
    // passes' narrow arithmetic, its edges included, or anything at all.
    template <typename T>
    T anyValue() {
        constexpr int64_t edge = sizeof(T) == 8 ? int64_t{1} << 31 : int64_t{1} << 15;
        if (!wild_) {
            if (random_() % 8 == 0) return static_cast<T>(random_() % 2 ? edge - 1 : -edge);
            if (random_() % 400 == 0) return static_cast<T>(random_() % 2 ? edge : -edge - 1);
            return static_cast<T>(static_cast<int64_t>(random_() % (2 * edge)) - edge);
        }
        switch (random_() % 4) {
            case 0:  // just outside the narrow reach, or at the edge of s >> 16 in int32
                return static_cast<T>(random_() % 2 ? edge + random_() % 3 - 1
                                                    : (int64_t{1} << 47) - random_() % 2);
            case 1:
                return static_cast<T>(-edge - 1 - static_cast<int64_t>(random_() % 2));
            default:
                return static_cast<T>((uint64_t{random_()} << 32) | random_());
        }
    }

    // Tables over a source of n pixels with the scaler's layout: zero weights past each
    // table's taps up to the common stride.
    WeightTableSet tables(int32_t count, int32_t n, int range) {
        WeightTableSet x;
        x.count = count;
        x.stride = 1 + static_cast<int32_t>(random_() % (random_() % 8 == 0 ? 60 : 10));
        x.weights.assign(static_cast<size_t>(count) * x.stride, 0);
        for (int32_t j = 0; j < count; ++j) {
            x.first.push_back(static_cast<int32_t>(random_() % static_cast<uint32_t>(n)));
            x.taps.push_back(1 + static_cast<int32_t>(random_() % x.stride));
            std::vector<int32_t> w = weights(x.taps.back(), range);
            std::copy(w.begin(), w.end(), x.weights.begin() + static_cast<ptrdiff_t>(j) * x.stride);
        }
        x.measureWeights();
        return x;
    }

    // A part [begin, end) of 0 .. n, often the whole.
    std::pair<int32_t, int32_t> part(int32_t n) {
        if (random_() % 2) return {0, n};
        const int32_t begin = static_cast<int32_t>(random_() % static_cast<uint32_t>(n + 1));
        return {begin,
                begin + static_cast<int32_t>(random_() % static_cast<uint32_t>(n - begin + 1))};
    }

    int32_t length() {
        return static_cast<int32_t>(random_() % 4 == 0 ? 1 + random_() % 9 : 1 + random_() % 90);
    }

    // Runs an x pass of both tables on one input and compares the whole output rows, so
    // that a write outside [begin, end) shows too.
    template <typename In, typename Out, typename Pass>
    void compareXPass(Pass scalar, Pass fast, int32_t channels, bool samples) {
        for (int i = 0; i < 600; ++i) {
            wild_ = random_() % 3 == 0;
            const int32_t n = length();
            const int32_t count = length();
            const WeightTableSet x = tables(count, n, static_cast<int>(random_() % 3));
            std::vector<In> source(static_cast<size_t>(n + x.stride + kRowSlackPixels) * channels);
            for (In& v : source) v = samples ? static_cast<In>(sample()) : anyValue<In>();
            const auto [begin, end] = part(count);
            std::vector<Out> expected(static_cast<size_t>(count) * channels, Out{0x5A5A});
            std::vector<Out> actual = expected;
            scalar(source.data(), x, begin, end, expected.data());
            fast(source.data(), x, begin, end, actual.data());
            ASSERT_EQ(actual, expected) << "case " << i << ", stride " << x.stride;
        }
    }

    template <typename In, typename Out, typename Pass>
    void compareYPass(Pass scalar, Pass fast, bool samples) {
        for (int i = 0; i < 600; ++i) {
            wild_ = random_() % 3 == 0;
            const int32_t taps = random_() % 10 == 0 ? 100 + static_cast<int32_t>(random_() % 200)
                                                     : 1 + static_cast<int32_t>(random_() % 8);
            const size_t n = static_cast<size_t>(length());
            std::vector<std::vector<In>> rows(static_cast<size_t>(taps), std::vector<In>(n));
            std::vector<const In*> pointers;
            for (std::vector<In>& row : rows) {
                for (In& v : row) v = samples ? static_cast<In>(sample()) : anyValue<In>();
                pointers.push_back(row.data());
            }
            const std::vector<int32_t> w = weights(taps, static_cast<int>(random_() % 3));
            const auto [begin, end] = part(static_cast<int32_t>(n));
            std::vector<Out> expected(n, Out{0x5A5A});
            std::vector<Out> actual = expected;
            scalar(pointers.data(), w.data(), taps, begin, end, expected.data());
            fast(pointers.data(), w.data(), taps, begin, end, actual.data());
            ASSERT_EQ(actual, expected) << "case " << i << ", " << taps << " taps";
        }
    }

    std::mt19937 random_{1616};
    bool wild_ = false;
    const ScaleKernels& scalar_ = scalarScaleKernels();
    const ScaleKernels& fast_ = avx2ScaleKernels();
};

TEST_F(SixteenBitPassesTest, XFirstPassesMatchTheReference) {
    for (int channels : {1, 4}) {
        SCOPED_TRACE(std::to_string(channels) + " channels");
        const XFirstKernels<uint16_t, int32_t>& scalar = scalar_.xFirst16[channels == 4];
        const XFirstKernels<uint16_t, int32_t>& fast = fast_.xFirst16[channels == 4];
        compareXPass<uint16_t, int32_t>(scalar.filterRow, fast.filterRow, channels, true);
        compareYPass<int32_t, uint16_t>(scalar.combineRows, fast.combineRows, false);
    }
}

TEST_F(SixteenBitPassesTest, YFirstPassesMatchTheReference) {
    compareYPass<uint16_t, int32_t>(scalar_.yFirst16One.sumRows, fast_.yFirst16One.sumRows, true);
    compareXPass<int32_t, uint16_t>(scalar_.yFirst16One.filterSums, fast_.yFirst16One.filterSums, 1,
                                    false);
    compareYPass<uint16_t, int64_t>(scalar_.yFirst16Four.sumRows, fast_.yFirst16Four.sumRows, true);
    compareXPass<int64_t, uint16_t>(scalar_.yFirst16Four.filterSums, fast_.yFirst16Four.filterSums,
                                    4, false);
}

// Sums that step through every edge of the rounding and the limits 0 and 32768: with a single
// weight of 1 the sum is the value itself; with 4096 the result is the value.
TEST_F(SixteenBitPassesTest, CombiningMeetsTheLimitsLikeTheReference) {
    std::vector<int32_t> row;
    for (int32_t edge : {-2048, (32768 << 12) + 2048, 0, 32768}) {
        for (int32_t d = -40; d < 40; ++d) row.push_back(edge + d);
    }
    const int32_t* rows[] = {row.data()};
    for (int32_t w : {1, 4096}) {
        std::vector<uint16_t> expected(row.size()), actual(row.size());
        scalar_.xFirst16[1].combineRows(rows, &w, 1, 0, row.size(), expected.data());
        fast_.xFirst16[1].combineRows(rows, &w, 1, 0, row.size(), actual.data());
        ASSERT_EQ(actual, expected) << "weight " << w;
    }
}

// The most negative values under weights whose absolute sum is at, or one past, the most
// that a 32-bit sum can take.
TEST_F(SixteenBitPassesTest, ExtremeValuesAtTheWeightLimit) {
    for (std::vector<int32_t> w :
         {std::vector<int32_t>{-32768, -32767}, std::vector<int32_t>{-32768, -32767, -1}}) {
        const auto taps = static_cast<int32_t>(w.size());
        std::vector<int32_t> mids(8, -32768);
        const std::vector<const int32_t*> rows(w.size(), mids.data());
        std::vector<uint16_t> expected(8), actual(8);
        scalar_.xFirst16[0].combineRows(rows.data(), w.data(), taps, 0, 8, expected.data());
        fast_.xFirst16[0].combineRows(rows.data(), w.data(), taps, 0, 8, actual.data());
        EXPECT_EQ(actual, expected) << taps << " taps";

        WeightTableSet x;
        x.count = 1;
        x.stride = taps;
        x.first = {0};
        x.taps = {taps};
        x.weights = w;
        x.measureWeights();
        const std::vector<int64_t> sums(static_cast<size_t>(2 * taps + 1) * 4, -(int64_t{1} << 31));
        std::vector<uint16_t> expectedPixel(4), actualPixel(4);
        scalar_.yFirst16Four.filterSums(sums.data(), x, 0, 1, expectedPixel.data());
        fast_.yFirst16Four.filterSums(sums.data(), x, 0, 1, actualPixel.data());
        EXPECT_EQ(actualPixel, expectedPixel) << taps << " taps";
    }
}

// A sum just past the int32 range among small ones: s >> 16 no longer fits 16 bits.
TEST_F(SixteenBitPassesTest, SumsJustPastInt32StayExact) {
    WeightTableSet x;
    x.count = 1;
    x.stride = 2;
    x.first = {0};
    x.taps = {2};
    x.weights = {1, -1};
    x.measureWeights();
    for (int64_t edge : {int64_t{1} << 31, -(int64_t{1} << 31) - 1}) {
        std::vector<int64_t> sums(20, 0);
        sums[0] = edge;
        sums[5] = -edge;
        std::vector<uint16_t> expected(4), actual(4);
        scalar_.yFirst16Four.filterSums(sums.data(), x, 0, 1, expected.data());
        fast_.yFirst16Four.filterSums(sums.data(), x, 0, 1, actual.data());
        EXPECT_EQ(actual, expected) << edge;
    }
}

}  // namespace
}  // namespace brivo::fx
