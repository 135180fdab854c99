// The dialog and item classes against the host's toolkit, driven by scripted user events:
// the suite set, sizing and placement, the events each class sends, popups, swatches, and
// errors thrown inside callbacks.
#include <gtest/gtest.h>

#include "core/errors.h"
#include "dialog/adm/button.h"
#include "dialog/adm/color_pot.h"
#include "dialog/adm/dialog.h"
#include "dialog/adm/edit.h"
#include "dialog/adm/group.h"
#include "dialog/adm/label.h"
#include "dialog/adm/menu.h"
#include "dialog/adm/slider.h"
#include "event_recorder.h"
#include "toolkit_harness.h"

namespace brivo {
namespace {

namespace tk = host::toolkit;

using test::EventRecorder;
using test::ToolkitHarness;
using Window = test::TestWindow;
using tk::HeadlessEvent;

ADMPoint centreOf(const ADM::Item& item) {
    const ADMRect r = item.GetBoundsRect();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST(ADMSuites, AcquiresTheTenAsOneSetAndGivesThemAllBack) {
    ToolkitHarness harness;
    {
        const ADMSuites suites(harness.basic(), nullptr);
        EXPECT_EQ(ADMSuites::current(), &suites);
        EXPECT_EQ(harness.registry.outstanding(), 10);
        EXPECT_EQ(harness.registry.outstanding(kADMIconSuite), 0) << "icons acquire their own";
    }
    EXPECT_EQ(ADMSuites::current(), nullptr);
    EXPECT_EQ(harness.registry.outstanding(), 0);
    EXPECT_THROW(ADMSuites::get(), SuiteError);

    // A host without one of them: those acquired before it are given back.
    for (const char* missing : {kADMBasicSuite, kADMTrackerSuite, kADMImageSuite}) {
        harness.registry.withhold(missing);
        EXPECT_THROW(ADMSuites(harness.basic(), nullptr), SuiteError) << missing;
        EXPECT_EQ(harness.registry.outstanding(), 0) << missing;
        EXPECT_EQ(ADMSuites::current(), nullptr);
        harness.registry.offer(missing);
    }
}

TEST(ADMItems, ZeroWidthButtonsAndLabelsTakeTheirBestSize) {
    ToolkitHarness harness;
    Window window(harness);
    ADM::Button sized(*window.dialog, 3, "Reset", ADMRect{10, 10, 110, 30},
                      ADM::Button::textPushButton);
    ADM::Button fitted(*window.dialog, 3, "Reset", ADMRect{10, 40, 10, 60},
                       ADM::Button::textPushButton);
    ADM::Label label(*window.dialog, "Blend Mode:", ADMRect{10, 70, 10, 70});
    EXPECT_EQ(sized.GetBoundsRect().right, 110);
    const ADM::Size2 best = fitted.GetBestSize();
    EXPECT_GT(best.width, 0);
    const ADMRect fittedBounds = fitted.GetBoundsRect();
    EXPECT_EQ(fittedBounds.left, 10);
    EXPECT_EQ(fittedBounds.top, 40);
    EXPECT_EQ(fittedBounds.right - fittedBounds.left, best.width);
    EXPECT_EQ(fittedBounds.bottom - fittedBounds.top, best.height);
    const ADMRect labelBounds = label.GetBoundsRect();
    EXPECT_EQ(labelBounds.right - labelBounds.left, label.GetBestSize().width);
    EXPECT_GT(labelBounds.right, labelBounds.left);
    EXPECT_EQ(label.GetID(), 0);
    EXPECT_EQ(label.GetText(), "Blend Mode:");
}

TEST(ADMDialog, CentresOnAScreenOfTheMainScreensSizeAtTheOrigin) {
    tk::HeadlessBackend::Options options;
    options.screen = ADMRect{1920, 100, 3200, 1124};  // a second screen, 1280 x 1024
    ToolkitHarness harness(options);
    Window window(harness);
    window.dialog->Size(201, 101);
    window.dialog->CenterOnScreen();
    const ADMRect bounds = window.dialog->GetBoundsRect();
    EXPECT_EQ(bounds.left, (1280 - 201) / 2);
    EXPECT_EQ(bounds.top, (1024 - 101) / 2);
    EXPECT_EQ(bounds.right - bounds.left, 201);
    EXPECT_NE(window.dialog->GetMask() & kADMDialogPointerMask, 0u);
}

TEST(ADMSlider, ADragSendsTrackAndTheReleaseChangedButSetValueWithoutNotifyNothing) {
    ToolkitHarness harness;
    Window window(harness);
    ADM::Slider slider(*window.dialog, 12, ADMRect{10, 10, 210, 20});
    slider.SetRange(0.0f, 100.0f);
    EventRecorder recorder;
    recorder.listen(slider, ADM::events::track);
    recorder.listen(slider, ADM::events::changed);

    slider.SetValue(40.0f, false);
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_EQ(slider.GetValue(), 40.0f);
    slider.SetValue(30.0f, true);
    ASSERT_EQ(recorder.events(), (std::vector<std::string>{"changed"}));
    EXPECT_EQ(recorder.calls[0].argument, 0);
    recorder.calls.clear();

    harness.backend.queue(HeadlessEvent::press({20, 15}));
    harness.backend.queue(HeadlessEvent::drag({110, 15}));
    harness.backend.queue(HeadlessEvent::drag({160, 15}));
    harness.backend.queue(HeadlessEvent::release({160, 15}));
    window.dialog->Modal();
    ASSERT_EQ(recorder.events(), (std::vector<std::string>{"track", "track", "changed"}));
    EXPECT_NE(recorder.calls.back().argument, 0) << "the user's change carries the notifier";
    EXPECT_GT(slider.GetValue(), 50.0f);
}

TEST(ADMMenu, PopupsReportTheirSelectionAndNoneAsMinusOne) {
    ToolkitHarness harness;
    Window window(harness);
    ADM::ComboBox popup(*window.dialog, 10, ADMRect{10, 10, 150, 30});
    EXPECT_EQ(popup.GetSelectedID(), -1);
    EXPECT_EQ(popup.Count(), 0);
    EXPECT_EQ(popup.EntryAt(0), nullptr);
    popup.SelectIndex(0, true);  // nothing to select
    EXPECT_EQ(popup.GetSelectedID(), -1);

    for (const char* text : {"Add", "Subtract", "Screen"}) popup.AppendEntry(text, popup.Count());
    ADM::Entry* inserted = popup.InsertEntry(0, "None", 7, false);
    EXPECT_EQ(popup.Count(), 4);
    EXPECT_EQ(popup.GetSelectedID(), -1) << "no entry is active yet";
    EXPECT_EQ(popup.EntryAt(0), inserted);
    EXPECT_EQ(popup.EntryByID(7), inserted);
    EXPECT_EQ(popup.EntryByID(42), nullptr);
    EXPECT_EQ(popup.EntryAt(4), nullptr);
    EXPECT_EQ(popup.EntryAt(1)->GetID(), 0) << "ID 0 is the entry's own";

    popup.SelectIndex(3, true);
    EXPECT_EQ(popup.GetSelectedID(), 2);
    popup.SelectIndex(4, true);
    popup.SelectIndex(-1, true);
    EXPECT_EQ(popup.GetSelectedID(), 2);
    popup.SelectIndex(3, false);
    EXPECT_EQ(popup.GetSelectedID(), -1);

    EventRecorder recorder;
    recorder.listen(popup, ADM::events::select);
    recorder.listen(popup, ADM::events::activate);
    harness.backend.queue(HeadlessEvent::pickEntry(centreOf(popup), 2));
    window.dialog->Modal();
    EXPECT_EQ(recorder.events(), (std::vector<std::string>{"activate", "select"}));
    EXPECT_EQ(recorder.calls[0].argument, reinterpret_cast<intptr_t>(&popup));
    EXPECT_EQ(popup.GetSelectedID(), 1);

    popup.RemoveAll();
    EXPECT_EQ(popup.Count(), 0);
    EXPECT_EQ(popup.GetSelectedID(), -1);
}

TEST(ADMButton, AClickSendsSelectAndOKEndsTheLoopWithItsID) {
    ToolkitHarness harness;
    Window window(harness);
    ADM::Button reset(*window.dialog, 3, "Reset", ADMRect{10, 10, 110, 30},
                      ADM::Button::textPushButton);
    ADM::Button ok(*window.dialog, 1, "OK", ADMRect{120, 10, 220, 30}, ADM::Button::textPushButton);
    EventRecorder recorder;
    recorder.listen(reset, ADM::events::select);
    recorder.listen(ok, ADM::events::select);
    harness.backend.click(centreOf(reset));
    harness.backend.click(centreOf(ok));
    EXPECT_EQ(window.dialog->Modal(), 1);
    ASSERT_EQ(recorder.calls.size(), 2u);
    EXPECT_EQ(recorder.calls[0].sender, &reset);
    EXPECT_EQ(recorder.calls[1].sender, &ok);
}

TEST(ADMDialog, TheCloseBoxSendsCloseAndEndsAsACancel) {
    ToolkitHarness harness;
    Window window(harness);
    EventRecorder recorder;
    recorder.listen(*window.dialog, ADM::events::close);
    harness.backend.queue(HeadlessEvent::closeBox());
    EXPECT_EQ(window.dialog->Modal(), 2);
    EXPECT_EQ(recorder.events(), (std::vector<std::string>{"close"}));
}

TEST(ADMEdit, FocusCommitAndTypingSendTheirEvents) {
    ToolkitHarness harness;
    Window window(harness);
    ADM::Edit edit(*window.dialog, 5, ADMRect{10, 10, 110, 30}, ADM::Edit::numberEdit);
    ADM::Edit other(*window.dialog, 6, ADMRect{10, 40, 110, 60}, ADM::Edit::textEdit);
    EventRecorder recorder;
    recorder.listen(edit, ADM::events::changed);
    recorder.listen(edit, ADM::events::gainFocus);
    recorder.listen(edit, ADM::events::loseFocus);
    edit.SetText("7");
    EXPECT_TRUE(recorder.calls.empty()) << "setting the text notifies nothing";
    harness.backend.click(centreOf(edit));
    harness.backend.queue(HeadlessEvent::typing("42"));
    harness.backend.click(centreOf(other));
    window.dialog->Modal();
    const std::vector<std::string> events = recorder.events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), "gainFocus");
    EXPECT_EQ(events.back(), "loseFocus");
    EXPECT_NE(std::find(events.begin(), events.end(), "changed"), events.end());
    EXPECT_NE(edit.GetText().find("42"), std::string::npos);
}

TEST(ADMGroup, MovesShowsAndHidesItsChildren) {
    ToolkitHarness harness;
    Window window(harness);
    ADM::Group group(*window.dialog, 20);
    ADM::Label label(*window.dialog, "Range", ADMRect{10, 10, 60, 26});
    ADM::Slider slider(*window.dialog, 20, ADMRect{10, 30, 200, 40});
    group.AddChild(&label);
    group.AddChild(&slider);
    group.SetBoundsRect(ADMRect{5, 100, 0, 0});
    EXPECT_EQ(label.GetBoundsRect().left, 15);
    EXPECT_EQ(label.GetBoundsRect().top, 110);
    EXPECT_EQ(slider.GetBoundsRect().bottom, 140);
    group.SetBoundsRect(ADMRect{0, 0, 0, 0});
    EXPECT_EQ(slider.GetBoundsRect().top, 30) << "offsets apply to the recorded bounds";
    EXPECT_EQ(group.GetBoundsRect().right, 0);
    group.Hide();
    EXPECT_FALSE(label.IsVisible());
    EXPECT_FALSE(slider.IsVisible());
    group.Show();
    EXPECT_TRUE(slider.IsVisible());
}

TEST(ADMColorPot, AcceptedColoursRepaintAndSendChangedCancelledOnesChangeNothing) {
    ToolkitHarness harness;
    Window window(harness);
    window.dialog->Move(300, 200);
    ADM::ColorPot pot(*window.dialog, 15, ADMRect{64, 40, 104, 60});
    EXPECT_EQ(pot.GetColor().red, 65535);
    EventRecorder recorder;
    recorder.listen(pot, ADM::events::changed);
    harness.backend.answerColor(std::nullopt);
    harness.backend.answerColor(ADMRGBColor{65535, 0, 0});
    harness.backend.click(centreOf(pot));
    harness.backend.queue(HeadlessEvent::run([&](tk::Toolkit&, tk::Dialog&) {
        EXPECT_TRUE(recorder.calls.empty()) << "a cancelled choice";
        EXPECT_EQ(pot.GetColor().green, 65535);
    }));
    harness.backend.click(centreOf(pot));
    harness.backend.queue(HeadlessEvent::run([&](tk::Toolkit& toolkit, tk::Dialog& dialog) {
        harness.backend.paint(toolkit, dialog);
        const tk::Rgb inside = harness.backend.frame(dialog).at(84, 50);
        EXPECT_EQ(inside, (tk::Rgb{255, 0, 0}));
    }));
    window.dialog->Modal();
    ASSERT_EQ(recorder.calls.size(), 1u);
    EXPECT_EQ(recorder.calls[0].argument, reinterpret_cast<intptr_t>(&pot));
    EXPECT_EQ(pot.GetColor().red, 65535);
    EXPECT_EQ(pot.GetColor().green, 0);
    ASSERT_EQ(harness.backend.colorRequests().size(), 2u);
    EXPECT_EQ(harness.backend.colorRequests()[0].where.x, 364) << "at the swatch, on screen";
    EXPECT_EQ(harness.backend.colorRequests()[0].where.y, 240);
}

// A button whose handler fails the way the dialog's handlers can (memory, a refused
// suite): the error must not cross the toolkit, must end the loop and come back out of
// Modal, and later events must be ignored.
TEST(ADMDialog, AnErrorInAHandlerEndsTheLoopAndIsRaisedAfterIt) {
    ToolkitHarness harness;
    Window window(harness);
    ADM::Button button(*window.dialog, 3, "Go", ADMRect{10, 10, 110, 30},
                       ADM::Button::textPushButton);
    int calls = 0;
    struct Thrower : ADM::CallbackObject {
        int* calls;
        void fail(ADM::CallbackObject*, intptr_t, intptr_t) {
            ++*calls;
            throwMemoryFull();
        }
    } thrower;
    thrower.calls = &calls;
    button.connect(ADM::events::select, &thrower, &Thrower::fail);
    harness.backend.click(centreOf(button));
    harness.backend.click(centreOf(button));
    try {
        window.dialog->Modal();
        ADD_FAILURE() << "Modal returned";
    } catch (const HostResultError& error) {
        EXPECT_EQ(error.code, memFullErr);
    }
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(window.dialog->hasKeptError());
    EXPECT_THROW(window.dialog->Modal(), HostResultError) << "a failed dialog does not run again";
}

}  // namespace
}  // namespace brivo
