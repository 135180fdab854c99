// The FLTK widgets behind items and dialogs: each native widget kind wrapped so that its
// events go through the toolkit and its drawing through the item's draw callback.
#pragma once

#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Widget.H>

#include <vector>

#include "host/toolkit/toolkit.h"

namespace brivo::host::toolkit {

class FltkBackend;

// What the backend needs of every item's widget, whatever its FLTK class.
class ItemWidget {
  public:
    ItemWidget(Toolkit& toolkit, FltkBackend& backend, Item& item)
        : toolkit_(toolkit), backend_(backend), item_(&item) {}
    virtual ~ItemWidget() = default;

    virtual Fl_Widget& widget() = 0;
    // The FLTK class's own event handling and drawing.
    virtual int nativeHandle(int event) = 0;
    virtual void nativeDraw() = 0;

    Item* item() const { return toolkit_.alive(item_) ? item_ : nullptr; }
    void detach() { item_ = nullptr; }
    // Brings the widget in line with its item.
    void sync();

  protected:
    int route(int event);
    void paint();

    Toolkit& toolkit_;
    FltkBackend& backend_;
    Item* item_;
    std::vector<Fl_Menu_Item> menu_;  // popup lists: the entries as FLTK menu items
};

// Makes the widget for an item and adds it to the dialog's window, which owns it.
ItemWidget* makeItemWidget(Toolkit& toolkit, FltkBackend& backend, Item& item, Fl_Group& window);

class DialogWindow : public Fl_Double_Window {
  public:
    DialogWindow(Toolkit& toolkit, Dialog& dialog);
    void draw() override;
    int handle(int event) override;
    void detach() { dialog_ = nullptr; }
    Dialog* dialog() const { return toolkit_.alive(dialog_) ? dialog_ : nullptr; }

  private:
    static void closeBoxHit(Fl_Widget* window, void* data);

    Toolkit& toolkit_;
    Dialog* dialog_;
};

}  // namespace brivo::host::toolkit
