// The suites as a careless or hostile module meets them: calls outside any host call, bad
// arguments, entries the user cannot pick, and module images.
#include <gtest/gtest.h>

#include "host/toolkit/suite_tables.h"
#include "toolkit/toolkit_test_support.h"

namespace brivo::test {
namespace {

using host::toolkit::HeadlessEvent;

TEST(SuiteBoundary, CallsOutsideAHostCallGetTheirFallbacksAndNeverCrash) {
    // No toolkit is bound here: every function answers without touching anything.
    const ADMDialogSuite5& dialogs = *host::toolkit::dialogSuiteTable();
    const ADMItemSuite5& items = *host::toolkit::itemSuiteTable();
    const ADMBasicSuite5& basic = *host::toolkit::basicSuiteTable();
    EXPECT_EQ(dialogs.Create(nullptr, "x", 0, 0, nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(dialogs.Modal(nullptr), kADMCancelItemID);
    ADMRect rect{1, 2, 3, 4};
    items.GetBoundsRect(nullptr, &rect);
    EXPECT_EQ(rect.right, 0);
    ADMRect screen{1, 1, 1, 1};
    basic.GetMainScreenRect(&screen);
    EXPECT_EQ(screen.right, 0);
    char path[4] = "abc";
    EXPECT_EQ(basic.ChooseOpenFile("t", nullptr, nullptr, path, 4), kSPOperationFailedError);
    EXPECT_STREQ(path, "");
    ADMRGBColor colour{};
    EXPECT_EQ(basic.ChooseColor({0, 0}, colour, &colour), kSPOperationFailedError);
}

TEST(SuiteBoundary, SeparatorsAndDisabledEntriesCannotBePicked) {
    HeadlessToolkit fx;
    ToolkitTables s{fx};
    ADMDialogRef d = s.dialog->Create(nullptr, "entries", 0, 0, nullptr, nullptr, 0);
    s.dialog->Size(d, 200, 100);
    ADMRect r{0, 0, 100, 20};
    ADMItemRef popup = s.item->Create(d, 1, kADMPopupListType, &r, nullptr, nullptr, 0);
    ADMListRef list = s.item->GetList(popup);
    for (int i = 0; i < 3; ++i) s.list->InsertEntry(list, i);
    s.listEntry->MakeSeparator(s.list->IndexEntry(list, 1), 1);
    s.listEntry->Enable(s.list->IndexEntry(list, 2), 0);
    EXPECT_EQ(s.listEntry->IsSeparator(s.list->IndexEntry(list, 1)), 1);
    fx.backend.queue(HeadlessEvent::pickEntry({10, 10}, 1));
    fx.backend.queue(HeadlessEvent::pickEntry({10, 10}, 2));
    fx.backend.queue(HeadlessEvent::pickEntry({10, 10}, 7));  // no such entry
    s.dialog->Modal(d);
    EXPECT_EQ(s.list->GetActiveEntry(list), nullptr);
    // The module may still select them itself.
    s.entry->Select(s.list->IndexEntry(list, 2), 1);
    EXPECT_EQ(s.entry->IsSelected(s.list->IndexEntry(list, 2)), 1);
    s.entry->Select(s.list->IndexEntry(list, 2), 0);
    EXPECT_EQ(s.list->GetActiveEntry(list), nullptr);
    s.dialog->Destroy(d);
}

TEST(SuiteBoundary, ModuleImagesAreCheckedAndOwnedUntilDestroyed) {
    HeadlessToolkit fx;
    ToolkitTables s{fx};
    ADMImageRef image = reinterpret_cast<ADMImageRef>(&fx);
    EXPECT_EQ(s.image->Create(0, 5, &image), kSPBadParameterError);
    EXPECT_EQ(image, nullptr);
    EXPECT_EQ(s.image->Create(1 << 20, 1 << 20, &image), kSPBadParameterError);
    EXPECT_EQ(s.image->Create(4, 2, nullptr), kSPBadParameterError);
    ASSERT_EQ(s.image->Create(4, 2, &image), kSPNoError);
    EXPECT_EQ(s.image->GetWidth(image), 4);
    EXPECT_GE(s.image->GetRowBytes(image), 12);
    uint8_t* pixels = s.image->GetBaseAddress(image);
    ASSERT_NE(pixels, nullptr);
    pixels[0] = 255;  // the first pixel red
    s.image->Destroy(image);
    EXPECT_EQ(s.image->GetBaseAddress(image), nullptr);
    s.image->Destroy(image);  // twice: the second is ignored
}

TEST(SuiteBoundary, SuiteAcquisitionsBalanceAcrossTheFixture) {
    HeadlessToolkit fx;
    {
        ToolkitTables s{fx};
        EXPECT_EQ(fx.registry.outstanding(), 11);
        const void* table = nullptr;
        EXPECT_EQ(fx.registry.acquire(kADMIconSuite, 1, &table), kSPSuiteNotFoundError);
    }
    EXPECT_EQ(fx.registry.outstanding(), 0);
}

}  // namespace
}  // namespace brivo::test
