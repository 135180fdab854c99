// The main dialog driven by user events on the headless toolkit, through the start
// selector: layout, what the preview shows, zoom, views, Reset, corners, the pattern
// chooser, keys, failures and tiny documents.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "colorspace_suite.h"
#include "dialog/dialog_session.h"
#include "dialog/preview_geometry.h"
#include "host/files/image_file.h"
#include "support/parameter_expectations.h"
#include "support/temp_dir.h"
#include "zstring_suite.h"

namespace brivo {
namespace {

using host::toolkit::Dialog;
using host::toolkit::HeadlessEvent;
using host::toolkit::Item;
using host::toolkit::Key;
using test::DialogSession;
using test::Fill;
using test::itemAt;
using test::makeDocument;

constexpr ADMPoint kOk{718, 20};
constexpr ADMPoint kReset{504, 20};
constexpr ADMPoint kZoomOut{328, 312};
constexpr ADMPoint kZoomIn{376, 312};
constexpr ADMRect kZoomLabel{336, 304, 368, 320};
constexpr ADMPoint kMatteView{124, 312};
constexpr ADMPoint kSwatch{84, 481};
constexpr ADMPoint kSelectPattern{728, 211};
constexpr ADMRect kShapeFileLabel{398, 203, 688, 219};
constexpr ADMRect kLevelEdit{325, 363, 370, 382};
constexpr ADMRect kMatteChannelPopup{488, 54, 579, 74};
constexpr ADMPoint kViewerOrigin{7, 7};
constexpr ADMRect kViewerLocal{0, 0, 377, 290};

std::string textOf(Dialog& dialog, const ADMRect& rect) {
    Item* item = itemAt(dialog, rect);
    return item != nullptr ? item->text : "<no item>";
}

// A corner's pixel in dialog coordinates for a document of the given size at zoom 1.
ADMPoint cornerInDialog(int32_t width, int32_t height, const CornerPoint& corner) {
    const PreviewLayout layout = layoutPreview(kViewerLocal, width, height, 1.0);
    const ADMPoint local = cornerPixel(layout.picture, corner);
    return ADMPoint{local.x + kViewerOrigin.x, local.y + kViewerOrigin.y};
}

TEST(LightDialog, IsLaidOutAsDesignedAndReturnConfirmsIt) {
    DialogSession dialog(makeDocument(plugInModeRGBColor, 120, 80, Fill::noise));
    dialog.inspect([](Dialog& shown) {
        EXPECT_EQ(shown.width(), 775);
        EXPECT_EQ(shown.height(), 514);
        EXPECT_EQ(shown.title, "Brivo!");
        EXPECT_NE(itemAt(shown, ADMRect{7, 7, 384, 297}), nullptr) << "viewer";
        EXPECT_NE(itemAt(shown, ADMRect{668, 7, 768, 33}), nullptr) << "OK";
        EXPECT_NE(itemAt(shown, ADMRect{391, 184, 768, 507}), nullptr) << "shape frame";
        EXPECT_EQ(textOf(shown, kZoomLabel), "100%");
        EXPECT_EQ(textOf(shown, kShapeFileLabel), "None");
        EXPECT_EQ(textOf(shown, kLevelEdit), "100");
    });
    dialog.backend().queue(HeadlessEvent::keyPress(Key::enter));
    EXPECT_EQ(dialog.start(FilterParameters()), noErr);
}

// The preview shows what the filter will write: at zoom 1, on a document that fits the
// viewer, the "Output" view is the filter's result byte for byte, also with a pattern
// smaller than the document and every shape setting.
TEST(LightDialog, OutputViewIsTheFiltersResult) {
    test::TempDir folder;
    host::PlanarDocument pattern = host::makePlanarDocument(23, 17, plugInModeGrayScale);
    for (size_t i = 0; i < pattern.planes[0].size(); ++i)
        pattern.planes[0][i] = static_cast<uint8_t>(i * 7 + i / 23 * 3);
    const std::string patternPath = (folder / "small.png").string();
    host::writeImageFile(pattern, patternPath);

    FilterParameters params;
    params.shapeFile.assign(patternPath);
    params.shapeBlendMode = static_cast<int32_t>(ShapeBlendMode::Screen);
    params.lightSource = static_cast<int32_t>(LightSource::Image);
    params.lightBlur = 1.5;
    const std::vector<std::pair<const char*, void (*)(FilterParameters&)>> settings = {
        {"as it is", [](FilterParameters&) {}},
        {"scaled", [](FilterParameters& p) { p.shapeScaleX = 150, p.shapeScaleY = 70; }},
        {"blurred", [](FilterParameters& p) { p.shapeBlurX = 2.5, p.shapeBlurY = 1; }},
        {"rotated", [](FilterParameters& p) { p.shapeRotate = 28; }},
        {"moved", [](FilterParameters& p) { p.shapePosX = -18, p.shapePosY = 12; }},
        {"pinned",
         [](FilterParameters& p) {
             p.cornerPin[2] = CornerPoint{0.8, 0.9};
         }},
        {"displaced", [](FilterParameters& p) { p.lightDisplacement = 20; }},
    };
    std::vector<uint8_t> previous;
    for (const auto& [name, change] : settings) {
        SCOPED_TRACE(name);
        change(params);  // the settings accumulate
        DialogSession dialog(makeDocument(plugInModeRGBColor, 61, 45, Fill::noise));
        dialog.click(kOk);
        ASSERT_EQ(dialog.start(params), noErr);
        const DialogSession::Picture& preview = DialogSession::lastPicture();
        ASSERT_EQ(preview.width, 61);
        ASSERT_EQ(preview.height, 45);
        const host::PlanarDocument& result = dialog.host().document();
        for (int32_t y = 0; y < 45; ++y)
            for (int32_t x = 0; x < 61; ++x)
                for (int32_t c = 0; c < 3; ++c)
                    ASSERT_EQ(preview.samples[static_cast<size_t>((y * 61 + x) * 3 + c)],
                              result.planes[c][static_cast<size_t>(y * 61 + x)])
                        << x << "," << y << " channel " << c;
        EXPECT_NE(preview.samples, previous) << "every setting shows";
        previous = preview.samples;
    }
}

TEST(LightDialog, ZoomStepsOutAndBackWithTheirLabels) {
    DialogSession dialog(makeDocument(plugInModeRGBColor, 600, 400, Fill::noise));
    std::vector<std::string> labels;
    std::vector<std::pair<bool, bool>> enabled;  // (+, -)
    const auto look = [&] {
        dialog.inspect([&](Dialog& shown) {
            labels.push_back(textOf(shown, kZoomLabel));
            enabled.emplace_back(itemAt(shown, ADMRect{368, 304, 384, 320})->enabled,
                                 itemAt(shown, ADMRect{320, 304, 336, 320})->enabled);
        });
    };
    look();
    for (int step = 0; step < 5; ++step) {  // the fifth click is on a disabled button
        dialog.click(kZoomOut);
        look();
    }
    for (int step = 0; step < 4; ++step) {
        dialog.click(kZoomIn);
        look();
    }
    dialog.click(kOk);
    ASSERT_EQ(dialog.start(FilterParameters()), noErr);
    const std::vector<std::string> expected = {"100%", " 85%", " 70%", " 54%", " 50%",
                                               " 50%", " 65%", " 80%", " 95%", "100%"};
    EXPECT_EQ(labels, expected);
    EXPECT_EQ(enabled.front(), std::make_pair(false, true));
    EXPECT_EQ(enabled[4], std::make_pair(true, false));
    EXPECT_EQ(enabled.back(), std::make_pair(false, true));
}

TEST(LightDialog, CmykOffersSevenMatteChannelsAndAStoredHueFallsBack) {
    DialogSession dialog(makeDocument(plugInModeCMYKColor, 50, 40, Fill::noise));
    dialog.inspect([](Dialog& shown) {
        Item* popup = itemAt(shown, kMatteChannelPopup);
        ASSERT_NE(popup, nullptr);
        ASSERT_NE(popup->list, nullptr);
        EXPECT_EQ(popup->list->entries.size(), 7u);
        ASSERT_NE(popup->list->active, nullptr);
        EXPECT_EQ(popup->list->active->text, "Luminance");
    });
    dialog.click(kOk);
    FilterParameters params;
    params.matteChannel = static_cast<int32_t>(MatteChannel::Hue);
    ASSERT_EQ(dialog.start(params), noErr);
    EXPECT_EQ(dialog.parameters().matteChannel, 0);
}

TEST(LightDialog, ResetRestoresTheDefaultsAndTheOutputViewButKeepsTheZoom) {
    DialogSession dialog(makeDocument(plugInModeRGBColor, 300, 200, Fill::noise));
    FilterParameters params;
    params.lightBrightness = 320;
    params.matteRange = 40;
    params.cornerPin[1] = CornerPoint{0.7, 0.2};
    dialog.click(kZoomOut);
    dialog.click(kMatteView);
    dialog.click(kReset);
    dialog.inspect([](Dialog& shown) {
        EXPECT_EQ(textOf(shown, kZoomLabel), " 85%");
        EXPECT_TRUE(itemAt(shown, ADMRect{7, 304, 85, 320})->boolValue) << "Output";
        EXPECT_FALSE(itemAt(shown, ADMRect{85, 304, 163, 320})->boolValue) << "Matte";
        EXPECT_EQ(textOf(shown, kLevelEdit), "100");
    });
    dialog.click(kOk);
    ASSERT_EQ(dialog.start(params), noErr);
    test::expectSameValues(dialog.parameters(), FilterParameters());
    EXPECT_EQ(DialogSession::lastPicture().channels, 3) << "the output view shows again";
}

TEST(LightDialog, CornersAreDraggedAndResetWithTheirModifiers) {
    constexpr int32_t w = 100, h = 50;
    const ADMPoint upperLeft = cornerInDialog(w, h, {0, 0});
    const ADMPoint middle = cornerInDialog(w, h, {0.5, 0.5});
    {
        DialogSession dialog(makeDocument(plugInModeRGBColor, w, h, Fill::noise));
        dialog.backend().queue(HeadlessEvent::move(upperLeft));
        dialog.backend().queue(HeadlessEvent::press(upperLeft));
        dialog.backend().queue(HeadlessEvent::drag(ADMPoint{middle.x + 200, middle.y}));
        dialog.backend().queue(HeadlessEvent::drag(middle));
        dialog.backend().queue(HeadlessEvent::release(middle));
        dialog.click(kOk);
        ASSERT_EQ(dialog.start(FilterParameters()), noErr);
        EXPECT_EQ(dialog.parameters().cornerPin[0], (CornerPoint{0.5, 0.5}));
        EXPECT_EQ(dialog.parameters().cornerPin[1], kDefaultCornerPin[1]);
    }
    FilterParameters moved;
    for (int corner = 0; corner < 4; ++corner)
        moved.cornerPin[corner] = CornerPoint{0.25 + corner * 0.1, 0.5};
    {
        // Shift on a handle: that corner alone goes back.
        DialogSession dialog(makeDocument(plugInModeRGBColor, w, h, Fill::noise));
        dialog.click(cornerInDialog(w, h, moved.cornerPin[2]), kADMShiftKeyModifier);
        dialog.click(kOk);
        ASSERT_EQ(dialog.start(moved), noErr);
        EXPECT_EQ(dialog.parameters().cornerPin[2], kDefaultCornerPin[2]);
        EXPECT_EQ(dialog.parameters().cornerPin[1], moved.cornerPin[1]);
    }
    {
        // Shift and Alt: all four.
        DialogSession dialog(makeDocument(plugInModeRGBColor, w, h, Fill::noise));
        dialog.click(cornerInDialog(w, h, moved.cornerPin[1]),
                     kADMShiftKeyModifier | kADMAltKeyModifier);
        dialog.click(kOk);
        ASSERT_EQ(dialog.start(moved), noErr);
        EXPECT_FALSE(dialog.parameters().isCornerPinModified());
    }
}

TEST(LightDialog, TinyDocumentsAndWildCornersStayUsable) {
    for (const auto& [w, h] : {std::pair{1, 5000}, std::pair{5000, 1}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        DialogSession dialog(makeDocument(plugInModeGrayScale, w, h, Fill::noise));
        const ADMPoint corner = cornerInDialog(w, h, {1, 1});
        dialog.backend().queue(HeadlessEvent::move(corner));
        dialog.backend().queue(HeadlessEvent::press(corner));
        dialog.backend().queue(HeadlessEvent::drag(ADMPoint{corner.x + 40, corner.y - 30}));
        dialog.backend().queue(HeadlessEvent::release(ADMPoint{corner.x + 40, corner.y - 30}));
        dialog.click(kOk);
        ASSERT_EQ(dialog.start(FilterParameters()), noErr);
        // On a one-pixel picture two handles overlap; the first of them moves.
        const FilterParameters result = dialog.parameters();
        EXPECT_TRUE(result.isCornerPinModified());
        for (const CornerPoint& corner : result.cornerPin)
            EXPECT_TRUE(std::isfinite(corner.x) && std::isfinite(corner.y));
    }
    DialogSession dialog(makeDocument(plugInModeRGBColor, 64, 48, Fill::noise));
    FilterParameters wild;
    wild.cornerPin[0] = CornerPoint{1e300, -1e300};
    wild.cornerPin[3] = CornerPoint{-4e9, 7e12};
    dialog.click(kOk);
    EXPECT_EQ(dialog.start(wild), noErr);
}

TEST(LightDialog, ViewButtonsChooseWhatThePreviewShowsAndTheChoiceIsKept) {
    DialogSession dialog(makeDocument(plugInModeRGBColor, 80, 60, Fill::noise));
    dialog.click(kMatteView);
    dialog.click(kOk);
    ASSERT_EQ(dialog.start(FilterParameters()), noErr);
    EXPECT_EQ(DialogSession::lastPicture().channels, 1) << "the matte is one channel";
    // The next start opens on the matte view.
    dialog.inspect([](Dialog& shown) {
        EXPECT_TRUE(itemAt(shown, ADMRect{85, 304, 163, 320})->boolValue);
    });
    dialog.click(kOk);
    ASSERT_EQ(dialog.start(FilterParameters()), noErr);
}

// CMYK is drawn as the host's colour service converts it (for a document without a
// profile: each ink times the black, rounded).
TEST(LightDialog, CmykIsShownThroughTheColourService) {
    host::PlanarDocument document = makeDocument(plugInModeCMYKColor, 40, 30);
    for (auto& plane : document.planes) std::fill(plane.begin(), plane.end(), uint8_t{200});
    DialogSession dialog(std::move(document));
    dialog.click(ADMPoint{280, 312});  // the Original view
    const ADMPoint centre = cornerInDialog(40, 30, {0.5, 0.5});
    dialog.backend().queue(HeadlessEvent::run([&](host::toolkit::Toolkit&, Dialog& shown) {
        const host::toolkit::Rgb pixel = dialog.backend().frame(shown).at(centre.x, centre.y);
        EXPECT_EQ(pixel, (host::toolkit::Rgb{157, 157, 157}));  // (200 × 200 + 127) / 255
    }));
    dialog.click(kOk);
    ASSERT_EQ(dialog.start(FilterParameters()), noErr);
}

TEST(LightDialog, ThePatternChooserShowsTheFileAndRefusesOverlongPaths) {
    DialogSession dialog(makeDocument(plugInModeRGBColor, 80, 60, Fill::noise));
    using Answer = host::toolkit::HeadlessBackend::FileAnswer;
    dialog.backend().answerFile(Answer{Answer::Kind::path, "/data/shapes/leaf.png"});
    dialog.click(kSelectPattern);
    dialog.inspect([](Dialog& shown) { EXPECT_EQ(textOf(shown, kShapeFileLabel), "leaf.png"); });
    dialog.backend().answerFile(Answer{Answer::Kind::path, "/" + std::string(320, 'x') + ".png"});
    dialog.click(kSelectPattern);
    dialog.inspect([](Dialog& shown) {
        EXPECT_EQ(textOf(shown, kShapeFileLabel), "Path too long; not used");
    });
    dialog.backend().answerFile(Answer{Answer::Kind::cancel, ""});
    dialog.click(kSelectPattern);
    dialog.click(kOk);
    ASSERT_EQ(dialog.start(FilterParameters()), noErr);
    EXPECT_STREQ(dialog.parameters().shapeFile.c_str(), "/data/shapes/leaf.png");
    ASSERT_FALSE(dialog.backend().fileRequests().empty());
    const auto& request = dialog.backend().fileRequests().front();
    EXPECT_EQ(request.title, "Choose Pattern...");
    EXPECT_TRUE(request.startFolder.ends_with("/Patterns")) << request.startFolder;
}

TEST(LightDialog, ReturnInAFieldCommitsItFirstAndEscapeCancels) {
    {
        DialogSession dialog(makeDocument(plugInModeRGBColor, 80, 60, Fill::noise));
        dialog.click(ADMPoint{347, 372});
        dialog.backend().queue(HeadlessEvent::typing("\b\b\b250"));
        dialog.backend().queue(HeadlessEvent::keyPress(Key::enter));
        ASSERT_EQ(dialog.start(FilterParameters()), noErr);
        EXPECT_EQ(dialog.parameters().lightBrightness, 250.0);
    }
    DialogSession dialog(makeDocument(plugInModeRGBColor, 80, 60, Fill::noise));
    dialog.backend().queue(HeadlessEvent::keyPress(Key::escape));
    FilterParameters params;
    params.lightBrightness = 222;
    EXPECT_EQ(dialog.start(params), userCanceledErr);
}

// A host error inside the dialog ends it with the error's own code, not as a cancel, and
// the parameters are as they were before the start.
TEST(LightDialog, AHostErrorKeepsItsCodeAndRestoresTheParameters) {
    DialogSession dialog(makeDocument(plugInModeRGBColor, 80, 60, Fill::noise));
    dialog.host().withholdSuite(kASZStringSuite);
    dialog.click(kSwatch);  // the colour picker needs the text suite for its prompt
    dialog.click(kOk);
    FilterParameters params;
    params.lightBrightness = 333;
    EXPECT_EQ(dialog.start(params), errPlugInHostInsufficient);
    test::expectSameValues(dialog.parameters(), FilterParameters());
}

// A failure while the dialog is being built gives back everything built so far (the start
// checks that every lock, suite and buffer came back) and keeps its own code.
TEST(LightDialog, AFailureWhileBuildingReleasesWhatWasBuilt) {
    {
        DialogSession dialog(makeDocument(plugInModeRGBColor, 200, 150, Fill::noise));
        dialog.host().setBufferLimit(200 * 150 * 4 + 1000);  // no room for the preview buffers
        EXPECT_EQ(dialog.start(FilterParameters()), memFullErr);
    }
    DialogSession dialog(makeDocument(plugInModeRGBColor, 40, 30, Fill::noise));
    dialog.host().withholdSuite(kPSColorSpaceSuite);  // the swatch cannot show its colour
    EXPECT_EQ(dialog.start(FilterParameters()), errPlugInHostInsufficient);
}

// A host without one of the toolkit's suites cannot show the dialog: the start says the
// host is insufficient, gives every suite back and leaves the parameters as they were.
TEST(LightDialog, AHostMissingAToolkitSuiteGetsInsufficientHost) {
    for (const char* missing : {kADMTrackerSuite, kADMBasicSuite, kADMImageSuite}) {
        DialogSession dialog(makeDocument(plugInModeRGBColor, 40, 30, Fill::noise));
        dialog.host().withholdSuite(missing);
        bool shown = false;
        dialog.inspect([&](Dialog&) { shown = true; });
        FilterParameters params;
        params.lightBrightness = 250;
        EXPECT_EQ(dialog.start(params), errPlugInHostInsufficient) << missing;
        EXPECT_FALSE(shown) << missing;
        test::expectSameValues(dialog.parameters(), FilterParameters());
    }
}

TEST(LightDialog, OnlyDocumentsTheFilterCanLightReachIt) {
    DialogSession dialog(makeDocument(plugInModeRGBColor, 40, 30, Fill::noise));
    dialog.host().setRecordHook([](FilterRecord& record) { record.depth = 16; });
    bool shown = false;
    dialog.inspect([&](Dialog&) { shown = true; });
    EXPECT_EQ(dialog.start(FilterParameters()), errPlugInHostInsufficient);
    EXPECT_FALSE(shown);
}

TEST(LightDialog, SurvivesAToolkitThatCallsBackFromEverywhere) {
    host::toolkit::HeadlessBackend::Options hostile;
    hostile.hostile = true;
    DialogSession dialog(makeDocument(plugInModeRGBColor, 90, 70, Fill::noise), hostile);
    dialog.click(kZoomOut);
    dialog.click(kMatteView);
    dialog.click(kOk);
    EXPECT_EQ(dialog.start(FilterParameters()), noErr);
}

}  // namespace
}  // namespace brivo
