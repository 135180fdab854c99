// The composite controls, driven by scripted user events: typing and dragging a text
// slider, a labelled popup, the host colour picker behind the swatch, the eyedropper and
// the frame.
#include <gtest/gtest.h>

#include <array>
#include <clocale>

#include "core/errors.h"
#include "dialog/adm/dialog.h"
#include "dialog/cs_color_pot.h"
#include "dialog/eye_dropper.h"
#include "dialog/frame.h"
#include "dialog/labeled_combo_box.h"
#include "dialog/number_text.h"
#include "dialog/text_slider.h"
#include "event_recorder.h"
#include "toolkit_harness.h"

namespace brivo {
namespace {

namespace tk = host::toolkit;

using test::EventRecorder;
using test::ToolkitHarness;
using Window = test::TestWindow;
using tk::HeadlessEvent;

constexpr ADMRect kSliderRow{14, 361, 377, 393};  // a 32-pixel row as the dialog lays out
constexpr ADMPoint kField{377 - 30, 361 + 10};    // inside the number field

struct SliderCase {
    float minimum, maximum, initial;
};

// Types `text` over the field of a slider and commits it with Return.
void typeAndCommit(ToolkitHarness& harness, const std::string& text) {
    harness.backend.click(kField);
    harness.backend.queue(HeadlessEvent::run([](tk::Toolkit& toolkit, tk::Dialog& dialog) {
        toolkit.setEditedText(*dialog.focus, "");
    }));
    harness.backend.queue(HeadlessEvent::typing(text));
    harness.backend.queue(HeadlessEvent::keyPress(tk::Key::enter));
}

TEST(TextSlider, LaysOutItsPartsAndStartsWithTheSliderAtTheValue) {
    ToolkitHarness harness;
    Window window(harness);
    TextSlider level(*window.dialog, 12, "Level", kSliderRow, 0, 600, 100);
    EXPECT_EQ(level.value(), 100.0f);
    EXPECT_EQ(level.GetID(), 12);
    const tk::Dialog* dialog = harness.toolkit.find<tk::Dialog>(window.dialog->GetRef());
    ASSERT_NE(dialog, nullptr);
    // The group, then label, slider and field in that order.
    ASSERT_EQ(dialog->items.size(), 4u);
    const tk::Item& label = *dialog->items[1];
    const tk::Item& slider = *dialog->items[2];
    const tk::Item& field = *dialog->items[3];
    EXPECT_EQ(label.bounds.left, 21);
    EXPECT_EQ(label.bounds.right, 21 + 363 / 2);
    EXPECT_EQ(label.text, "Level");
    EXPECT_EQ(slider.bounds.top, 383);
    EXPECT_EQ(slider.value, 100.0f);
    EXPECT_EQ(slider.maximum, 600.0f);
    EXPECT_EQ(field.bounds.left, 325);
    EXPECT_EQ(field.bounds.bottom, 382);
    EXPECT_EQ(field.maxTextLength, 5);
    EXPECT_EQ(field.units, 6);
    EXPECT_EQ(field.text, "") << "the dialog fills the field";
    EXPECT_EQ(slider.id, 12);
    EXPECT_EQ(field.id, 12);
}

TEST(TextSlider, SetValueClampsShowsAndNotifiesOnlyWhenAsked) {
    ToolkitHarness harness;
    Window window(harness);
    TextSlider slider(*window.dialog, 18, "Position", kSliderRow, -100, 100, 0);
    EventRecorder recorder;
    recorder.listen(slider, ADM::events::changed);
    slider.SetValue(250.0f, false);
    EXPECT_EQ(slider.value(), 100.0f);
    slider.SetValue(std::numeric_limits<float>::quiet_NaN(), false);
    EXPECT_EQ(slider.value(), 0.0f);
    slider.SetValue(100.0f / 3.0f, false);
    EXPECT_TRUE(recorder.calls.empty());
    const tk::Dialog* dialog = harness.toolkit.find<tk::Dialog>(window.dialog->GetRef());
    EXPECT_EQ(dialog->items[3]->text, "33.3333");
    EXPECT_EQ(dialog->items[2]->value, 100.0f / 3.0f);
    slider.SetValue(-12.5f, true);
    EXPECT_EQ(recorder.events(), (std::vector<std::string>{"changed"}));
    EXPECT_EQ(dialog->items[3]->text, "-12.5");
}

// What a committed text leaves in the field and the value, range by range.
TEST(TextSlider, ACommittedTextIsReadClampedAndWrittenBack) {
    struct Case {
        SliderCase range;
        std::string typed;
        std::string shown;
        float value;
    };
    const Case cases[] = {
        {{0, 200, 0}, "250", "200", 200},        {{0, 200, 0}, "12.5x", "12.5", 12.5f},
        {{0, 200, 0}, "  7ab", "7", 7},          {{0, 200, 50}, "abc", "0", 0},
        {{10, 20, 15}, "abc", "10", 10},         {{-20, -10, -15}, "abc", "-10", -10},
        {{-100, 100, 5}, "-5", "-5", -5},        {{0, 200, 50}, "nan", "0", 0},
        {{0, 200, 50}, "inf", "200", 200},       {{0, 200, 50}, "1e999", "200", 200},
        {{-100, 100, 0}, "-1e99", "-100", -100}, {{0, 100, 0}, "1e-99", "0", 0},
        {{0, 100, 0}, "0.125", "0.125", 0.125f},
    };
    for (const Case& c : cases) {
        ToolkitHarness harness;
        Window window(harness);
        TextSlider slider(*window.dialog, 14, "Blur", kSliderRow, c.range.minimum, c.range.maximum,
                          c.range.initial);
        EventRecorder recorder;
        recorder.listen(slider, ADM::events::changed);
        typeAndCommit(harness, c.typed);
        window.dialog->Modal();
        const tk::Dialog* dialog = harness.toolkit.find<tk::Dialog>(window.dialog->GetRef());
        EXPECT_EQ(dialog->items[3]->text, c.shown) << c.typed;
        EXPECT_EQ(slider.value(), c.value) << c.typed;
        EXPECT_EQ(dialog->items[2]->value, c.value) << c.typed;
        EXPECT_FALSE(recorder.calls.empty()) << c.typed;
    }
}

// Keystrokes move the value while the field keeps what was typed, so texts that pass
// through no number ("-", "12.") can be typed.
TEST(TextSlider, KeystrokesMoveTheValueWithoutRewritingTheField) {
    ToolkitHarness harness;
    Window window(harness);
    TextSlider slider(*window.dialog, 26, "X Position", kSliderRow, -100, 100, 0);
    EventRecorder recorder;
    recorder.listen(slider, ADM::events::changed);
    harness.backend.click(kField);
    harness.backend.queue(HeadlessEvent::typing("-"));
    harness.backend.queue(HeadlessEvent::run([&](tk::Toolkit&, tk::Dialog& dialog) {
        EXPECT_EQ(dialog.focus->text, "-");
        EXPECT_EQ(slider.value(), 0.0f);
    }));
    harness.backend.queue(HeadlessEvent::typing("5"));
    harness.backend.queue(HeadlessEvent::run([&](tk::Toolkit&, tk::Dialog& dialog) {
        EXPECT_EQ(dialog.focus->text, "-5");
        EXPECT_EQ(slider.value(), -5.0f);
        EXPECT_EQ(dialog.items[2]->value, -5.0f);
    }));
    harness.backend.queue(HeadlessEvent::typing("00"));
    harness.backend.queue(HeadlessEvent::run([&](tk::Toolkit&, tk::Dialog& dialog) {
        EXPECT_EQ(dialog.focus->text, "-500") << "not rewritten while typing";
        EXPECT_EQ(slider.value(), -100.0f);
    }));
    harness.backend.queue(HeadlessEvent::keyPress(tk::Key::enter));
    window.dialog->Modal();
    const tk::Dialog* dialog = harness.toolkit.find<tk::Dialog>(window.dialog->GetRef());
    EXPECT_EQ(dialog->items[3]->text, "-100");
    EXPECT_GE(recorder.calls.size(), 3u);
}

TEST(TextSlider, DraggingWritesTheFieldAndReportsEveryMove) {
    ToolkitHarness harness;
    Window window(harness);
    TextSlider slider(*window.dialog, 23, "Opacity", kSliderRow, 0, 100, 0);
    EventRecorder recorder;
    recorder.listen(slider, ADM::events::changed);
    const int32_t y = kSliderRow.bottom - 5;
    harness.backend.queue(HeadlessEvent::press({kSliderRow.left + 2, y}));
    harness.backend.queue(HeadlessEvent::drag({200, y}));
    harness.backend.queue(HeadlessEvent::run([&](tk::Toolkit&, tk::Dialog& dialog) {
        EXPECT_EQ(dialog.items[3]->text, formatNumber(dialog.items[2]->value));
        EXPECT_EQ(slider.value(), dialog.items[2]->value);
    }));
    harness.backend.queue(HeadlessEvent::drag({300, y}));
    harness.backend.queue(HeadlessEvent::release({300, y}));
    window.dialog->Modal();
    EXPECT_EQ(recorder.events(), (std::vector<std::string>{"changed", "changed", "changed"}));
    const tk::Dialog* dialog = harness.toolkit.find<tk::Dialog>(window.dialog->GetRef());
    EXPECT_EQ(dialog->items[3]->text, formatNumber(slider.value()));
    EXPECT_GT(slider.value(), 50.0f);
}

TEST(TextSlider, ReadsAndWritesNumbersInTheCLocaleWhateverTheProcessUses) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE locale";
    ToolkitHarness harness;
    Window window(harness);
    TextSlider slider(*window.dialog, 14, "Blur", kSliderRow, 0, 200, 0);
    typeAndCommit(harness, "12.5");
    window.dialog->Modal();
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(slider.value(), 12.5f);
    const tk::Dialog* dialog = harness.toolkit.find<tk::Dialog>(window.dialog->GetRef());
    EXPECT_EQ(dialog->items[3]->text, "12.5");
}

TEST(LabeledComboBox, LaysOutNumbersItsEntriesAndPassesTheSelectionOn) {
    ToolkitHarness harness;
    Window window(harness);
    const std::array<const char*, 3> modes = {"Add", "Subtract", "Screen"};
    LabeledComboBox blend(*window.dialog, 10, "Blend Mode:", ADMRect{14, 341, 195, 361}, modes);
    ADM::ComboBox& combo = blend.combo();
    EXPECT_EQ(combo.Count(), 3);
    for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(combo.EntryAt(i)->GetID(), i);
    EXPECT_EQ(combo.GetSelectedID(), -1);
    const tk::Dialog* dialog = harness.toolkit.find<tk::Dialog>(window.dialog->GetRef());
    const tk::Item& label = *dialog->items[1];
    EXPECT_EQ(label.bounds.left, 14);
    EXPECT_EQ(label.bounds.right, 14 + 181 / 2 - 2);
    EXPECT_EQ(label.bounds.top, (20 - 16) / 2 + 341);
    EXPECT_EQ(label.justify, kADMRightJustify);
    EXPECT_EQ(combo.GetBoundsRect().left, 14 + 181 / 2);
    EXPECT_EQ(combo.GetID(), 10);

    EventRecorder recorder;
    recorder.listen(blend, ADM::events::select);
    harness.backend.queue(HeadlessEvent::pickEntry({150, 350}, 2));
    window.dialog->Modal();
    ASSERT_EQ(recorder.calls.size(), 1u);
    EXPECT_EQ(recorder.calls[0].sender, &blend);
    EXPECT_EQ(combo.GetSelectedID(), 2);
}

TEST(CS_ColorPot, ShowsTheColourOfRecordAndKeepsItWhenThePickIsCancelled) {
    ToolkitHarness harness;
    Window window(harness);
    CS_ColorPot swatch(*window.dialog, 15, ADMRect{64, 40, 104, 60});
    swatch.SetXYZ(CS_XYZ{32768, 32768, 32768});
    EXPECT_EQ(swatch.GetColor().red, 65535);
    EXPECT_EQ(swatch.GetColor().blue, 65535);
    const CS_XYZ white = swatch.xyz();

    EventRecorder recorder;
    recorder.listen(swatch, ADM::events::changed);
    const host::Xyz16 red =
        harness.colors.service().toXyz(plugIncolorServicesRGBSpace, {255, 0, 0, 0});
    harness.pickerAnswers = {std::nullopt, red};
    harness.backend.click({84, 50});
    harness.backend.queue(HeadlessEvent::run([&](tk::Toolkit&, tk::Dialog&) {
        EXPECT_TRUE(recorder.calls.empty());
        EXPECT_EQ(swatch.xyz().x, white.x);
        EXPECT_EQ(swatch.GetColor().green, 65535);
    }));
    harness.backend.click({84, 50});
    window.dialog->Modal();
    EXPECT_EQ(harness.prompts,
              (std::vector<std::string>{"Select light color", "Select light color"}));
    ASSERT_EQ(recorder.calls.size(), 1u);
    EXPECT_EQ(swatch.xyz().x, red[0]);
    EXPECT_EQ(swatch.xyz().y, red[1]);
    EXPECT_EQ(swatch.GetColor().red, 65535);
    EXPECT_EQ(swatch.GetColor().green, 0);
    EXPECT_EQ(swatch.GetColor().blue, 0);
    EXPECT_EQ(harness.colors.liveColors(), 0);
    EXPECT_EQ(harness.texts.liveTexts(), 0);
    EXPECT_EQ(harness.registry.outstanding(kPSColorSpaceSuite), 0);
    EXPECT_EQ(harness.registry.outstanding(kASZStringSuite), 0);
}

TEST(CS_ColorPot, AHostWithoutTheTextSuiteFailsThePickAndTheLoop) {
    ToolkitHarness harness;
    harness.registry.withhold(kASZStringSuite);
    Window window(harness);
    CS_ColorPot swatch(*window.dialog, 15, ADMRect{64, 40, 104, 60});
    harness.backend.click({84, 50});
    EXPECT_THROW(window.dialog->Modal(), SuiteError);
    EXPECT_EQ(harness.registry.outstanding(kPSColorSpaceSuite), 0);
    EXPECT_EQ(harness.colors.liveColors(), 0);
}

TEST(EyeDropper, DrawsItsIconCentredAndSendsNothing) {
    ToolkitHarness harness;
    Window window(harness);
    EyeDropper dropper(*window.dialog, 16, ADMRect{111, 40, 137, 60});
    EXPECT_EQ(harness.registry.outstanding(kADMIconSuite), 1) << "held for the icon's life";
    EventRecorder recorder;
    recorder.listen(dropper, ADM::events::select);
    harness.backend.click({124, 50});
    harness.backend.queue(HeadlessEvent::run([&](tk::Toolkit& toolkit, tk::Dialog& dialog) {
        harness.backend.paint(toolkit, dialog);
        const tk::RgbImage& frame = harness.backend.frame(dialog);
        // 20 x 10 centred in 26 x 20: from (114, 45) to (134, 55).
        EXPECT_EQ(frame.at(114, 45), (tk::Rgb{200, 0, 200}));
        EXPECT_EQ(frame.at(133, 54), (tk::Rgb{200, 0, 200}));
        EXPECT_NE(frame.at(113, 45), (tk::Rgb{200, 0, 200}));
        EXPECT_NE(frame.at(134, 55), (tk::Rgb{200, 0, 200}));
    }));
    window.dialog->Modal();
    EXPECT_TRUE(recorder.calls.empty());
}

TEST(EyeDropper, AMissingBitmapGivesAnEmptyButton) {
    ToolkitHarness harness({}, {});
    Window window(harness);
    {
        EyeDropper dropper(*window.dialog, 16, ADMRect{111, 40, 137, 60});
        harness.backend.queue(HeadlessEvent::run([&](tk::Toolkit& toolkit, tk::Dialog& dialog) {
            harness.backend.paint(toolkit, dialog);
        }));
        window.dialog->Modal();
    }
    EXPECT_EQ(harness.registry.outstanding(kADMIconSuite), 0);
}

TEST(Frame, TakesNoPartInPointerHandling) {
    ToolkitHarness harness;
    Window window(harness);
    Frame frame(*window.dialog, ADMRect{7, 327, 384, 464});
    frame.SetText("Light");
    const tk::Dialog* dialog = harness.toolkit.find<tk::Dialog>(window.dialog->GetRef());
    tk::Tracker tracker{};
    tracker.action = kADMButtonDownAction;
    EXPECT_FALSE(harness.toolkit.track(*dialog->items[0], tracker));
    EXPECT_EQ(frame.GetText(), "Light");
}

}  // namespace
}  // namespace brivo
