// The vector-compiled displacement and corner-pin loops give the reference bytes, a shape
// stored as its non-zero part samples like the whole image, and the whole filter through
// PluginMain renders the same document bytes with BRIVO_NO_SIMD=1 as with the vector tables.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/parameter_table.h"
#include "core/simd_dispatch.h"
#include "filter_record.h"
#include "host/scripting/descriptor_host.h"
#include "render/corner_pin_warp.h"
#include "render/light_mask.h"
#include "render/shape_blend.h"
#include "support/host_fixture.h"

namespace brivo {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Bytes {
    Bytes(int32_t width, int32_t height, int32_t padding, std::mt19937& random)
        : data(static_cast<size_t>((width + padding) * height)) {
        for (uint8_t& b : data) b = static_cast<uint8_t>(random());
        view.setTo(width, height, 1, 1, width + padding, data.data());
    }
    Bytes(const Bytes& other) : data(other.data) {
        view.setTo(other.view.width, other.view.height, 1, 1, other.view.rowBytes, data.data());
    }
    std::vector<uint8_t> data;
    PixelView view;
};

// Sets BRIVO_NO_SIMD for the lifetime of the object.
struct ReferencePath {
    ReferencePath() { setenv("BRIVO_NO_SIMD", "1", 1); }
    ~ReferencePath() { unsetenv("BRIVO_NO_SIMD"); }
};

// Random bytes of which only a part, bounds, belongs to the shape: the same shape as a
// window over that part and as a whole image that is 0 outside it.
struct PartialShape {
    PartialShape(int32_t width, int32_t height, const VRect& bounds, std::mt19937& random)
        : bytes(width, height, 2, random), dense(bytes) {
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                if (y < bounds.top || y >= bounds.bottom || x < bounds.left || x >= bounds.right)
                    *dense.view.at(x, y) = 0;
        window = ShapeWindow::of(bytes.view);
        window.bounds = bounds;
        window.first = bounds.right > bounds.left && bounds.bottom > bounds.top
                           ? bytes.view.at(bounds.left, bounds.top)
                           : nullptr;
    }
    Bytes bytes;
    Bytes dense;
    ShapeWindow window;
};

// Bounds that cover all of a width × height image, an inner part, a corner, one pixel and
// nothing.
std::vector<VRect> boundsFor(int32_t width, int32_t height) {
    return {VRect{0, 0, height, width},
            VRect{height / 3, width / 4, height - height / 3, width / 2},
            VRect{0, width / 2, height / 2, width},
            VRect{height / 2, width / 2, height / 2 + 1, width / 2 + 1}, VRect{0, 0, 0, 0}};
}

// The plain sampling of every strip pixel from the whole image, with no skipping.
void displaceEverywhere(const PixelView& shape, const PixelView& strip, const VRect& rect,
                        const VRect& shapeRect, double ax, double ay) {
    DisplacementGrid grid;
    if (!displacementGrid(rect, shapeRect, ax, ay, grid)) return;
    scalarLightMaskKernels().displaceShape(ShapeWindow::of(shape), strip, grid,
                                           PixelRegion{0, 0, strip.height, strip.width});
}

TEST(RenderSimd, DisplacementOfAPartialShapeMatchesTheWholeImage) {
    if (!cpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this CPU";
    std::mt19937 random(31);
    const double amounts[] = {0.0, 3.5, -7.25, 40.0, 1e6, kNaN};
    for (int32_t width = 1; width <= 41; width += 4) {
        const int32_t height = 1 + width % 5;
        const int32_t shapeWidth = 2 * width + 3;
        const int32_t shapeHeight = 2 * height + 2;
        for (const VRect& bounds : boundsFor(shapeWidth, shapeHeight)) {
            const PartialShape shape(shapeWidth, shapeHeight, bounds, random);
            for (double ax : amounts) {
                for (double ay : {0.0, 2.5, -30.0}) {
                    Bytes expected(width, height, 1 + 2 * (width % 3), random);
                    Bytes reference(expected);
                    Bytes actual(expected);
                    // Shape rectangles equal to, smaller than and larger than the strip.
                    const VRect rect{2, 5, 2 + height, 5 + width};
                    const VRect shapeRect{0, 1, height + 1, width + 3};
                    displaceEverywhere(shape.dense.view, expected.view, rect, shapeRect, ax, ay);
                    {
                        const ReferencePath plain;
                        displaceShape(shape.window, reference.view, rect, shapeRect, ax, ay);
                    }
                    displaceShape(shape.window, actual.view, rect, shapeRect, ax, ay);
                    SCOPED_TRACE(testing::Message()
                                 << "width " << width << " bounds " << bounds.left << ","
                                 << bounds.top << " ax " << ax << " ay " << ay);
                    ASSERT_EQ(expected.data, reference.data);
                    ASSERT_EQ(expected.data, actual.data);
                }
            }
        }
    }
}

TEST(RenderSimd, CornerPinOfAPartialShapeMatchesTheWholeImage) {
    if (!cpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this CPU";
    std::mt19937 random(32);
    const CornerPoint quads[][4] = {
        {{0, 0}, {1, 0}, {1, 1}, {0, 1}},         // identity
        {{0, 0}, {0.9, 0.1}, {1, 1}, {0.05, 1}},  // projective, as the benchmark sets
        {{0.2, -0.3}, {1.4, 0.1}, {0.7, 1.8}, {-0.5, 0.6}},
        {{1, 0}, {0, 0}, {0, 1}, {1, 1}},                  // mirrored
        {{0.5, 0.5}, {0.6, 0.5}, {5.0, 9.0}, {0.5, 0.6}},  // vanishing line inside
        {{0, 0}, {1, 1}, {2, 2}, {3, 3}},                  // no area
        {{0.1, 0.1}, {0.1, 0.1}, {0.1, 0.1}, {0.1, 0.1}},
    };
    for (const auto& quad : quads) {
        for (int32_t width = 1; width <= 45; width += 4) {
            const int32_t height = 1 + (width * 7) % 23;
            for (const VRect& bounds : boundsFor(width, height)) {
                const PartialShape source(width, height, bounds, random);
                Bytes expected(width, height, 1 + width % 4, random);
                Bytes reference(expected);
                Bytes actual(expected);
                {
                    const ReferencePath plain;
                    cornerPinWarp(ShapeWindow::of(source.dense.view), expected.view, quad);
                    cornerPinWarp(source.window, reference.view, quad);
                }
                cornerPinWarp(source.window, actual.view, quad);
                SCOPED_TRACE(testing::Message() << "width " << width << " corner " << quad[1].x
                                                << " bounds " << bounds.left << "," << bounds.top);
                ASSERT_EQ(expected.data, reference.data);
                ASSERT_EQ(expected.data, actual.data);
            }
        }
    }
}

TEST(RenderSimd, ShapeBlendGivesTheReferenceForEveryPairOfBytes) {
    if (!cpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this CPU";
    // Every (shape, matte) pair once, then a ragged tail.
    const int32_t count = 65536 + 29;
    std::vector<uint8_t> shapeBytes(count);
    std::vector<uint8_t> matteBytes(count);
    for (int32_t i = 0; i < count; ++i) {
        shapeBytes[i] = static_cast<uint8_t>((i >> 8) ^ (i % 7));
        matteBytes[i] = static_cast<uint8_t>(i);
    }
    const PixelView matte(count, 1, 1, 1, count, matteBytes.data());
    const PixelView noMatte;
    for (int32_t mode = 0; mode < kShapeBlendModeCount; ++mode) {
        for (double opacity : {0.0, 0.4, 13.7, 33.0, 50.0, 99.99, 100.0}) {
            for (bool withMatte : {true, false}) {
                std::vector<uint8_t> blended = shapeBytes;
                PixelView strip(count, 1, 1, 1, count, blended.data());
                blendShape(strip, withMatte ? matte : noMatte, mode, opacity);
                const float o = static_cast<float>(opacity * 0.01);
                const int64_t weight = static_cast<int64_t>(o * 255.0);
                for (int32_t i = 0; i < count; ++i) {
                    const uint8_t expected =
                        blendShapePixel(static_cast<ShapeBlendMode>(mode), shapeBytes[i],
                                        withMatte ? matteBytes[i] : 0, o, weight);
                    ASSERT_EQ(blended[i], expected)
                        << "mode " << mode << " opacity " << opacity << " s " << int(shapeBytes[i])
                        << " m " << int(matteBytes[i]);
                }
            }
        }
    }
}

// Every destination pixel mapped and sampled by the plain loop, with no part skipped.
void warpEverywhere(const PixelView& source, const PixelView& destination,
                    const CornerPoint corners[4]) {
    for (int32_t y = 0; y < destination.height; ++y)
        std::memset(destination.row(y), 0, static_cast<size_t>(destination.width));
    float inverse[3][3];
    if (!cornerPinInverse(corners, source.width, source.height, inverse)) return;
    for (int32_t row = 0; row < destination.height; ++row)
        mapCornerPinColumns(ShapeWindow::of(source), inverse, row, 0, destination.width,
                            destination.row(row));
}

TEST(RenderSimd, CornerPinSkipsOnlyPixelsThatCannotReachTheShape) {
    std::mt19937 random(33);
    const CornerPoint quads[][4] = {
        {{0, 0}, {0.9, 0.1}, {1, 1}, {0.05, 1}},
        {{0.3, 0.1}, {0.7, 0.1}, {1.2, 0.9}, {-0.2, 0.9}},  // strong perspective
        {{0.5, 0.5}, {0.6, 0.5}, {5.0, 9.0}, {0.5, 0.6}},   // vanishing line inside
        {{0.49, 0.2}, {0.51, 0.2}, {30.0, 0.8}, {-29.0, 0.8}},
        {{1, 1}, {0, 1}, {0, 0}, {1, 0}},                    // turned half way
        {{0.1, 0.4}, {0.9, 0.45}, {0.2, 0.5}, {0.8, 0.55}},  // crossed sides
    };
    const int32_t width = 700;
    const int32_t height = 300;
    const VRect partBounds[] = {
        {120, 300, 160, 380}, {0, 0, 10, 10}, {290, 690, 300, 700}, {50, 0, 250, 700}};
    for (const auto& quad : quads) {
        for (const VRect& bounds : partBounds) {
            const PartialShape source(width, height, bounds, random);
            Bytes expected(width, height, 0, random);
            Bytes actual(expected);
            warpEverywhere(source.dense.view, expected.view, quad);
            cornerPinWarp(source.window, actual.view, quad);
            SCOPED_TRACE(testing::Message() << "corner " << quad[1].x << "," << quad[2].x
                                            << " bounds " << bounds.left << "," << bounds.top);
            ASSERT_EQ(expected.data, actual.data);
        }
    }
}

// The module's output for a document and settings, on the chosen path.
std::vector<host::PlaneSamples> renderThroughModule(int32_t imageMode,
                                                    const host::DescriptorValues& settings,
                                                    bool reference) {
    if (reference) setenv("BRIVO_NO_SIMD", "1", 1);
    test::ModuleSession session =
        test::makeHost(test::makeDocument(imageMode, 173, 121, test::Fill::noise));
    session.services->descriptors().replay(settings, plugInDialogSilent);
    EXPECT_EQ(session->call(filterSelectorParameters), 0);
    EXPECT_EQ(session->call(filterSelectorPrepare), 0);
    session.services->descriptors().replay(settings, plugInDialogSilent);
    EXPECT_EQ(session->call(filterSelectorStart), 0);
    unsetenv("BRIVO_NO_SIMD");
    return session->document().planes;
}

TEST(RenderSimd, WholeFilterGivesTheReferenceBytes) {
    host::DescriptorValues plain;
    host::DescriptorValues shaped;
    shaped.put(kKeyShapeFile, std::string(BRIVO_SOURCE_DIR) + "/patterns/window_panes.png");
    shaped.put(kKeyShapeRotate, 30.0);
    shaped.put(kKeyLightDisplacement, 20.0);
    shaped.put(kKeyCorner1X, 0.9);
    shaped.put(kKeyCorner1Y, 0.1);
    shaped.put(kKeyCorner3X, 0.05);
    // The light from the matte, screened at a level beyond one full screen.
    host::DescriptorValues screened;
    screened.put(kKeyLightBlendMode,
                 host::EnumeratedValue{kLightBlendModes.type, kLightBlendModeCodes[2].code});
    screened.put(kKeyLightSource,
                 host::EnumeratedValue{kLightSources.type, kLightSourceCodes[1].code});
    screened.put(kKeyLightBrightness, 250.0);
    for (int32_t mode : {plugInModeGrayScale, plugInModeRGBColor, plugInModeCMYKColor}) {
        for (const host::DescriptorValues* settings : {&plain, &shaped, &screened}) {
            const auto reference = renderThroughModule(mode, *settings, true);
            const auto vector = renderThroughModule(mode, *settings, false);
            EXPECT_EQ(reference, vector) << "mode " << mode;
        }
    }
}

}  // namespace
}  // namespace brivo
