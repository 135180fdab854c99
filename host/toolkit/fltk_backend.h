// The FLTK backend: a real window per dialog and one FLTK widget kind per item type, laid
// out at the items' rectangles. Pointer events reach the module's track callbacks as
// tracker actions; the widget's own handling is the default tracking and its own drawing
// the default drawing, so the module's callbacks wrap the native behaviour.
#pragma once

#include <functional>
#include <memory>

#include "host/toolkit/backend.h"
#include "host/toolkit/software_canvas.h"

class Fl_File_Chooser;

namespace brivo::host::toolkit {

class ItemWidget;

class FltkBackend : public Backend {
  public:
    // Opens the display (throws std::runtime_error when there is none) and fixes the
    // scheme and colours, so windows look the same whatever the user's settings.
    FltkBackend();
    ~FltkBackend() override;

    // Whether an X display can be opened.
    static bool displayAvailable();

    // Called with each file chooser once it is shown (tests drive it from here).
    void onFileChooserShown(std::function<void(Fl_File_Chooser&)> hook) {
        fileChooserHook_ = std::move(hook);
    }
    // Called once per turn of each modal loop, after the window is shown (tests send
    // events from here); the loop waits for events only while this is unset.
    void onModalTurn(std::function<void(Toolkit&, Dialog&)> hook) { turnHook_ = std::move(hook); }
    // The window's pixels as shown now.
    RgbImage capture(Dialog& dialog);

    void dialogCreated(Toolkit&, Dialog&) override;
    void dialogDestroying(Toolkit&, Dialog&) override;
    void dialogChanged(Toolkit&, Dialog&) override;
    void itemCreated(Toolkit&, Item&) override;
    void itemDestroying(Toolkit&, Item&) override;
    void itemChanged(Toolkit&, Item&) override;
    void update(Toolkit&, Dialog&) override;
    void update(Toolkit&, Item&) override;
    void runModal(Toolkit&, Dialog&) override;
    bool defaultTrack(Toolkit&, Item&, const Tracker&) override;
    void defaultDraw(Toolkit&, Item&, Drawer&) override;
    ADMPoint textSize(std::string_view text, int32_t font) override;
    ADMRect mainScreen() override;
    std::optional<ADMRGBColor> chooseColor(ADMPoint where, ADMRGBColor initial) override;
    std::optional<std::string> chooseOpenFile(const std::string& title,
                                              const std::vector<FileFilter>& filters,
                                              const std::string& startFolder) override;

    // For the widgets: route one FLTK event of a widget to its item's track callback.
    int track(Toolkit& toolkit, ItemWidget& widget, int event, int32_t action);

  private:
    // The FLTK event being routed, so a default tracking call can hand it to the widget.
    struct Dispatch {
        ItemWidget* widget = nullptr;
        int event = 0;
        bool defaultRan = false;
        int result = 0;
    };

    Dispatch current_;
    std::function<void(Fl_File_Chooser&)> fileChooserHook_;
    std::function<void(Toolkit&, Dialog&)> turnHook_;
};

}  // namespace brivo::host::toolkit
