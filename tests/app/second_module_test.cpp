// The command runs a module it was never built with, through the same paths as Brivo's own:
// apply with --set, --record and --action, and info.
#include <gtest/gtest.h>

#include <filesystem>

#include "host/files/image_file.h"
#include "support/command_runner.h"
#include "support/host_fixture.h"
#include "support/temp_dir.h"

namespace brivo {
namespace {

test::CommandResult brivo(std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), {"--module", BRIVO_INVERT_MODULE_PATH});
    return test::runCommand(BRIVO_APP_PATH, arguments);
}

class SecondModule : public ::testing::Test {
  protected:
    SecondModule() {
        document = test::makeDocument(plugInModeRGBColor, 16, 9, test::Fill::noise, false);
        host::writeImageFile(document, input());
    }
    std::string input() const { return (dir / "in.png").string(); }
    std::string path(const char* name) const { return (dir / name).string(); }

    // Each output sample is the input's moved toward its inverse by amount percent.
    void expectInverted(const std::string& output, double amount) const {
        const host::PlanarDocument result = host::readImageFile(output);
        ASSERT_EQ(result.planes.size(), document.planes.size());
        for (size_t p = 0; p < result.planes.size(); ++p)
            for (size_t i = 0; i < result.planes[p].size(); ++i) {
                const double v = document.planes[p][i];
                EXPECT_NEAR(result.planes[p][i], v + (255 - 2 * v) * amount / 100, 0.5001)
                    << p << ' ' << i;
            }
    }

    test::TempDir dir;
    host::PlanarDocument document;
};

TEST_F(SecondModule, AppliesWithItsDefaultAndWithSet) {
    test::CommandResult run = brivo({"apply", input(), "-o", path("full.png")});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    expectInverted(path("full.png"), 100);

    run = brivo({"apply", input(), "-o", path("half.png"), "--set", "amount=25"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    expectInverted(path("half.png"), 25);
}

TEST_F(SecondModule, RecordsAnActionThatReplaysTheSameSetting) {
    test::CommandResult run = brivo({"apply", input(), "-o", path("first.png"), "--set",
                                     "amount=40", "--record", path("action.json")});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    run = brivo({"apply", input(), "-o", path("again.png"), "--action", path("action.json")});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    expectInverted(path("again.png"), 40);
}

TEST_F(SecondModule, ChecksSettingsByItsOwnCatalog) {
    test::CommandResult run = brivo({"apply", input(), "-o", path("out.png"), "--set", "amout=5"});
    EXPECT_NE(run.exitStatus, 0);
    EXPECT_NE(run.err.find("did you mean amount?"), std::string::npos) << run.err;
    // Brivo's fields mean nothing to this module.
    run = brivo({"apply", input(), "-o", path("out.png"), "--set", "lightBlur=5"});
    EXPECT_NE(run.exitStatus, 0);
    run = brivo({"apply", input(), "-o", path("out.png"), "--color", "#FF0000"});
    EXPECT_NE(run.err.find("no colour parameter"), std::string::npos) << run.err;

    run = brivo({"apply", input(), "-o", path("out.png"), "--set", "amount=150"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.err.find("amount: 150 is outside the dialog's range 0 to 100"), std::string::npos)
        << run.err;
}

TEST_F(SecondModule, InfoDescribesItsOwnParameters) {
    const test::CommandResult run = brivo({"info"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.out.find("menu name: Invert"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  amount  number  100      0 to 100"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("light"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace brivo
