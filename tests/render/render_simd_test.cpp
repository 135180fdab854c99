// The vector-compiled displacement and corner-pin loops give the reference bytes, and the
// whole filter through PluginMain renders the same document bytes with BRIVO_NO_SIMD=1 as
// with the vector tables.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "filter_record.h"
#include "host/descriptor_host.h"
#include "image/simd_dispatch.h"
#include "render/corner_pin_warp.h"
#include "render/light_mask.h"
#include "shell/parameter_table.h"
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

TEST(RenderSimd, DisplacementMatchesReference) {
    if (!cpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this CPU";
    std::mt19937 random(31);
    const double amounts[] = {0.0, 3.5, -7.25, 40.0, 1e6, kNaN};
    for (int32_t width = 1; width <= 41; width += 4) {
        const int32_t height = 1 + width % 5;
        Bytes shape(width + 3, height + 2, 3, random);
        for (double ax : amounts) {
            for (double ay : {0.0, 2.5, -30.0}) {
                Bytes expected(width, height, 1 + 2 * (width % 3), random);
                Bytes actual(expected);
                // Shape rectangles equal to, smaller than and larger than the strip.
                const VRect rect{2, 5, 2 + height, 5 + width};
                const VRect shapeRect{0, 1, height + 1, width + 3};
                scalarLightMaskKernels().displaceShape(shape.view, expected.view, rect, shapeRect,
                                                       ax, ay);
                avx2LightMaskKernels().displaceShape(shape.view, actual.view, rect, shapeRect, ax,
                                                     ay);
                ASSERT_EQ(expected.data, actual.data)
                    << "width " << width << " ax " << ax << " ay " << ay;
            }
        }
    }
}

TEST(RenderSimd, CornerPinMatchesReference) {
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
            const Bytes source(width, height, 3, random);
            Bytes expected(width, height, 1 + width % 4, random);
            Bytes actual(expected);
            {
                const ReferencePath reference;
                cornerPinWarp(source.view, expected.view, quad);
            }
            cornerPinWarp(source.view, actual.view, quad);
            ASSERT_EQ(expected.data, actual.data) << "width " << width << " corner " << quad[1].x;
        }
    }
}

// The module's output for a document and settings, on the chosen path.
std::vector<std::vector<uint8_t>> renderThroughModule(int32_t imageMode,
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
