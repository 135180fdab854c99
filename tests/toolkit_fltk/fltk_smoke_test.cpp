// The FLTK backend driven in-process: a dialog built through the suites, clicked, dragged
// and typed into, ended with OK, with a screenshot kept for people to look at.
#include <FL/Fl.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <vector>

#include "host/files/image_file.h"
#include "host/files/planar_document.h"
#include "host/toolkit/fltk_backend.h"
#include "support/temp_dir.h"
#include "toolkit/toolkit_test_support.h"

namespace brivo::test {
namespace {

using host::toolkit::FltkBackend;
using Calls = std::vector<std::string>;

// Sends a synthetic pointer or key event to a window, as the X event loop would.
void send(Fl_Window& window, int event, int x, int y, const char* text = nullptr) {
    Fl::e_x = x;
    Fl::e_y = y;
    Fl::e_x_root = window.x() + x;
    Fl::e_y_root = window.y() + y;
    Fl::e_state = event == FL_PUSH || event == FL_DRAG ? FL_BUTTON1 : 0;
    Fl::e_keysym = text ? static_cast<unsigned char>(text[0]) : FL_Button + 1;
    Fl::e_text = const_cast<char*>(text ? text : "");
    Fl::e_length = text ? static_cast<int>(std::strlen(text)) : 0;
    Fl::e_is_click = 0;
    Fl::e_clicks = 0;
    Fl::handle(event, &window);
}

void click(Fl_Window& window, int x, int y) {
    send(window, FL_PUSH, x, y);
    send(window, FL_RELEASE, x, y);
}

const ToolkitTables* gSuites = nullptr;

void paintSwatch(ADMItemRef item, ADMDrawerRef drawer) {
    gSuites->item->DefaultDraw(item, drawer);
    ADMRect r;
    gSuites->drawer->GetBoundsRect(drawer, &r);
    gSuites->drawer->SetRGBColor(drawer, {65535, 0, 0});
    const ADMRect inner{r.left + 3, r.top + 3, r.right - 3, r.bottom - 3};
    gSuites->drawer->FillRect(drawer, &inner);
    gSuites->drawer->SetADMColor(drawer, kADMBlackColor);
    gSuites->drawer->FrameRect(drawer, &r);
}

ADMErr installSwatch(ADMItemRef item) {
    recordItem(item);
    gSuites->item->SetDrawProc(item, &paintSwatch);
    return kSPNoError;
}

class FltkSmoke : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!FltkBackend::displayAvailable()) GTEST_SKIP() << "no X display (run under xvfb-run)";
        backend = std::make_unique<FltkBackend>();
        toolkit = std::make_unique<host::toolkit::Toolkit>(*backend);
        registryBinding.emplace(registry);
        toolkitBinding.emplace(*toolkit);
        host::toolkit::offerToolkitSuites(registry);
        s = std::make_unique<ToolkitTables>(registry);
        gSuites = s.get();
    }
    void TearDown() override {
        s.reset();
        if (toolkit) {
            EXPECT_EQ(registry.outstanding(), 0);
        }
    }
    ADMItemRef make(ADMDialogRef d, int32_t id, const char* type, ADMRect r, CallLog* log) {
        return s->item->Create(d, id, type, &r, log ? &recordItem : nullptr, log, 0);
    }

    host::SuiteRegistry registry;
    std::unique_ptr<FltkBackend> backend;
    std::unique_ptr<host::toolkit::Toolkit> toolkit;
    std::optional<host::CallBinding<host::SuiteRegistry>> registryBinding;
    std::optional<host::CallBinding<host::toolkit::Toolkit>> toolkitBinding;
    std::unique_ptr<ToolkitTables> s;
};

TEST_F(FltkSmoke, ADialogBuiltThroughTheSuitesIsClickedDraggedTypedIntoAndEndedWithOk) {
    CallLog dialogLog, checkLog, sliderLog, editLog, popupLog, swatchLog;
    ADMDialogRef d = s->dialog->Create(nullptr, "smoke", 0, 0, &recordDialog, &dialogLog, 0);
    s->dialog->SetText(d, "Brivo toolkit");
    s->dialog->Size(d, 360, 170);
    s->dialog->Move(d, 40, 40);
    s->dialog->SetDefaultItemID(d, kADMOKItemID);
    s->dialog->SetCancelItemID(d, kADMCancelItemID);
    s->item->SetText(make(d, kADMOKItemID, kADMTextPushButtonType, {250, 130, 350, 160}, nullptr),
                     "OK");
    s->item->SetText(
        make(d, kADMCancelItemID, kADMTextPushButtonType, {140, 130, 240, 160}, nullptr), "Cancel");
    ADMItemRef label = make(d, 0, kADMTextStaticType, {10, 10, 120, 30}, nullptr);
    s->item->SetText(label, "Level:");
    ADMItemRef check = make(d, 5, kADMTextCheckBoxType, {10, 40, 160, 60}, &checkLog);
    s->item->SetText(check, "Preview");
    ADMItemRef slider = make(d, 6, kADMSliderType, {10, 70, 210, 90}, &sliderLog);
    s->item->SetMinFloatValue(slider, 0.0f);
    s->item->SetMaxFloatValue(slider, 200.0f);
    ADMItemRef edit = make(d, 7, kADMTextEditType, {130, 10, 200, 32}, &editLog);
    s->item->SetMaxTextLength(edit, 5);
    ADMItemRef popup = make(d, 8, kADMPopupListType, {220, 10, 350, 32}, &popupLog);
    for (const char* text : {"Add", "Subtract", "Screen"})
        s->entry->SetText(s->list->InsertEntry(s->item->GetList(popup), 99), text);
    s->entry->Select(s->list->IndexEntry(s->item->GetList(popup), 1), 1);
    const ADMRect swatchRect{230, 60, 290, 100};
    s->item->Create(d, 9, kADMPicturePushButtonType, &swatchRect, &installSwatch, &swatchLog, 0);

    std::vector<std::function<void(Fl_Window&)>> steps = {
        [](Fl_Window& w) { click(w, 20, 50); },  // the check box
        [](Fl_Window& w) {                       // drag the slider to its far right, and beyond
            send(w, FL_PUSH, 20, 80);
            send(w, FL_DRAG, 120, 80);
            send(w, FL_DRAG, 400, 120);
            send(w, FL_RELEASE, 400, 120);
        },
        [](Fl_Window& w) {  // type into the edit
            click(w, 150, 20);
            for (const char* key : {"4", "2"}) send(w, FL_KEYBOARD, 150, 20, key);
        },
        [&](Fl_Window&) {
            host::toolkit::RgbImage shot = backend->capture(*toolkit->dialogs().front());
            ASSERT_EQ(shot.width, 360);
            ASSERT_EQ(shot.height, 170);
            host::PlanarDocument document =
                host::makePlanarDocument(shot.width, shot.height, 3, false);
            for (int32_t y = 0; y < shot.height; ++y)
                for (int32_t x = 0; x < shot.width; ++x)
                    for (size_t c = 0; c < 3; ++c)
                        document.planes[c][static_cast<size_t>(y * shot.width + x)] =
                            shot.pixels[static_cast<size_t>(y * shot.width + x) * 3 + c];
            host::writeImageFile(document, BRIVO_BINARY_DIR "/toolkit-fltk-smoke.png");
            const host::toolkit::Rgb red = shot.at(260, 80);
            EXPECT_EQ(red, (host::toolkit::Rgb{255, 0, 0}));  // the module's own drawing
        },
        [](Fl_Window& w) { click(w, 300, 145); },  // OK
    };
    size_t next = 0;
    backend->onModalTurn([&](auto&, host::toolkit::Dialog& dialog) {
        auto* window = static_cast<Fl_Window*>(dialog.backendData);
        if (next < steps.size()) steps[next++](*window);
    });
    EXPECT_EQ(s->dialog->Modal(d), kADMOKItemID);
    EXPECT_EQ(next, steps.size());

    EXPECT_EQ(s->item->GetBooleanValue(check), 1);
    EXPECT_EQ(checkLog.only("notify"), Calls{"notify ADM User Changed Notifier"});
    EXPECT_FLOAT_EQ(s->item->GetFloatValue(slider), 200.0f);
    const Calls tracks = sliderLog.only("track");
    ASSERT_EQ(tracks.size(), 4u);
    EXPECT_EQ(tracks[0], "track 2 10,10 0");
    EXPECT_EQ(tracks[2], "track 1 390,50 0");  // item-local, outside the item
    EXPECT_EQ(sliderLog.only("notify"), Calls{"notify ADM User Changed Notifier"});
    char text[8];
    s->item->GetText(edit, text, sizeof text);
    EXPECT_STREQ(text, "42");
    EXPECT_EQ(editLog.only("notify").front(), "notify ADM Activate Window Notifier");
    s->dialog->Destroy(d);
    EXPECT_EQ(toolkit->liveItemCount(), 0u);
}

TEST_F(FltkSmoke, TheCloseBoxCancelsAndTheFileChooserMatchesWithoutRegardToCase) {
    ADMDialogRef d = s->dialog->Create(nullptr, "close", 0, 0, nullptr, nullptr, 0);
    s->dialog->Size(d, 100, 60);
    backend->onModalTurn([&](auto&, host::toolkit::Dialog& dialog) {
        static_cast<Fl_Window*>(dialog.backendData)->do_callback();  // the window manager's close
    });
    EXPECT_EQ(s->dialog->Modal(d), kADMCancelItemID);
    s->dialog->Destroy(d);

    TempDir folder;
    std::ofstream(folder / "Pattern.PNG") << "x";
    std::ofstream(folder / "notes.txt") << "x";
    int shownFiles = -1;
    backend->onFileChooserShown([&](Fl_File_Chooser& chooser) {
        Fl::check();
        shownFiles = chooser.count();
        chooser.value((folder.path() / "Pattern.PNG").c_str());
        chooser.hide();
    });
    const char filters[] = "PNG files (*.png)\0*.png\0\0";
    char path[512];
    ASSERT_EQ(s->basic->ChooseOpenFile("Choose Pattern...", filters, folder.path().c_str(), path,
                                       sizeof path),
              kSPNoError);
    EXPECT_EQ(std::string(path), (folder.path() / "Pattern.PNG").string());
    EXPECT_EQ(shownFiles, 1);  // "Pattern.PNG" shows for "*.png"; the text file does not
}

}  // namespace
}  // namespace brivo::test
