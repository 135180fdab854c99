// The Icon suite over the bitmaps the module carries in its own file.
#include <gtest/gtest.h>

#include "host/runtime/call_binding.h"
#include "host/toolkit/module_bitmaps.h"
#include "host/toolkit/suite_tables.h"
#include "support/toolkit_fixture.h"

namespace brivo::test {
namespace {

TEST(Icons, TheModulesSplashAndDropperLoadByNameAndIdAndAnythingElseIsANullIcon) {
    ToolkitSession session = makeToolkitHost(makeDocument(3, 8, 8));
    host::CallBinding<host::toolkit::Toolkit> binding(session.toolkit());
    const ADMIconSuite2& icons = *host::toolkit::iconSuiteTable();
    void* module = const_cast<host::ModuleLoader*>(&session->module());

    ADMIconRef splash = nullptr, dropper = nullptr, missing = nullptr;
    ASSERT_EQ(icons.LoadFromResource(module, "IDB_SPLASH", 102, &splash), kSPNoError);
    ASSERT_EQ(icons.LoadFromResource(module, "IDB_DROPPER", 106, &dropper), kSPNoError);
    EXPECT_EQ(icons.GetWidth(splash), 450);
    EXPECT_EQ(icons.GetHeight(splash), 231);
    EXPECT_EQ(icons.GetWidth(dropper), 20);
    EXPECT_EQ(icons.GetHeight(dropper), 10);
    // A wrong name, an unknown ID or another module's reference: a null icon, 0 by 0.
    int other = 0;
    for (const auto& [ref, name, id] :
         {std::tuple<void*, const char*, int32_t>{module, "IDB_SPLASH", 106},
          {module, "IDB_SPLASH", 103},
          {&other, "IDB_SPLASH", 102}}) {
        missing = reinterpret_cast<ADMIconRef>(&other);
        EXPECT_EQ(icons.LoadFromResource(ref, name, id, &missing), kADMResourceNotFoundError);
        EXPECT_EQ(missing, nullptr);
    }
    EXPECT_EQ(icons.GetWidth(missing), 0);
    icons.Destroy(missing);  // null is ignored
    icons.Destroy(splash);
    icons.Destroy(dropper);
    EXPECT_EQ(icons.GetWidth(splash), 0);  // a destroyed icon is no longer followed
}

TEST(Icons, TheDropperKeepsItsPaletteColoursAndTheSplashIsOpaqueRgb) {
    const auto dropper = host::toolkit::loadModuleBitmap(BRIVO_MODULE_PATH, "IDB_DROPPER", 106);
    ASSERT_TRUE(dropper);
    ASSERT_EQ(dropper->rgb.size(), 20u * 10u * 3u);
    // Top-left is the background grey; the drop at the bottom-left is red.
    EXPECT_EQ(dropper->rgb[0], 192);
    EXPECT_EQ(dropper->rgb[(9 * 20 + 0) * 3], 200);
    EXPECT_EQ(dropper->rgb[(9 * 20 + 0) * 3 + 1], 0);
    EXPECT_FALSE(host::toolkit::loadModuleBitmap("/nonexistent/brivo.so", "IDB_DROPPER", 106));
}

}  // namespace
}  // namespace brivo::test
