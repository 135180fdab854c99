// The headless backend: no window system. Dialogs paint into in-memory RGB images, and
// the modal loop plays a scripted queue of user events through the toolkit's hit-testing,
// so tests and batch runs can drive every dialog.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/toolkit/backend.h"
#include "host/toolkit/software_canvas.h"

namespace brivo::host::toolkit {

enum class Key { enter, escape, tab, backspace };

// One scripted user event. Points are in the coordinates of the dialog that runs.
struct HeadlessEvent {
    enum class Kind { press, drag, release, move, leave, key, text, close, pick, call };
    Kind kind = Kind::close;
    ADMPoint point{};
    uint32_t modifiers = 0;
    Key key = Key::enter;
    std::string text;
    int32_t entryIndex = -1;  // pick: the entry the popup's menu answers with
    std::function<void(Toolkit&, Dialog&)> action;

    static HeadlessEvent press(ADMPoint p, uint32_t modifiers = 0);
    static HeadlessEvent drag(ADMPoint p, uint32_t modifiers = 0);
    static HeadlessEvent release(ADMPoint p, uint32_t modifiers = 0);
    static HeadlessEvent move(ADMPoint p);
    static HeadlessEvent leave();
    static HeadlessEvent keyPress(Key key);
    static HeadlessEvent typing(std::string text);
    static HeadlessEvent closeBox();
    // A press and release on a popup whose menu answers with entry `index`.
    static HeadlessEvent pickEntry(ADMPoint p, int32_t index);
    // Runs code inside the loop (to look at the dialog, or to change the script).
    static HeadlessEvent run(std::function<void(Toolkit&, Dialog&)> action);
};

class HeadlessBackend : public Backend {
  public:
    struct Options {
        // Fires draw, notify and track inside Create and Destroy, and repaints at once on
        // every change, to prove a module survives toolkits that do.
        bool hostile = false;
        ADMRect screen{0, 0, 1920, 1080};
    };
    // What a file chooser is asked and what it answers.
    struct FileRequest {
        std::string title;
        std::vector<FileFilter> filters;
        std::string startFolder;
    };
    struct FileAnswer {
        enum class Kind { cancel, path, firstMatch };
        Kind kind = Kind::cancel;
        std::string path;  // Kind::path: the chosen file
    };
    struct ColorRequest {
        ADMPoint where;
        ADMRGBColor initial;
    };

    HeadlessBackend() : HeadlessBackend(Options{}) {}
    explicit HeadlessBackend(Options options);

    // The script: events played by the modal loops in order. A loop whose script runs
    // out hits the close box (and ends as a cancel if the module ignores it).
    void queue(HeadlessEvent event) { events_.push_back(std::move(event)); }
    void click(ADMPoint p, uint32_t modifiers = 0);
    size_t pendingEvents() const { return events_.size(); }
    // Answers for the next colour and file choosers; without one they cancel.
    void answerColor(std::optional<ADMRGBColor> color) { colors_.push_back(color); }
    void answerFile(FileAnswer answer) { files_.push_back(std::move(answer)); }
    const std::vector<ColorRequest>& colorRequests() const { return colorRequests_; }
    const std::vector<FileRequest>& fileRequests() const { return fileRequests_; }

    // The dialog's pixels as last painted (empty before it was first shown), and the
    // frame of the last dialog whose loop ended.
    const RgbImage& frame(const Dialog& dialog);
    const RgbImage& lastFrame() const { return lastFrame_; }
    // Paints the whole dialog now.
    void paint(Toolkit& toolkit, Dialog& dialog);

    void dialogCreated(Toolkit&, Dialog&) override;
    void dialogDestroying(Toolkit&, Dialog&) override;
    void itemCreated(Toolkit&, Item&) override;
    void itemDestroying(Toolkit&, Item&) override;
    void itemChanged(Toolkit&, Item&) override;
    void update(Toolkit&, Dialog&) override;
    void update(Toolkit&, Item&) override;
    void runModal(Toolkit&, Dialog&) override;
    bool defaultTrack(Toolkit&, Item&, const Tracker&) override;
    void defaultDraw(Toolkit&, Item&, Drawer&) override;
    ADMPoint textSize(std::string_view text, int32_t font) override;
    ADMRect mainScreen() override { return options_.screen; }
    std::optional<ADMRGBColor> chooseColor(ADMPoint where, ADMRGBColor initial) override;
    std::optional<std::string> chooseOpenFile(const std::string& title,
                                              const std::vector<FileFilter>& filters,
                                              const std::string& startFolder) override;

  private:
    void play(Toolkit& toolkit, Dialog& dialog, const HeadlessEvent& event);
    void pointer(Toolkit& toolkit, Dialog& dialog, Item* item, int32_t action, ADMPoint p,
                 uint32_t modifiers);
    void provoke(Toolkit& toolkit, Item& item);
    void repaintInvalid(Toolkit& toolkit, Dialog& dialog);
    void paintRegion(Toolkit& toolkit, Dialog& dialog, const ADMRect& region);

    Options options_;
    std::deque<HeadlessEvent> events_;
    std::deque<std::optional<ADMRGBColor>> colors_;
    std::deque<FileAnswer> files_;
    std::vector<ColorRequest> colorRequests_;
    std::vector<FileRequest> fileRequests_;
    std::map<const Dialog*, RgbImage> frames_;
    RgbImage lastFrame_;
    RgbImage scratch_;  // what hostile draws outside a shown dialog go into
    // Pointer state of the running loop.
    Item* hovered_ = nullptr;
    Item* captured_ = nullptr;
    std::optional<int32_t> pendingPick_;
    bool shown_ = false;
};

}  // namespace brivo::host::toolkit
