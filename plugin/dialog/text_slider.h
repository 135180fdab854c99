// A number with a caption, a slider and a field, kept in step: dragging writes the
// field, typing moves the slider.
#pragma once

#include <memory>

#include "dialog/adm/edit.h"
#include "dialog/adm/group.h"
#include "dialog/adm/label.h"
#include "dialog/adm/slider.h"

namespace brivo {

class TextSlider : public ADM::Group {
  public:
    // The caption at the top left, the field at the top right and the slider along the
    // bottom of `bounds`; the slider starts at `value` and the field empty.
    TextSlider(ADM::Dialog& dialog, int32_t itemID, const char* caption, const ADMRect& bounds,
               float minimum, float maximum, float value);
    ~TextSlider() override;

    // Clamps the value into the range (a value that is no number counts as 0), shows it
    // on the slider and in the field, and sends "changed" (argument 0) when `notify` is
    // true.
    void SetValue(float value, bool notify);

    float value() const { return value_; }
    float minimum() const { return minimum_; }
    float maximum() const { return maximum_; }

  private:
    // Sends "changed" (argument 0) for every move of the slider, with the field following.
    void OnSliderMoved(ADM::CallbackObject* sender, intptr_t userData, intptr_t argument);
    // A keystroke that leaves a whole number in the field moves the value and the slider
    // without touching the field, so "-5" and "12.5" can be typed; a committed text is
    // read as far as it is a number, clamped and written back.
    void OnTextChanged(ADM::CallbackObject* sender, intptr_t userData, intptr_t argument);

    float clamped(double number) const;
    void showOnSlider();
    void showInField();

    float minimum_;
    float maximum_;
    float value_;
    std::unique_ptr<ADM::Slider> slider_;
    std::unique_ptr<ADM::Edit> edit_;
    std::unique_ptr<ADM::Label> label_;
};

}  // namespace brivo
