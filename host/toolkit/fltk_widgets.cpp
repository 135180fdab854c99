#include "host/toolkit/fltk_widgets.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Multiline_Input.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Secret_Input.H>
#include <FL/Fl_Slider.H>

#include <algorithm>
#include <cstring>

#include "host/toolkit/fltk_backend.h"
#include "host/toolkit/fltk_canvas.h"

namespace brivo::host::toolkit {

namespace {

int32_t actionOf(int event) {
    switch (event) {
        case FL_PUSH:
            return kADMButtonDownAction;
        case FL_DRAG:
            return kADMMouseDragAction;
        case FL_RELEASE:
            return kADMButtonUpAction;
        case FL_MOVE:
            return kADMMouseMoveAction;
        case FL_LEAVE:
            return kADMLeaveAction;
        default:
            return 0;
    }
}

ADMActionMask maskOf(int32_t action) {
    switch (action) {
        case kADMButtonDownAction:
            return kADMButtonDownMask;
        case kADMMouseDragAction:
            return kADMMouseDragMask;
        case kADMButtonUpAction:
            return kADMButtonUpMask;
        case kADMMouseMoveAction:
            return kADMMouseMoveMask;
        default:
            return kADMLeaveMask;
    }
}

// One FLTK class bound to an item.
template <class Base>
class Bound : public Base, public ItemWidget {
  public:
    Bound(Toolkit& toolkit, FltkBackend& backend, Item& item)
        : Base(item.bounds.left, item.bounds.top, item.width(), item.height()),
          ItemWidget(toolkit, backend, item) {}

    Fl_Widget& widget() override { return *this; }
    int nativeHandle(int event) override { return Base::handle(event); }
    void nativeDraw() override { Base::draw(); }
    int handle(int event) override { return route(event); }
    void draw() override { paint(); }
};

Item* itemOf(Fl_Widget* widget) {
    auto* bound = dynamic_cast<ItemWidget*>(widget);
    return bound ? bound->item() : nullptr;
}

Toolkit& toolkitOf(void* data) {
    return *static_cast<Toolkit*>(data);
}

void buttonClicked(Fl_Widget* widget, void* data) {
    if (Item* item = itemOf(widget)) toolkitOf(data).click(*item);
}

void sliderMoved(Fl_Widget* widget, void* data) {
    if (Item* item = itemOf(widget))
        toolkitOf(data).slide(*item, static_cast<float>(static_cast<Fl_Slider*>(widget)->value()));
}

void textEdited(Fl_Widget* widget, void* data) {
    if (Item* item = itemOf(widget))
        toolkitOf(data).setEditedText(*item, static_cast<Fl_Input_*>(widget)->value());
}

void entryPicked(Fl_Widget* widget, void* data) {
    Item* item = itemOf(widget);
    const int index = static_cast<Fl_Choice*>(widget)->value();
    if (!item || !item->list || index < 0 ||
        static_cast<size_t>(index) >= item->list->entries.size())
        return;
    toolkitOf(data).pick(*item, *item->list->entries[static_cast<size_t>(index)]);
}

template <class Base>
ItemWidget* make(Toolkit& toolkit, FltkBackend& backend, Item& item) {
    return new Bound<Base>(toolkit, backend, item);
}

}  // namespace

// ---- items ----

int ItemWidget::route(int event) {
    Item* bound = item();
    if (!bound) return nativeHandle(event);
    if (event == FL_ENTER) {
        nativeHandle(event);
        return 1;  // so that moves over the item arrive
    }
    if (event == FL_FOCUS || event == FL_UNFOCUS) {
        const int result = nativeHandle(event);
        if (isTextEdit(bound->kind)) {
            if (event == FL_FOCUS)
                toolkit_.focus(*bound->dialog, bound);
            else if (bound->dialog->focus == bound)
                toolkit_.focus(*bound->dialog, nullptr);
        }
        return result;
    }
    const int32_t action = actionOf(event);
    if (action == 0) return nativeHandle(event);
    if (!(bound->mask & maskOf(action))) {
        const int result = nativeHandle(event);
        return event == FL_PUSH ? 1 : result;
    }
    if (action == kADMButtonDownAction) bound->valueAtPress = bound->value;
    return backend_.track(toolkit_, *this, event, action);
}

void ItemWidget::paint() {
    Item* bound = item();
    if (!bound) {
        nativeDraw();
        return;
    }
    FltkCanvas canvas;
    toolkit_.draw(*bound, canvas);
}

void ItemWidget::sync() {
    Item* bound = item();
    if (!bound) return;
    Fl_Widget& w = widget();
    w.resize(bound->bounds.left, bound->bounds.top, bound->width(), bound->height());
    if (bound->visible && bound->kind != ItemKind::group)
        w.show();
    else
        w.hide();
    if (bound->enabled)
        w.activate();
    else
        w.deactivate();
    const FltkFont font = fltkFont(bound->font);
    w.labelfont(font.face);
    w.labelsize(font.size);
    switch (bound->kind) {
        case ItemKind::textPushButton:
        case ItemKind::picturePushButton:
        case ItemKind::frame:
            w.copy_label(bound->text.c_str());
            break;
        case ItemKind::textStatic:
        case ItemKind::textStaticMultiLine: {
            w.copy_label(bound->text.c_str());
            const Fl_Align horizontal = bound->justify == kADMCenterJustify  ? Fl_Align(0)
                                        : bound->justify == kADMRightJustify ? FL_ALIGN_RIGHT
                                                                             : FL_ALIGN_LEFT;
            w.align(horizontal | FL_ALIGN_INSIDE | FL_ALIGN_CLIP |
                    (bound->kind == ItemKind::textStaticMultiLine ? FL_ALIGN_WRAP : 0));
            break;
        }
        case ItemKind::textCheckBox:
        case ItemKind::textRadioButton:
        case ItemKind::pictureCheckBox:
        case ItemKind::pictureRadioButton:
            w.copy_label(bound->text.c_str());
            static_cast<Fl_Button&>(w).value(bound->boolValue ? 1 : 0);
            break;
        case ItemKind::slider: {
            auto& slider = static_cast<Fl_Slider&>(w);
            slider.type(bound->width() >= bound->height() ? FL_HOR_NICE_SLIDER
                                                          : FL_VERT_NICE_SLIDER);
            slider.bounds(bound->minimum, bound->maximum);
            slider.value(bound->value);
            break;
        }
        case ItemKind::textEdit:
        case ItemKind::textEditMultiLine:
        case ItemKind::passwordEdit: {
            auto& input = static_cast<Fl_Input_&>(w);
            input.textfont(font.face);
            input.textsize(font.size);
            input.maximum_size(bound->maxTextLength > 0 ? bound->maxTextLength : 32767);
            if (std::strcmp(input.value(), bound->text.c_str()) != 0)
                input.value(bound->text.c_str());
            break;
        }
        case ItemKind::popupList: {
            auto& choice = static_cast<Fl_Choice&>(w);
            choice.textfont(font.face);
            choice.textsize(font.size);
            std::vector<Fl_Menu_Item> menu;
            for (const auto& entry : bound->list->entries) {
                Fl_Menu_Item m{};
                m.text = entry->separator ? "" : entry->text.c_str();
                m.flags = entry->enabled && !entry->separator ? 0 : FL_MENU_INACTIVE;
                m.labelfont_ = font.face;
                m.labelsize_ = font.size;
                menu.push_back(m);
            }
            menu.push_back(Fl_Menu_Item{});
            // Only a changed list replaces the menu: picking an entry calls back from inside
            // the widget while it still looks at the current one.
            const auto same = [](const Fl_Menu_Item& a, const Fl_Menu_Item& b) {
                return a.text == b.text && a.flags == b.flags && a.labelfont_ == b.labelfont_ &&
                       a.labelsize_ == b.labelsize_;
            };
            if (!std::equal(menu.begin(), menu.end(), menu_.begin(), menu_.end(), same)) {
                menu_ = std::move(menu);
                choice.menu(menu_.data());
            }
            choice.value(bound->list->indexOf(bound->list->active));
            break;
        }
        case ItemKind::pictureStatic:
        case ItemKind::group:
            break;
    }
    w.redraw();
}

ItemWidget* makeItemWidget(Toolkit& toolkit, FltkBackend& backend, Item& item, Fl_Group& window) {
    ItemWidget* made = nullptr;
    switch (item.kind) {
        case ItemKind::textPushButton:
        case ItemKind::picturePushButton:
        case ItemKind::pictureCheckBox:
        case ItemKind::pictureRadioButton:
            made = make<Fl_Button>(toolkit, backend, item);
            break;
        case ItemKind::textCheckBox:
            made = make<Fl_Check_Button>(toolkit, backend, item);
            break;
        case ItemKind::textRadioButton:
            made = make<Fl_Round_Button>(toolkit, backend, item);
            break;
        case ItemKind::textEdit:
            made = make<Fl_Input>(toolkit, backend, item);
            break;
        case ItemKind::textEditMultiLine:
            made = make<Fl_Multiline_Input>(toolkit, backend, item);
            break;
        case ItemKind::passwordEdit:
            made = make<Fl_Secret_Input>(toolkit, backend, item);
            break;
        case ItemKind::popupList:
            made = make<Fl_Choice>(toolkit, backend, item);
            break;
        case ItemKind::slider:
            made = make<Fl_Slider>(toolkit, backend, item);
            break;
        case ItemKind::textStatic:
        case ItemKind::textStaticMultiLine:
        case ItemKind::frame:
        case ItemKind::pictureStatic:
        case ItemKind::group:
            made = make<Fl_Box>(toolkit, backend, item);
            break;
    }
    Fl_Widget& w = made->widget();
    void* data = &toolkit;
    switch (item.kind) {
        case ItemKind::textPushButton:
        case ItemKind::picturePushButton:
        case ItemKind::pictureCheckBox:
        case ItemKind::pictureRadioButton:
        case ItemKind::textCheckBox:
        case ItemKind::textRadioButton:
            // Plain buttons: the toolkit does the toggling, so groups scope radio buttons.
            static_cast<Fl_Button&>(w).type(FL_NORMAL_BUTTON);
            w.callback(&buttonClicked, data);
            w.when(FL_WHEN_RELEASE);
            if (isPicture(item.kind) && item.flat()) w.box(FL_NO_BOX);
            break;
        case ItemKind::slider:
            w.callback(&sliderMoved, data);
            w.when(FL_WHEN_CHANGED);
            break;
        case ItemKind::textEdit:
        case ItemKind::textEditMultiLine:
        case ItemKind::passwordEdit:
            w.callback(&textEdited, data);
            w.when(FL_WHEN_CHANGED);
            break;
        case ItemKind::popupList:
            w.callback(&entryPicked, data);
            w.when(FL_WHEN_CHANGED);
            break;
        case ItemKind::frame:
            w.box(FL_ENGRAVED_FRAME);
            w.align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE);
            break;
        case ItemKind::pictureStatic:
            w.box(item.flat() ? FL_NO_BOX : FL_DOWN_BOX);
            break;
        default:
            w.box(FL_NO_BOX);
            break;
    }
    window.add(w);
    made->sync();
    return made;
}

// ---- dialogs ----

DialogWindow::DialogWindow(Toolkit& toolkit, Dialog& dialog)
    : Fl_Double_Window(dialog.bounds.left, dialog.bounds.top, std::max(dialog.width(), 1),
                       std::max(dialog.height(), 1)),
      toolkit_(toolkit),
      dialog_(&dialog) {
    end();  // items are added explicitly
    callback(&DialogWindow::closeBoxHit, this);
}

void DialogWindow::draw() {
    if (Dialog* d = dialog()) {
        FltkCanvas canvas;
        toolkit_.draw(*d, canvas);
    } else {
        Fl_Double_Window::draw();
        return;
    }
    draw_children();
}

int DialogWindow::handle(int event) {
    const int handled = Fl_Double_Window::handle(event);
    Dialog* d = dialog();
    if (handled || !d || event != FL_SHORTCUT) return handled;
    const int key = Fl::event_key();
    if (key == FL_Enter || key == FL_KP_Enter) {
        toolkit_.pressReturn(*d);
        return 1;
    }
    if (key == FL_Escape) {
        toolkit_.pressEscape(*d);
        return 1;
    }
    return 0;
}

void DialogWindow::closeBoxHit(Fl_Widget*, void* data) {
    auto* window = static_cast<DialogWindow*>(data);
    // Escape reaches here too when nothing took it; only the close box closes.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    if (Dialog* d = window->dialog()) window->toolkit_.hitCloseBox(*d);
}

}  // namespace brivo::host::toolkit
