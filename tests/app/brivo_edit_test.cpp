// `brivo edit` driven by scripts: OK renders and records, the values are kept for the next
// edit, Cancel writes nothing, and without a display it points at `brivo apply`.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "host/files/image_file.h"
#include "support/command_runner.h"
#include "support/host_fixture.h"
#include "support/scoped_variable.h"
#include "support/temp_dir.h"

namespace brivo {
namespace {

using test::CommandResult;

std::string bytesOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

using test::ScopedVariable;

class BrivoEdit : public ::testing::Test {
  protected:
    BrivoEdit()
        : config_("XDG_CONFIG_HOME", (dir / "config").c_str()), display_("DISPLAY", nullptr) {
        host::writeImageFile(test::makeDocument(plugInModeRGBColor, 64, 48, test::Fill::noise),
                             input());
    }
    std::string input() const { return (dir / "in.png").string(); }
    std::string path(const char* name) const { return (dir / name).string(); }
    std::string script(const char* name, const std::string& text) const {
        std::ofstream(dir / name) << text;
        return path(name);
    }
    CommandResult edit(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"edit", input()});
        return test::runCommand(BRIVO_APP_PATH, arguments);
    }

    test::TempDir dir;
    ScopedVariable config_;
    ScopedVariable display_;
};

TEST_F(BrivoEdit, OkRendersRecordsAndKeepsTheValuesForNextTime) {
    // A click on the Level slider's track, then OK.
    const std::string changeAndOk = script("ok.txt", "click 300 388\nclick 718 20\n");
    const CommandResult run =
        edit({"-o", path("a.png"), "--script", changeAndOk, "--record", path("action.json")});
    ASSERT_EQ(run.exitStatus, 0) << run.err;

    // The recorded action replays through apply to the same bytes.
    const CommandResult replay = test::runCommand(
        BRIVO_APP_PATH, {"apply", input(), "-o", path("b.png"), "--action", path("action.json")});
    ASSERT_EQ(replay.exitStatus, 0) << replay.err;
    EXPECT_EQ(bytesOf(path("a.png")), bytesOf(path("b.png")));

    // The next edit opens where the user left off; --defaults starts fresh.
    const std::string ok = script("just-ok.txt", "key enter\n");
    ASSERT_EQ(edit({"-o", path("c.png"), "--script", ok}).exitStatus, 0);
    EXPECT_EQ(bytesOf(path("c.png")), bytesOf(path("a.png")));
    ASSERT_EQ(edit({"-o", path("d.png"), "--script", ok, "--defaults"}).exitStatus, 0);
    EXPECT_NE(bytesOf(path("d.png")), bytesOf(path("a.png")));
    // Values given on the command line win over the kept ones.
    ASSERT_EQ(edit({"-o", path("e.png"), "--script", ok, "--action", path("action.json"), "--set",
                    "lightBrightness=20"})
                  .exitStatus,
              0);
    EXPECT_NE(bytesOf(path("e.png")), bytesOf(path("a.png")));
}

TEST_F(BrivoEdit, CancelWritesNothingAndSaysSo) {
    const CommandResult run =
        edit({"-o", path("out.png"), "--script", script("cancel.txt", "key escape\n")});
    EXPECT_NE(run.exitStatus, 0);
    EXPECT_NE(run.err.find("cancelled"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(path("out.png")));
    EXPECT_FALSE(std::filesystem::exists(dir / "config")) << "nothing is kept after a cancel";
}

TEST_F(BrivoEdit, WithoutADisplayPointsAtApplyAndABadScriptNamesItsLine) {
    const CommandResult windowless = edit({"-o", path("out.png")});
    EXPECT_EQ(windowless.exitStatus, 1);
    EXPECT_NE(windowless.err.find("brivo apply"), std::string::npos) << windowless.err;
    EXPECT_FALSE(std::filesystem::exists(path("out.png")));

    const CommandResult bad =
        edit({"-o", path("out.png"), "--script", script("bad.txt", "# fine\nwiggle 3 4\n")});
    EXPECT_EQ(bad.exitStatus, 1);
    EXPECT_NE(bad.err.find("line 2"), std::string::npos) << bad.err;
}

}  // namespace
}  // namespace brivo
