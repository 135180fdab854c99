#include "dialog/labeled_combo_box.h"

#include "adm_types.h"

namespace brivo {

LabeledComboBox::LabeledComboBox(ADM::Dialog& dialog, int32_t itemID, const char* caption,
                                 const ADMRect& bounds, std::span<const char* const> entries)
    : ADM::Group(dialog, itemID) {
    const int32_t l = bounds.left, t = bounds.top, r = bounds.right, b = bounds.bottom;
    const int32_t w = r - l;
    const int32_t yc = (b - t - 16) / 2 + t;
    label_ = std::make_unique<ADM::Label>(dialog, caption, ADMRect{l, yc, l + w / 2 - 2, yc + 16});
    label_->SetJustify(kADMRightJustify);
    combo_ = std::make_unique<ADM::ComboBox>(dialog, itemID, ADMRect{l + w / 2, t, r, b});
    AddChild(label_.get());
    AddChild(combo_.get());
    combo_->connect(ADM::events::select, this, &LabeledComboBox::OnSelect);
    int32_t id = 0;
    for (const char* entry : entries) combo_->AppendEntry(entry, id++);
}

LabeledComboBox::~LabeledComboBox() {
    combo_->disconnect(ADM::events::select, this, &LabeledComboBox::OnSelect);
}

void LabeledComboBox::OnSelect(ADM::CallbackObject*, intptr_t, intptr_t argument) {
    emit(ADM::events::select, argument);
}

}  // namespace brivo
