// Items through the suites: what users do to sliders, popups, edits and radio buttons,
// what the module's own changes do (nothing), and objects destroyed at awkward moments.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

#include "toolkit/toolkit_test_support.h"

namespace brivo::test {
namespace {

using host::toolkit::HeadlessEvent;
using host::toolkit::Key;
using Calls = std::vector<std::string>;

class Items : public ::testing::Test {
  protected:
    void SetUp() override {
        dialog = s.dialog->Create(nullptr, "items", 0, 0, nullptr, nullptr, 0);
        s.dialog->Size(dialog, 400, 300);
    }
    void TearDown() override { s.dialog->Destroy(dialog); }
    ADMItemRef make(const char* type, ADMRect r, CallLog* log, int32_t id = 20) {
        return s.item->Create(dialog, id, type, &r, log ? &recordItem : nullptr, log, 0);
    }

    // Logs outlive the dialog, whose items report their destruction into them.
    CallLog& newLog() { return logs.emplace_back(); }

    std::deque<CallLog> logs;
    HeadlessToolkit fx;
    ToolkitTables s{fx};
    ADMDialogRef dialog = nullptr;
};

TEST_F(Items, ASliderDragTracksWhileHeldOutsideAndNotifiesOnceOnRelease) {
    CallLog& log = newLog();
    ADMItemRef slider = make(kADMSliderType, {100, 100, 201, 110}, &log);
    s.item->SetMinFloatValue(slider, 0.0f);
    s.item->SetMaxFloatValue(slider, 200.0f);
    s.item->SetFloatValue(slider, 50.0f);  // no notification from the module's own change
    fx.backend.queue(HeadlessEvent::press({150, 105}));
    fx.backend.queue(HeadlessEvent::drag({175, 105}));
    fx.backend.queue(HeadlessEvent::drag({400, 150}));  // far right, below the item
    fx.backend.queue(HeadlessEvent::release({400, 150}));
    s.dialog->Modal(dialog);
    EXPECT_EQ(log.only("track"),
              (Calls{"track 2 50,5 0", "track 1 75,5 0", "track 1 300,50 0", "track 3 300,50 0"}));
    EXPECT_EQ(log.only("notify"), Calls{"notify ADM User Changed Notifier"});
    EXPECT_FLOAT_EQ(s.item->GetFloatValue(slider), 200.0f);

    // A press that does not move the value sends no change.
    log.calls.clear();
    fx.backend.click({200, 105});
    s.dialog->Modal(dialog);
    EXPECT_TRUE(log.only("notify").empty());
}

TEST_F(Items, SliderRangeKeepsTheValueAndASwappedRangeIsStoredInOrder) {
    ADMItemRef slider = make(kADMSliderType, {0, 0, 100, 10}, nullptr);
    s.item->SetMaxFloatValue(slider, -5.0f);  // minimum 0 above maximum -5: swapped
    s.item->SetFloatValue(slider, 3.0f);
    EXPECT_FLOAT_EQ(s.item->GetFloatValue(slider), 0.0f);
    s.item->SetMinFloatValue(slider, -10.0f);
    s.item->SetFloatValue(slider, -7.5f);
    EXPECT_FLOAT_EQ(s.item->GetFloatValue(slider), -7.5f);
}

TEST_F(Items, PopupEntriesPickAndSelectWithoutNotifyingModuleChanges) {
    CallLog& log = newLog();
    ADMItemRef popup = make(kADMPopupListType, {10, 10, 110, 30}, &log);
    ADMListRef list = s.item->GetList(popup);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(s.item->GetList(make(kADMSliderType, {0, 0, 1, 1}, nullptr)), nullptr);
    EXPECT_EQ(s.list->GetActiveEntry(list), nullptr);
    for (const char* text : {"Add", "Subtract", "Screen"}) {
        ADMEntryRef e = s.list->InsertEntry(list, s.list->NumberOfEntries(list));
        s.entry->SetText(e, text);
    }
    ADMEntryRef first = s.list->InsertEntry(list, -3);  // a negative index inserts first
    s.entry->SetID(first, 42);
    EXPECT_EQ(s.entry->GetIndex(first), 0);
    EXPECT_EQ(s.entry->GetID(s.list->IndexEntry(list, 1)), 0);  // new entries have ID 0
    EXPECT_EQ(s.list->FindEntry(list, 42), first);
    EXPECT_EQ(s.list->IndexEntry(list, 4), nullptr);

    s.entry->Select(s.list->IndexEntry(list, 2), 1);
    EXPECT_EQ(s.list->GetActiveEntry(list), s.list->IndexEntry(list, 2));
    EXPECT_TRUE(log.only("notify").empty());

    fx.backend.queue(HeadlessEvent::pickEntry({50, 20}, 3));
    s.dialog->Modal(dialog);
    char text[16];
    s.entry->GetText(s.list->GetActiveEntry(list), text, sizeof text);
    EXPECT_STREQ(text, "Screen");
    EXPECT_EQ(log.only("track"), (Calls{"track 2 40,10 0", "track 3 40,10 0"}));
    EXPECT_EQ(log.only("notify"), Calls{"notify ADM User Changed Notifier"});

    // Destroying the active entry leaves none active.
    s.entry->Destroy(s.list->GetActiveEntry(list));
    EXPECT_EQ(s.list->GetActiveEntry(list), nullptr);
    EXPECT_EQ(s.list->NumberOfEntries(list), 3);
}

TEST_F(Items, EditsTakeTheFocusOnPressAndNotifyOnlyWhenACommittedTextChanged) {
    CallLog& first = newLog();
    CallLog& second = newLog();
    ADMItemRef a = make(kADMTextEditType, {10, 10, 60, 30}, &first);
    ADMItemRef b = make(kADMTextEditType, {10, 40, 60, 60}, &second);
    s.item->SetMaxTextLength(a, 5);
    s.item->SetText(a, "100");  // the module's own text: no notification
    fx.backend.click({20, 20});
    fx.backend.queue(HeadlessEvent::keyPress(Key::backspace));
    fx.backend.queue(HeadlessEvent::keyPress(Key::backspace));
    fx.backend.queue(HeadlessEvent::keyPress(Key::backspace));
    fx.backend.queue(HeadlessEvent::typing("  12.5xyz"));   // cut at the typing limit
    fx.backend.queue(HeadlessEvent::keyPress(Key::tab));    // commits, moves to b
    fx.backend.queue(HeadlessEvent::keyPress(Key::enter));  // b unchanged: nothing
    fx.backend.queue(HeadlessEvent::closeBox());
    s.dialog->Modal(dialog);
    char text[16];
    s.item->GetText(a, text, sizeof text);
    EXPECT_STREQ(text, "  12.");
    // Three deletions and five accepted characters: eight keystrokes that changed the text.
    const Calls notes = first.only("notify");
    ASSERT_EQ(notes.size(), 11u);
    EXPECT_EQ(notes.front(), "notify ADM Activate Window Notifier");
    EXPECT_EQ(std::count(notes.begin(), notes.end(), "notify ADM Entry Text Changed Notifier"), 8);
    EXPECT_EQ(notes[notes.size() - 2], "notify ADM User Changed Notifier");
    EXPECT_EQ(notes.back(), "notify ADM Deactivate Window Notifier");
    EXPECT_EQ(second.only("notify"), Calls{"notify ADM Activate Window Notifier"});
    // GetText cuts to the buffer and always terminates.
    char small[3] = {'x', 'x', 'x'};
    s.item->GetText(a, small, sizeof small);
    EXPECT_STREQ(small, "  ");
    EXPECT_EQ(s.item->GetTextLength(a), 5);
    (void)b;
}

TEST_F(Items, RadioButtonsClearTheirPeersWithinTheirGroupOnly) {
    ADMItemRef group = make(kADMItemGroupType, {0, 0, 0, 0}, nullptr);
    ADMItemRef r1 = make(kADMTextRadioButtonType, {10, 10, 60, 30}, nullptr);
    ADMItemRef r2 = make(kADMTextRadioButtonType, {10, 40, 60, 60}, nullptr);
    ADMItemRef outside = make(kADMTextRadioButtonType, {10, 70, 60, 90}, nullptr);
    EXPECT_EQ(s.item->AddItem(group, r1), kSPNoError);
    EXPECT_EQ(s.item->AddItem(group, r2), kSPNoError);
    EXPECT_EQ(s.item->AddItem(r1, r2), kSPBadParameterError);  // not a group
    s.item->SetBooleanValue(r1, 1);
    s.item->SetBooleanValue(outside, 1);
    fx.backend.click({20, 50});
    s.dialog->Modal(dialog);
    EXPECT_EQ(s.item->GetBooleanValue(r1), 0);
    EXPECT_EQ(s.item->GetBooleanValue(r2), 1);
    EXPECT_EQ(s.item->GetBooleanValue(outside), 1);
}

TEST_F(Items, BestSizeFollowsTheTextAndDisabledOrHiddenItemsGetNoPointer) {
    ADMItemRef label = make(kADMTextStaticType, {0, 0, 0, 0}, nullptr);
    s.item->SetText(label, "Color: ");
    int32_t w = 0, h = 0;
    s.item->GetBestSize(label, &w, &h);
    EXPECT_EQ(w, 7 * 7 + 4);
    EXPECT_EQ(h, 15);
    CallLog& log = newLog();
    ADMItemRef button = make(kADMTextPushButtonType, {10, 10, 60, 30}, &log);
    s.item->Enable(button, 0);
    fx.backend.click({20, 20});
    s.item->Show(button, 0);
    fx.backend.click({20, 20});
    s.dialog->Modal(dialog);
    EXPECT_TRUE(log.only("track").empty());
}

// A notify callback that destroys its own item, as a module closing a panel might.
void destroyOnNotify(ADMItemRef item, ADMNotifierRef) {
    auto* suite = static_cast<const ADMItemSuite5*>(nullptr);
    const void* table = nullptr;
    host::CallBinding<host::SuiteRegistry>::current()->acquire(kADMItemSuite, 5, &table);
    suite = static_cast<const ADMItemSuite5*>(table);
    suite->Destroy(item);
    suite->SetText(item, "after");  // a dead reference is ignored, never followed
    host::CallBinding<host::SuiteRegistry>::current()->release(kADMItemSuite, 5);
}

ADMErr installDestroyOnNotify(ADMItemRef item) {
    const void* table = nullptr;
    host::CallBinding<host::SuiteRegistry>::current()->acquire(kADMItemSuite, 5, &table);
    static_cast<const ADMItemSuite5*>(table)->SetNotifyProc(item, &destroyOnNotify);
    host::CallBinding<host::SuiteRegistry>::current()->release(kADMItemSuite, 5);
    return kSPNoError;
}

ADMErr refuse(ADMItemRef) {
    return kSPOperationFailedError;
}

TEST_F(Items, ObjectsDestroyedInsideTheirCallbacksAndFailedCreationsLeaveNothing) {
    ADMRect r{10, 10, 60, 30};
    ASSERT_NE(
        s.item->Create(dialog, 3, kADMTextPushButtonType, &r, &installDestroyOnNotify, nullptr, 0),
        nullptr);
    fx.backend.click({20, 20});
    fx.backend.click({20, 20});  // nothing is there any more
    s.dialog->Modal(dialog);
    EXPECT_EQ(fx.toolkit.liveItemCount(), 0u);

    EXPECT_EQ(s.item->Create(dialog, 1, "ADM No Such Type", &r, nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(s.item->Create(dialog, 1, kADMSliderType, &r, &refuse, nullptr, 0), nullptr);
    EXPECT_EQ(s.item->Create(nullptr, 1, kADMSliderType, &r, nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(fx.toolkit.liveItemCount(), 0u);
    // References that were never handed out are ignored.
    int bogus = 0;
    s.item->SetText(reinterpret_cast<ADMItemRef>(&bogus), "x");
    EXPECT_EQ(s.item->GetID(reinterpret_cast<ADMItemRef>(&bogus)), 0);
}

TEST_F(Items, HostileModeCallsBackInsideCreateAndDestroyAndOnEveryChange) {
    HeadlessToolkit hostile({.hostile = true});
    ToolkitTables t{hostile};
    ADMDialogRef d = t.dialog->Create(nullptr, "hostile", 0, 0, nullptr, nullptr, 0);
    CallLog log;
    ADMRect r{0, 0, 50, 20};
    ADMItemRef item = t.item->Create(d, 1, kADMSliderType, &r, &recordItem, &log, 0);
    // The init callback's own SetDrawProc already repaints; then Create provokes all three.
    EXPECT_GE(log.only("draw").size(), 1u);
    EXPECT_EQ(log.only("notify"), Calls{"notify ADM Activate Window Notifier"});
    EXPECT_EQ(log.only("track"), Calls{"track 1 0,0 0"});
    log.calls.clear();
    t.item->SetText(item, "x");
    t.item->Enable(item, 0);
    t.item->Invalidate(item);
    EXPECT_EQ(log.only("draw").size(), 3u);
    log.calls.clear();
    t.item->Destroy(item);
    EXPECT_EQ(log.calls.front(), "destroy");
    EXPECT_EQ(log.only("draw").size(), 1u);  // fired after the destroy callback, still inside
    t.dialog->Destroy(d);
}

}  // namespace
}  // namespace brivo::test
