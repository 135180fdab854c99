// Runs the real `brivo` program on small generated files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "host/files/image_file.h"
#include "host/scripting/action_file.h"
#include "support/command_runner.h"
#include "support/host_fixture.h"
#include "support/temp_dir.h"

namespace brivo {
namespace {

using host::PlanarDocument;
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
    PlanarDocument document;
    std::string inputBytes;
};

TEST_F(BrivoApply, WritesTheFilteredImageAndLeavesTheInput) {
    const CommandResult run = brivo({"apply", input(), "-o", output()});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const PlanarDocument result = host::readImageFile(output());
    EXPECT_EQ(result.width, document.width);
    EXPECT_EQ(result.height, document.height);
    EXPECT_EQ(result.imageMode, document.imageMode);
    EXPECT_EQ(result.alpha, document.alpha);
    EXPECT_EQ(bytesOf(input()), inputBytes);
}

TEST_F(BrivoApply, RectLimitsTheChangedArea) {
    const CommandResult run =
        brivo({"apply", input(), "-o", output(), "--rect", "10,4,20,12", "-v"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.err.find("24 x 300 RGB"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("10,4,20,12"), std::string::npos) << run.err;
    const PlanarDocument result = host::readImageFile(output());
    for (size_t p = 0; p < 3; ++p)
        for (int32_t y = 0; y < 300; ++y)
            for (int32_t x = 0; x < 24; ++x) {
                if (y >= 10 && y < 20 && x >= 4 && x < 12) continue;
                const size_t at = static_cast<size_t>(y * 24 + x);
                ASSERT_EQ(result.planes[p][at], document.planes[p][at])
                    << p << ' ' << x << ',' << y;
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
        {{"apply", input(), "-o", input()}, "the same file as the input"},
        {{"apply", input(), "-o", output(), "--module", "/lib/x86_64-linux-gnu/libz.so.1"},
         "PluginMain"},
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
    host::writeImageFile(test::makeDocument(plugInModeCMYKColor, 8, 8),
                         (dir / "cmyk.tif").string());
    const CommandResult run = brivo({"apply", (dir / "cmyk.tif").string(), "-o", output()});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_FALSE(run.err.empty());
    std::filesystem::remove(dir / "cmyk.tif");
    expectNoTrace();
}

TEST_F(BrivoApply, RecordedActionReplaysToTheSameImage) {
    const std::string action = (dir / "x.json").string();
    const std::string replayed = (dir / "b.png").string();
    CommandResult run = brivo({"apply", input(), "-o", output(), "--set", "shapeOpacity=50",
                               "--set", "lightBlendMode=screen", "--record", action});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(bytesOf(action).find("lScr"), std::string::npos);
    run = brivo({"apply", input(), "-o", replayed, "--action", action});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(bytesOf(output()), bytesOf(replayed));
    // --set on top of an action overrides its key.
    run = brivo(
        {"apply", input(), "-o", replayed, "--action", action, "--set", "lightBlendMode=Add"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(bytesOf(output()), bytesOf(replayed));

    // An action that cannot be saved fails the run before the image is written.
    const std::string unsaved = (dir / "unsaved.png").string();
    run = brivo({"apply", input(), "-o", unsaved, "--record", (dir / "no" / "x.json").string()});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("x.json"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(unsaved));
}

TEST_F(BrivoApply, NamesIndicesPresetsAndSetsGiveTheSameParameters) {
    const std::string preset = (dir / "preset.json").string();
    std::ofstream(preset)
        << R"({"lightBlendMode": "SCREEN", "matteChannel": 8, "lightBrightness": 250,
                                "lightColor": [30000, 20000, 10000],
                                "cornerPin": "0.1,0,1,0,1,1,0,0.9"})";
    const std::string byPreset = (dir / "preset.png").string();
    CommandResult run = brivo({"apply", input(), "-o", byPreset, "--preset", preset});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    run = brivo({"apply", input(), "-o", output(), "--set", "lightBlendMode=2", "--set",
                 "matteChannel=saturation", "--set", "lightBrightness=2.5e2", "--set",
                 "lightColor=30000,20000,10000", "--set", "cornerPin=0.1, 0, 1, 0, 1, 1, 0, 0.9"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(bytesOf(byPreset), bytesOf(output()));
    // And they differ from the defaults.
    run = brivo({"apply", input(), "-o", byPreset});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(bytesOf(byPreset), bytesOf(output()));
}

TEST_F(BrivoApply, ExtremeNumbersReachTheModuleAndItCopes) {
    for (const char* value : {"nan", "inf", "-inf", "1e30", "-1e30", "1e-300"}) {
        for (const char* field : {"lightBrightness", "lightBlur", "matteRange", "shapeRotate"}) {
            const CommandResult run = brivo(
                {"apply", input(), "-o", output(), "--set", std::string(field) + '=' + value});
            EXPECT_EQ(run.exitStatus, 0) << field << '=' << value << ": " << run.err;
        }
    }
}

TEST_F(BrivoApply, HandEditedActionsNeverCrashTheModule) {
    const std::string longPath(400, 'p');
    const std::string cases[] = {
        R"({"key": "lBrt", "type": "text", "value": "bright"})",
        R"({"key": "lBln", "type": "float", "value": 2.0})",
        R"({"key": "lBln", "type": "enumerated", "enumType": "lBld", "value": "zzzz"})",
        R"({"key": "zzzz", "type": "integer", "value": 7})",
        R"({"key": "lClX", "type": "float", "value": "nan"})",
        R"({"key": "lClY", "type": "integer", "value": -5})",
        R"({"key": "sNam", "type": "text", "value": "/)" + longPath + R"("})",
        R"({"key": "sNam", "type": "text", "value": "/no/such/pattern.png"})",
    };
    const std::string action = (dir / "edited.json").string();
    for (const std::string& item : cases) {
        std::ofstream(action) << R"({"format": "brivo-action", "version": 1, "items": [)" << item
                              << "]}";
        const CommandResult run = brivo({"apply", input(), "-o", output(), "--action", action});
        EXPECT_LT(run.exitStatus, 128) << item << " killed the program";
        if (run.exitStatus != 0) {
            EXPECT_FALSE(run.err.empty()) << item;
            EXPECT_FALSE(std::filesystem::exists(output())) << item;
        }
        std::filesystem::remove(output());
    }
    std::filesystem::remove(action);
    expectNoTrace();
}

TEST_F(BrivoApply, RefusesBadParametersNamingTheFieldAndWritesNothing) {
    const std::string preset = (dir / "preset.json").string();
    const std::string record = (dir / "record.json").string();
    const std::string longPath(400, 'p');
    struct Case {
        std::vector<std::string> options;
        std::string presetText;  // written to the preset file when not empty
        std::string message;
    };
    const Case cases[] = {
        {{"--set", "lightWarmth=3"}, "", "lightWarmth"},
        {{"--set", "lightBrightnes=3"}, "", "did you mean lightBrightness?"},
        {{"--set", "lightBrightness"}, "", "FIELD=VALUE"},
        {{"--set", "lightBrightness="}, "", "lightBrightness"},
        {{"--set", "lightBrightness=12px"}, "", "lightBrightness"},
        {{"--set", "lightBrightness=1e999"}, "", "out of range"},
        {{"--set", "matteChannel=Purple"}, "", "matteChannel"},
        {{"--set", "matteChannel=9"}, "", "matteChannel"},
        {{"--set", "lightColor=1,2"}, "", "lightColor"},
        {{"--set", "lightColor=1,2,65536"}, "", "lightColor"},
        {{"--set", "lightColor=1,-2,3"}, "", "lightColor"},
        {{"--set", "cornerPin=0,0,1,0,1,1,0"}, "", "cornerPin"},
        {{"--set", "cornerPin=0,0,1,0,1,1,0,x"}, "", "cornerPin"},
        {{"--set", "shapeFile=/" + longPath}, "", "shapeFile"},
        {{"--color", "#12345"}, "", "--color"},
        {{"--action", (dir / "missing.json").string()}, "", "missing.json"},
        {{"--preset", (dir / "missing.json").string()}, "", "missing.json"},
        {{"--preset", preset}, "{\"lightBlur\": ", "not valid JSON"},
        {{"--preset", preset}, "[1, 2]", "JSON object"},
        {{"--preset", preset}, R"({"shapeOpacity": 50, "shapeSize": 3})", "shapeSize"},
        {{"--preset", preset}, R"({"lightBlur": true})", "lightBlur"},
        {{"--preset", preset}, R"({"lightColor": [1, [2], 3]})", "lightColor"},
        {{"--preset", preset}, R"({"shapeFile": "a\u0000b"})", "NUL"},
        {{"--view", "sideways"}, "", "view"},
        {{"--view", "original", "--record", record}, "", "--record"},
    };
    for (const Case& c : cases) {
        if (!c.presetText.empty()) std::ofstream(preset) << c.presetText;
        std::vector<std::string> arguments = {"apply", input(), "-o", output(), "--record", record};
        if (c.options.size() > 2) arguments.resize(4);
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const CommandResult run = brivo(arguments);
        EXPECT_NE(run.exitStatus, 0) << c.options.back();
        EXPECT_NE(run.err.find(c.message), std::string::npos)
            << c.options.back() << ": " << run.err;
        EXPECT_FALSE(std::filesystem::exists(output())) << c.options.back();
        EXPECT_FALSE(std::filesystem::exists(record)) << c.options.back();
        std::filesystem::remove(preset);
    }
    expectNoTrace();
}

// A number outside the dialog's range reaches the module as given, with a warning.
TEST_F(BrivoApply, WarnsOfANumberOutsideTheDialogsRangeAndUsesIt) {
    const std::string record = (dir / "record.json").string();
    const CommandResult run = brivo(
        {"apply", input(), "-o", output(), "--set", "lightBrightness=700", "--record", record});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.err.find("warning: lightBrightness: 700 is outside the dialog's range 0 to 600"),
              std::string::npos)
        << run.err;
    EXPECT_NE(host::loadAction(record).find(BRIVO_FOURCC('l', 'B', 'r', 't')), nullptr);
    EXPECT_EQ(std::get<double>(*host::loadAction(record).find(BRIVO_FOURCC('l', 'B', 'r', 't'))),
              700.0);
}

// -v reports the conversions the module asked the colour suite for, as they happened.
TEST_F(BrivoApply, VerboseReportsTheColourConversionsAndTheTimeInTheFilter) {
    CommandResult run = brivo({"apply", input(), "-o", output(), "-v", "--color", "#FF0000"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.err.find("colour conversion: XYZ "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(" -> RGB 255 0 0\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("time in filter: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(" ms\n"), std::string::npos) << run.err;

    // Grey documents see the colour through the CMYK space: white is all 255.
    const std::string grey = (dir / "grey.png").string();
    host::writeImageFile(test::makeDocument(plugInModeGrayScale, 8, 8), grey);
    run = brivo({"apply", grey, "-o", output(), "-v"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.err.find("colour conversion: XYZ 32768 32768 32768 -> CMYK 255 255 255 255\n"),
              std::string::npos)
        << run.err;
}

TEST_F(BrivoApply, OriginalViewWritesTheInputUnchanged) {
    const CommandResult run = brivo(
        {"apply", input(), "-o", output(), "--view", "original", "--set", "lightBrightness=600"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const PlanarDocument result = host::readImageFile(output());
    EXPECT_EQ(result.planes, document.planes);
    EXPECT_EQ(result.alpha, document.alpha);
}

// The PNG compression level changes the file's size, never its pixels; levels outside
// 0 .. 9 are refused before anything is written.
TEST_F(BrivoApply, CompressionTradesSizeButKeepsThePixels) {
    std::vector<std::string> sizes;
    PlanarDocument first;
    for (const char* level : {"0", "9"}) {
        const CommandResult run =
            brivo({"apply", input(), "-o", output(), "--view", "original", "--compression", level});
        ASSERT_EQ(run.exitStatus, 0) << run.err;
        const PlanarDocument result = host::readImageFile(output());
        EXPECT_EQ(result.planes, document.planes) << level;
        sizes.push_back(bytesOf(output()));
    }
    EXPECT_LT(sizes[1].size(), sizes[0].size());
    std::filesystem::remove(output());
    for (const char* level : {"-1", "10", "fast"}) {
        const CommandResult run = brivo({"apply", input(), "-o", output(), "--compression", level});
        EXPECT_NE(run.exitStatus, 0) << level;
        expectNoTrace();
    }
}

TEST(BrivoViews, MatteAndShapeViewsWriteOneGreyChannelOfTheDocumentsSize) {
    test::TempDir dir;
    const std::string example = std::string(BRIVO_SOURCE_DIR) + "/examples/coffee.png";
    const PlanarDocument source = host::readImageFile(example);
    const std::string matte = (dir / "matte.png").string();
    CommandResult run = brivo({"apply", example, "-o", matte, "--view", "matte"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const PlanarDocument result = host::readImageFile(matte);
    EXPECT_EQ(result.imageMode, plugInModeGrayScale);
    EXPECT_EQ(result.width, source.width);
    EXPECT_EQ(result.height, source.height);
    EXPECT_FALSE(result.hasAlpha());
    EXPECT_TRUE(result.iccProfile.empty());
    ASSERT_EQ(result.planes.size(), 1u);
    const auto [darkest, lightest] = std::ranges::minmax(result.planes[0]);
    EXPECT_LT(darkest, lightest) << "the light mask of the example is not flat";

    const std::string shape = (dir / "shape.png").string();
    run = brivo({"apply", example, "-o", shape, "--view", "SHAPE"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(host::readImageFile(shape).imageMode, plugInModeGrayScale);
}

TEST(BrivoInfo, PrintsTheModuleAndItsEntryPoint) {
    const CommandResult run = brivo({"info", "--module", BRIVO_MODULE_PATH});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.out.find(std::filesystem::absolute(BRIVO_MODULE_PATH).string()),
              std::string::npos);
    EXPECT_NE(run.out.find("PluginMain"), std::string::npos);
    // Without --module the module beside the program is used.
    EXPECT_EQ(brivo({"info"}).exitStatus, 0);
}

TEST(BrivoInfo, DescribesThePropertiesAndTheTerminology) {
    const CommandResult run = brivo({"info", "--module", BRIVO_MODULE_PATH});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    for (const char* line :
         {"menu name: Brivo!...\n", "category: Korvane\n", "version: 4.0\n",
          "entry point: PluginMain\n", "supported modes: Grayscale, RGB, CMYK\n",
          "enable condition: in (PSHOP_ImageMode, RGBMode, GrayScaleMode, CMYKMode)\n",
          "terminology id 16000", "7C2A91E4-3B58-4D06-A1F9-52E8B0C4D713", "event: KRX Brivo!\n",
          "Add light and shadow to a scene.", "id: krxB\n"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line;
    EXPECT_NE(run.out.find("KRX shape blend mode"), std::string::npos);
    EXPECT_NE(run.out.find("sBln sBld 0x2000"), std::string::npos) << run.out;
}

TEST(BrivoInfo, TablesEveryFieldWithTypeDefaultRangeAndChoices) {
    const CommandResult run = brivo({"info"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const auto row = [&](const std::string& field) {
        const size_t at = run.out.find("\n  " + field + ' ');
        return at == std::string::npos
                   ? std::string()
                   : run.out.substr(at + 1, run.out.find('\n', at + 1) - at - 1);
    };
    EXPECT_NE(row("FIELD").find("DEFAULT"), std::string::npos) << run.out;
    EXPECT_NE(row("lightBrightness").find("0 to 600"), std::string::npos) << run.out;
    EXPECT_NE(row("shapeBlendMode").find("None, Only, Add"), std::string::npos) << run.out;
    EXPECT_NE(row("cornerPin").find("0,0,1,0,1,1,0,1"), std::string::npos) << run.out;
    EXPECT_NE(row("modulateDisplacement").find("accepted and ignored"), std::string::npos);
}

TEST(BrivoInfo, WritesOneResourcesRawBytes) {
    CommandResult run = brivo({"info", "--resource", "AETE:16000"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out.size(), 1790u);
    EXPECT_EQ(run.out.substr(0, 2), std::string("\x01\x00", 2));
    for (const char* name :
         {"AETE:16001", "ABCD:16000", "AETE", "AETE:", "AETE:x", "TOOLONG:1", "AETE:99999999999"}) {
        run = brivo({"info", "--resource", name});
        EXPECT_NE(run.exitStatus, 0) << name;
        EXPECT_TRUE(run.out.empty()) << name;
        EXPECT_NE(run.err.find(name), std::string::npos) << run.err;
    }
}

TEST(BrivoAbout, CallsTheAboutSelectorAndNamesTheModule) {
    const CommandResult run = brivo({"about", "--module", BRIVO_MODULE_PATH});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.out.find("Brivo!..."), std::string::npos);
    EXPECT_NE(run.out.find("4.0"), std::string::npos);
}

TEST(BrivoAbout, SavesThePictureOfTheBoxItShows) {
    test::TempDir dir;
    const std::string picture = (dir / "about.png").string();
    const CommandResult run = brivo({"about", "--screenshot", picture});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.out.find("Brivo!..."), std::string::npos);
    const PlanarDocument saved = host::readImageFile(picture);
    EXPECT_EQ(saved.width, 450);
    EXPECT_EQ(saved.height, 231);
    EXPECT_EQ(saved.imageMode, plugInModeRGBColor);
}

TEST(BrivoCommandLine, NeedsASubcommand) {
    const CommandResult run = brivo({});
    EXPECT_NE(run.exitStatus, 0);
    EXPECT_FALSE(run.err.empty());
}

}  // namespace
}  // namespace brivo
