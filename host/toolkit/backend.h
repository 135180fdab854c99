// What a window system supplies to the toolkit: windows for dialogs, the look and the
// pointer handling of each item type, the modal loop and the standard choosers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/toolkit/drawer.h"
#include "host/toolkit/toolkit_model.h"

namespace brivo::host::toolkit {

class Toolkit;

// One description/pattern pair of an open-file chooser; patterns are split at ';'.
struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;
};

class Backend {
  public:
    virtual ~Backend() = default;

    // Life and changes of the model's objects. itemChanged follows every change of what
    // an item shows (text, value, entries, bounds, enabled, visible, font).
    virtual void dialogCreated(Toolkit&, Dialog&) {}
    virtual void dialogDestroying(Toolkit&, Dialog&) {}
    virtual void dialogChanged(Toolkit&, Dialog&) {}
    virtual void itemCreated(Toolkit&, Item&) {}
    virtual void itemDestroying(Toolkit&, Item&) {}
    virtual void itemChanged(Toolkit&, Item&) {}
    // Repaints now what of the dialog or item is marked invalid.
    virtual void update(Toolkit&, Dialog&) {}
    virtual void update(Toolkit&, Item&) {}

    // Shows the dialog and handles events until dialog.ended, or until it can no longer
    // get any (then the toolkit ends the loop as a cancel); hides it again.
    virtual void runModal(Toolkit&, Dialog&) = 0;

    // The type's own pointer handling and look.
    virtual bool defaultTrack(Toolkit&, Item&, const Tracker&) = 0;
    virtual void defaultDraw(Toolkit&, Item&, Drawer&) = 0;
    // The width and height a text takes in a font.
    virtual ADMPoint textSize(std::string_view text, int32_t font) = 0;

    virtual ADMRect mainScreen() = 0;
    virtual std::optional<ADMRGBColor> chooseColor(ADMPoint where, ADMRGBColor initial) = 0;
    virtual std::optional<std::string> chooseOpenFile(const std::string& title,
                                                      const std::vector<FileFilter>& filters,
                                                      const std::string& startFolder) = 0;
};

}  // namespace brivo::host::toolkit
