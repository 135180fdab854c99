// The diagnostics suite: what it keeps, and that the module tells a session why it could not
// use a pattern while still lighting the image.
#include "host/runtime/diagnostics_suite.h"

#include <gtest/gtest.h>

#include <string>

#include "host/runtime/call_binding.h"
#include "support/host_fixture.h"
#include "support/temp_dir.h"

namespace brivo::host {
namespace {

TEST(DiagnosticsSuite, KeepsBoundReportsOnceInARowAndDropsTheRest) {
    DiagnosticsSuite suite;
    suite.table()->Report("outside any call");
    {
        CallBinding<DiagnosticsSuite> binding(suite);
        suite.table()->Report("first");
        suite.table()->Report("first");
        suite.table()->Report(nullptr);
        suite.table()->Report("second");
        suite.table()->Report("first");
    }
    EXPECT_EQ(suite.reports(), (std::vector<std::string>{"first", "second", "first"}));
}

TEST(DiagnosticsSuite, TheModuleSaysWhyAPatternWasNotUsedAndStillRenders) {
    test::TempDir dir;
    test::ModuleSession session = test::makeHost(test::makeDocument(plugInModeRGBColor, 16, 16));
    DescriptorValues values;
    const std::string missing = (dir / "missing.png").string();
    values.put(BRIVO_FOURCC('s', 'N', 'a', 'm'), missing);
    session.services->descriptors().replay(values);
    ASSERT_EQ(session->run(), noErr);
    const std::vector<std::string>& reports = session.services->diagnostics().reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0],
              "pattern not used: cannot open " + missing + ": No such file or directory");
}

}  // namespace
}  // namespace brivo::host
