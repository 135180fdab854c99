// The headless pixels: clipping, polygons, lines from far away, and pixel maps of every
// layout the preview procedure accepts.
#include <gtest/gtest.h>

#include "host/toolkit/drawer.h"
#include "host/toolkit/software_canvas.h"

namespace brivo::test {
namespace {

using host::toolkit::Drawer;
using host::toolkit::Rgb;
using host::toolkit::RgbImage;
using host::toolkit::SoftwareCanvas;

RgbImage blank(int32_t width, int32_t height) {
    return {width, height, std::vector<uint8_t>(static_cast<size_t>(width * height) * 3, 0)};
}

int countColour(const RgbImage& image, Rgb colour) {
    int count = 0;
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x) count += image.at(x, y) == colour;
    return count;
}

constexpr Rgb kWhite{255, 255, 255};

TEST(SoftwareCanvas, DrawingStaysInsideTheItemAndItsRepaintRegion) {
    RgbImage image = blank(20, 20);
    SoftwareCanvas canvas(image);
    canvas.setRegion({0, 0, 8, 20});  // a repaint of the left part only
    Drawer drawer(canvas, {5, 5, 15, 15}, 0);
    drawer.setColor(kWhite);
    drawer.fillRect({-100, -100, 100, 100});
    EXPECT_EQ(countColour(image, kWhite), 3 * 10);  // columns 5..7 of rows 5..14
    EXPECT_EQ(image.at(4, 5), (Rgb{}));
    EXPECT_EQ(image.at(8, 5), (Rgb{}));
}

TEST(SoftwareCanvas, FarAwayLinesFinishAndDrawOnlyTheirVisiblePart) {
    RgbImage image = blank(50, 50);
    SoftwareCanvas canvas(image);
    Drawer drawer(canvas, {0, 0, 50, 50}, 0);
    drawer.setColor(kWhite);
    // A corner dragged far beyond the picture: the outline's edge crosses the image.
    drawer.line({-2000000000, 25}, {2000000000, 25});
    EXPECT_EQ(countColour(image, kWhite), 50);
    drawer.line({10, 10}, {10, 10});  // a single point
    EXPECT_EQ(image.at(10, 10), kWhite);
}

TEST(SoftwareCanvas, PolygonsFillByPixelCentresAndFramesJoinTheLastPointToTheFirst) {
    RgbImage image = blank(20, 20);
    SoftwareCanvas canvas(image);
    Drawer drawer(canvas, {0, 0, 20, 20}, 0);
    drawer.setColor(kWhite);
    drawer.fillPolygon({{2, 2}, {12, 2}, {12, 6}, {2, 6}});
    EXPECT_EQ(countColour(image, kWhite), 10 * 4);
    image = blank(20, 20);
    drawer.framePolygon({{0, 10}, {5, 10}, {5, 15}});
    EXPECT_EQ(image.at(3, 13), kWhite);  // on the closing diagonal
    drawer.framePolygon({{1, 1}});       // too few points: nothing
    EXPECT_EQ(image.at(1, 1), (Rgb{}));
}

TEST(SoftwareCanvas, PixelMapsOfGreyRgbAndCmykLayoutsLandAtTheirDestination) {
    RgbImage image = blank(10, 10);
    SoftwareCanvas canvas(image);
    Drawer drawer(canvas, {2, 2, 10, 10}, 0);
    // Interleaved RGB with a fourth byte, one row of 2 pixels and 2 padding bytes.
    uint8_t rgb[10] = {10, 20, 30, 99, 40, 50, 60, 99, 0, 0};
    PSPixelMap map{1, {0, 0, 1, 2}, 3, 10, 4, 1, rgb};
    ASSERT_EQ(drawer.pixelMap(map, {0, 1, 1, 2}, 1, 3), kSPNoError);
    EXPECT_EQ(image.at(2 + 3, 2 + 1), (Rgb{40, 50, 60}));
    // CMYK as the host keeps it (255 = no ink): white paper, and half black.
    uint8_t cmyk[8] = {255, 255, 255, 255, 255, 255, 255, 128};
    PSPixelMap cmykMap{1, {0, 0, 1, 2}, 4, 8, 4, 1, cmyk};
    ASSERT_EQ(drawer.pixelMap(cmykMap, {0, 0, 1, 2}, 0, 0), kSPNoError);
    EXPECT_EQ(image.at(2, 2), (Rgb{255, 255, 255}));
    EXPECT_EQ(image.at(3, 2), (Rgb{128, 128, 128}));
    // Planar grey: one byte per pixel.
    uint8_t grey[2] = {7, 8};
    PSPixelMap greyMap{1, {0, 0, 1, 2}, 1, 2, 1, 1, grey};
    ASSERT_EQ(drawer.pixelMap(greyMap, {0, 0, 1, 2}, 5, 5), kSPNoError);
    EXPECT_EQ(image.at(2 + 6, 2 + 5), (Rgb{8, 8, 8}));
}

TEST(SoftwareCanvas, PixelMapsThatWouldBeReadOutsideTheirRowsAreRefused) {
    RgbImage image = blank(4, 4);
    SoftwareCanvas canvas(image);
    Drawer drawer(canvas, {0, 0, 4, 4}, 0);
    uint8_t bytes[16] = {};
    PSPixelMap map{1, {0, 0, 2, 2}, 3, 8, 4, 1, bytes};
    EXPECT_EQ(drawer.pixelMap(map, {0, 0, 3, 2}, 0, 0), kSPBadParameterError);  // below it
    EXPECT_EQ(drawer.pixelMap(map, {1, 0, 0, 2}, 0, 0), kSPBadParameterError);  // reversed
    map.rowBytes = 6;  // two 4-byte pixels cannot fit in 6 bytes
    EXPECT_EQ(drawer.pixelMap(map, {0, 0, 2, 2}, 0, 0), kSPBadParameterError);
    map.rowBytes = 8;
    map.imageMode = 2;  // a mode without a layout here
    EXPECT_EQ(drawer.pixelMap(map, {0, 0, 2, 2}, 0, 0), kSPBadParameterError);
    map.imageMode = 3;
    map.baseAddr = nullptr;
    EXPECT_EQ(drawer.pixelMap(map, {0, 0, 2, 2}, 0, 0), kSPBadParameterError);
}

}  // namespace
}  // namespace brivo::test
