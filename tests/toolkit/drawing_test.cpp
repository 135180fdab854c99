// What module draw callbacks paint, pixel by pixel, and the standard choosers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/toolkit/file_filters.h"
#include "support/temp_dir.h"
#include "toolkit/toolkit_test_support.h"

namespace brivo::test {
namespace {

using host::toolkit::Rgb;

const ToolkitTables* gSuites = nullptr;

SPErr displayThrough(const PSPixelMap* map, const VRect* rect, int32_t row, int32_t column,
                     void* port) {
    return host::toolkit::displayPixelsIntoDrawer(map, rect, row, column, port);
}

// Paints like a preview viewer: background bands, a grey pixel map through the drawer's
// port, a green outline and a red handle.
void paintViewer(ADMItemRef, ADMDrawerRef drawer) {
    const ADMDrawerSuite3& d = *gSuites->drawer;
    ADMRect bounds;
    d.GetBoundsRect(drawer, &bounds);
    d.SetADMColor(drawer, kADMBackgroundColor);
    d.FillRect(drawer, &bounds);
    d.SetADMColor(drawer, kADMBlackColor);
    d.FrameRect(drawer, &bounds);
    uint8_t grey[4 * 2] = {10, 20, 30, 40, 50, 60, 70, 80};
    PSPixelMap map{1, {0, 0, 2, 4}, 1, 4, 1, 1, grey};
    const VRect source{0, 0, 2, 4};
    // The port is a drawer the host's preview procedure understands.
    displayThrough(&map, &source, 5, 6, d.GetPortRef(drawer));
    d.SetRGBColor(drawer, ADMRGBColor{0, 65535, 0});
    const ADMPoint outline[] = {{20, 20}, {40, 20}, {40, 30}, {20, 30}, {20, 20}};
    d.FramePolygon(drawer, outline, 5);
    d.SetADMColor(drawer, kADMRedColor);
    const ADMRect handle{50, 5, 60, 15};
    d.FrameRect(drawer, &handle);
}

ADMErr installViewer(ADMItemRef item) {
    gSuites->item->SetDrawProc(item, &paintViewer);
    return kSPNoError;
}

TEST(Drawing, ModuleDrawingLandsInTheItemsRectangleInLocalCoordinates) {
    HeadlessToolkit fx;
    ToolkitTables s{fx};
    gSuites = &s;
    ADMDialogRef d = s.dialog->Create(nullptr, "draw", 0, 0, nullptr, nullptr, 0);
    s.dialog->Size(d, 120, 60);
    const ADMRect r{7, 7, 77, 47};
    s.item->Create(d, 0, kADMPictureStaticType, &r, &installViewer, nullptr, kADMItemFlatOption);
    const host::toolkit::RgbImage* frame = nullptr;
    fx.backend.queue(host::toolkit::HeadlessEvent::run(
        [&](auto&, auto& dialog) { frame = &fx.backend.frame(dialog); }));
    s.dialog->Modal(d);
    ASSERT_NE(frame, nullptr);
    auto at = [&](int x, int y) { return frame->at(x, y); };
    EXPECT_EQ(at(7, 7), (Rgb{0, 0, 0}));             // outline corner
    EXPECT_EQ(at(76, 46), (Rgb{0, 0, 0}));           // bottom-right pixel of the outline
    EXPECT_EQ(at(77, 47), (Rgb{192, 192, 192}));     // the dialog face beyond the item
    EXPECT_EQ(at(8, 8), (Rgb{192, 192, 192}));       // the item's background
    EXPECT_EQ(at(7 + 6, 7 + 5), (Rgb{10, 10, 10}));  // the pixel map's first pixel
    EXPECT_EQ(at(7 + 9, 7 + 6), (Rgb{80, 80, 80}));
    EXPECT_EQ(at(7 + 20, 7 + 20), (Rgb{0, 255, 0}));
    EXPECT_EQ(at(7 + 40, 7 + 25), (Rgb{0, 255, 0}));
    EXPECT_EQ(at(7 + 30, 7 + 25), (Rgb{192, 192, 192}));  // the outline is not filled
    EXPECT_EQ(at(7 + 59, 7 + 14), (Rgb{255, 0, 0}));
    EXPECT_EQ(at(7 + 60, 7 + 15), (Rgb{192, 192, 192}));  // right and bottom exclusive
    s.dialog->Destroy(d);
}

TEST(Drawing, PreviewProcedureRefusesForeignPortsAndMapsReachingOutside) {
    HeadlessToolkit fx;
    uint8_t pixels[16] = {};
    PSPixelMap map{1, {0, 0, 2, 2}, 3, 8, 4, 1, pixels};
    const VRect source{0, 0, 2, 2};
    int notADrawer = 0;
    EXPECT_EQ(displayThrough(&map, &source, 0, 0, &notADrawer), kSPBadParameterError);
    EXPECT_EQ(displayThrough(&map, &source, 0, 0, nullptr), kSPBadParameterError);
    EXPECT_EQ(displayThrough(nullptr, &source, 0, 0, nullptr), kSPBadParameterError);
}

TEST(Choosers, FileChooserGetsTheFiltersAndNeverHandsBackACutPath) {
    HeadlessToolkit fx;
    ToolkitTables s{fx};
    TempDir folder;
    for (const char* name : {"b.PNG", "a.txt", "c.png"}) std::ofstream(folder.path() / name) << "x";
    const char filters[] = "Images\0*.jpeg;*.jpg;*.png\0PNG files (*.png)\0*.png\0";
    char path[512];

    using Answer = host::toolkit::HeadlessBackend::FileAnswer;
    fx.backend.answerFile({Answer::Kind::firstMatch, ""});
    ASSERT_EQ(s.basic->ChooseOpenFile("Choose Pattern...", filters, folder.path().c_str(), path,
                                      sizeof path),
              kSPNoError);
    EXPECT_EQ(std::filesystem::path(path).filename(), "b.PNG");  // case does not matter
    const auto& request = fx.backend.fileRequests().back();
    EXPECT_EQ(request.title, "Choose Pattern...");
    ASSERT_EQ(request.filters.size(), 2u);
    EXPECT_EQ(request.filters[0].patterns, (std::vector<std::string>{"*.jpeg", "*.jpg", "*.png"}));
    EXPECT_EQ(request.filters[1].description, "PNG files (*.png)");

    fx.backend.answerFile({Answer::Kind::path, std::string(600, 'p')});
    EXPECT_EQ(s.basic->ChooseOpenFile(nullptr, filters, nullptr, path, sizeof path),
              kSPBadParameterError);
    EXPECT_STREQ(path, "");
    EXPECT_EQ(s.basic->ChooseOpenFile(nullptr, filters, nullptr, path, sizeof path),
              kADMCancelledError);
    EXPECT_EQ(s.basic->ChooseOpenFile(nullptr, filters, nullptr, nullptr, 10),
              kSPBadParameterError);
}

TEST(Choosers, ColourChooserIsSeededAndCancelLeavesTheColour) {
    HeadlessToolkit fx;
    ToolkitTables s{fx};
    ADMRGBColor chosen{1, 2, 3};
    EXPECT_EQ(s.basic->ChooseColor({5, 6}, {100, 200, 300}, &chosen), kADMCancelledError);
    EXPECT_EQ(chosen.red, 1);
    fx.backend.answerColor(ADMRGBColor{65535, 0, 0});
    EXPECT_EQ(s.basic->ChooseColor({5, 6}, {100, 200, 300}, &chosen), kSPNoError);
    EXPECT_EQ(chosen.red, 65535);
    EXPECT_EQ(fx.backend.colorRequests().back().initial.blue, 300);
    EXPECT_EQ(fx.backend.colorRequests().back().where.y, 6);
}

TEST(FileFilters, PackedListsParseSafelyAndPatternsIgnoreCase) {
    using host::toolkit::matchesPattern;
    using host::toolkit::parseFileFilters;
    EXPECT_TRUE(parseFileFilters(nullptr).empty());
    const char dangling[] = "Only a description\0";  // no pattern follows
    EXPECT_TRUE(parseFileFilters(dangling).empty());
    EXPECT_TRUE(matchesPattern("Photo.JPG", "*.jpg"));
    EXPECT_TRUE(matchesPattern("a.b.png", "*.png"));
    EXPECT_FALSE(matchesPattern("png", "*.png"));
    EXPECT_TRUE(matchesPattern("x1.tif", "x?.*"));
    EXPECT_FALSE(matchesPattern(std::string(64, 'a'), std::string(30, '*') + "b"));
}

}  // namespace
}  // namespace brivo::test
