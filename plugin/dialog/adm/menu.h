// Items with a list of entries: the popup menu and its combo-box form.
#pragma once

#include "dialog/adm/item.h"
#include "dialog/adm/list.h"

namespace brivo::ADM {

class Menu : public Item, public List {
  public:
    // Creates an item of a list-bearing type and binds its list.
    Menu(Dialog& dialog, int32_t itemID, const ADMRect& bounds, const char* typeName);

    // A press also sends "activate" (argument: the menu) before the toolkit handles it.
    bool Track(ADMTrackerRef tracker) override;
    // After the toolkit's handling, a picked entry sends "select" (argument: the notifier).
    void Notify(ADMNotifierRef notifier) override;
};

class ComboBox : public Menu {
  public:
    ComboBox(Dialog& dialog, int32_t itemID, const ADMRect& bounds);
};

}  // namespace brivo::ADM
