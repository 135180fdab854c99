// The output view suite: what it answers, and that a session's services offer it.
#include "host/runtime/output_view_suite.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "host/runtime/call_binding.h"
#include "support/host_fixture.h"

namespace brivo::host {
namespace {

TEST(OutputViewSuite, AnswersTheBoundSuitesViewAndTheResultOutsideACall) {
    OutputViewSuite suite;
    EXPECT_EQ(suite.table()->RequestedView(), outputViewResult);
    suite.setView(outputViewMatte);
    EXPECT_EQ(suite.table()->RequestedView(), outputViewResult) << "no binding, no view";
    {
        CallBinding<OutputViewSuite> binding(suite);
        EXPECT_EQ(suite.table()->RequestedView(), outputViewMatte);
        suite.setView(outputViewShape);
        EXPECT_EQ(suite.table()->RequestedView(), outputViewShape);
    }
    EXPECT_EQ(suite.table()->RequestedView(), outputViewResult);
}

TEST(OutputViewSuite, RefusesUnknownViewsAndKeepsTheLastOne) {
    OutputViewSuite suite;
    suite.setView(outputViewShape);
    for (int32_t bad : {-1, 3, 1 << 30}) EXPECT_THROW(suite.setView(bad), std::invalid_argument);
    EXPECT_EQ(suite.view(), outputViewShape);
}

TEST(OutputViewSuite, HostServicesOfferItOnlyWhileTheyLive) {
    test::ModuleSession session = test::makeHost(test::makeDocument(plugInModeRGBColor, 4, 4));
    const void* table = nullptr;
    ASSERT_EQ(
        session->suites().acquire(kBrivoOutputViewSuite, kBrivoOutputViewSuiteVersion1, &table),
        kSPNoError);
    EXPECT_EQ(table, session.services->outputView().table());
    session->suites().release(kBrivoOutputViewSuite, kBrivoOutputViewSuiteVersion1);
    session.services.reset();
    EXPECT_NE(
        session->suites().acquire(kBrivoOutputViewSuite, kBrivoOutputViewSuiteVersion1, &table),
        kSPNoError);
}

TEST(OutputViewSuite, StartRecordsTheTimeSpentInTheModule) {
    test::ModuleSession session = test::makeHost(test::makeDocument(plugInModeGrayScale, 16, 16));
    session.services->descriptors().replay({});
    ASSERT_EQ(session->run(), noErr);
    EXPECT_EQ(session->lastStart().selector, filterSelectorStart);
    EXPECT_GT(session->lastStart().elapsed.count(), 0);
    EXPECT_EQ(session->lastCall().selector, filterSelectorFinish);
}

}  // namespace
}  // namespace brivo::host
