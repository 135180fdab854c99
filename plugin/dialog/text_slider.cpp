#include "dialog/text_slider.h"

#include <cmath>

#include "adm_notifier_suite.h"
#include "dialog/number_text.h"

namespace brivo {

namespace {

constexpr int32_t kFieldCharacters = 5;
constexpr int32_t kFieldUnits = 6;

}  // namespace

TextSlider::TextSlider(ADM::Dialog& dialog, int32_t itemID, const char* caption,
                       const ADMRect& bounds, float minimum, float maximum, float value)
    : ADM::Group(dialog, itemID), minimum_(minimum), maximum_(maximum), value_(value) {
    const int32_t l = bounds.left, t = bounds.top, r = bounds.right, b = bounds.bottom;
    label_ = std::make_unique<ADM::Label>(dialog, caption,
                                          ADMRect{l + 7, t + 8, l + 7 + (r - l) / 2, t + 24});
    slider_ = std::make_unique<ADM::Slider>(dialog, itemID, ADMRect{l, b - 10, r, b});
    edit_ = std::make_unique<ADM::Edit>(dialog, itemID, ADMRect{r - 52, t + 2, r - 7, b - 11},
                                        ADM::Edit::numberEdit);
    AddChild(label_.get());
    AddChild(slider_.get());
    AddChild(edit_.get());
    slider_->SetRange(minimum_, maximum_);
    slider_->SetValue(value_, false);
    edit_->SetMaxTextLength(kFieldCharacters);
    edit_->SetUnits(kFieldUnits);
    slider_->connect(ADM::events::track, this, &TextSlider::OnSliderMoved);
    slider_->connect(ADM::events::changed, this, &TextSlider::OnSliderMoved);
    edit_->connect(ADM::events::changed, this, &TextSlider::OnTextChanged);
}

TextSlider::~TextSlider() {
    edit_->disconnect(ADM::events::changed, this, &TextSlider::OnTextChanged);
    slider_->disconnect(ADM::events::track, this, &TextSlider::OnSliderMoved);
    slider_->disconnect(ADM::events::changed, this, &TextSlider::OnSliderMoved);
}

float TextSlider::clamped(double number) const {
    if (std::isnan(number)) number = 0.0;
    if (number < minimum_) return minimum_;
    if (number > maximum_) return maximum_;
    return static_cast<float>(number);
}

void TextSlider::showOnSlider() {
    slider_->SetValue(value_, false);
}

void TextSlider::showInField() {
    edit_->SetText(formatNumber(value_).c_str());
}

void TextSlider::SetValue(float value, bool notify) {
    value_ = clamped(value);
    showOnSlider();
    showInField();
    if (notify) emit(ADM::events::changed, 0);
}

void TextSlider::OnSliderMoved(ADM::CallbackObject*, intptr_t, intptr_t) {
    value_ = slider_->GetValue();
    showInField();
    emit(ADM::events::changed, 0);
}

void TextSlider::OnTextChanged(ADM::CallbackObject*, intptr_t, intptr_t argument) {
    const auto notifier = reinterpret_cast<ADMNotifierRef>(argument);
    const std::string text = edit_->GetText();
    if (notifier != nullptr && ADM::isNotifier(notifier, kADMEntryTextChangedNotifier)) {
        const std::optional<double> typed = wholeNumber(text);
        if (!typed) return;
        value_ = clamped(*typed);
        showOnSlider();
    } else {
        value_ = clamped(leadingNumber(text).value_or(0.0));
        showOnSlider();
        showInField();
    }
    emit(ADM::events::changed, 0);
}

}  // namespace brivo
