// A popup list with a right-aligned caption on its left.
#pragma once

#include <memory>
#include <span>

#include "dialog/adm/group.h"
#include "dialog/adm/label.h"
#include "dialog/adm/menu.h"

namespace brivo {

class LabeledComboBox : public ADM::Group {
  public:
    // The caption takes the left half of `bounds`, the popup the right half; the entries
    // get their positions as IDs. The popup's "select" is sent on from this object with
    // the same argument.
    LabeledComboBox(ADM::Dialog& dialog, int32_t itemID, const char* caption, const ADMRect& bounds,
                    std::span<const char* const> entries);
    ~LabeledComboBox() override;

    ADM::ComboBox& combo() { return *combo_; }

  private:
    void OnSelect(ADM::CallbackObject* sender, intptr_t userData, intptr_t argument);

    std::unique_ptr<ADM::Label> label_;
    std::unique_ptr<ADM::ComboBox> combo_;
};

}  // namespace brivo
