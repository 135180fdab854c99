// How the headless loop routes the pointer: masks, hover and leave, the dialog's own
// tracking, and objects that go away while the loop runs.
#include <gtest/gtest.h>

#include <deque>

#include "toolkit/toolkit_test_support.h"

namespace brivo::test {
namespace {

using host::toolkit::HeadlessEvent;
using Calls = std::vector<std::string>;

class PointerRouting : public ::testing::Test {
  protected:
    void SetUp() override {
        dialog = s.dialog->Create(nullptr, "routing", 0, 0, nullptr, nullptr, 0);
        s.dialog->Size(dialog, 300, 200);
    }
    void TearDown() override { s.dialog->Destroy(dialog); }
    ADMItemRef viewer(ADMRect r, CallLog& log) {
        log.defaultTracking = false;
        return s.item->Create(dialog, 0, kADMPictureStaticType, &r, &recordItem, &log,
                              kADMItemFlatOption);
    }
    CallLog& newLog() { return logs.emplace_back(); }

    std::deque<CallLog> logs;
    HeadlessToolkit fx;
    ToolkitTables s{fx};
    ADMDialogRef dialog = nullptr;
};

TEST_F(PointerRouting, HoverAndLeaveReachOnlyItemsWhoseMaskAsksForThem) {
    CallLog& plain = newLog();
    CallLog& masked = newLog();
    viewer({0, 0, 100, 100}, plain);
    ADMItemRef pin = viewer({150, 0, 250, 100}, masked);
    s.item->SetMask(pin, s.item->GetMask(pin) | 0x08060004u);
    for (ADMPoint p : {ADMPoint{10, 10}, ADMPoint{160, 20}, ADMPoint{170, 30}, ADMPoint{10, 10}})
        fx.backend.queue(HeadlessEvent::move(p));
    fx.backend.queue(HeadlessEvent::move({160, 20}));
    fx.backend.queue(HeadlessEvent::leave());
    s.dialog->Modal(dialog);
    EXPECT_TRUE(plain.only("track").empty());  // the default mask has no hover bits
    EXPECT_EQ(masked.only("track"),
              (Calls{"track -1 10,20 0", "track -1 20,30 0", "track -11 -140,10 0",
                     "track -1 10,20 0", "track -11 -151,-1 0"}));
}

TEST_F(PointerRouting, ModifiersTravelWithPressesAndDragsOutsideTheItemKeepReportingToIt) {
    CallLog& log = newLog();
    ADMItemRef pin = viewer({100, 50, 200, 150}, log);
    s.item->SetMask(pin, s.item->GetMask(pin) | 0x08060004u);
    fx.backend.queue(HeadlessEvent::press({105, 55}, kADMShiftKeyModifier | kADMAltKeyModifier));
    fx.backend.queue(HeadlessEvent::drag({20, 10}));
    fx.backend.queue(HeadlessEvent::release({20, 10}));
    fx.backend.queue(HeadlessEvent::drag({30, 30}));  // no button held any more: nobody
    s.dialog->Modal(dialog);
    EXPECT_EQ(log.only("track"),
              (Calls{"track 2 5,5 96", "track 1 -80,-40 0", "track 3 -80,-40 0"}));
}

ADMBoolean recordDialogTrack(ADMDialogRef, ADMTrackerRef tracker);
std::vector<int32_t> gDialogActions;

ADMErr installDialogTrack(ADMDialogRef d) {
    const void* table = nullptr;
    host::CallBinding<host::SuiteRegistry>::current()->acquire(kADMDialogSuite, 5, &table);
    static_cast<const ADMDialogSuite5*>(table)->SetTrackProc(d, &recordDialogTrack);
    host::CallBinding<host::SuiteRegistry>::current()->release(kADMDialogSuite, 5);
    return kSPNoError;
}

ADMBoolean recordDialogTrack(ADMDialogRef, ADMTrackerRef tracker) {
    const void* table = nullptr;
    host::CallBinding<host::SuiteRegistry>::current()->acquire(kADMTrackerSuite, 1, &table);
    gDialogActions.push_back(static_cast<const ADMTrackerSuite1*>(table)->GetAction(tracker));
    host::CallBinding<host::SuiteRegistry>::current()->release(kADMTrackerSuite, 1);
    return 0;
}

TEST_F(PointerRouting, PressesOnNoItemReachTheDialogOnlyWithItsPointerBit) {
    gDialogActions.clear();
    ADMDialogRef d = s.dialog->Create(nullptr, "masked", 0, 0, &installDialogTrack, nullptr, 0);
    s.dialog->Size(d, 100, 100);
    fx.backend.click({50, 50});
    s.dialog->Modal(d);
    EXPECT_TRUE(gDialogActions.empty());
    s.dialog->SetMask(d, s.dialog->GetMask(d) | kADMDialogPointerMask);
    fx.backend.click({50, 50});
    s.dialog->Modal(d);
    EXPECT_EQ(gDialogActions, (std::vector<int32_t>{2}));  // the release goes to no one
    s.dialog->Destroy(d);
}

TEST_F(PointerRouting, ALoopSurvivesItsItemsAndRefusesToDestroyOrReenterItsDialog) {
    CallLog& log = newLog();
    ADMRect r{10, 10, 60, 30};
    ADMItemRef button = s.item->Create(dialog, 5, kADMTextPushButtonType, &r, &recordItem, &log, 0);
    fx.backend.queue(HeadlessEvent::press({20, 20}));
    fx.backend.queue(HeadlessEvent::run([&](auto&, auto&) {
        s.item->Destroy(button);                               // gone while it holds the pointer
        s.dialog->Destroy(dialog);                             // refused: its loop is running
        EXPECT_EQ(s.dialog->Modal(dialog), kADMCancelItemID);  // no nested loop
    }));
    fx.backend.queue(HeadlessEvent::drag({25, 20}));
    fx.backend.queue(HeadlessEvent::release({25, 20}));
    fx.backend.queue(HeadlessEvent::run([&](auto&, auto&) { s.dialog->EndModal(dialog, 9, 0); }));
    EXPECT_EQ(s.dialog->Modal(dialog), 9);
    EXPECT_EQ(log.only("track"), Calls{"track 2 10,10 0"});
    EXPECT_EQ(log.calls.back(), "destroy");
}

TEST_F(PointerRouting, ReturnCommitsTheFocusedEditBeforeEndingWithTheDefaultItem) {
    CallLog& log = newLog();
    ADMRect r{10, 10, 60, 30};
    ADMItemRef edit = s.item->Create(dialog, 4, kADMTextEditType, &r, &recordItem, &log, 0);
    s.dialog->SetDefaultItemID(dialog, kADMOKItemID);
    fx.backend.click({20, 20});
    fx.backend.queue(HeadlessEvent::typing("é7"));  // two characters, three bytes
    fx.backend.queue(HeadlessEvent::keyPress(host::toolkit::Key::enter));
    s.item->SetMaxTextLength(edit, 1);
    EXPECT_EQ(s.dialog->Modal(dialog), kADMOKItemID);
    char text[8];
    s.item->GetText(edit, text, sizeof text);
    EXPECT_STREQ(text, "é");  // the limit counts characters, not bytes
    EXPECT_EQ(log.only("notify").back(), "notify ADM User Changed Notifier");
}

}  // namespace
}  // namespace brivo::test
