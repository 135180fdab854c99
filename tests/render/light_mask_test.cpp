#include "render/shape_blend.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "filter_record.h"
#include "render/light_mask.h"
#include "support/buffer_host.h"

namespace brivo {
namespace {

// One blended byte: shape s over matte m.
uint8_t blendOne(ShapeBlendMode mode, double opacity, uint8_t s, uint8_t m) {
    PixelView strip(1, 1, 1, 1);
    PixelView matte(1, 1, 1, 1);
    *strip.pixels = s;
    *matte.pixels = m;
    blendShape(strip, matte, static_cast<int32_t>(mode), opacity);
    return *strip.pixels;
}

TEST(BlendShape, ModesAtFullOpacity) {
    using enum ShapeBlendMode;
    for (int32_t s : {0, 1, 77, 128, 200, 255}) {
        for (int32_t m : {0, 1, 90, 128, 254, 255}) {
            SCOPED_TRACE(testing::Message() << "s " << s << " m " << m);
            EXPECT_EQ(blendOne(None, 100, s, m), m);
            EXPECT_EQ(blendOne(Only, 100, s, m), s);
            EXPECT_EQ(blendOne(Add, 100, s, m), std::min(255, m + s));
            EXPECT_EQ(blendOne(Subtract, 100, s, m), std::max(0, m - s));
            EXPECT_EQ(blendOne(Multiply, 100, s, m), s * m / 255);
            EXPECT_EQ(blendOne(Screen, 100, s, m), m + s - m * s / 255);
            EXPECT_EQ(blendOne(Darken, 100, s, m), std::min(s, m));
            EXPECT_EQ(blendOne(Lighten, 100, s, m), std::max(s, m));
        }
    }
}

TEST(BlendShape, DifferenceIsTheSumLessTwiceTheProduct) {
    using enum ShapeBlendMode;
    EXPECT_EQ(blendOne(Difference, 100, 255, 255), 0);
    EXPECT_EQ(blendOne(Difference, 100, 255, 0), 255);
    EXPECT_EQ(blendOne(Difference, 100, 0, 200), 200);
    EXPECT_EQ(blendOne(Difference, 100, 100, 200), 144);  // 300 - 40000 / 255; |a - b| is 100
}

TEST(BlendShape, PartialOpacityWeighsTheShape) {
    using enum ShapeBlendMode;
    for (int32_t s = 0; s < 256; ++s) EXPECT_EQ(blendOne(Only, 50, s, 0), s * 127 / 255) << s;
    // Multiply scales by the opacity itself: 100 × 0.33 is 33, where the weight
    // route (84 / 255) would give 32.
    EXPECT_EQ(blendOne(Multiply, 33, 100, 255), 33);
    EXPECT_EQ(blendOne(Add, 33, 100, 0), 32);
    EXPECT_EQ(blendOne(Lighten, 0, 255, 10), 10);
}

TEST(BlendShape, OpacityOutsideItsRangeSaturates) {
    using enum ShapeBlendMode;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(blendOne(Only, 200, 200, 0), 255);
    EXPECT_EQ(blendOne(Lighten, 1e300, 1, 0), 255);
    EXPECT_EQ(blendOne(Add, -50, 200, 30), 0);
    EXPECT_EQ(blendOne(Screen, -1e300, 200, 30), 0);
    EXPECT_EQ(blendOne(Only, nan, 200, 30), 0);
    EXPECT_EQ(blendOne(Multiply, nan, 200, 30), 0);
}

TEST(ShapeStripRect, SameSizeKeepsTheRectOtherSizesMapOutward) {
    const VRect rect{0, 10, 33, 99};
    const VRect same = shapeStripRect(rect, 100, 100, 100, 100);
    EXPECT_EQ(same.left, 10);
    EXPECT_EQ(same.right, 99);
    const VRect half = shapeStripRect(rect, 100, 100, 50, 50);
    EXPECT_EQ(half.top, 0);
    EXPECT_EQ(half.left, 5);
    EXPECT_EQ(half.bottom, 17);  // ceil(16.5)
    EXPECT_EQ(half.right, 50);   // ceil(49.5)
}

class LightMaskTest : public ::testing::Test {
  protected:
    ImageHandle image(int32_t width, int32_t height, uint8_t value, int32_t planes = 1) {
        ImageHandle result = host.document->allocateBuffer(
            width, height, planes, 1, planes == 1 ? plugInModeGrayScale : plugInModeRGBColor);
        std::memset(result->data, value, result->byteCount());
        return result;
    }
    static uint8_t at(const ImageHandle& image, int32_t x, int32_t y) {
        return image->data[static_cast<size_t>(y) * image->rowBytes + x];
    }
    static void set(const ImageHandle& image, int32_t x, int32_t y, uint8_t value) {
        image->data[static_cast<size_t>(y) * image->rowBytes + x] = value;
    }
    ImageHandle mask(const FilterParameters& params, const ImageHandle& source, const VRect& rect,
                     const ImageHandle& matte, const ImageHandle& shape, int32_t imageWidth,
                     int32_t imageHeight) {
        return blendShapeIntoMask(*host.document, params, *source, rect, matte,
                                  PlacedShape::whole(shape), imageWidth, imageHeight);
    }
    static FilterParameters onlyShape(double displacement) {
        FilterParameters params;
        params.shapeBlendMode = static_cast<int32_t>(ShapeBlendMode::Only);
        params.lightDisplacement = displacement;
        return params;
    }

    test::BufferHost host;
};

TEST_F(LightMaskTest, WithoutAShapeTheMaskIsTheMatte) {
    const ImageHandle source = image(4, 3, 10);
    const ImageHandle matte = image(4, 3, 60);
    const ImageHandle result = mask(onlyShape(0), source, {0, 0, 3, 4}, matte, ImageHandle(), 4, 3);
    EXPECT_EQ(result.get(), matte.get());
}

TEST_F(LightMaskTest, TheStripTakesItsRowsOfAShapeOfTheImagesSize) {
    const ImageHandle shape = image(8, 6, 0);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 8; ++x) set(shape, x, y, uint8_t(10 * y + x));
    const ImageHandle source = image(8, 2, 0);
    const ImageHandle matte = image(8, 2, 0);
    FilterParameters params = onlyShape(0);
    params.shapeBlendMode = static_cast<int32_t>(ShapeBlendMode::Add);
    const ImageHandle result = mask(params, source, {3, 0, 5, 8}, matte, shape, 8, 6);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(at(result, x, y), 10 * (y + 3) + x);
}

TEST_F(LightMaskTest, APreviewSizedShapeIsResampledOntoTheStrip) {
    const ImageHandle shape = image(10, 10, 255);
    const ImageHandle source = image(10, 10, 0);
    const ImageHandle result =
        mask(onlyShape(0), source, {5, 5, 15, 15}, image(10, 10, 0), shape, 20, 20);
    for (size_t i = 0; i < result->byteCount(); ++i) ASSERT_EQ(result->data[i], 255) << i;
}

TEST_F(LightMaskTest, DisplacementOfOneHundredOnAThousandRowsIsFiveHundredPixels) {
    const ImageHandle shape = image(1000, 1000, 0);
    set(shape, 503, 502, 200);
    // A white source pixel samples 500 pixels right and down; a black one 500 left and up.
    const ImageHandle white = image(1, 1, 255);
    EXPECT_EQ(at(mask(onlyShape(100), white, {2, 3, 3, 4}, white, shape, 1000, 1000), 0, 0), 200);
    const ImageHandle black = image(1, 1, 0);
    EXPECT_EQ(at(mask(onlyShape(-100), black, {2, 3, 3, 4}, black, shape, 1000, 1000), 0, 0), 200);
    EXPECT_EQ(at(mask(onlyShape(100), black, {2, 3, 3, 4}, black, shape, 1000, 1000), 0, 0), 0);
}

TEST_F(LightMaskTest, MidGreyIsNotQuiteStill) {
    // Shape columns hold their own index; a = 500 moves mid-grey by ±1.96 pixels.
    const ImageHandle shape = image(200, 1000, 0);
    for (int32_t y = 0; y < 1000; ++y)
        for (int32_t x = 0; x < 200; ++x) set(shape, x, y, uint8_t(x));
    for (const auto& [grey, expected] : {std::pair{128, 101}, std::pair{127, 98}}) {
        const ImageHandle source = image(1, 1, uint8_t(grey), 4);
        // An RGB grey pixel: (76 + 150 + 29) × grey / 255 is grey.
        const ImageHandle result =
            mask(onlyShape(100), source, {100, 100, 101, 101}, image(1, 1, 0), shape, 200, 1000);
        EXPECT_EQ(at(result, 0, 0), expected) << grey;
    }
}

TEST(DisplaceShape, FarAndUndefinedSamplesAreBlack) {
    PixelView shape(4, 4, 1, 1);
    std::memset(shape.pixels, 255, 16);
    for (double amount : {1e300, -1e300, std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::quiet_NaN()}) {
        PixelView strip(2, 2, 1, 1);
        std::memset(strip.pixels, 255, 4);  // white: pushed the full amount
        displaceShape(ShapeWindow::of(shape), strip, {0, 0, 2, 2}, {0, 0, 2, 2}, amount, amount);
        for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(strip.pixels[i], 0) << amount;
    }
}

}  // namespace
}  // namespace brivo
