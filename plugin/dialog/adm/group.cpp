#include "dialog/adm/group.h"

#include "adm_item_suite.h"
#include "core/errors.h"
#include "dialog/adm/adm_suites.h"

namespace brivo::ADM {

Group::Group(Dialog& dialog, int32_t itemID) {
    Create(dialog, itemID, kADMItemGroupType, ADMRect{0, 0, 0, 0}, 0);
}

void Group::AddChild(Item* child) {
    children_.reserve(children_.size() + 1);
    checkSuiteStatus(ADMSuites::get().item->AddItem(GetRef(), child->GetRef()));
    children_.push_back(Child{child, child->GetBoundsRect()});
}

void Group::Show() {
    Item::Show();
    for (const Child& child : children_) child.item->Show();
}

void Group::Hide() {
    Item::Hide();
    for (const Child& child : children_) child.item->Hide();
}

void Group::SetBoundsRect(const ADMRect& origin) {
    for (const Child& child : children_)
        child.item->SetBoundsRect(
            ADMRect{child.bounds.left + origin.left, child.bounds.top + origin.top,
                    child.bounds.right + origin.left, child.bounds.bottom + origin.top});
}

}  // namespace brivo::ADM
