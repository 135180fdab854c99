// An item that gathers others: they are shown, hidden and moved with it.
#pragma once

#include <vector>

#include "dialog/adm/item.h"

namespace brivo::ADM {

class Group : public Item {
  public:
    // Created with an empty rectangle and no children.
    Group(Dialog& dialog, int32_t itemID);

    // Makes the child a member and records its bounds as they are now. The child stays
    // owned by whoever made it.
    void AddChild(Item* child);

    void Show() override;
    void Hide() override;
    // Takes `origin`'s left and top as an offset: every child is placed at its recorded
    // bounds moved by it. The group's own item does not move.
    void SetBoundsRect(const ADMRect& origin) override;

  private:
    struct Child {
        Item* item;
        ADMRect bounds;
    };
    std::vector<Child> children_;
};

}  // namespace brivo::ADM
