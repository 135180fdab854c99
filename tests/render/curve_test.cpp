#include "render/curve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace brivo {
namespace {

TEST(Curve, WithoutPointsIsTheIdentityClamped) {
    Curve curve;
    EXPECT_EQ(curve.evaluate(0.25), 0.25);
    EXPECT_EQ(curve.evaluate(7.0), 7.0);  // not clamped before setPoints

    curve.setPoints(nullptr, 3);
    EXPECT_EQ(curve.evaluate(0.25), 0.25);
    EXPECT_EQ(curve.evaluate(7.0), 1.0);
    EXPECT_EQ(curve.evaluate(-2.0), 0.0);
    const double pairs[1][2] = {{0.5, 0.5}};
    curve.setPoints(pairs, -4);
    EXPECT_EQ(curve.evaluate(0.75), 0.75);
}

TEST(Curve, TwoPointsInterpolateLinearlyAndHoldTheEnds) {
    const double pairs[2][2] = {{0.2, 0.1}, {0.6, 0.9}};
    Curve curve;
    curve.setPoints(pairs, 2);
    EXPECT_DOUBLE_EQ(curve.evaluate(0.4), 0.5);
    EXPECT_DOUBLE_EQ(curve.evaluate(0.3), 0.3);
    EXPECT_EQ(curve.evaluate(0.2), 0.1);
    EXPECT_EQ(curve.evaluate(-5.0), 0.1);
    EXPECT_EQ(curve.evaluate(0.6), 0.9);
    EXPECT_EQ(curve.evaluate(5.0), 0.9);
}

TEST(Curve, NaturalSplineOfThreePoints) {
    // Interior second derivative -3; at 0.5: 0.5 * (1.5 + 0.5 * (0 - 0.25)).
    const double pairs[3][2] = {{0, 0}, {1, 1}, {2, 0}};
    Curve curve;
    curve.setPoints(pairs, 3);
    EXPECT_DOUBLE_EQ(curve.evaluate(0.5), 0.6875);
    EXPECT_DOUBLE_EQ(curve.evaluate(1.5), 0.6875);
    EXPECT_NEAR(curve.evaluate(1.0), 1.0, 1e-12);
}

TEST(Curve, NaturalSplineWithUnequalIntervalsAndClamping) {
    // Solved by hand: M = (0, -1.875, 1.125, 0).
    const double pairs[4][2] = {{0, 0}, {1, 1}, {3, 0}, {4, 0}};
    Curve curve;
    curve.setPoints(pairs, 4);
    EXPECT_DOUBLE_EQ(curve.evaluate(0.5), 0.6171875);
    EXPECT_DOUBLE_EQ(curve.evaluate(2.0), 0.6875);
    EXPECT_EQ(curve.evaluate(3.5), 0.0);  // -0.0703125 before clamping
    EXPECT_NEAR(curve.evaluate(3.0), 0.0, 1e-12);
}

TEST(Curve, NewPointsAreSolvedAgain) {
    const double first[3][2] = {{0, 0}, {1, 1}, {2, 0}};
    const double second[4][2] = {{0, 0}, {1, 0.5}, {2, 0.5}, {3, 0}};
    Curve curve;
    curve.setPoints(first, 3);
    EXPECT_DOUBLE_EQ(curve.evaluate(1.5), 0.6875);
    curve.setPoints(second, 4);
    // Interior second derivatives -0.6 each: 0.5 + 0.5 * (0.3 - 0.5 * 0.3).
    EXPECT_DOUBLE_EQ(curve.evaluate(1.5), 0.575);
}

TEST(Curve, NonFiniteInputsGiveNaNOrEndValuesWithoutFaulting) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double pairs[3][2] = {{0, 0}, {1, 1}, {2, 0}};
    Curve curve;
    curve.setPoints(pairs, 3);
    EXPECT_TRUE(std::isnan(curve.evaluate(nan)));
    EXPECT_EQ(curve.evaluate(inf), 0.0);
    EXPECT_EQ(curve.evaluate(-inf), 0.0);

    const double broken[3][2] = {{nan, 0}, {inf, 1}, {nan, 0}};
    curve.setPoints(broken, 3);
    EXPECT_TRUE(std::isnan(curve.evaluate(0.5)));
}

}  // namespace
}  // namespace brivo
