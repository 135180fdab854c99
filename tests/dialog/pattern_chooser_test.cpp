// The pattern chooser: its start folder beside the module, retried after a failure; what
// it offers; cancel; paths the record cannot hold refused, never cut.
#include "dialog/pattern_chooser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "adm_basic_suite.h"
#include "core/errors.h"
#include "host/runtime/call_binding.h"
#include "host/runtime/plugins_suite.h"
#include "host/runtime/suite_registry.h"

namespace brivo {
namespace {

// What the fake open-file dialog saw and will answer.
struct FileDialogScript {
    static inline std::string title, filters, startFolder, answer;
    static inline ADMErr status = kSPNoError;
    static inline int calls = 0;

    static ADMErr choose(const char* titleText, const char* filterList, const char* folder,
                         char* path, int32_t capacity) noexcept {
        ++calls;
        title = titleText;
        filters.clear();
        // Pairs of NUL-terminated texts, ended by an empty one.
        for (const char* text = filterList; *text != 0; text += std::strlen(text) + 1)
            filters += std::string(text) + "|";
        startFolder = folder;
        if (answer.size() + 1 > static_cast<size_t>(capacity)) {
            path[0] = 0;
            return kSPBadParameterError;
        }
        std::memcpy(path, answer.c_str(), answer.size() + 1);
        return status;
    }
    static inline const ADMBasicSuite5 table{nullptr, nullptr, &choose};
};

class PatternChooserTest : public ::testing::Test {
  protected:
    PatternChooserTest() {
        forgetPatternFolder();
        registry.add(kADMBasicSuite, kADMBasicSuiteVersion5, &FileDialogScript::table);
        registry.add(kSPPluginsSuite, kSPPluginsSuiteVersion4, plugins.table());
        FileDialogScript::calls = 0;
        FileDialogScript::status = kSPNoError;
        FileDialogScript::answer = "/home/ann/shapes/leaf.png";
    }
    ~PatternChooserTest() override {
        EXPECT_EQ(registry.outstanding(), 0);
        forgetPatternFolder();
    }
    PatternChoice choose() { return choosePattern(registry.basicSuite(), &module); }

    int module = 0;
    host::PluginsSuite plugins{&module, "/opt/brivo/lib/brivo.so"};
    host::SuiteRegistry registry;
    host::CallBinding<host::SuiteRegistry> registryBinding{registry};
    host::CallBinding<host::PluginsSuite> pluginsBinding{plugins};
};

TEST_F(PatternChooserTest, StartsInThePatternsFolderBesideTheModuleWithTheImageFilters) {
    const PatternChoice choice = choose();
    ASSERT_EQ(choice.outcome, PatternChoice::Outcome::picked);
    EXPECT_STREQ(choice.path.c_str(), "/home/ann/shapes/leaf.png");
    EXPECT_EQ(FileDialogScript::title, "Choose Pattern...");
    EXPECT_EQ(FileDialogScript::startFolder, "/opt/brivo/lib/Patterns");
    EXPECT_EQ(FileDialogScript::filters,
              "Supported Image Files|*.jpeg;*.jpg;*.png|JPEG files (*.jpeg)|*.jpeg;*.jpg|"
              "PNG files (*.png)|*.png|");
}

TEST_F(PatternChooserTest, CancelAndOverlongPathsChooseNothing) {
    FileDialogScript::status = kADMCancelledError;
    EXPECT_EQ(choose().outcome, PatternChoice::Outcome::cancelled);
    FileDialogScript::status = kSPNoError;
    FileDialogScript::answer = "/" + std::string(299, 'a');  // 300 bytes: one too many
    const PatternChoice tooLong = choose();
    EXPECT_EQ(tooLong.outcome, PatternChoice::Outcome::tooLong);
    EXPECT_TRUE(tooLong.path.isEmpty());
    FileDialogScript::answer = "/" + std::string(5000, 'b');  // beyond the dialog's buffer
    EXPECT_EQ(choose().outcome, PatternChoice::Outcome::tooLong);
    FileDialogScript::answer = "/" + std::string(298, 'c');  // exactly 299 bytes fits
    EXPECT_EQ(choose().outcome, PatternChoice::Outcome::picked);
}

TEST_F(PatternChooserTest, AFailedLookUpIsTriedAgainOnTheNextUse) {
    registry.withhold(kSPPluginsSuite);
    EXPECT_THROW(choose(), SuiteError);
    EXPECT_EQ(FileDialogScript::calls, 0);
    registry.offer(kSPPluginsSuite);
    EXPECT_EQ(choose().outcome, PatternChoice::Outcome::picked);
    EXPECT_EQ(FileDialogScript::startFolder, "/opt/brivo/lib/Patterns");
    // Once known, the folder is kept: the suite is not needed again.
    registry.withhold(kSPPluginsSuite);
    EXPECT_EQ(choose().outcome, PatternChoice::Outcome::picked);
}

}  // namespace
}  // namespace brivo
