// Preview sizing and corner geometry: fitting, zoom, tiny documents, saturated corners.
#include "dialog/preview_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace brivo {
namespace {

constexpr ADMRect kViewer{0, 0, 377, 290};  // inset area 369 × 282 from (4, 4)

TEST(PreviewLayout, SmallDocumentsKeepTheirSizeAndLargeOnesShrinkByTheLargerRatio) {
    const PreviewLayout small = layoutPreview(kViewer, 100, 50, 1.0);
    EXPECT_EQ(small.width, 100);
    EXPECT_EQ(small.height, 50);
    EXPECT_EQ(small.picture.left, 4 + (369 - 100) / 2);
    EXPECT_EQ(small.picture.top, 4 + (282 - 50) / 2);
    EXPECT_EQ(small.picture.right - small.picture.left, 100);

    // 6000 × 4000: width ratio 16.26, height ratio 14.18; the width decides.
    const PreviewLayout large = layoutPreview(kViewer, 6000, 4000, 1.0);
    EXPECT_EQ(large.width, 369);
    EXPECT_EQ(large.height, 246);
    EXPECT_EQ(large.picture.left, 4);

    // Zoom reduces around the centre.
    const PreviewLayout zoomed = layoutPreview(kViewer, 6000, 4000, 0.5);
    EXPECT_EQ(zoomed.width, 184);
    EXPECT_EQ(zoomed.picture.left, 4 + (369 - 184) / 2);
}

TEST(PreviewLayout, NarrowFlatAndEmptyInputsStillGiveAPixel) {
    for (const auto& [w, h] : {std::pair{1, 5000}, {5000, 1}, {1, 1}, {0, 0}, {-3, 7}}) {
        for (double zoom : {1.0, 0.5}) {
            const PreviewLayout layout = layoutPreview(kViewer, w, h, zoom);
            EXPECT_GE(layout.width, 1) << w << "x" << h;
            EXPECT_GE(layout.height, 1) << w << "x" << h;
            EXPECT_EQ(layout.picture.right - layout.picture.left, layout.width);
            EXPECT_EQ(layout.picture.bottom - layout.picture.top, layout.height);
        }
    }
    // A viewer with no room left inside its inset still places one pixel.
    const PreviewLayout cramped = layoutPreview(ADMRect{0, 0, 6, 6}, 100, 100, 1.0);
    EXPECT_EQ(cramped.width, 1);
    EXPECT_EQ(cramped.height, 1);
}

TEST(CornerGeometry, PixelsHandlesAndDragsRoundTrip) {
    const ADMRect picture{20, 10, 120, 60};  // 100 × 50
    EXPECT_EQ(cornerPixel(picture, {0.5, 0.5}).x, 70);
    EXPECT_EQ(cornerPixel(picture, {0.5, 0.5}).y, 35);
    const ADMRect handle = handleRect(picture, {1.0, 1.0});
    EXPECT_EQ(handle.left, 113);
    EXPECT_EQ(handle.bottom, 67);
    EXPECT_TRUE(rectContains(handle, {113, 53}));
    EXPECT_FALSE(rectContains(handle, {127, 60})) << "right edge excluded";

    const CornerPoint dragged = cornerAt(picture, {-30, 85});
    EXPECT_DOUBLE_EQ(dragged.x, -0.5);
    EXPECT_DOUBLE_EQ(dragged.y, 1.5);
    // A one-pixel picture still gives finite corners.
    const CornerPoint tiny = cornerAt(ADMRect{5, 5, 6, 6}, {9, 2});
    EXPECT_TRUE(std::isfinite(tiny.x) && std::isfinite(tiny.y));
}

TEST(CornerGeometry, WildCornersAreSaturatedBeforeDrawing) {
    const ADMRect picture{4, 4, 373, 250};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const CornerPoint corner : {CornerPoint{1e300, -1e300}, CornerPoint{nan, 1e12},
                                     CornerPoint{std::numeric_limits<double>::infinity(), 0}}) {
        const ADMRect handle = handleRect(picture, corner);
        EXPECT_GE(handle.left, -32767);
        EXPECT_LE(handle.right, 32767);
        EXPECT_GE(handle.top, -32767);
        EXPECT_LE(handle.bottom, 32767);
    }
}

}  // namespace
}  // namespace brivo
