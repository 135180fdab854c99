// Golden cases: the real `brivo apply` on the example photographs, the decoded output
// pixels compared by hash with recorded values, on the fast and on the scalar path.
//
// To regenerate after an intended change of the render, run
//   test_app --gtest_filter='Golden*'
// and copy each "actual" hash from the failure messages into kGoldenCases below.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "host/files/image_file.h"
#include "support/command_runner.h"
#include "support/temp_dir.h"

namespace brivo {
namespace {

using host::PlanarDocument;
using test::CommandResult;

const std::string kSourceDir = BRIVO_SOURCE_DIR;

// FNV-1a (64-bit) over the size, the mode and every plane, alpha last.
std::string pixelHash(const PlanarDocument& document) {
    uint64_t hash = 0xcbf29ce484222325ull;
    auto add = [&hash](uint8_t byte) {
        hash ^= byte;
        hash *= 0x100000001b3ull;
    };
    auto addWord = [&add](uint32_t word) {
        for (int shift = 0; shift < 32; shift += 8) add(static_cast<uint8_t>(word >> shift));
    };
    addWord(static_cast<uint32_t>(document.width));
    addWord(static_cast<uint32_t>(document.height));
    addWord(static_cast<uint32_t>(document.imageMode));
    for (const auto& plane : document.planes)
        for (const uint8_t byte : plane) add(byte);
    for (const uint8_t byte : document.alpha) add(byte);
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

struct GoldenCase {
    const char* name;
    const char* input;  // under examples/
    bool withShape;     // the shape settings below, else the defaults
    const char* hash;   // of the decoded output
};

void PrintTo(const GoldenCase& golden, std::ostream* os) {
    *os << golden.name;
}

// A lit shape from the matte, rotated, pushed around by the image's luminance.
std::vector<std::string> shapeSettings() {
    return {"--set", "lightSource=Matte",
            "--set", "shapeFile=" + kSourceDir + "/patterns/window_panes.png",
            "--set", "shapeRotate=30",
            "--set", "lightDisplacement=20"};
}

const GoldenCase kGoldenCases[] = {
    {"rgb_defaults", "coffee.png", false, "05b25fe2c082df5a"},
    {"gray_defaults", "coffee_gray.png", false, "e5605f43f771929f"},
    {"cmyk_defaults", "coffee_cmyk.tif", false, "ee1e19bad6676b84"},
    {"rgb_shape", "coffee.png", true, "014f4d4bdf0f1e30"},
    {"gray_shape", "coffee_gray.png", true, "fe0a822a1c98c1f5"},
    {"cmyk_shape", "coffee_cmyk.tif", true, "8ed5e43542eef03d"},
};

class Golden : public ::testing::TestWithParam<GoldenCase> {
  protected:
    // Runs brivo apply on the case's input, with the scalar path forced when asked, and
    // returns the hash of the decoded output.
    std::string run(bool scalar) {
        const GoldenCase& golden = GetParam();
        const std::filesystem::path input = kSourceDir + "/examples/" + golden.input;
        const std::filesystem::path output = dir / ("out" + input.extension().string());
        std::vector<std::string> arguments = {scalar ? "BRIVO_NO_SIMD=1" : "BRIVO_NO_SIMD=0",
                                              BRIVO_APP_PATH,
                                              "apply",
                                              input.string(),
                                              "-o",
                                              output.string()};
        if (golden.withShape)
            for (const std::string& setting : shapeSettings()) arguments.push_back(setting);
        const CommandResult result = test::runCommand("/usr/bin/env", arguments);
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        if (result.exitStatus != 0) return "";
        const PlanarDocument source = host::readImageFile(input.string());
        const PlanarDocument lit = host::readImageFile(output.string());
        EXPECT_NE(pixelHash(lit), pixelHash(source)) << "the filter changed nothing";
        return pixelHash(lit);
    }

    test::TempDir dir;
};

TEST_P(Golden, OutputMatchesTheRecordedHash) {
    EXPECT_EQ(run(false), GetParam().hash) << "actual (left) for " << GetParam().name;
}

TEST_P(Golden, ScalarPathGivesTheSameOutput) {
    EXPECT_EQ(run(true), GetParam().hash) << "actual (left) for " << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Examples, Golden, ::testing::ValuesIn(kGoldenCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace brivo
