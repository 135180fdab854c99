// `brivo apply` on several files, run as the real program on small generated images.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "app/action_hash.h"
#include "host/files/image_file.h"
#include "host/scripting/action_file.h"
#include "support/command_runner.h"
#include "support/host_fixture.h"
#include "support/temp_dir.h"

namespace brivo {
namespace {

namespace fs = std::filesystem;
using test::CommandResult;

CommandResult brivo(const std::vector<std::string>& arguments) {
    return test::runCommand(BRIVO_APP_PATH, arguments);
}

std::string bytesOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<nlohmann::json> reportLines(const fs::path& path) {
    std::vector<nlohmann::json> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
    return lines;
}

class BrivoBatch : public ::testing::Test {
  protected:
    BrivoBatch() {
        fs::create_directories(dir / "in");
        for (uint32_t i = 0; i < 4; ++i)
            host::writeImageFile(
                test::makeDocument(plugInModeRGBColor, 20 + static_cast<int32_t>(i), 16,
                                   test::Fill::noise, false, i + 1),
                in(i).string());
    }
    fs::path in(uint32_t i) const { return dir / "in" / ("p" + std::to_string(i) + ".png"); }
    std::string inFolder() const { return (dir / "in").string(); }
    std::string outFolder() const { return (dir / "out").string() + "/"; }

    test::TempDir dir;
    const std::vector<std::string> look{"--set", "lightBrightness=150", "--set",
                                        "lightBlendMode=Screen"};
};

TEST_F(BrivoBatch, ACorruptFileFailsAloneAndTheOthersMatchSingleRuns) {
    const std::string whole = bytesOf(in(1));
    std::ofstream(dir / "in" / "p2.png", std::ios::binary) << whole.substr(0, whole.size() / 2);
    const fs::path report = dir / "report.jsonl";
    std::vector<std::string> arguments{"apply",  inFolder(), "-o",       outFolder(),
                                       "--jobs", "3",        "--report", report.string()};
    arguments.insert(arguments.end(), look.begin(), look.end());
    const CommandResult run = brivo(arguments);
    EXPECT_EQ(run.exitStatus, 3) << run.err;
    EXPECT_NE(run.err.find("4 files: 3 done, 0 skipped, 1 failed"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("p2.png"), std::string::npos) << run.err;

    const auto lines = reportLines(report);
    ASSERT_EQ(lines.size(), 4u);
    for (const auto& line : lines) {
        const bool corrupt = line["input"].get<std::string>().ends_with("p2.png");
        EXPECT_EQ(line["status"], corrupt ? "failed" : "ok") << line;
        EXPECT_EQ(line["message"].get<std::string>().empty(), !corrupt) << line;
        EXPECT_EQ(line["output"].get<std::string>().ends_with(
                      fs::path(line["input"].get<std::string>()).filename().string()),
                  true);
        if (!corrupt) {
            EXPECT_GT(line["megapixels"].get<double>(), 0.0003) << line;
        }
        EXPECT_TRUE(line["action"].get<std::string>().starts_with("sha256:")) << line;
    }
    EXPECT_FALSE(fs::exists(dir / "out" / "p2.png"));
    for (uint32_t i : {0u, 1u, 3u}) {
        const fs::path single = dir / ("single" + std::to_string(i) + ".png");
        std::vector<std::string> one{"apply", in(i).string(), "-o", single.string()};
        one.insert(one.end(), look.begin(), look.end());
        ASSERT_EQ(brivo(one).exitStatus, 0);
        EXPECT_EQ(bytesOf(single), bytesOf(dir / "out" / in(i).filename())) << i;
    }
}

TEST_F(BrivoBatch, TheReportNamesTheActionReplayed) {
    const fs::path action = dir / "look.json";
    std::vector<std::string> record{"apply",    in(0).string(), "-o", (dir / "r.png").string(),
                                    "--record", action.string()};
    record.insert(record.end(), look.begin(), look.end());
    ASSERT_EQ(brivo(record).exitStatus, 0);

    const auto hashOf = [&](std::vector<std::string> parameters) {
        const fs::path report = dir / "hash.jsonl";
        std::vector<std::string> arguments{
            "apply", inFolder(), "-o", (dir / "o").string() + "/", "--report", report.string()};
        arguments.insert(arguments.end(), parameters.begin(), parameters.end());
        EXPECT_EQ(brivo(arguments).exitStatus, 0);
        fs::remove_all(dir / "o");
        const auto lines = reportLines(report);
        EXPECT_EQ(lines.size(), 4u);
        for (const auto& line : lines) EXPECT_EQ(line["action"], lines.front()["action"]);
        return lines.front()["action"].get<std::string>();
    };
    EXPECT_EQ(hashOf({"--action", action.string()}), app::actionHash(host::loadAction(action)));
    // The same values from a preset or from --set are the same action; other values are not.
    const fs::path preset = dir / "look-preset.json";
    std::ofstream(preset) << R"({"lightBlendMode": "Screen", "lightBrightness": 150})";
    const std::string bySet = hashOf(look);
    EXPECT_EQ(hashOf({"--preset", preset.string()}), bySet);
    EXPECT_NE(hashOf({"--set", "lightBrightness=151", "--set", "lightBlendMode=Screen"}), bySet);
}

TEST_F(BrivoBatch, SkipExistingLeavesFinishedOutputsAlone) {
    fs::create_directories(dir / "out");
    std::ofstream(dir / "out" / "p1.png") << "finished earlier";
    const fs::path report = dir / "report.jsonl";
    CommandResult run = brivo(
        {"apply", inFolder(), "-o", outFolder(), "--skip-existing", "--report", report.string()});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(bytesOf(dir / "out" / "p1.png"), "finished earlier");
    size_t skipped = 0;
    for (const auto& line : reportLines(report)) skipped += line["status"] == "skipped";
    EXPECT_EQ(skipped, 1u);
    // Without the flag every output is written again.
    run = brivo({"apply", inFolder(), "-o", outFolder()});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(host::readImageFile((dir / "out" / "p1.png").string()).width, 21);
}

TEST_F(BrivoBatch, TemplatesAndFormatsNameTheOutputs) {
    const std::string pattern = (dir / "lit" / "{stem}-lit.{ext}").string();
    const CommandResult run =
        brivo({"apply", in(0).string(), in(3).string(), "--output", pattern, "--format", "tiff"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    for (const char* name : {"p0-lit.tif", "p3-lit.tif"}) {
        const std::string bytes = bytesOf(dir / "lit" / name);
        ASSERT_GE(bytes.size(), 4u) << name;
        EXPECT_TRUE(bytes.starts_with("II*") || bytes.starts_with("MM")) << name;
    }
}

TEST_F(BrivoBatch, EveryFileGetsTheOptionsOfASingleRun) {
    const std::vector<std::string> options{"--quality", "40",     "--rect",
                                           "2,3,12,15", "--view", "matte"};
    std::vector<std::string> batch{"apply", inFolder(), "-o", outFolder(), "--format", "jpeg"};
    batch.insert(batch.end(), options.begin(), options.end());
    ASSERT_EQ(brivo(batch).exitStatus, 0);
    for (uint32_t i = 0; i < 4; ++i) {
        const fs::path single = dir / "single.jpg";
        std::vector<std::string> one{"apply", in(i).string(), "-o", single.string()};
        one.insert(one.end(), options.begin(), options.end());
        ASSERT_EQ(brivo(one).exitStatus, 0);
        EXPECT_EQ(bytesOf(single), bytesOf(dir / "out" / ("p" + std::to_string(i) + ".jpg"))) << i;
    }
}

TEST_F(BrivoBatch, RequestsThatWouldLoseWorkAreRefusedBeforeAnyFile) {
    const std::vector<std::vector<std::string>> requests{
        {"apply", inFolder(), "-o", outFolder(), "--record", (dir / "a.json").string()},
        {"apply", inFolder(), "-o", (dir / "out" / "same.png").string(), "--jobs", "2"},
        {"apply", inFolder(), "-o", inFolder() + "/"},
        {"apply", inFolder(), "-o", outFolder(), "--shard", "4/4"},
        {"apply", inFolder(), "-o", outFolder(), "--report", (dir / "no" / "r.jsonl").string()},
        {"apply", inFolder(), "-o", outFolder(), "--set", "noSuchField=1"},
        {"apply", inFolder(), "-o", "-", "--jobs", "1"},
        {"apply", inFolder(), "-o", outFolder(), "--report", in(2).string()},
    };
    const std::string before = bytesOf(in(0));
    for (const auto& request : requests) {
        const CommandResult run = brivo(request);
        EXPECT_EQ(run.exitStatus, 1) << request[4] << '\n' << run.err;
        EXPECT_NE(run.err.find("brivo: "), std::string::npos);
        EXPECT_FALSE(fs::exists(dir / "out")) << request[4];
    }
    EXPECT_EQ(bytesOf(in(0)), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "in"), {}), 4);
}

TEST_F(BrivoBatch, AnInterruptStopsTheBatchAndLeavesOnlyWholeFiles) {
    for (uint32_t i = 4; i < 60; ++i)
        host::writeImageFile(test::makeDocument(plugInModeRGBColor, 64, 64, test::Fill::noise),
                             in(i).string());
    const fs::path report = dir / "report.jsonl";
    // Interrupt once the first file is reported, as Ctrl-C would: the files being filtered
    // are finished, no other starts.
    const std::string script =
        "\"$0\" apply \"$1\" -o \"$2\" --jobs 2 --report \"$3\" & pid=$!\n"
        "while [ ! -s \"$3\" ]; do sleep 0.01; done\n"
        "kill -INT $pid; wait $pid";
    const CommandResult run = test::runCommand(
        "/bin/sh", {"-c", script, BRIVO_APP_PATH, inFolder(), outFolder(), report.string()});
    EXPECT_EQ(run.exitStatus, 130) << run.err;
    EXPECT_NE(run.err.find("60 files:"), std::string::npos) << run.err;
    const auto lines = reportLines(report);
    EXPECT_LT(lines.size(), 60u);
    for (const auto& entry : fs::directory_iterator(dir / "out")) {
        ASSERT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();
        EXPECT_NO_THROW(host::readImageFile(entry.path().string())) << entry.path();
    }
}

}  // namespace
}  // namespace brivo
