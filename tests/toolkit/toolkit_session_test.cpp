// The toolkit offered to the real module through a host session.
#include <gtest/gtest.h>

#include "support/toolkit_fixture.h"

namespace brivo::test {
namespace {

TEST(ToolkitSession, SuitesAndThePreviewProcedureAreOfferedAndWithdrawnWithTheServices) {
    ToolkitSession session = makeToolkitHost(makeDocument(3, 16, 16));
    DisplayPixelsProc seen = nullptr;
    session->setRecordHook([&](FilterRecord& record) { seen = record.displayPixels; });
    ASSERT_EQ(session->call(filterSelectorParameters), noErr);
    EXPECT_NE(seen, nullptr);
    EXPECT_EQ(session->about(), noErr);
    EXPECT_EQ(session->lastCall().outstandingSuites, 0);
    const std::pair<const char*, int32_t> offered[] = {
        {kADMBasicSuite, 5}, {kADMIconSuite, 2}, {kADMListEntrySuite, 2}};
    for (const auto& [name, version] : offered) {
        const void* table = nullptr;
        EXPECT_EQ(session->suites().acquire(name, version, &table), kSPNoError) << name;
        session->suites().release(name, version);
    }
    EXPECT_EQ(session->suites().outstanding(), 0);
    session.services.reset();
    const void* table = nullptr;
    EXPECT_EQ(session->suites().acquire(kADMDialogSuite, 5, &table), kSPSuiteNotFoundError);
    ASSERT_EQ(session->call(filterSelectorParameters), noErr);
    EXPECT_EQ(seen, nullptr);
}

}  // namespace
}  // namespace brivo::test
