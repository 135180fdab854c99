// Runs the real `brivo` program on small generated files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/image_file.h"
#include "support/command_runner.h"
#include "support/host_fixture.h"
#include "support/temp_dir.h"

namespace brivo {
namespace {

using host::ImageDocument;
using test::CommandResult;

CommandResult brivo(const std::vector<std::string>& arguments) {
    return test::runCommand(BRIVO_APP_PATH, arguments);
}

std::string bytesOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class BrivoApply : public ::testing::Test {
protected:
    BrivoApply() {
        document = test::makeDocument(plugInModeRGBColor, 24, 300, test::Fill::noise, true);
        host::writeImageFile(document, input());
        inputBytes = bytesOf(input());
    }

    std::string input() const { return (dir / "in.png").string(); }
    std::string output() const { return (dir / "out.png").string(); }

    // Nothing but the input is left in the directory, and the input is as it was.
    void expectNoTrace() const {
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
        EXPECT_EQ(bytesOf(input()), inputBytes);
    }

    test::TempDir dir;
    ImageDocument document;
    std::string inputBytes;
};

TEST_F(BrivoApply, WritesTheFilteredImageAndLeavesTheInput) {
    const CommandResult run = brivo({"apply", input(), "-o", output()});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const ImageDocument result = host::readImageFile(output());
    EXPECT_EQ(result.width, document.width);
    EXPECT_EQ(result.height, document.height);
    EXPECT_EQ(result.imageMode, document.imageMode);
    EXPECT_EQ(result.alpha, document.alpha);
    EXPECT_EQ(bytesOf(input()), inputBytes);
}

TEST_F(BrivoApply, RectLimitsTheChangedArea) {
    const CommandResult run = brivo({"apply", input(), "-o", output(), "--rect", "10,4,20,12", "-v"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.err.find("24 x 300 RGB"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("10,4,20,12"), std::string::npos) << run.err;
    const ImageDocument result = host::readImageFile(output());
    for (size_t p = 0; p < 3; ++p)
        for (int32_t y = 0; y < 300; ++y)
            for (int32_t x = 0; x < 24; ++x) {
                if (y >= 10 && y < 20 && x >= 4 && x < 12) continue;
                const size_t at = static_cast<size_t>(y * 24 + x);
                ASSERT_EQ(result.planes[p][at], document.planes[p][at]) << p << ' ' << x << ',' << y;
            }
}

TEST_F(BrivoApply, RefusesBadRequestsWithAMessageAndNoOutput) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    std::ofstream((dir / "broken.png").string()) << "not an image";
    const Case cases[] = {
        {{"apply", (dir / "broken.png").string(), "-o", output()}, "broken.png"},
        {{"apply", input(), "-o", output(), "--rect", "0,0,301,24"}, "within"},
        {{"apply", input(), "-o", output(), "--rect", "0,0,3"}, "rect"},
        {{"apply", input(), "-o", (dir / "out.xyz").string()}, "output format"},
        {{"apply", input(), "-o", input()}, "replace the input"},
        {{"apply", input(), "-o", output(), "--module", "/lib/x86_64-linux-gnu/libz.so.1"}, "PluginMain"},
        {{"apply", (dir / "missing.png").string(), "-o", output()}, "missing.png"},
    };
    for (const Case& c : cases) {
        const CommandResult run = brivo(c.arguments);
        EXPECT_NE(run.exitStatus, 0) << c.arguments[1];
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(output()));
        EXPECT_FALSE(std::filesystem::exists(dir / "out.xyz"));
    }
    std::filesystem::remove(dir / "broken.png");
    expectNoTrace();
}

TEST_F(BrivoApply, FailedWriteLeavesNoFile) {
    // CMYK cannot be stored as PNG: the run succeeds but the write must leave nothing.
    host::writeImageFile(test::makeDocument(plugInModeCMYKColor, 8, 8), (dir / "cmyk.tif").string());
    const CommandResult run = brivo({"apply", (dir / "cmyk.tif").string(), "-o", output()});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_FALSE(run.err.empty());
    std::filesystem::remove(dir / "cmyk.tif");
    expectNoTrace();
}

TEST(BrivoInfo, PrintsTheModuleAndItsEntryPoint) {
    const CommandResult run = brivo({"info", "--module", BRIVO_MODULE_PATH});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.out.find(std::filesystem::absolute(BRIVO_MODULE_PATH).string()), std::string::npos);
    EXPECT_NE(run.out.find("PluginMain"), std::string::npos);
    // Without --module the module beside the program is used.
    EXPECT_EQ(brivo({"info"}).exitStatus, 0);
}

TEST(BrivoCommandLine, NeedsASubcommand) {
    const CommandResult run = brivo({});
    EXPECT_NE(run.exitStatus, 0);
    EXPECT_FALSE(run.err.empty());
}

}  // namespace
}  // namespace brivo
