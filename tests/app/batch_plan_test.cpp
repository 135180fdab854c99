// How a batch finds its inputs, cuts them into shards and names its outputs.
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "app/batch_inputs.h"
#include "app/batch_outputs.h"
#include "support/temp_dir.h"

namespace brivo::app {
namespace {

namespace fs = std::filesystem;

void touch(const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "x";
}

std::vector<std::string> relativeNames(const std::vector<BatchInput>& inputs) {
    std::vector<std::string> names;
    for (const BatchInput& input : inputs) names.push_back(input.relative.string());
    return names;
}

class BatchPlan : public ::testing::Test {
  protected:
    BatchPlan() {
        for (const char* name : {"b.png", "a.JPG", "c.tiff", "notes.txt", ".hidden.png",
                                 "sub/d.jpeg", "sub/deeper/e.tif", ".cache/f.png"})
            touch(dir / "in" / name);
    }
    std::string in() const { return (dir / "in").string(); }
    test::TempDir dir;
};

TEST_F(BatchPlan, FoldersGiveTheirImagesSortedAndOnce) {
    EXPECT_EQ(relativeNames(expandInputs({in()}, false)),
              (std::vector<std::string>{"a.JPG", "b.png", "c.tiff"}));
    EXPECT_EQ(
        relativeNames(expandInputs({in(), in() + "/b.png", in() + "/./b.png"}, true)),
        (std::vector<std::string>{"a.JPG", "b.png", "c.tiff", "sub/d.jpeg", "sub/deeper/e.tif"}));
    // A file named on the command line is taken whatever its extension.
    EXPECT_EQ(relativeNames(expandInputs({in() + "/notes.txt"}, false)),
              (std::vector<std::string>{"notes.txt"}));
    touch(dir / "empty" / "readme.txt");
    EXPECT_THROW(expandInputs({(dir / "empty").string()}, true), BatchInputError);
}

TEST(BatchShards, EveryInputFallsInExactlyOneShard) {
    std::vector<BatchInput> inputs;
    for (int i = 0; i < 23; ++i) inputs.push_back({std::to_string(100 + i) + ".png", {}});
    for (size_t count : {1u, 2u, 4u, 7u, 23u, 30u}) {
        std::multiset<fs::path> seen;
        for (size_t index = 0; index < count; ++index) {
            const auto part =
                shardOf(inputs, parseShard(std::to_string(index) + '/' + std::to_string(count)));
            EXPECT_LE(part.size(), (inputs.size() + count - 1) / count);
            for (const BatchInput& input : part) seen.insert(input.path);
        }
        EXPECT_EQ(seen.size(), inputs.size()) << count;
        EXPECT_EQ(std::set<fs::path>(seen.begin(), seen.end()).size(), inputs.size()) << count;
    }
}

TEST(BatchShards, MalformedShardsAreRefused) {
    for (const char* text : {"4/4", "1/0", "1", "/4", "1/", "-1/4", "a/4", "1/4x", "1/4/2",
                             "99999999999999999999999/4"})
        EXPECT_THROW(parseShard(text), BatchInputError) << text;
    EXPECT_EQ(parseShard("3/4").index, 3u);
}

TEST_F(BatchPlan, FolderOutputsKeepTheRelativePathAndTakeTheFormat) {
    const auto inputs = expandInputs({in()}, true);
    const std::string out = (dir / "out").string() + "/";
    const auto kept = planOutputs(inputs, OutputNaming(out, std::nullopt));
    EXPECT_EQ(kept[0], fs::path(out) / "a.JPG");
    EXPECT_EQ(kept[4], fs::path(out) / "sub/deeper/e.tif");
    const auto tiff = planOutputs(inputs, OutputNaming(out, "TIFF"));
    EXPECT_EQ(tiff[0], fs::path(out) / "a.tif");
    EXPECT_EQ(tiff[3], fs::path(out) / "sub/d.tif");
}

TEST_F(BatchPlan, TemplatesFillEveryPlaceholder) {
    const auto inputs = expandInputs({in()}, true);
    const std::string base = (dir / "out").string();
    const auto named =
        planOutputs(inputs, OutputNaming(base + "/{dir}/{stem}-lit.{ext}", std::nullopt));
    EXPECT_EQ(named[0], fs::path(base) / "a-lit.JPG");
    EXPECT_EQ(named[3], fs::path(base) / "sub/d-lit.jpeg");
    const auto png = planOutputs(inputs, OutputNaming(base + "/{dir}/x-{name}", "png"));
    EXPECT_EQ(png[4], fs::path(base) / "sub/deeper/x-e.png");
    EXPECT_THROW(OutputNaming(base + "/{size}.png", std::nullopt), BatchInputError);
    EXPECT_THROW(OutputNaming(base + "/{stem", std::nullopt), BatchInputError);
}

TEST_F(BatchPlan, OutputsThatWouldCollideOrReplaceAnInputAreRefused) {
    const auto inputs = expandInputs({in()}, true);
    const std::string base = (dir / "out").string();
    // Two inputs to one file: the second would overwrite the first.
    EXPECT_THROW(planOutputs(inputs, OutputNaming(base + "/all.png", std::nullopt)),
                 BatchInputError);
    touch(dir / "in/sub/b.png");
    EXPECT_THROW(planOutputs(expandInputs({in()}, true), OutputNaming(base + "/{name}", {})),
                 BatchInputError);
    // Writing into the input folder with the same names would destroy the inputs.
    EXPECT_THROW(planOutputs(inputs, OutputNaming(in() + "/", std::nullopt)), BatchInputError);
    EXPECT_THROW(planOutputs(inputs, OutputNaming(in() + "/{dir}/{name}", std::nullopt)),
                 BatchInputError);
    // A fixed extension that --format contradicts.
    EXPECT_THROW(planOutputs(inputs, OutputNaming(base + "/{dir}/{stem}.png", "jpeg")),
                 BatchInputError);
    EXPECT_NO_THROW(planOutputs(inputs, OutputNaming(base + "/{dir}/{stem}.jpg", "jpeg")));
}

}  // namespace
}  // namespace brivo::app
