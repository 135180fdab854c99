#include "host/toolkit/headless_backend.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "host/toolkit/file_filters.h"
#include "host/toolkit/plain_look.h"
#include "host/toolkit/toolkit.h"

namespace brivo::host::toolkit {

namespace {

HeadlessEvent makeEvent(HeadlessEvent::Kind kind, ADMPoint point = {}, uint32_t modifiers = 0) {
    HeadlessEvent event;
    event.kind = kind;
    event.point = point;
    event.modifiers = modifiers;
    return event;
}

}  // namespace

HeadlessEvent HeadlessEvent::press(ADMPoint p, uint32_t modifiers) {
    return makeEvent(Kind::press, p, modifiers);
}
HeadlessEvent HeadlessEvent::drag(ADMPoint p, uint32_t modifiers) {
    return makeEvent(Kind::drag, p, modifiers);
}
HeadlessEvent HeadlessEvent::release(ADMPoint p, uint32_t modifiers) {
    return makeEvent(Kind::release, p, modifiers);
}
HeadlessEvent HeadlessEvent::move(ADMPoint p) {
    return makeEvent(Kind::move, p);
}
HeadlessEvent HeadlessEvent::leave() {
    return makeEvent(Kind::leave);
}
HeadlessEvent HeadlessEvent::keyPress(Key key) {
    HeadlessEvent event = makeEvent(Kind::key);
    event.key = key;
    return event;
}
HeadlessEvent HeadlessEvent::typing(std::string text) {
    HeadlessEvent event = makeEvent(Kind::text);
    event.text = std::move(text);
    return event;
}
HeadlessEvent HeadlessEvent::closeBox() {
    return makeEvent(Kind::close);
}
HeadlessEvent HeadlessEvent::pickEntry(ADMPoint p, int32_t index) {
    HeadlessEvent event = makeEvent(Kind::pick, p);
    event.entryIndex = index;
    return event;
}
HeadlessEvent HeadlessEvent::run(std::function<void(Toolkit&, Dialog&)> action) {
    HeadlessEvent event = makeEvent(Kind::call);
    event.action = std::move(action);
    return event;
}

HeadlessBackend::HeadlessBackend(Options options) : options_(options) {
    scratch_.width = 1;
    scratch_.height = 1;
    scratch_.pixels.assign(3, 0);
}

void HeadlessBackend::click(ADMPoint p, uint32_t modifiers) {
    queue(HeadlessEvent::press(p, modifiers));
    queue(HeadlessEvent::release(p, modifiers));
}

// ---- painting ----

const RgbImage& HeadlessBackend::frame(const Dialog& dialog) {
    return frames_[&dialog];
}

void HeadlessBackend::paint(Toolkit& toolkit, Dialog& dialog) {
    RgbImage& image = frames_[&dialog];
    image.width = std::max(dialog.width(), 0);
    image.height = std::max(dialog.height(), 0);
    image.pixels.assign(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3,
                        0);
    paintRegion(toolkit, dialog, {0, 0, image.width, image.height});
}

void HeadlessBackend::paintRegion(Toolkit& toolkit, Dialog& dialog, const ADMRect& region) {
    SoftwareCanvas canvas(frames_[&dialog]);
    canvas.setRegion(region);
    toolkit.draw(dialog, canvas);
    // Items paint in creation order; collect first, since a draw may destroy items.
    std::vector<Item*> items;
    for (auto& item : dialog.items) items.push_back(item.get());
    for (Item* item : items) {
        if (!toolkit.alive(item)) continue;
        const ADMRect& b = item->bounds;
        if (b.left < region.right && region.left < b.right && b.top < region.bottom &&
            region.top < b.bottom) {
            canvas.setRegion(region);
            toolkit.draw(*item, canvas);
        } else {
            item->invalid = false;
        }
    }
}

void HeadlessBackend::repaintInvalid(Toolkit& toolkit, Dialog& dialog) {
    if (!toolkit.alive(&dialog)) return;
    RgbImage& image = frames_[&dialog];
    if (image.width != dialog.width() || image.height != dialog.height() || dialog.invalid) {
        paint(toolkit, dialog);
        return;
    }
    std::vector<Item*> invalid;
    for (auto& item : dialog.items)
        if (item->invalid) invalid.push_back(item.get());
    for (Item* item : invalid)
        if (toolkit.alive(item) && item->invalid) paintRegion(toolkit, dialog, item->bounds);
}

void HeadlessBackend::update(Toolkit& toolkit, Dialog& dialog) {
    if (dialog.running) repaintInvalid(toolkit, dialog);
}

void HeadlessBackend::update(Toolkit& toolkit, Item& item) {
    if (item.dialog->running && item.invalid && item.visible)
        paintRegion(toolkit, *item.dialog, item.bounds);
}

// ---- life of objects; the hostile mode provokes the module here ----

void HeadlessBackend::provoke(Toolkit& toolkit, Item& item) {
    SoftwareCanvas canvas(scratch_);
    toolkit.draw(item, canvas);
    toolkit.notify(item, kADMActivateWindowNotifier);
    toolkit.track(item, Tracker{kADMMouseDragAction, {0, 0}, 0});
}

void HeadlessBackend::dialogCreated(Toolkit& toolkit, Dialog& dialog) {
    if (!options_.hostile) return;
    SoftwareCanvas canvas(scratch_);
    toolkit.draw(dialog, canvas);
    toolkit.notify(dialog, kADMActivateWindowNotifier);
    toolkit.track(dialog, Tracker{kADMMouseMoveAction, {0, 0}, 0});
}

void HeadlessBackend::dialogDestroying(Toolkit& toolkit, Dialog& dialog) {
    if (options_.hostile) {
        SoftwareCanvas canvas(scratch_);
        toolkit.draw(dialog, canvas);
        toolkit.notify(dialog, kADMDeactivateWindowNotifier);
    }
    frames_.erase(&dialog);
}

void HeadlessBackend::itemCreated(Toolkit& toolkit, Item& item) {
    if (options_.hostile) provoke(toolkit, item);
}

void HeadlessBackend::itemDestroying(Toolkit& toolkit, Item& item) {
    if (hovered_ == &item) hovered_ = nullptr;
    if (captured_ == &item) captured_ = nullptr;
    if (options_.hostile) provoke(toolkit, item);
}

void HeadlessBackend::itemChanged(Toolkit& toolkit, Item& item) {
    if (!options_.hostile) return;
    SoftwareCanvas canvas(scratch_);
    toolkit.draw(item, canvas);
}

// ---- the modal loop ----

void HeadlessBackend::runModal(Toolkit& toolkit, Dialog& dialog) {
    const bool outerShown = shown_;
    shown_ = true;
    Item* const outerHovered = std::exchange(hovered_, nullptr);
    Item* const outerCaptured = std::exchange(captured_, nullptr);
    paint(toolkit, dialog);
    while (toolkit.alive(&dialog) && !dialog.ended) {
        if (events_.empty()) {
            toolkit.hitCloseBox(dialog);
            break;
        }
        HeadlessEvent event = std::move(events_.front());
        events_.pop_front();
        play(toolkit, dialog, event);
        repaintInvalid(toolkit, dialog);
    }
    if (toolkit.alive(&dialog)) lastFrame_ = frames_[&dialog];
    hovered_ = outerHovered;
    captured_ = outerCaptured;
    shown_ = outerShown;
}

void HeadlessBackend::pointer(Toolkit& toolkit, Dialog& dialog, Item* item, int32_t action,
                              ADMPoint p, uint32_t modifiers) {
    static constexpr std::pair<int32_t, ADMActionMask> kMaskOf[] = {
        {kADMButtonDownAction, kADMButtonDownMask},
        {kADMButtonUpAction, kADMButtonUpMask},
        {kADMMouseDragAction, kADMMouseDragMask},
        {kADMMouseMoveAction, kADMMouseMoveMask},
        {kADMLeaveAction, kADMLeaveMask}};
    ADMActionMask bit = 0;
    for (const auto& [code, mask] : kMaskOf)
        if (code == action) bit = mask;
    if (item) {
        if (!toolkit.alive(item) || !(item->mask & bit)) return;
        toolkit.track(
            *item, Tracker{action, {p.x - item->bounds.left, p.y - item->bounds.top}, modifiers});
    } else if (dialog.mask & kADMDialogPointerMask) {
        toolkit.track(dialog, Tracker{action, p, modifiers});
    }
}

void HeadlessBackend::play(Toolkit& toolkit, Dialog& dialog, const HeadlessEvent& event) {
    using Kind = HeadlessEvent::Kind;
    if (hovered_ && !toolkit.alive(hovered_)) hovered_ = nullptr;
    if (captured_ && !toolkit.alive(captured_)) captured_ = nullptr;
    switch (event.kind) {
        case Kind::pick:
            pendingPick_ = event.entryIndex;
            [[fallthrough]];
        case Kind::press:
            captured_ = dialog.itemAt(event.point);
            pointer(toolkit, dialog, captured_, kADMButtonDownAction, event.point, event.modifiers);
            if (event.kind == Kind::pick) {
                pointer(toolkit, dialog, captured_, kADMButtonUpAction, event.point,
                        event.modifiers);
                captured_ = nullptr;
                pendingPick_.reset();
            }
            return;
        case Kind::drag:
            if (captured_)
                pointer(toolkit, dialog, captured_, kADMMouseDragAction, event.point,
                        event.modifiers);
            return;
        case Kind::release:
            if (captured_)
                pointer(toolkit, dialog, std::exchange(captured_, nullptr), kADMButtonUpAction,
                        event.point, event.modifiers);
            return;
        case Kind::move: {
            Item* target = dialog.itemAt(event.point);
            if (hovered_ != target && hovered_)
                pointer(toolkit, dialog, hovered_, kADMLeaveAction, event.point, 0);
            hovered_ = target;
            if (target) pointer(toolkit, dialog, target, kADMMouseMoveAction, event.point, 0);
            return;
        }
        case Kind::leave:
            if (hovered_)
                pointer(toolkit, dialog, std::exchange(hovered_, nullptr), kADMLeaveAction,
                        {-1, -1}, 0);
            return;
        case Kind::key:
            switch (event.key) {
                case Key::enter:
                    toolkit.pressReturn(dialog);
                    return;
                case Key::escape:
                    toolkit.pressEscape(dialog);
                    return;
                case Key::tab:
                    toolkit.focusNext(dialog);
                    return;
                case Key::backspace:
                    if (dialog.focus) toolkit.type(*dialog.focus, "\b");
                    return;
            }
            return;
        case Kind::text:
            if (dialog.focus) toolkit.type(*dialog.focus, event.text);
            return;
        case Kind::close:
            toolkit.hitCloseBox(dialog);
            return;
        case Kind::call:
            if (event.action) event.action(toolkit, dialog);
            return;
    }
}

// ---- the types' own handling ----

bool HeadlessBackend::defaultTrack(Toolkit& toolkit, Item& item, const Tracker& tracker) {
    const bool inside = tracker.point.x >= 0 && tracker.point.y >= 0 &&
                        tracker.point.x < item.width() && tracker.point.y < item.height();
    if (isPushButton(item.kind) || isCheckBox(item.kind) || isRadioButton(item.kind)) {
        if (tracker.action == kADMButtonDownAction) {
            item.pressed = true;
            toolkit.changed(item);
        } else if (tracker.action == kADMButtonUpAction && item.pressed) {
            item.pressed = false;
            toolkit.changed(item);
            if (inside) {
                toolkit.click(item);
                return true;
            }
        }
        return false;
    }
    switch (item.kind) {
        case ItemKind::slider:
            if (tracker.action == kADMButtonDownAction) item.valueAtPress = item.value;
            if (tracker.action == kADMButtonDownAction || tracker.action == kADMMouseDragAction)
                return toolkit.slide(item, sliderValueAt(item, tracker.point.x));
            if (tracker.action == kADMButtonUpAction) toolkit.releaseSlider(item);
            return false;
        case ItemKind::textEdit:
        case ItemKind::textEditMultiLine:
        case ItemKind::passwordEdit:
            if (tracker.action == kADMButtonDownAction) toolkit.focus(*item.dialog, &item);
            return false;
        case ItemKind::popupList: {
            if (tracker.action != kADMButtonDownAction || !pendingPick_ || !item.list) return false;
            const int32_t index = *pendingPick_;
            pendingPick_.reset();
            if (index < 0 || static_cast<size_t>(index) >= item.list->entries.size()) return false;
            Entry& entry = *item.list->entries[static_cast<size_t>(index)];
            const bool changed = item.list->active != &entry;
            toolkit.pick(item, entry);
            return changed;
        }
        default:
            return false;
    }
}

void HeadlessBackend::defaultDraw(Toolkit&, Item& item, Drawer& drawer) {
    drawPlainItem(item, drawer);
}

ADMPoint HeadlessBackend::textSize(std::string_view text, int32_t font) {
    int32_t characters = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
    return font == kADMSmallFont ? ADMPoint{characters * 6, 11} : ADMPoint{characters * 7, 13};
}

// ---- choosers ----

std::optional<ADMRGBColor> HeadlessBackend::chooseColor(ADMPoint where, ADMRGBColor initial) {
    colorRequests_.push_back({where, initial});
    if (colors_.empty()) return std::nullopt;
    std::optional<ADMRGBColor> answer = colors_.front();
    colors_.pop_front();
    return answer;
}

std::optional<std::string> HeadlessBackend::chooseOpenFile(const std::string& title,
                                                           const std::vector<FileFilter>& filters,
                                                           const std::string& startFolder) {
    fileRequests_.push_back({title, filters, startFolder});
    if (files_.empty()) return std::nullopt;
    FileAnswer answer = std::move(files_.front());
    files_.pop_front();
    if (answer.kind == FileAnswer::Kind::path) return answer.path;
    if (answer.kind == FileAnswer::Kind::cancel || filters.empty()) return std::nullopt;
    // The first file of the start folder, by name, that the first filter shows.
    std::vector<std::filesystem::path> shown;
    std::error_code error;
    for (const auto& file : std::filesystem::directory_iterator(startFolder, error))
        if (file.is_regular_file(error) &&
            matchesAny(file.path().filename().string(), filters.front()))
            shown.push_back(file.path());
    if (shown.empty()) return std::nullopt;
    return std::min_element(shown.begin(), shown.end())->string();
}

}  // namespace brivo::host::toolkit
