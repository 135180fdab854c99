// The toolkit behind the dialog suites: it owns every dialog, item, list and entry a
// module creates, runs the module's callbacks (or the default handling), and turns what
// the user does into the notifications the module expects. A backend draws the state and
// feeds it the user's actions.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/toolkit/backend.h"
#include "host/toolkit/toolkit_model.h"

namespace brivo::host::toolkit {

class Toolkit {
  public:
    // Loads bitmap resource `id` called `name` of the module `pluginRef`.
    using IconSource =
        std::function<std::optional<Picture>(void* pluginRef, const char* name, int32_t id)>;

    explicit Toolkit(Backend& backend);
    // Frees whatever the module left behind, without calling into it.
    ~Toolkit();
    Toolkit(const Toolkit&) = delete;
    Toolkit& operator=(const Toolkit&) = delete;

    Backend& backend() { return backend_; }
    void setIconSource(IconSource source) { iconSource_ = std::move(source); }

    // References handed to the module, and back: null for anything not alive now.
    template <class T>
    T* find(const void* ref) const;
    template <class T>
    bool alive(const T* object) const {
        return find<T>(object) != nullptr;
    }

    // Dialogs and items.
    Dialog* createDialog(void* pluginRef, const char* name, int32_t id, int32_t style,
                         ADMDialogInitProc init, void* userData, int32_t options);
    void destroyDialog(Dialog& dialog);
    Item* createItem(Dialog& dialog, int32_t id, ItemKind kind, const ADMRect& bounds,
                     ADMItemInitProc init, void* userData, int32_t options);
    void destroyItem(Item& item);
    Entry* insertEntry(List& list, int32_t index);
    void destroyEntry(Entry& entry);
    // Live dialogs, oldest first.
    std::vector<Dialog*> dialogs() const;
    size_t liveItemCount() const;

    // Pictures: module images and loaded icons, owned by the module until destroyed.
    Picture* createImage(int32_t width, int32_t height);
    Picture* loadIcon(void* pluginRef, const char* name, int32_t id);
    void destroyPicture(Picture& picture);

    // Changes made by the module; each tells the backend and notifies nothing.
    void changed(Item& item);
    void changed(Dialog& dialog);
    void invalidate(Item& item);
    void invalidate(Dialog& dialog);
    void update(Item& item);
    void update(Dialog& dialog);
    void setText(Item& item, const char* text);
    void setEnabled(Item& item, bool enabled);
    void setVisible(Item& item, bool visible);
    void setBounds(Item& item, const ADMRect& bounds);
    void setFloatValue(Item& item, float value);
    void setRange(Item& item, float minimum, float maximum);
    void select(Entry& entry, bool selected);
    ADMPoint bestSize(const Item& item);

    // Callbacks: the module's when installed, otherwise the default handling.
    void notify(Item& item, const char* type);
    void notify(Dialog& dialog, const char* type);
    bool track(Item& item, Tracker tracker);
    bool track(Dialog& dialog, Tracker tracker);
    void draw(Item& item, Canvas& canvas);
    void draw(Dialog& dialog, Canvas& canvas);
    // The default handling, also reached through the suites' Default functions.
    void defaultNotify(Item& item, const Notifier& notifier);
    void defaultNotify(Dialog& dialog, const Notifier& notifier);
    bool defaultTrack(Item& item, const Tracker& tracker);
    void defaultDraw(Item& item, Drawer& drawer);
    void defaultDraw(Dialog& dialog, Drawer& drawer);

    // The modal loop.
    int32_t runModal(Dialog& dialog);
    void endModal(Dialog& dialog, int32_t itemID, bool cancelling);

    // What the user did, as backends report it. Each notifies as the item type does.
    void click(Item& button);               // a push, check or radio button clicked
    void pick(Item& popup, Entry& entry);   // an entry picked from a popup
    bool slide(Item& slider, float value);  // true when the value changed
    void releaseSlider(Item& slider);
    void focus(Dialog& dialog, Item* edit);  // null: no edit has the focus
    // Keystrokes into an edit ('\b' deletes the last character); each change notifies.
    void type(Item& edit, std::string_view text);
    // The whole text after one keystroke, cut to the typing limit; notifies a change.
    void setEditedText(Item& edit, std::string text);
    void commit(Item& edit);
    void focusNext(Dialog& dialog);
    void pressReturn(Dialog& dialog);
    void pressEscape(Dialog& dialog);
    void hitCloseBox(Dialog& dialog);

    // Whether a module callback is running now (nested calls count once each).
    bool insideCallback() const { return depth_ > 0; }

  private:
    enum class Kind { dialog, item, list, entry, notifier, tracker, drawer, picture };
    template <class T>
    static constexpr Kind kindOf();
    // Marks a lent object alive and counts a callback for the length of a scope.
    class Lend;

    void forget(const void* object) { live_.erase(object); }
    void bury(std::unique_ptr<Item> item);
    void flushGraveyard();
    void clearRadioPeers(Item& button);
    std::vector<Item*> editsInOrder(Dialog& dialog) const;

    Backend& backend_;
    IconSource iconSource_;
    std::unordered_map<const void*, Kind> live_;
    std::vector<std::unique_ptr<Dialog>> dialogs_;
    std::vector<std::unique_ptr<Picture>> pictures_;
    // Objects destroyed while a callback runs stay allocated until it returns, so the
    // frames above it never touch freed memory.
    std::vector<std::unique_ptr<Item>> itemGraveyard_;
    std::vector<std::unique_ptr<Dialog>> dialogGraveyard_;
    int depth_ = 0;
};

template <class T>
constexpr Toolkit::Kind Toolkit::kindOf() {
    if constexpr (std::is_same_v<T, Dialog>) return Kind::dialog;
    if constexpr (std::is_same_v<T, Item>) return Kind::item;
    if constexpr (std::is_same_v<T, List>) return Kind::list;
    if constexpr (std::is_same_v<T, Entry>) return Kind::entry;
    if constexpr (std::is_same_v<T, Notifier>) return Kind::notifier;
    if constexpr (std::is_same_v<T, Tracker>) return Kind::tracker;
    if constexpr (std::is_same_v<T, Drawer>) return Kind::drawer;
    if constexpr (std::is_same_v<T, Picture>) return Kind::picture;
}

template <class T>
T* Toolkit::find(const void* ref) const {
    if (!ref) return nullptr;
    auto it = live_.find(ref);
    if (it == live_.end() || it->second != kindOf<T>()) return nullptr;
    return const_cast<T*>(static_cast<const T*>(ref));
}

}  // namespace brivo::host::toolkit
