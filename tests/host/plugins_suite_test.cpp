// The plug-ins suite: the module's own file, only for the module's own reference, never cut.
#include "host/runtime/plugins_suite.h"

#include <gtest/gtest.h>

#include <string>

#include "host/runtime/call_binding.h"

namespace brivo::host {
namespace {

TEST(PluginsSuite, GivesTheModulesAbsolutePathOnlyToItsOwnReference) {
    int module = 0;
    int other = 0;
    PluginsSuite suite(&module, "lib/../lib/brivo.so");
    const std::string expected =
        std::filesystem::absolute("lib/brivo.so").lexically_normal().generic_string();
    char path[512] = "unchanged";
    int32_t length = -1;
    EXPECT_EQ(suite.table()->GetPluginFilePath(&module, path, 512, &length), kSPBadParameterError)
        << "no binding, no module";
    CallBinding<PluginsSuite> binding(suite);
    EXPECT_EQ(suite.table()->GetPluginFilePath(&other, path, 512, &length), kSPBadParameterError);
    EXPECT_EQ(suite.table()->GetPluginFilePath(nullptr, path, 512, &length), kSPBadParameterError);
    EXPECT_EQ(suite.table()->GetPluginFilePath(&module, nullptr, 4, &length), kSPBadParameterError);

    ASSERT_EQ(suite.table()->GetPluginFilePath(&module, path, 512, &length), kSPNoError);
    EXPECT_EQ(std::string(path), expected);
    EXPECT_EQ(length, static_cast<int32_t>(expected.size()));
}

TEST(PluginsSuite, TellsTheLengthAndNeverCutsAPathThatDoesNotFit) {
    int module = 0;
    PluginsSuite suite(&module, "/opt/brivo/lib/brivo.so");
    CallBinding<PluginsSuite> binding(suite);
    int32_t length = 0;
    EXPECT_EQ(suite.table()->GetPluginFilePath(&module, nullptr, 0, &length),
              kSPOperationFailedError);
    EXPECT_EQ(length, 23);
    char path[23] = "x";
    EXPECT_EQ(suite.table()->GetPluginFilePath(&module, path, 23, nullptr),
              kSPOperationFailedError);
    EXPECT_EQ(path[0], 0) << "a path without room for its terminator is not written";
    char exact[24];
    EXPECT_EQ(suite.table()->GetPluginFilePath(&module, exact, 24, nullptr), kSPNoError);
    EXPECT_STREQ(exact, "/opt/brivo/lib/brivo.so");
}

}  // namespace
}  // namespace brivo::host
