// The last confirmed values: where they live, a round trip, and a damaged file reported.
#include "host/scripting/last_values.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "host/scripting/action_file.h"
#include "support/scoped_variable.h"
#include "support/temp_dir.h"

namespace brivo::host {
namespace {

using test::ScopedVariable;

TEST(LastValues, LiveInTheConfigurationFolderOfTheUser) {
    {
        ScopedVariable config("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(LastValues::forModule("/opt/lib/brivo.so").file(),
                  std::filesystem::path("/cfg/brivo/last-values/brivo.json"));
    }
    {
        ScopedVariable config("XDG_CONFIG_HOME", "relative/cfg");
        ScopedVariable home("HOME", "/home/ann");
        EXPECT_EQ(LastValues::forModule("brivo.so").file(),
                  std::filesystem::path("/home/ann/.config/brivo/last-values/brivo.json"));
    }
    ScopedVariable config("XDG_CONFIG_HOME", nullptr);
    ScopedVariable home("HOME", nullptr);
    const LastValues nowhere = LastValues::forModule("brivo.so");
    EXPECT_FALSE(nowhere.available());
    EXPECT_FALSE(nowhere.load());
}

TEST(LastValues, KeepWhatWasSavedAndReportADamagedFile) {
    test::TempDir folder;
    ScopedVariable config("XDG_CONFIG_HOME", folder.path().c_str());
    const LastValues last = LastValues::forModule("brivo.so");
    EXPECT_FALSE(last.load()) << "nothing kept yet";
    const DescriptorValues values = actionFromJson(
        R"({"format": "brivo-action", "version": 1, "items": [{"key": "lBrt", "type": "float", "value": 150.0}]})");
    last.save(values);
    ASSERT_TRUE(last.load());
    EXPECT_EQ(actionToJson(*last.load()), actionToJson(values));

    std::ofstream(*last.file()) << "{ not json";
    EXPECT_THROW(last.load(), ActionFileError);
}

}  // namespace
}  // namespace brivo::host
