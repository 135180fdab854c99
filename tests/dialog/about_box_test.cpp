// The about box: its window, what closes it, and the about selector through the module's
// entry point on a host with and without the whole toolkit.
#include <gtest/gtest.h>

#include "dialog/about_dialog.h"
#include "support/host_fixture.h"
#include "toolkit_harness.h"

namespace brivo {
namespace {

namespace tk = host::toolkit;

using test::ToolkitHarness;
using tk::HeadlessEvent;

TEST(AboutDialog, IsTheSplashSizedCentredAndClosedOnlyByAClickOnIt) {
    ToolkitHarness harness;
    auto suites = harness.suites();
    AboutDialog dialog;
    dialog.CenterOnScreen();
    const ADMRect bounds = dialog.GetBoundsRect();
    EXPECT_EQ(bounds.right - bounds.left, 450);
    EXPECT_EQ(bounds.bottom - bounds.top, 231);
    EXPECT_EQ(bounds.left, (1920 - 450) / 2);
    EXPECT_EQ(bounds.top, (1080 - 231) / 2);

    harness.backend.queue(HeadlessEvent::keyPress(tk::Key::enter));
    harness.backend.queue(HeadlessEvent::keyPress(tk::Key::escape));
    harness.backend.queue(HeadlessEvent::run([&](tk::Toolkit& toolkit, tk::Dialog& shown) {
        EXPECT_FALSE(shown.ended) << "no key closes the box";
        EXPECT_EQ(shown.title, "About Brivo!");
        harness.backend.paint(toolkit, shown);
        const tk::RgbImage& frame = harness.backend.frame(shown);
        EXPECT_EQ(frame.at(0, 0), (tk::Rgb{0, 90, 200}));
        EXPECT_EQ(frame.at(449, 230), (tk::Rgb{0, 90, 200}));
    }));
    harness.backend.click({449, 230});
    EXPECT_EQ(dialog.Modal(), 1);
    EXPECT_EQ(harness.backend.pendingEvents(), 0u);
}

TEST(AboutDialog, TheCloseBoxStillEndsIt) {
    ToolkitHarness harness;
    auto suites = harness.suites();
    AboutDialog dialog;
    harness.backend.queue(HeadlessEvent::closeBox());
    EXPECT_EQ(dialog.Modal(), 2);
}

TEST(AboutSelector, ShowsTheBoxWithTheModulesOwnSplashAndGivesEverythingBack) {
    test::ModuleSession session = test::makeHost(test::makeDocument(plugInModeRGBColor, 4, 4),
                                                 host::ModuleLoader::Copy::fresh);
    tk::HeadlessBackend backend;
    tk::ToolkitServices toolkit(*session.host, backend);
    backend.click({225, 115});
    EXPECT_EQ(session->about(), noErr);
    EXPECT_EQ(session->lastCall().outstandingSuites, 0);
    EXPECT_EQ(session->handles().liveHandles(), 0);
    EXPECT_EQ(backend.lastFrame().width, 450);
    EXPECT_EQ(backend.lastFrame().height, 231);
    EXPECT_EQ(toolkit.toolkit().dialogs().size(), 0u);
}

TEST(AboutSelector, AHostMissingAToolkitSuiteGetsInsufficientHostAndKeepsNothing) {
    for (const char* missing : {kADMTrackerSuite, kADMIconSuite}) {
        test::ModuleSession session = test::makeHost(test::makeDocument(plugInModeRGBColor, 4, 4),
                                                     host::ModuleLoader::Copy::fresh);
        tk::HeadlessBackend backend;
        tk::ToolkitServices toolkit(*session.host, backend);
        session->withholdSuite(missing);
        EXPECT_EQ(session->about(), errPlugInHostInsufficient) << missing;
        EXPECT_EQ(session->lastCall().outstandingSuites, 0) << missing;
        EXPECT_EQ(toolkit.toolkit().dialogs().size(), 0u) << missing;
        EXPECT_EQ(toolkit.toolkit().liveItemCount(), 0u) << missing;
    }
}

}  // namespace
}  // namespace brivo
