#include "image/resample_filter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>

namespace brivo::fx {
namespace {

double at(const char* name, double x) {
    const ResampleFilter* f = findFilter(name);
    return f->function(x, f->params);
}

TEST(ResampleFilterTest, TableKeepsItsOrderSupportsAndCardinality) {
    struct Expected {
        const char* name;
        double support;
        bool cardinal;
    };
    const Expected table[] = {
        {"point", 0.0, true},      {"box", 0.5, true},        {"triangle", 1.0, true},
        {"quadratic", 1.5, false}, {"cubic", 2.0, false},     {"catrom", 2.0, true},
        {"mitchell", 2.0, false},  {"gaussian", 1.25, false}, {"sinc", 4.0, true},
        {"bessel", 3.2383, false}, {"hanning", 1.0, true},    {"hamming", 1.0, true},
        {"blackman", 1.0, true},   {"kaiser", 1.0, true},
    };
    const ResampleFilter* previous = nullptr;
    for (const Expected& e : table) {
        const ResampleFilter* f = findFilter(e.name);
        ASSERT_NE(f, nullptr) << e.name;
        EXPECT_EQ(std::string(f->name), e.name);
        EXPECT_EQ(f->support, e.support) << e.name;
        EXPECT_EQ(f->cardinal, e.cardinal) << e.name;
        EXPECT_EQ(f->blur, 1.0) << e.name;
        if (previous != nullptr) {
            EXPECT_EQ(f, previous + 1) << e.name;
        }
        previous = f;
    }
}

TEST(ResampleFilterTest, LookupIsExact) {
    EXPECT_EQ(findFilter("Cubic"), nullptr);
    EXPECT_EQ(findFilter("cubic "), nullptr);
    EXPECT_EQ(findFilter(""), nullptr);
    EXPECT_EQ(findFilter("lanczos"), nullptr);
    EXPECT_EQ(findFilter("point")->function, findFilter("box")->function);
}

TEST(ResampleFilterTest, KernelsAtTheirBreakPoints) {
    EXPECT_EQ(at("box", 0.5), 0.0);
    EXPECT_EQ(at("box", -0.5), 1.0);
    EXPECT_EQ(at("triangle", -1.0), 0.0);
    EXPECT_EQ(at("triangle", -0.25), 0.75);
    EXPECT_EQ(at("quadratic", 0.5), 0.5);
    EXPECT_EQ(at("quadratic", -0.5), 0.5);
    EXPECT_EQ(at("quadratic", 1.5), 0.0);
    EXPECT_DOUBLE_EQ(at("cubic", 0.0), 4.0 / 6.0);
    EXPECT_DOUBLE_EQ(at("cubic", 1.0), 1.0 / 6.0);
    EXPECT_DOUBLE_EQ(at("cubic", -1.0), 1.0 / 6.0);
    EXPECT_EQ(at("cubic", 2.0), 0.0);
    EXPECT_EQ(at("catrom", 0.0), 1.0);
    EXPECT_EQ(at("catrom", 1.0), 0.0);
    EXPECT_EQ(at("catrom", -1.0), 0.0);
    EXPECT_LT(at("catrom", 1.5), 0.0);
    EXPECT_EQ(at("sinc", 0.0), 1.0);
    EXPECT_NEAR(at("sinc", 3.0), 0.0, 1e-15);
    EXPECT_DOUBLE_EQ(at("gaussian", 0.0), std::sqrt(2.0 / std::numbers::pi));
    EXPECT_DOUBLE_EQ(at("hanning", 1.0), 0.0);
    EXPECT_DOUBLE_EQ(at("hamming", 0.0), 1.0);
    EXPECT_NEAR(at("blackman", 1.0), 0.0, 1e-15);
    for (double x : {-5.0, 0.0, 1.7, 100.0}) EXPECT_EQ(at("bessel", x), 0.0);
}

TEST(ResampleFilterTest, MitchellUsesBAndCOfOneThird) {
    const auto& m = *static_cast<const MitchellParams*>(findFilter("mitchell")->params);
    EXPECT_DOUBLE_EQ(m.p0, 8.0 / 9.0);
    EXPECT_DOUBLE_EQ(m.p2, -2.0);
    EXPECT_DOUBLE_EQ(m.p3, 7.0 / 6.0);
    EXPECT_DOUBLE_EQ(m.q0, 16.0 / 9.0);
    EXPECT_DOUBLE_EQ(m.q1, -10.0 / 3.0);
    EXPECT_DOUBLE_EQ(m.q2, 2.0);
    EXPECT_DOUBLE_EQ(m.q3, -7.0 / 18.0);
    // Continuous where the pieces meet, zero at the support.
    EXPECT_NEAR(at("mitchell", 1.0 - 1e-12), at("mitchell", 1.0), 1e-9);
    EXPECT_NEAR(at("mitchell", 2.0 - 1e-12), 0.0, 1e-9);
}

TEST(ResampleFilterTest, KaiserAtTheCentreEdgeAndBeyond) {
    const auto& k = *static_cast<const KaiserParams*>(findFilter("kaiser")->params);
    EXPECT_EQ(k.a, 6.5);
    EXPECT_DOUBLE_EQ(k.reciprocalI0, 1.0 / besselI0(6.5));
    EXPECT_DOUBLE_EQ(at("kaiser", 0.0), 1.0);
    for (double x : {1.0, -1.0, 1.5, -2.0, 40.0}) {
        EXPECT_DOUBLE_EQ(at("kaiser", x), k.reciprocalI0) << x;
    }
    EXPECT_GT(at("kaiser", 0.5), k.reciprocalI0);
}

TEST(ResampleFilterTest, BesselSeries) {
    EXPECT_NEAR(besselI0(1.0), 1.2660658777520082, 2e-7);
    EXPECT_NEAR(besselI0(6.5), 106.2928582, 1e-6);
    EXPECT_EQ(besselI0(0.0), 1.0);
    EXPECT_EQ(besselI0(-1e-4), 1.0);  // y = 2.5e-9 is below the cut-off
    EXPECT_EQ(besselI0(std::nan("")), 1.0);
    // A huge argument ends (the series overflows) instead of looping.
    EXPECT_TRUE(std::isinf(besselI0(1e200)));
    EXPECT_TRUE(std::isinf(besselI0(std::numeric_limits<double>::infinity())));
}

}  // namespace
}  // namespace brivo::fx
