// The text suite: texts kept by reference until freed, and refusals of bad references.
#include "host/runtime/zstring_suite.h"

#include <gtest/gtest.h>

#include "host/runtime/call_binding.h"
#include "support/host_fixture.h"

namespace brivo::host {
namespace {

TEST(ZStringSuite, KeepsExactlyTheGivenBytesUntilReleased) {
    ZStringSuite suite;
    CallBinding<ZStringSuite> binding(suite);
    const ASZStringSuite1* table = suite.table();
    const char prompt[] = "Select light colorXYZ";
    ASZString text = nullptr;
    ASSERT_EQ(table->MakeFromCString(prompt, 18, &text), kSPNoError);
    EXPECT_EQ(suite.text(text), "Select light color");
    ASZString empty = nullptr;
    ASSERT_EQ(table->MakeFromCString(nullptr, 0, &empty), kSPNoError);
    EXPECT_EQ(suite.text(empty), "");
    EXPECT_EQ(suite.liveTexts(), 2);

    EXPECT_EQ(table->Release(text), kSPNoError);
    EXPECT_EQ(table->Release(text), kSPBadParameterError) << "a text is freed once";
    EXPECT_EQ(suite.text(text), std::nullopt);
    EXPECT_EQ(table->Release(empty), kSPNoError);
    EXPECT_EQ(suite.liveTexts(), 0);
}

TEST(ZStringSuite, RefusesNullArgumentsAndCallsOutsideABinding) {
    ZStringSuite suite;
    const ASZStringSuite1* table = suite.table();
    ASZString text = nullptr;
    EXPECT_EQ(table->MakeFromCString("abc", 3, &text), kSPOperationFailedError);
    EXPECT_EQ(text, nullptr);
    CallBinding<ZStringSuite> binding(suite);
    EXPECT_EQ(table->MakeFromCString("abc", 3, nullptr), kSPBadParameterError);
    EXPECT_EQ(table->MakeFromCString(nullptr, 3, &text), kSPBadParameterError);
    EXPECT_EQ(table->Release(nullptr), kSPBadParameterError);
    EXPECT_EQ(suite.text(nullptr), std::nullopt);
    EXPECT_EQ(suite.liveTexts(), 0);
}

TEST(ZStringSuite, HostServicesOfferIt) {
    test::ModuleSession session = test::makeHost(test::makeDocument(plugInModeRGBColor, 4, 4));
    const void* table = nullptr;
    ASSERT_EQ(session->suites().acquire(kASZStringSuite, kASZStringSuiteVersion1, &table),
              kSPNoError);
    EXPECT_EQ(table, session.services->texts().table());
    session->suites().release(kASZStringSuite, kASZStringSuiteVersion1);
}

}  // namespace
}  // namespace brivo::host
