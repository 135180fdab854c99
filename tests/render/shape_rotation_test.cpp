#include "render/shape_rotation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace brivo {
namespace {

// The shear factors' float arguments: theta in degrees times pi over 360 (half the angle)
// and over 180 (the angle), both in float.
float halfAngleRadians(float theta) {
    return (3.1415927f * theta) * 0.0027777778f;
}
float angleRadians(float theta) {
    return (3.1415927f * theta) * 0.0055555557f;
}

TEST(ShapeRotationTest, ShearFactorsAreTheFloatsNearestTheExactValues) {
    RotationSteps steps;
    ASSERT_TRUE(rotationSteps(151.1f, steps));
    EXPECT_EQ(steps.quarterTurns, 2);
    EXPECT_EQ(steps.b, 0x1.eee190p-2f);
    ASSERT_TRUE(rotationSteps(14.6f, steps));
    EXPECT_EQ(steps.quarterTurns, 0);
    EXPECT_EQ(steps.b, -0x1.021e78p-2f);

    // Every tenth of a degree of a half turn either way, against a long double evaluation.
    for (int32_t tenths = -1800; tenths <= 1800; ++tenths) {
        const float angle = static_cast<float>(tenths / 10.0);
        ASSERT_TRUE(rotationSteps(angle, steps));
        ASSERT_LE(std::fabs(steps.theta), 45.0f) << angle;
        const long double half = halfAngleRadians(steps.theta);
        const long double whole = angleRadians(steps.theta);
        EXPECT_EQ(steps.a, static_cast<float>(-std::tan(half))) << angle;
        EXPECT_EQ(steps.b, static_cast<float>(std::sin(whole))) << angle;
    }
}

}  // namespace
}  // namespace brivo
