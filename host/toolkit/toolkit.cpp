#include "host/toolkit/toolkit.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace brivo::host::toolkit {

namespace {

template <class Ref, class T>
Ref refOf(T* object) {
    return reinterpret_cast<Ref>(object);
}

}  // namespace

// Lends an object to a callback: alive (so the module may use its reference) and counted
// as one callback level until the scope ends.
class Toolkit::Lend {
  public:
    explicit Lend(Toolkit& toolkit) : toolkit_(toolkit), object_(nullptr) { ++toolkit_.depth_; }
    template <class T>
    Lend(Toolkit& toolkit, T* object) : toolkit_(toolkit), object_(object) {
        toolkit_.live_[object_] = kindOf<T>();
        ++toolkit_.depth_;
    }
    ~Lend() {
        if (object_) toolkit_.forget(object_);
        if (--toolkit_.depth_ == 0) toolkit_.flushGraveyard();
    }
    Lend(const Lend&) = delete;
    Lend& operator=(const Lend&) = delete;

  private:
    Toolkit& toolkit_;
    const void* object_;
};

Toolkit::Toolkit(Backend& backend) : backend_(backend) {}

Toolkit::~Toolkit() {
    // The module is gone or going: tear down without its callbacks.
    for (auto& dialog : dialogs_) {
        dialog->notifyProc = nullptr;
        dialog->trackProc = nullptr;
        dialog->drawProc = nullptr;
        dialog->destroyProc = nullptr;
        for (auto& item : dialog->items) {
            item->notifyProc = nullptr;
            item->trackProc = nullptr;
            item->drawProc = nullptr;
            item->destroyProc = nullptr;
        }
    }
    while (!dialogs_.empty()) destroyDialog(*dialogs_.back());
}

// ---- dialogs and items ----

Dialog* Toolkit::createDialog(void* pluginRef, const char* name, int32_t id, int32_t style,
                              ADMDialogInitProc init, void* userData, int32_t options) {
    auto owned = std::make_unique<Dialog>();
    Dialog& dialog = *owned;
    dialog.pluginRef = pluginRef;
    dialog.name = name ? name : "";
    dialog.id = id;
    dialog.style = style;
    dialog.options = options;
    dialog.userData = userData;
    dialogs_.push_back(std::move(owned));
    live_[&dialog] = Kind::dialog;
    if (init) {
        ADMErr status;
        {
            Lend callback(*this);
            status = init(refOf<ADMDialogRef>(&dialog));
        }
        if (!alive(&dialog)) return nullptr;
        if (status != kSPNoError) {
            dialog.destroyProc = nullptr;
            destroyDialog(dialog);
            return nullptr;
        }
    }
    backend_.dialogCreated(*this, dialog);
    return alive(&dialog) ? &dialog : nullptr;
}

void Toolkit::destroyDialog(Dialog& dialog) {
    if (!alive(&dialog) || dialog.running) return;
    if (dialog.destroyProc) {
        Lend callback(*this);
        ADMDialogDestroyProc proc = std::exchange(dialog.destroyProc, nullptr);
        proc(refOf<ADMDialogRef>(&dialog));
    }
    if (!alive(&dialog)) return;
    while (!dialog.items.empty()) destroyItem(*dialog.items.back());
    backend_.dialogDestroying(*this, dialog);
    forget(&dialog);
    auto it = std::find_if(dialogs_.begin(), dialogs_.end(),
                           [&](const auto& owned) { return owned.get() == &dialog; });
    if (it == dialogs_.end()) return;
    std::unique_ptr<Dialog> owned = std::move(*it);
    dialogs_.erase(it);
    if (depth_ > 0) dialogGraveyard_.push_back(std::move(owned));
}

Item* Toolkit::createItem(Dialog& dialog, int32_t id, ItemKind kind, const ADMRect& bounds,
                          ADMItemInitProc init, void* userData, int32_t options) {
    auto owned = std::make_unique<Item>();
    Item& item = *owned;
    item.dialog = &dialog;
    item.id = id;
    item.kind = kind;
    item.bounds = bounds;
    item.options = options;
    item.userData = userData;
    if (kind == ItemKind::popupList) {
        item.list = std::make_unique<List>();
        item.list->item = &item;
        live_[item.list.get()] = Kind::list;
    }
    dialog.items.push_back(std::move(owned));
    live_[&item] = Kind::item;
    if (init) {
        ADMErr status;
        {
            Lend callback(*this);
            status = init(refOf<ADMItemRef>(&item));
        }
        if (!alive(&item)) return nullptr;
        if (status != kSPNoError) {
            item.destroyProc = nullptr;
            destroyItem(item);
            return nullptr;
        }
    }
    backend_.itemCreated(*this, item);
    return alive(&item) ? &item : nullptr;
}

void Toolkit::destroyItem(Item& item) {
    if (!alive(&item)) return;
    if (item.destroyProc) {
        Lend callback(*this);
        ADMItemDestroyProc proc = std::exchange(item.destroyProc, nullptr);
        proc(refOf<ADMItemRef>(&item));
        if (!alive(&item)) return;
    }
    backend_.itemDestroying(*this, item);
    if (!alive(&item)) return;
    Dialog& dialog = *item.dialog;
    if (item.list) {
        while (!item.list->entries.empty()) destroyEntry(*item.list->entries.back());
        forget(item.list.get());
    }
    for (auto& other : dialog.items)
        if (other->group == &item) other->group = nullptr;
    if (dialog.focus == &item) dialog.focus = nullptr;
    forget(&item);
    auto it = std::find_if(dialog.items.begin(), dialog.items.end(),
                           [&](const auto& owned) { return owned.get() == &item; });
    if (it == dialog.items.end()) return;
    std::unique_ptr<Item> owned = std::move(*it);
    dialog.items.erase(it);
    bury(std::move(owned));
}

void Toolkit::bury(std::unique_ptr<Item> item) {
    if (depth_ > 0) itemGraveyard_.push_back(std::move(item));
}

void Toolkit::flushGraveyard() {
    itemGraveyard_.clear();
    dialogGraveyard_.clear();
}

Entry* Toolkit::insertEntry(List& list, int32_t index) {
    auto owned = std::make_unique<Entry>();
    owned->list = &list;
    const auto count = static_cast<int32_t>(list.entries.size());
    const int32_t at = std::clamp(index, 0, count);
    Entry* entry = owned.get();
    list.entries.insert(list.entries.begin() + at, std::move(owned));
    live_[entry] = Kind::entry;
    changed(*list.item);
    return entry;
}

void Toolkit::destroyEntry(Entry& entry) {
    List& list = *entry.list;
    const int32_t index = list.indexOf(&entry);
    if (index < 0) return;
    if (list.active == &entry) list.active = nullptr;
    forget(&entry);
    list.entries.erase(list.entries.begin() + index);
    changed(*list.item);
}

std::vector<Dialog*> Toolkit::dialogs() const {
    std::vector<Dialog*> result;
    for (const auto& dialog : dialogs_) result.push_back(dialog.get());
    return result;
}

size_t Toolkit::liveItemCount() const {
    return static_cast<size_t>(std::count_if(
        live_.begin(), live_.end(), [](const auto& entry) { return entry.second == Kind::item; }));
}

// ---- pictures ----

Picture* Toolkit::createImage(int32_t width, int32_t height) {
    auto picture = std::make_unique<Picture>();
    picture->width = width;
    picture->height = height;
    picture->rgb.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0);
    Picture* result = picture.get();
    pictures_.push_back(std::move(picture));
    live_[result] = Kind::picture;
    return result;
}

Picture* Toolkit::loadIcon(void* pluginRef, const char* name, int32_t id) {
    if (!iconSource_) return nullptr;
    std::optional<Picture> loaded = iconSource_(pluginRef, name, id);
    if (!loaded) return nullptr;
    auto picture = std::make_unique<Picture>(std::move(*loaded));
    Picture* result = picture.get();
    pictures_.push_back(std::move(picture));
    live_[result] = Kind::picture;
    return result;
}

void Toolkit::destroyPicture(Picture& picture) {
    forget(&picture);
    std::erase_if(pictures_, [&](const auto& owned) { return owned.get() == &picture; });
}

// ---- changes by the module ----

void Toolkit::changed(Item& item) {
    item.invalid = true;
    backend_.itemChanged(*this, item);
}

void Toolkit::changed(Dialog& dialog) {
    dialog.invalid = true;
    backend_.dialogChanged(*this, dialog);
}

void Toolkit::invalidate(Item& item) {
    changed(item);
}
void Toolkit::invalidate(Dialog& dialog) {
    changed(dialog);
}

void Toolkit::update(Item& item) {
    backend_.update(*this, item);
}
void Toolkit::update(Dialog& dialog) {
    backend_.update(*this, dialog);
}

void Toolkit::setText(Item& item, const char* text) {
    item.text = text ? text : "";
    if (item.dialog->focus == &item) item.textAtFocus = item.text;
    changed(item);
}

void Toolkit::setEnabled(Item& item, bool enabled) {
    item.enabled = enabled;
    if (!enabled && item.dialog->focus == &item) item.dialog->focus = nullptr;
    changed(item);
}

void Toolkit::setVisible(Item& item, bool visible) {
    item.visible = visible;
    if (!visible && item.dialog->focus == &item) item.dialog->focus = nullptr;
    changed(item);
}

void Toolkit::setBounds(Item& item, const ADMRect& bounds) {
    item.bounds = bounds;
    changed(item);
}

void Toolkit::setFloatValue(Item& item, float value) {
    item.value = std::clamp(value, item.minimum, item.maximum);
    changed(item);
}

void Toolkit::setRange(Item& item, float minimum, float maximum) {
    if (minimum > maximum) std::swap(minimum, maximum);
    item.minimum = minimum;
    item.maximum = maximum;
    item.value = std::clamp(item.value, minimum, maximum);
    changed(item);
}

void Toolkit::select(Entry& entry, bool selected) {
    List& list = *entry.list;
    if (selected)
        list.active = &entry;
    else if (list.active == &entry)
        list.active = nullptr;
    changed(*list.item);
}

ADMPoint Toolkit::bestSize(const Item& item) {
    const bool button =
        isPushButton(item.kind) || isCheckBox(item.kind) || isRadioButton(item.kind);
    if (!button && !isStaticText(item.kind)) return {item.width(), item.height()};
    const ADMPoint text = backend_.textSize(item.text, item.font);
    if (isPushButton(item.kind)) return {text.x + 24, text.y + 10};
    if (button) return {text.x + 24, std::max(text.y + 4, 18)};  // room for the box or dot
    return {text.x + 4, text.y + 2};
}

// ---- callbacks ----

void Toolkit::notify(Item& item, const char* type) {
    if (!alive(&item)) return;
    Notifier notifier{type, item.dialog, &item};
    Lend lent(*this, &notifier);
    if (item.notifyProc)
        item.notifyProc(refOf<ADMItemRef>(&item), refOf<ADMNotifierRef>(&notifier));
    else
        defaultNotify(item, notifier);
}

void Toolkit::notify(Dialog& dialog, const char* type) {
    if (!alive(&dialog)) return;
    Notifier notifier{type, &dialog, nullptr};
    Lend lent(*this, &notifier);
    if (dialog.notifyProc)
        dialog.notifyProc(refOf<ADMDialogRef>(&dialog), refOf<ADMNotifierRef>(&notifier));
    else
        defaultNotify(dialog, notifier);
}

bool Toolkit::track(Item& item, Tracker tracker) {
    if (!alive(&item)) return false;
    Lend lent(*this, &tracker);
    if (item.trackProc)
        return item.trackProc(refOf<ADMItemRef>(&item), refOf<ADMTrackerRef>(&tracker)) != 0;
    return defaultTrack(item, tracker);
}

bool Toolkit::track(Dialog& dialog, Tracker tracker) {
    if (!alive(&dialog)) return false;
    Lend lent(*this, &tracker);
    if (dialog.trackProc)
        return dialog.trackProc(refOf<ADMDialogRef>(&dialog), refOf<ADMTrackerRef>(&tracker)) != 0;
    return false;
}

void Toolkit::draw(Item& item, Canvas& canvas) {
    if (!alive(&item)) return;
    item.invalid = false;
    if (!item.visible) return;
    Drawer drawer(canvas, item.bounds, item.font);
    Lend lent(*this, &drawer);
    if (item.drawProc)
        item.drawProc(refOf<ADMItemRef>(&item), refOf<ADMDrawerRef>(&drawer));
    else
        defaultDraw(item, drawer);
}

void Toolkit::draw(Dialog& dialog, Canvas& canvas) {
    if (!alive(&dialog)) return;
    dialog.invalid = false;
    Drawer drawer(canvas, {0, 0, dialog.width(), dialog.height()}, kADMDialogFont);
    Lend lent(*this, &drawer);
    if (dialog.drawProc)
        dialog.drawProc(refOf<ADMDialogRef>(&dialog), refOf<ADMDrawerRef>(&drawer));
    else
        defaultDraw(dialog, drawer);
}

void Toolkit::defaultNotify(Item& item, const Notifier& notifier) {
    if (!alive(&item) || !isPushButton(item.kind)) return;
    if (std::strcmp(notifier.type, kADMUserChangedNotifier) != 0) return;
    if (item.id == kADMOKItemID || item.id == kADMCancelItemID)
        endModal(*item.dialog, item.id, item.id == kADMCancelItemID);
}

void Toolkit::defaultNotify(Dialog& dialog, const Notifier& notifier) {
    if (alive(&dialog) && std::strcmp(notifier.type, kADMCloseHitNotifier) == 0)
        endModal(dialog, kADMCancelItemID, true);
}

bool Toolkit::defaultTrack(Item& item, const Tracker& tracker) {
    if (!alive(&item) || !item.enabled) return false;
    return backend_.defaultTrack(*this, item, tracker);
}

void Toolkit::defaultDraw(Item& item, Drawer& drawer) {
    if (alive(&item)) backend_.defaultDraw(*this, item, drawer);
}

void Toolkit::defaultDraw(Dialog&, Drawer& drawer) {
    drawer.setColor(standardColor(kADMBackgroundColor));
    drawer.fillRect(drawer.localBounds());
}

// ---- the modal loop ----

int32_t Toolkit::runModal(Dialog& dialog) {
    if (!alive(&dialog) || dialog.running) return kADMCancelItemID;
    if (!dialog.ended) {
        dialog.running = true;
        backend_.runModal(*this, dialog);
        if (!alive(&dialog)) return kADMCancelItemID;
        dialog.running = false;
        if (!dialog.ended) endModal(dialog, kADMCancelItemID, true);
    }
    dialog.ended = false;
    return dialog.result;
}

void Toolkit::endModal(Dialog& dialog, int32_t itemID, bool cancelling) {
    if (dialog.ended) return;  // the first end stands
    dialog.ended = true;
    dialog.result = itemID;
    dialog.cancelled = cancelling;
}

// ---- the user's actions ----

void Toolkit::clearRadioPeers(Item& button) {
    for (auto& other : button.dialog->items) {
        if (other.get() == &button || !isRadioButton(other->kind)) continue;
        if (other->group != button.group || !other->boolValue) continue;
        other->boolValue = false;
        changed(*other);
    }
}

void Toolkit::click(Item& button) {
    if (!alive(&button) || !button.enabled || !button.visible) return;
    if (isCheckBox(button.kind)) {
        button.boolValue = !button.boolValue;
        changed(button);
    } else if (isRadioButton(button.kind)) {
        clearRadioPeers(button);
        button.boolValue = true;
        changed(button);
    }
    notify(button, kADMUserChangedNotifier);
}

void Toolkit::pick(Item& popup, Entry& entry) {
    if (!alive(&popup) || !alive(&entry) || !popup.list || entry.list != popup.list.get()) return;
    if (entry.separator || !entry.enabled) return;
    popup.list->active = &entry;
    changed(popup);
    notify(popup, kADMUserChangedNotifier);
}

bool Toolkit::slide(Item& slider, float value) {
    const float clamped = std::clamp(value, slider.minimum, slider.maximum);
    if (clamped == slider.value) return false;
    slider.value = clamped;
    changed(slider);
    return true;
}

void Toolkit::releaseSlider(Item& slider) {
    if (slider.value != slider.valueAtPress) notify(slider, kADMUserChangedNotifier);
}

void Toolkit::focus(Dialog& dialog, Item* edit) {
    if (dialog.focus == edit) return;
    if (Item* previous = dialog.focus) {
        commit(*previous);
        if (dialog.focus != previous) return;  // the commit moved the focus itself
        dialog.focus = nullptr;
        notify(*previous, kADMDeactivateWindowNotifier);
    }
    if (!edit || !alive(edit) || !alive(&dialog)) return;
    dialog.focus = edit;
    edit->textAtFocus = edit->text;
    notify(*edit, kADMActivateWindowNotifier);
}

void Toolkit::type(Item& edit, std::string_view text) {
    // One keystroke per character (a UTF-8 sequence counts as one), each notified.
    size_t at = 0;
    while (at < text.size() && alive(&edit)) {
        size_t end = at + 1;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
        std::string result = edit.text;
        if (text[at] == '\b') {
            while (!result.empty() && (static_cast<unsigned char>(result.back()) & 0xC0) == 0x80)
                result.pop_back();
            if (!result.empty()) result.pop_back();
        } else {
            result.append(text.substr(at, end - at));
        }
        setEditedText(edit, std::move(result));
        at = end;
    }
}

void Toolkit::setEditedText(Item& edit, std::string text) {
    if (edit.maxTextLength > 0) {
        // Count characters, not bytes, and cut at a character boundary.
        int32_t characters = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
            if (++characters > edit.maxTextLength) {
                text.resize(i);
                break;
            }
        }
    }
    if (text == edit.text) return;
    edit.text = std::move(text);
    changed(edit);
    notify(edit, kADMEntryTextChangedNotifier);
}

void Toolkit::commit(Item& edit) {
    if (!alive(&edit) || edit.text == edit.textAtFocus) return;
    edit.textAtFocus = edit.text;
    notify(edit, kADMUserChangedNotifier);
}

std::vector<Item*> Toolkit::editsInOrder(Dialog& dialog) const {
    std::vector<Item*> edits;
    for (auto& item : dialog.items)
        if (isTextEdit(item->kind) && item->enabled && item->visible) edits.push_back(item.get());
    return edits;
}

void Toolkit::focusNext(Dialog& dialog) {
    const std::vector<Item*> edits = editsInOrder(dialog);
    if (edits.empty()) return;
    auto it = std::find(edits.begin(), edits.end(), dialog.focus);
    focus(dialog, it == edits.end() || it + 1 == edits.end() ? edits.front() : *(it + 1));
}

void Toolkit::pressReturn(Dialog& dialog) {
    if (dialog.focus) commit(*dialog.focus);
    if (alive(&dialog) && dialog.defaultItemID != 0) endModal(dialog, dialog.defaultItemID, false);
}

void Toolkit::pressEscape(Dialog& dialog) {
    if (dialog.cancelItemID != 0) endModal(dialog, dialog.cancelItemID, true);
}

void Toolkit::hitCloseBox(Dialog& dialog) {
    notify(dialog, kADMCloseHitNotifier);
}

}  // namespace brivo::host::toolkit
