#include "render/shape_builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>

#include "core/errors.h"
#include "filter_record.h"
#include "render/corner_pin_warp.h"
#include "render/shape_rotation.h"
#include "support/buffer_host.h"

namespace brivo {
namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class ShapeTest : public ::testing::Test {
  protected:
    ImageHandle image(int32_t width, int32_t height, uint8_t value = 0) {
        ImageHandle result =
            host.document->allocateBuffer(width, height, 1, 1, plugInModeGrayScale);
        if (result->data != nullptr) std::memset(result->data, value, result->byteCount());
        return result;
    }
    // Samples that differ everywhere: (x * 3 + y * 17 + 1) mod 256.
    ImageHandle ramp(int32_t width, int32_t height) {
        ImageHandle result = image(width, height);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) at(result, x, y) = uint8_t(x * 3 + y * 17 + 1);
        return result;
    }
    static uint8_t& at(const ImageHandle& image, int32_t x, int32_t y) {
        return image->data[static_cast<size_t>(y) * image->rowBytes + x];
    }
    static bool same(const ImageHandle& a, const ImageHandle& b) {
        return a->width() == b->width() && a->height() == b->height() &&
               std::memcmp(a->data, b->data, a->byteCount()) == 0;
    }
    // The placed shape as a whole image.
    static ImageHandle placedImage(const HostImage& pattern, const FilterParameters& params,
                                   int32_t width, int32_t height, bool stretchToImage) {
        const PlacedShape placed =
            placeShape(pattern, params, width, height, 1.0f, 1.0f, stretchToImage);
        return placed.empty() ? ImageHandle() : placed.toImage();
    }
    static uint64_t total(const ImageHandle& image) {
        return std::accumulate(image->data, image->data + image->byteCount(), uint64_t{0});
    }

    test::BufferHost host;
};

TEST_F(ShapeTest, RightAnglesAreQuarterTurnsWithoutShear) {
    const ImageHandle source = ramp(7, 4);
    EXPECT_TRUE(same(rotateImage(*source, 90.0f, 1), source->rotated(3)));
    EXPECT_TRUE(same(rotateImage(*source, -90.0f, 1), source->rotated(1)));
    EXPECT_TRUE(same(rotateImage(*source, 180.0f, 1), source->rotated(2)));
    EXPECT_TRUE(same(rotateImage(*source, 360.0f, 1), source));
}

TEST_F(ShapeTest, FortyFiveDegreesShearsThreeTimes) {
    // Shear factors tan 22.5° and sin 45°: 100 × 100 grows to 144 × 143.
    const ImageHandle turned = rotateImage(*image(100, 100, 255), 45.0f, 1);
    EXPECT_EQ(turned->width(), 144);
    EXPECT_EQ(turned->height(), 143);
    // The corners of the bounding box are empty, the middle is full.
    EXPECT_EQ(at(turned, 0, 0), 0);
    EXPECT_EQ(at(turned, 143, 142), 0);
    EXPECT_EQ(at(turned, 72, 71), 255);
}

TEST_F(ShapeTest, ShearsLeaveNoHolesAndKeepTheMass) {
    const int32_t n = 60;
    const ImageHandle square = image(n, n, 255);
    for (float angle : {-44.0f, -30.0f, -7.5f, 3.0f, 20.0f, 33.0f, 44.9f, 100.0f, 222.0f}) {
        const ImageHandle turned = rotateImage(*square, angle, 1);
        const double cx = turned->width() / 2.0;
        const double cy = turned->height() / 2.0;
        for (int32_t y = 0; y < turned->height(); ++y) {
            for (int32_t x = 0; x < turned->width(); ++x) {
                if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) < n / 2.0 - 4.0) {
                    ASSERT_EQ(at(turned, x, y), 255) << angle << " at " << x << "," << y << " of "
                                                     << turned->width() << "x" << turned->height();
                }
            }
        }
        const double mass = static_cast<double>(total(turned)) / total(square);
        EXPECT_NEAR(mass, 1.0, 0.02) << angle;
    }
}

TEST_F(ShapeTest, PositiveAnglesTurnClockwise) {
    const ImageHandle dot = image(41, 41);
    at(dot, 20, 2) = 255;  // straight above the centre
    const ImageHandle turned = rotateImage(*dot, 30.0f, 0);
    double sumX = 0, sumY = 0, weight = 0;
    for (int32_t y = 0; y < turned->height(); ++y)
        for (int32_t x = 0; x < turned->width(); ++x) {
            sumX += at(turned, x, y) * (x - (turned->width() - 1) / 2.0);
            sumY += at(turned, x, y) * (y - (turned->height() - 1) / 2.0);
            weight += at(turned, x, y);
        }
    ASSERT_GT(weight, 0);
    // Clockwise on screen: from straight up towards the right, 30° from the vertical.
    EXPECT_NEAR(std::atan2(sumX / weight, -sumY / weight) * 180.0 / M_PI, 30.0, 3.0);
    // Whole-pixel shifts only copy values.
    for (size_t i = 0; i < turned->byteCount(); ++i)
        ASSERT_TRUE(turned->data[i] == 0 || turned->data[i] == 255);
}

TEST_F(ShapeTest, UnusualAnglesEndAndGiveAnImage) {
    const ImageHandle source = ramp(9, 5);
    for (float angle : {kInfinity, -kInfinity, std::numeric_limits<float>::quiet_NaN()})
        EXPECT_TRUE(same(rotateImage(*source, angle, 1), source)) << angle;
    for (float angle : {1e30f, -3.4e38f, 1e7f, -123456789.0f}) {
        const ImageHandle turned = rotateImage(*source, angle, 1);
        EXPECT_GE(turned->width(), 5) << angle;
        EXPECT_GE(turned->height(), 5) << angle;
    }
}

TEST_F(ShapeTest, MirroringCornerPinLeavesColumnZeroBlack) {
    const ImageHandle source = ramp(16, 8);
    const ImageHandle warped = image(16, 8, 99);
    const CornerPoint mirror[4] = {{1, 0}, {0, 0}, {0, 1}, {1, 1}};
    cornerPinWarp(ShapeWindow::of(source->view()), warped->view(), mirror);
    for (int32_t y = 0; y < 8; ++y) {
        EXPECT_EQ(at(warped, 0, y), 0) << y;
        for (int32_t x = 1; x < 16; ++x) EXPECT_EQ(at(warped, x, y), at(source, 16 - x, y)) << x;
    }
}

TEST_F(ShapeTest, ProjectiveCornerPinFillsOnlyTheQuadrilateral) {
    const ImageHandle source = image(64, 64, 200);
    const ImageHandle warped = image(64, 64);
    const CornerPoint trapezoid[4] = {{0.375, 0}, {0.625, 0}, {1, 1}, {0, 1}};
    cornerPinWarp(ShapeWindow::of(source->view()), warped->view(), trapezoid);
    EXPECT_EQ(at(warped, 2, 1), 0);
    EXPECT_EQ(at(warped, 61, 1), 0);
    EXPECT_GE(at(warped, 32, 1), 199);
    EXPECT_GE(at(warped, 2, 62), 199);
    EXPECT_GE(at(warped, 61, 62), 199);
}

TEST_F(ShapeTest, DegenerateOrNonFiniteCornerPinsGiveNothing) {
    const ImageHandle source = image(32, 32, 255);
    const double inf = std::numeric_limits<double>::infinity();
    const CornerPoint cases[][4] = {
        {{0, 0}, {0.5, 0.5}, {1, 1}, {0.25, 0.25}},  // all on one line
        {{0, 0}, {1, 0}, {1, 0}, {0, 0}},            // no height
        {{0, 0}, {0, 0}, {0, 0}, {0, 0}},           {{kNaN, 0}, {1, 0}, {1, 1}, {0, 1}},
        {{0, 0}, {1, inf}, {1, 1}, {0, 1}},
    };
    for (const auto& corners : cases) {
        const ImageHandle warped = image(32, 32, 7);
        cornerPinWarp(ShapeWindow::of(source->view()), warped->view(), corners);
        EXPECT_EQ(total(warped), 0u);
    }
    // Far-away corners saturate instead of overflowing.
    const CornerPoint far[4] = {{-1e300, -1e300}, {1e300, -1e300}, {1e300, 1e300}, {-1e300, 1e300}};
    const ImageHandle warped = image(32, 32);
    cornerPinWarp(ShapeWindow::of(source->view()), warped->view(), far);
}

TEST_F(ShapeTest, AShapeOfTheImagesSizeIsPlacedAsItIs) {
    const ImageHandle pattern = ramp(24, 12);
    FilterParameters params;  // defaults: 100 %, no blur, rotation or offset
    EXPECT_TRUE(same(placedImage(*pattern, params, 24, 12, false), pattern));

    // Half the width to the right: the left half is black, the right half holds the
    // pattern's left half.
    params.shapePosX = 50.0;
    const ImageHandle moved = placedImage(*pattern, params, 24, 12, false);
    for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 24; ++x)
            ASSERT_EQ(at(moved, x, y), x < 12 ? 0 : at(pattern, x - 12, y)) << x << "," << y;
}

TEST_F(ShapeTest, ScaleFollowsThePatternWhenRenderingAndTheImageInTheDialog) {
    const ImageHandle pattern = image(10, 10, 255);
    FilterParameters params;
    params.shapeScaleX = 200.0;
    // Rendering: 20 × 10 pixels, centred on a 40 × 20 image.
    const ImageHandle rendered = placedImage(*pattern, params, 40, 20, false);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 40; ++x)
            ASSERT_EQ(at(rendered, x, y), (x >= 10 && x < 30 && y >= 5 && y < 15) ? 255 : 0)
                << x << "," << y;
    // Dialog: the pattern is stretched to the image first, then scaled (wider than it).
    const ImageHandle preview = placedImage(*pattern, params, 40, 20, true);
    EXPECT_EQ(total(preview), 40u * 20u * 255u);
}

TEST_F(ShapeTest, UnusableSizesAndPositionsGiveNoShapeOrAnEmptyImage) {
    const ImageHandle pattern = image(10, 10, 255);
    FilterParameters params;
    host.buffers.setLimit(1 << 20);
    for (double scale : {0.0, 5.0, -100.0, kNaN, 1e9, 1e300}) {
        params.shapeScaleX = params.shapeScaleY = scale;
        EXPECT_TRUE(placedImage(*pattern, params, 40, 20, false).empty()) << scale;
    }
    params.shapeScaleX = params.shapeScaleY = 100.0;
    for (double position : {1e300, -1e300, kNaN}) {
        params.shapePosX = position;
        params.shapePosY = -position;
        const ImageHandle placed = placedImage(*pattern, params, 40, 20, false);
        ASSERT_FALSE(placed.empty());
        if (!std::isnan(position)) {
            EXPECT_EQ(total(placed), 0u) << position;
        }
    }
}

TEST_F(ShapeTest, NoMemoryIsReportedAndLeavesNothingBehind) {
    const ImageHandle pattern = ramp(64, 64);
    FilterParameters params;
    params.shapeRotate = 30.0;
    host.buffers.setLimit(host.buffers.liveBytes() + 64 * 64 * 2);
    EXPECT_THROW(placedImage(*pattern, params, 64, 64, false), HostResultError);
    EXPECT_EQ(host.document->liveBuffers(), 1);
}

}  // namespace
}  // namespace brivo
