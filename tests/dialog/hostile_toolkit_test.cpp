// Every class in a toolkit that calls back at the worst moments (inside Create and
// Destroy, and on every change), and a window whose building fails halfway: nothing may
// touch a half-built or half-destroyed object, and everything made must be unmade. Run
// under the sanitizers to catch what these expectations cannot.
#include <gtest/gtest.h>

#include <array>

#include "core/errors.h"
#include "dialog/adm/button.h"
#include "dialog/adm/dialog.h"
#include "dialog/adm/menu.h"
#include "dialog/cs_color_pot.h"
#include "dialog/eye_dropper.h"
#include "dialog/frame.h"
#include "dialog/labeled_combo_box.h"
#include "dialog/splash_item.h"
#include "dialog/text_slider.h"
#include "event_recorder.h"
#include "toolkit_harness.h"

namespace brivo {
namespace {

namespace tk = host::toolkit;

using test::EventRecorder;
using test::ToolkitHarness;
using tk::HeadlessEvent;

constexpr std::array<const char*, 3> kModes = {"Add", "Subtract", "Screen"};

// A window with one control of every kind, owned the way the real dialogs own theirs.
class EveryControl : public ADM::Dialog {
  public:
    EveryControl() : ADM::Dialog("every control", 0, 0, 0) {
        SetText("Every control");
        Size(400, 300);
        frame = std::make_unique<Frame>(*this, ADMRect{7, 7, 393, 150});
        frame->SetText("Light");
        blend = std::make_unique<LabeledComboBox>(*this, 10,
                                                  "Blend Mode:", ADMRect{14, 20, 195, 40}, kModes);
        level =
            std::make_unique<TextSlider>(*this, 12, "Level", ADMRect{14, 40, 377, 72}, 0, 600, 100);
        swatch = std::make_unique<CS_ColorPot>(*this, 15, ADMRect{64, 80, 104, 100});
        dropper = std::make_unique<EyeDropper>(*this, 16, ADMRect{111, 80, 137, 100});
        splash = std::make_unique<SplashItem>(*this, 1, 106);
        splash->Move(200, 200);
        reset = std::make_unique<ADM::Button>(*this, 3, "Reset", ADMRect{300, 260, 300, 280},
                                              ADM::Button::textPushButton);
        level->SetValue(250.0f, false);
        swatch->SetXYZ(CS_XYZ{32768, 32768, 32768});
        blend->combo().SelectIndex(1, true);
    }

    std::unique_ptr<Frame> frame;
    std::unique_ptr<LabeledComboBox> blend;
    std::unique_ptr<TextSlider> level;
    std::unique_ptr<CS_ColorPot> swatch;
    std::unique_ptr<EyeDropper> dropper;
    std::unique_ptr<SplashItem> splash;
    std::unique_ptr<ADM::Button> reset;
};

tk::HeadlessBackend::Options hostile() {
    tk::HeadlessBackend::Options options;
    options.hostile = true;
    return options;
}

TEST(HostileToolkit, EveryControlSurvivesCallbacksInsideCreateDestroyAndChanges) {
    ToolkitHarness harness(hostile());
    {
        auto suites = harness.suites();
        EveryControl window;
        EventRecorder recorder;
        recorder.listen(*window.level, ADM::events::changed);
        recorder.listen(*window.blend, ADM::events::select);
        recorder.listen(*window.reset, ADM::events::select);
        harness.pickerAnswers = {host::Xyz16{30000, 20000, 10000}};
        harness.backend.queue(HeadlessEvent::press({20, 67}));
        harness.backend.queue(HeadlessEvent::drag({200, 67}));
        harness.backend.queue(HeadlessEvent::release({200, 67}));
        harness.backend.click({350, 50});
        harness.backend.queue(HeadlessEvent::typing("12.5"));
        harness.backend.click({84, 90});
        harness.backend.click({124, 90});
        harness.backend.queue(HeadlessEvent::pickEntry({150, 30}, 2));
        harness.backend.click({310, 270});
        harness.backend.click({210, 205});  // the splash ends the loop with 1
        EXPECT_EQ(window.Modal(), 1);
        EXPECT_FALSE(recorder.calls.empty());
        EXPECT_EQ(window.blend->combo().GetSelectedID(), 2);
        EXPECT_EQ(window.swatch->xyz().x, 30000);
    }
    EXPECT_EQ(harness.toolkit.dialogs().size(), 0u);
    EXPECT_EQ(harness.toolkit.liveItemCount(), 0u);
    EXPECT_EQ(harness.registry.outstanding(), 0);
    EXPECT_EQ(harness.colors.liveColors(), 0);
    EXPECT_EQ(harness.texts.liveTexts(), 0);
}

// The icon suite goes missing after the first controls exist: building throws, and
// what was built is destroyed on the way out.
TEST(HostileToolkit, AWindowWhoseBuildingFailsHalfwayLeavesNothingBehind) {
    for (bool isHostile : {false, true}) {
        ToolkitHarness harness(isHostile ? hostile() : tk::HeadlessBackend::Options{});
        harness.registry.withhold(kADMIconSuite);
        {
            auto suites = harness.suites();
            EXPECT_THROW(EveryControl window, SuiteError);
        }
        EXPECT_EQ(harness.toolkit.dialogs().size(), 0u);
        EXPECT_EQ(harness.toolkit.liveItemCount(), 0u);
        EXPECT_EQ(harness.registry.outstanding(), 0);
        EXPECT_EQ(harness.colors.liveColors(), 0);
    }
}

}  // namespace
}  // namespace brivo
