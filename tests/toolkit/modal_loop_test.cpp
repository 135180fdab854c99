// The modal loop: which buttons, keys and events end it, and with what.
#include <gtest/gtest.h>

#include "toolkit/toolkit_test_support.h"

namespace brivo::test {
namespace {

using host::toolkit::HeadlessEvent;
using host::toolkit::Key;

class ModalLoop : public ::testing::Test {
  protected:
    ADMDialogRef makeDialog(CallLog* log = nullptr) {
        ADMDialogRef d =
            s.dialog->Create(nullptr, "test", 0, 0, log ? &recordDialog : nullptr, log, 0);
        s.dialog->Size(d, 300, 200);
        return d;
    }
    ADMItemRef button(ADMDialogRef d, int32_t id, ADMRect r, CallLog* log = nullptr) {
        return s.item->Create(d, id, kADMTextPushButtonType, &r, log ? &recordItem : nullptr, log,
                              0);
    }

    HeadlessToolkit fx;
    ToolkitTables s{fx};
};

TEST_F(ModalLoop, OkAndCancelButtonsEndTheLoopWithTheirIdsWithoutAnyHandler) {
    for (int32_t id : {kADMOKItemID, kADMCancelItemID}) {
        ADMDialogRef d = makeDialog();
        button(d, kADMOKItemID, {10, 10, 60, 30});
        button(d, kADMCancelItemID, {70, 10, 120, 30});
        fx.backend.click(id == kADMOKItemID ? ADMPoint{20, 20} : ADMPoint{80, 20});
        EXPECT_EQ(s.dialog->Modal(d), id);
        s.dialog->Destroy(d);
    }
    EXPECT_EQ(fx.toolkit.dialogs().size(), 0u);
}

TEST_F(ModalLoop, ReturnAndEscapeUseTheDefaultAndCancelItemsOnlyWhenSet) {
    ADMDialogRef d = makeDialog();
    s.dialog->SetDefaultItemID(d, 7);
    s.dialog->SetCancelItemID(d, 8);
    fx.backend.queue(HeadlessEvent::keyPress(Key::enter));
    EXPECT_EQ(s.dialog->Modal(d), 7);
    fx.backend.queue(HeadlessEvent::keyPress(Key::escape));
    EXPECT_EQ(s.dialog->Modal(d), 8);

    // Without a default and a cancel item the keys do nothing; the close box ends it.
    CallLog log;
    ADMDialogRef about = makeDialog(&log);
    s.dialog->SetDefaultItemID(about, 0);
    s.dialog->SetCancelItemID(about, 0);
    fx.backend.queue(HeadlessEvent::keyPress(Key::enter));
    fx.backend.queue(HeadlessEvent::keyPress(Key::escape));
    fx.backend.queue(HeadlessEvent::run([&](auto&, auto& dialog) { EXPECT_FALSE(dialog.ended); }));
    fx.backend.queue(HeadlessEvent::closeBox());
    EXPECT_EQ(s.dialog->Modal(about), kADMCancelItemID);
    EXPECT_EQ(log.calls, std::vector<std::string>{"notify ADM Close Hit Notifier"});
    s.dialog->Destroy(about);
    s.dialog->Destroy(d);
    EXPECT_EQ(log.calls.back(), "destroy");
}

TEST_F(ModalLoop, TheFirstEndModalStandsAndAnExhaustedScriptClosesTheWindow) {
    ADMDialogRef d = makeDialog();
    fx.backend.queue(HeadlessEvent::run([&](auto&, auto&) {
        s.dialog->EndModal(d, 5, 0);
        s.dialog->EndModal(d, 9, 1);  // harmless: the loop already ended
    }));
    EXPECT_EQ(s.dialog->Modal(d), 5);
    // EndModal before Modal ends the next loop at once.
    s.dialog->EndModal(d, 4, 0);
    fx.backend.queue(HeadlessEvent::closeBox());
    EXPECT_EQ(s.dialog->Modal(d), 4);
    EXPECT_EQ(fx.backend.pendingEvents(), 1u);
    // No events at all: the close box is hit for the user, so the loop cannot hang.
    fx.backend.queue(HeadlessEvent::run([](auto&, auto&) {}));
    EXPECT_EQ(s.dialog->Modal(d), kADMCancelItemID);
    s.dialog->Destroy(d);
}

TEST_F(ModalLoop, ItemIdsAreLabelsSoReusedIdsStillReachEachItem) {
    ADMDialogRef d = makeDialog();
    CallLog first, second;
    button(d, 10, {10, 10, 60, 30}, &first);
    button(d, 10, {70, 10, 120, 30}, &second);
    fx.backend.click({80, 20});
    fx.backend.click({20, 20});
    s.dialog->Modal(d);
    EXPECT_EQ(first.only("notify"), std::vector<std::string>{"notify ADM User Changed Notifier"});
    EXPECT_EQ(second.only("notify"), std::vector<std::string>{"notify ADM User Changed Notifier"});
    s.dialog->Destroy(d);
}

TEST_F(ModalLoop, AButtonReleasedOutsideItselfIsNoClick) {
    ADMDialogRef d = makeDialog();
    CallLog log;
    button(d, 10, {10, 10, 60, 30}, &log);
    fx.backend.queue(HeadlessEvent::press({20, 20}));
    fx.backend.queue(HeadlessEvent::release({100, 100}));
    s.dialog->Modal(d);
    EXPECT_TRUE(log.only("notify").empty());
    // Points are item-local, also outside the item.
    EXPECT_EQ(log.only("track"), (std::vector<std::string>{"track 2 10,10 0", "track 3 90,90 0"}));
    s.dialog->Destroy(d);
}

}  // namespace
}  // namespace brivo::test
