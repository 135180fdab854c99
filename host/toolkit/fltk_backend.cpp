#include "host/toolkit/fltk_backend.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Color_Chooser.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Return_Button.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

#include "host/toolkit/fltk_canvas.h"
#include "host/toolkit/fltk_widgets.h"
#include "host/toolkit/toolkit.h"

namespace brivo::host::toolkit {

namespace {

DialogWindow* windowOf(const Dialog& dialog) {
    return static_cast<DialogWindow*>(dialog.backendData);
}

ItemWidget* widgetOf(const Item& item) {
    return static_cast<ItemWidget*>(item.backendData);
}

uint32_t modifiers() {
    const int state = Fl::event_state();
    uint32_t bits = 0;
    if (state & FL_SHIFT) bits |= kADMShiftKeyModifier;
    if (state & FL_ALT) bits |= kADMAltKeyModifier;
    if (state & FL_CTRL) bits |= kADMControlKeyModifier;
    return bits;
}

// A value the default tracking may change: compared before and after it runs.
struct ItemState {
    bool boolValue;
    float value;
    const Entry* active;
    bool operator==(const ItemState&) const = default;
};

ItemState stateOf(const Item& item) {
    return {item.boolValue, item.value, item.list ? item.list->active : nullptr};
}

// A pattern as FLTK's matcher reads it, with each letter matched in either case
// ("*.png" becomes "*.[pP][nN][gG]"); several patterns become one {a,b} alternative.
std::string caseFreePattern(const std::vector<std::string>& patterns) {
    std::string result = patterns.size() > 1 ? "{" : "";
    for (size_t i = 0; i < patterns.size(); ++i) {
        if (i > 0) result += ',';
        for (char c : patterns[i]) {
            const auto u = static_cast<unsigned char>(c);
            if (std::isalpha(u)) {
                result += '[';
                result += static_cast<char>(std::tolower(u));
                result += static_cast<char>(std::toupper(u));
                result += ']';
            } else if (c == ',' || c == '{' || c == '}' || c == '\t' || c == '(' || c == ')') {
                result += '?';  // characters the filter syntax reserves match any one
            } else {
                result += c;
            }
        }
    }
    if (patterns.size() > 1) result += '}';
    return result;
}

std::string fltkFilter(const std::vector<FileFilter>& filters) {
    std::string result;
    for (const FileFilter& filter : filters) {
        if (filter.patterns.empty()) continue;
        if (!result.empty()) result += '\t';
        std::string description = filter.description;
        std::replace(description.begin(), description.end(), '\t', ' ');
        std::replace(description.begin(), description.end(), '(', '[');
        std::replace(description.begin(), description.end(), ')', ']');
        result += description + " (" + caseFreePattern(filter.patterns) + ")";
    }
    return result.empty() ? "*" : result;
}

void closeWindow(Fl_Widget*, void* data) {
    *static_cast<int*>(data) = 0;
}
void acceptWindow(Fl_Widget*, void* data) {
    *static_cast<int*>(data) = 1;
}

}  // namespace

bool FltkBackend::displayAvailable() {
    if (fl_display) return true;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return false;
    // The connection that answered is handed to FLTK and kept: closing a probe would let
    // a fresh X server reset and refuse the next connection.
    Display* connection = XOpenDisplay(display);
    if (!connection) return false;
    fl_open_display(connection);
    return true;
}

FltkBackend::FltkBackend() {
    if (!displayAvailable()) throw std::runtime_error("no display to show dialogs on");
    // A fixed look: the same scheme and colours whatever the user's settings say.
    Fl::scheme("gtk+");
    Fl::background(192, 192, 192);
    Fl::background2(255, 255, 255);
    Fl::foreground(0, 0, 0);
    Fl::visible_focus(1);
}

FltkBackend::~FltkBackend() = default;

// ---- windows and widgets ----

void FltkBackend::dialogCreated(Toolkit& toolkit, Dialog& dialog) {
    auto* window = new DialogWindow(toolkit, dialog);
    window->copy_label(dialog.title.c_str());
    dialog.backendData = window;
    for (auto& item : dialog.items)
        if (!item->backendData) item->backendData = makeItemWidget(toolkit, *this, *item, *window);
}

void FltkBackend::dialogDestroying(Toolkit&, Dialog& dialog) {
    DialogWindow* window = windowOf(dialog);
    if (!window) return;
    window->detach();
    window->hide();
    Fl::delete_widget(window);  // deferred: a handler of it may still be on the stack
    dialog.backendData = nullptr;
}

void FltkBackend::dialogChanged(Toolkit&, Dialog& dialog) {
    DialogWindow* window = windowOf(dialog);
    if (!window) return;
    window->copy_label(dialog.title.c_str());
    window->resize(dialog.bounds.left, dialog.bounds.top, std::max(dialog.width(), 1),
                   std::max(dialog.height(), 1));
    window->redraw();
}

void FltkBackend::itemCreated(Toolkit& toolkit, Item& item) {
    if (DialogWindow* window = windowOf(*item.dialog))
        item.backendData = makeItemWidget(toolkit, *this, item, *window);
}

void FltkBackend::itemDestroying(Toolkit&, Item& item) {
    ItemWidget* widget = widgetOf(item);
    if (!widget) return;
    widget->detach();
    if (current_.widget == widget) current_.widget = nullptr;
    Fl_Widget& w = widget->widget();
    if (w.parent()) w.parent()->remove(w);
    Fl::delete_widget(&w);
    item.backendData = nullptr;
}

void FltkBackend::itemChanged(Toolkit&, Item& item) {
    if (ItemWidget* widget = widgetOf(item)) widget->sync();
}

void FltkBackend::update(Toolkit&, Dialog& dialog) {
    if (DialogWindow* window = windowOf(dialog); window && window->shown()) {
        window->redraw();
        Fl::flush();
    }
}

void FltkBackend::update(Toolkit&, Item& item) {
    ItemWidget* widget = widgetOf(item);
    DialogWindow* window = windowOf(*item.dialog);
    if (!widget || !window || !window->shown() || !item.visible) return;
    widget->widget().redraw();
    Fl::flush();
}

// ---- the loop and events ----

void FltkBackend::runModal(Toolkit& toolkit, Dialog& dialog) {
    DialogWindow* window = windowOf(dialog);
    if (!window) return;
    window->resize(dialog.bounds.left, dialog.bounds.top, std::max(dialog.width(), 1),
                   std::max(dialog.height(), 1));
    window->set_modal();
    window->show();
    while (toolkit.alive(&dialog) && !dialog.ended && window->shown()) {
        if (turnHook_) {
            Fl::check();
            if (toolkit.alive(&dialog) && !dialog.ended) turnHook_(toolkit, dialog);
        } else {
            Fl::wait();
        }
    }
    if (toolkit.alive(&dialog)) window->hide();
    Fl::flush();
}

int FltkBackend::track(Toolkit& toolkit, ItemWidget& widget, int event, int32_t action) {
    Item* item = widget.item();
    if (!item) return 0;
    const Dispatch outer = current_;
    current_ = {&widget, event, false, 0};
    const Fl_Widget& w = widget.widget();
    toolkit.track(*item,
                  Tracker{action, {Fl::event_x() - w.x(), Fl::event_y() - w.y()}, modifiers()});
    const Dispatch done = current_;
    current_ = outer;
    if (event == FL_PUSH) return 1;  // keep the drags and the release coming here
    return done.defaultRan ? done.result : 1;
}

bool FltkBackend::defaultTrack(Toolkit& toolkit, Item& item, const Tracker&) {
    ItemWidget* widget = widgetOf(item);
    // Only an FLTK event being routed now can be handed to the widget.
    if (!widget || current_.widget != widget || current_.defaultRan) return false;
    const ItemState before = stateOf(item);
    current_.defaultRan = true;
    const int event = current_.event;
    current_.result = widget->nativeHandle(event);
    if (!toolkit.alive(&item)) return false;
    if (item.kind == ItemKind::slider && event == FL_RELEASE) toolkit.releaseSlider(item);
    return toolkit.alive(&item) && !(stateOf(item) == before);
}

void FltkBackend::defaultDraw(Toolkit&, Item& item, Drawer&) {
    if (ItemWidget* widget = widgetOf(item)) widget->nativeDraw();
}

ADMPoint FltkBackend::textSize(std::string_view text, int32_t font) {
    const FltkFont f = fltkFont(font);
    fl_font(f.face, f.size);
    const std::string terminated(text);
    int width = 0, height = 0;
    fl_measure(terminated.c_str(), width, height, 0);
    return {width, height};
}

ADMRect FltkBackend::mainScreen() {
    int x = 0, y = 0, w = 0, h = 0;
    Fl::screen_xywh(x, y, w, h, 0);
    return {x, y, x + w, y + h};
}

RgbImage FltkBackend::capture(Dialog& dialog) {
    RgbImage image;
    DialogWindow* window = windowOf(dialog);
    if (!window || !window->shown()) return image;
    Fl::flush();
    window->make_current();
    image.width = window->w();
    image.height = window->h();
    std::unique_ptr<uchar[]> pixels(fl_read_image(nullptr, 0, 0, image.width, image.height));
    if (pixels)
        image.pixels.assign(pixels.get(), pixels.get() + static_cast<size_t>(image.width) *
                                                             static_cast<size_t>(image.height) * 3);
    return image;
}

// ---- choosers ----

std::optional<ADMRGBColor> FltkBackend::chooseColor(ADMPoint where, ADMRGBColor initial) {
    Fl_Double_Window window(where.x, where.y, 215, 135, "Color");
    Fl_Color_Chooser chooser(5, 5, 205, 95);
    chooser.rgb(initial.red / 65535.0, initial.green / 65535.0, initial.blue / 65535.0);
    Fl_Return_Button ok(60, 105, 70, 25, "OK");
    Fl_Button cancel(140, 105, 70, 25, "Cancel");
    window.end();
    int outcome = -1;
    ok.callback(&acceptWindow, &outcome);
    cancel.callback(&closeWindow, &outcome);
    window.callback(&closeWindow, &outcome);
    window.set_modal();
    window.show();
    while (outcome < 0 && window.shown()) Fl::wait();
    window.hide();
    if (outcome != 1) return std::nullopt;
    auto component = [](double v) {
        return static_cast<uint16_t>(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5) * 257;
    };
    return ADMRGBColor{static_cast<uint16_t>(component(chooser.r())),
                       static_cast<uint16_t>(component(chooser.g())),
                       static_cast<uint16_t>(component(chooser.b()))};
}

std::optional<std::string> FltkBackend::chooseOpenFile(const std::string& title,
                                                       const std::vector<FileFilter>& filters,
                                                       const std::string& startFolder) {
    const std::string filter = fltkFilter(filters);
    Fl_File_Chooser chooser(startFolder.empty() ? "." : startFolder.c_str(), filter.c_str(),
                            Fl_File_Chooser::SINGLE, title.c_str());
    chooser.preview(0);
    chooser.show();
    if (fileChooserHook_) fileChooserHook_(chooser);
    while (chooser.shown()) Fl::wait();
    const char* chosen = chooser.value();
    if (!chosen || !*chosen) return std::nullopt;
    return std::string(chosen);
}

}  // namespace brivo::host::toolkit
