// The whole filter through PluginMain, strip by strip, against one render of the whole
// image computed here with the renderer itself, and the default look on each image mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/parameter_table.h"
#include "filter_record.h"
#include "host/color/color_service.h"
#include "host/color/colorspace_suite.h"
#include "host/runtime/buffer_suite.h"
#include "host/runtime/call_binding.h"
#include "host/runtime/suite_registry.h"
#include "host/scripting/descriptor_host.h"
#include "image/host_document.h"
#include "render/light_renderer.h"
#include "support/host_fixture.h"

namespace brivo {
namespace {

using host::DescriptorValues;
using host::PlanarDocument;

const std::string kPatternPath = std::string(BRIVO_SOURCE_DIR) + "/patterns/window_panes.png";

// Renders a whole document in this process with a renderer set up as the filtering run
// sets it up (no caching, prepared with the image size), in one piece.
PlanarDocument renderWhole(const PlanarDocument& document, const FilterParameters& params) {
    host::SuiteRegistry suites;
    host::BufferSuite buffers;
    host::ColorSpaceSuite colors(host::ColorService(document.imageMode, document.iccProfile));
    suites.add(kPSBufferSuite, kPSBufferSuiteVersion1, buffers.table());
    suites.add(kPSColorSpaceSuite, kPSColorSpaceSuiteVersion1, colors.table());
    host::CallBinding<host::SuiteRegistry> suiteBinding{suites};
    host::CallBinding<host::BufferSuite> bufferBinding{buffers};
    host::CallBinding<host::ColorSpaceSuite> colorBinding{colors};
    FilterRecord record{};
    record.sSPBasic = suites.basicSuite();
    record.imageMode = static_cast<int16_t>(document.imageMode);
    HostDocument hostDocument(&record);

    const auto planes = static_cast<int32_t>(document.planes.size());
    ImageHandle image = hostDocument.allocateBuffer(document.width, document.height, planes, 1,
                                                    static_cast<uint16_t>(document.imageMode));
    const size_t pixels = document.pixelCount();
    for (size_t i = 0; i < pixels; ++i)
        for (int32_t p = 0; p < planes; ++p)
            image->data[i * static_cast<size_t>(image->pixelBytes) + static_cast<size_t>(p)] =
                document.planes[static_cast<size_t>(p)][i];
    {
        LightRenderer renderer(hostDocument, &params, false);
        renderer.prepare(document.width, document.height);
        renderer.renderStrip(*image, VRect{0, 0, document.height, document.width});
    }
    PlanarDocument result = document;
    for (size_t i = 0; i < pixels; ++i)
        for (int32_t p = 0; p < planes; ++p)
            result.planes[static_cast<size_t>(p)][i] =
                image->data[i * static_cast<size_t>(image->pixelBytes) + static_cast<size_t>(p)];
    return result;
}

struct Settings {
    double lightBlur = 10.0;
    double matteBlur = 0.0;
    std::string shapeFile;
    double shapeRotate = 0.0;
    double lightDisplacement = 0.0;

    FilterParameters parameters() const {
        FilterParameters p;
        p.lightBlur = lightBlur;
        p.matteBlur = matteBlur;
        if (!shapeFile.empty()) p.shapeFile.assign(shapeFile);
        p.shapeRotate = shapeRotate;
        p.lightDisplacement = lightDisplacement;
        return p;
    }
};

Settings settingsOf(double lightBlur, double matteBlur, std::string shapeFile = {},
                    double shapeRotate = 0.0, double lightDisplacement = 0.0) {
    Settings s;
    s.lightBlur = lightBlur;
    s.matteBlur = matteBlur;
    s.shapeFile = std::move(shapeFile);
    s.shapeRotate = shapeRotate;
    s.lightDisplacement = lightDisplacement;
    return s;
}

// Runs the module's filtering on document with settings replayed silently.
PlanarDocument filterThroughModule(PlanarDocument document, const Settings& settings) {
    test::ModuleSession session = test::makeHost(std::move(document));
    DescriptorValues values;
    values.put(kKeyLightBlur, settings.lightBlur);
    values.put(kKeyMatteBlur, settings.matteBlur);
    values.put(kKeyShapeRotate, settings.shapeRotate);
    values.put(kKeyLightDisplacement, settings.lightDisplacement);
    if (!settings.shapeFile.empty()) values.put(kKeyShapeFile, settings.shapeFile);
    session.services->descriptors().replay(values, plugInDialogSilent);
    EXPECT_EQ(session->call(filterSelectorStart), noErr);
    EXPECT_EQ(session->lastCall().liveBuffers, 0);
    EXPECT_EQ(session->lastCall().outstandingSuites, 0);
    return session->document();
}

// Largest difference between the two documents' samples on one row.
int rowDifference(const PlanarDocument& a, const PlanarDocument& b, int32_t row) {
    int largest = 0;
    for (size_t p = 0; p < a.planes.size(); ++p) {
        for (int32_t x = 0; x < a.width; ++x) {
            const size_t i =
                static_cast<size_t>(row) * static_cast<size_t>(a.width) + static_cast<size_t>(x);
            largest = std::max(largest, std::abs(a.planes[p][i] - b.planes[p][i]));
        }
    }
    return largest;
}

// An image of at most 256 rows is one strip: the module's run and the whole-image render
// agree on every row.
TEST(StripDriver, OneStripEqualsTheWholeImageRender) {
    const Settings cases[] = {
        Settings{},
        settingsOf(10.0, 4.0),
        settingsOf(3.0, 0.0, kPatternPath, 30.0, 20.0),
    };
    for (const int32_t mode : {plugInModeGrayScale, plugInModeRGBColor, plugInModeCMYKColor}) {
        for (const Settings& settings : cases) {
            SCOPED_TRACE(testing::Message()
                         << "mode " << mode << ", light blur " << settings.lightBlur
                         << ", matte blur " << settings.matteBlur << ", shape "
                         << settings.shapeFile);
            const PlanarDocument document =
                test::makeDocument(mode, 90, 256, test::Fill::noise, false, 5);
            const PlanarDocument expected = renderWhole(document, settings.parameters());
            const PlanarDocument actual = filterThroughModule(document, settings);
            ASSERT_NE(expected.planes, document.planes);
            for (int32_t row = 0; row < document.height; ++row)
                ASSERT_EQ(rowDifference(actual, expected, row), 0) << "row " << row;
        }
    }
}

// A taller image is lit in strips of 256 rows, each read with `margin` rows of context
// above and below (none below the image). A blur pass of radius r reaches r rows, and each
// blur runs two passes per axis; the matte blur and then the light blur together reach up
// to 2 × matteBlur + 2 × lightBlur ≤ 4 × margin rows. A strip sees only margin rows past
// its core, so rows within 3 × margin of a join may see the strip's clamped edge instead
// of the real rows: they differ slightly from the whole-image render. Every other row is
// identical.
TEST(StripDriver, TallImagesDifferFromTheWholeRenderOnlyNearStripJoins) {
    struct Case {
        int32_t mode;
        Settings settings;
    };
    const Case cases[] = {
        {plugInModeRGBColor, settingsOf(10.0, 0.0)},
        {plugInModeRGBColor, settingsOf(6.0, 6.0)},
        {plugInModeGrayScale, settingsOf(4.0, 8.0, kPatternPath, 30.0, 20.0)},
        {plugInModeCMYKColor, settingsOf(10.0, 2.5)},
    };
    for (const Case& c : cases) {
        const Settings& s = c.settings;
        SCOPED_TRACE(testing::Message()
                     << "mode " << c.mode << ", light blur " << s.lightBlur << ", matte blur "
                     << s.matteBlur << ", shape " << s.shapeFile);
        const PlanarDocument document = test::makeDocument(c.mode, 70, 700, test::Fill::gradient);
        const PlanarDocument expected = renderWhole(document, s.parameters());
        const PlanarDocument actual = filterThroughModule(document, s);
        const int32_t margin = static_cast<int32_t>(std::ceil(std::max(s.lightBlur, s.matteBlur)));
        int nearJoins = 0;
        for (int32_t row = 0; row < document.height; ++row) {
            const int32_t distance = std::min(std::abs(row - 256), std::abs(row - 512));
            const int difference = rowDifference(actual, expected, row);
            if (distance >= 3 * margin) {
                ASSERT_EQ(difference, 0) << "row " << row;
            } else {
                EXPECT_LE(difference, 4) << "row " << row;
                nearJoins = std::max(nearJoins, difference);
            }
        }
        // The last strip ends at the image's bottom, where both renders see the same edge.
        EXPECT_EQ(rowDifference(actual, expected, document.height - 1), 0);
        RecordProperty("largest difference near joins", nearJoins);
    }
}

// A document in three bands of rows: black, a mid-tone, white.
PlanarDocument bands(int32_t mode) {
    constexpr int32_t kBand = 60;
    PlanarDocument document = test::makeDocument(mode, 48, 3 * kBand, test::Fill::gradient, true);
    const size_t planes = document.planes.size();
    for (int32_t y = 0; y < document.height; ++y) {
        const int band = y / kBand;
        for (int32_t x = 0; x < document.width; ++x) {
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(document.width) +
                             static_cast<size_t>(x);
            for (size_t p = 0; p < planes; ++p) {
                uint8_t value = band == 0 ? 0 : band == 2 ? 255 : 128;
                // CMYK bytes are 255 where there is no ink: the mid-tone is a grey of
                // C = M = Y = 128 without black ink, whose luminance is 128.
                if (mode == plugInModeCMYKColor && p == 3 && band == 1) value = 255;
                document.planes[p][i] = value;
            }
        }
    }
    return document;
}

// Defaults: the matte selects the mid-tones, whose light is added; black (no light there,
// since the light is the image masked by the matte) and white (Add saturates) stay, away
// from the reach of the light blur. Transparency is never touched.
TEST(StripDriver, DefaultsLightTheMidTonesAndLeaveBlackAndWhite) {
    for (const int32_t mode : {plugInModeGrayScale, plugInModeRGBColor, plugInModeCMYKColor}) {
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        const PlanarDocument document = bands(mode);
        test::ModuleSession session = test::makeHost(document);
        session.services->descriptors().replay(DescriptorValues{}, plugInDialogSilent);
        ASSERT_EQ(session->call(filterSelectorStart), noErr);
        const PlanarDocument& result = session->document();
        EXPECT_EQ(result.alpha, document.alpha);
        const int32_t reach = 2 * 10;  // the default light blur, two passes
        for (int32_t y = 0; y < document.height; ++y) {
            const int band = y / 60;
            const int32_t toEdge = std::min(y % 60, 59 - y % 60);
            for (size_t p = 0; p < document.planes.size(); ++p) {
                for (int32_t x = 0; x < document.width; ++x) {
                    const size_t i = static_cast<size_t>(y) * static_cast<size_t>(document.width) +
                                     static_cast<size_t>(x);
                    const uint8_t before = document.planes[p][i];
                    const uint8_t after = result.planes[p][i];
                    if (band == 2 || (band == 0 && toEdge > reach)) {
                        ASSERT_EQ(after, before)
                            << "band " << band << " row " << y << " plane " << p;
                    } else if (band == 1 && toEdge > reach &&
                               !(mode == plugInModeCMYKColor && p == 3)) {
                        // Add only brightens (in CMYK: removes ink).
                        ASSERT_GT(after, before) << "row " << y << " plane " << p;
                    } else {
                        ASSERT_GE(after, before) << "row " << y << " plane " << p;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace brivo
