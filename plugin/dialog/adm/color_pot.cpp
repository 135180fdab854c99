#include "dialog/adm/color_pot.h"

#include "adm_item_suite.h"
#include "adm_notifier_suite.h"
#include "dialog/adm/adm_suites.h"
#include "dialog/adm/dialog.h"

namespace brivo::ADM {

ColorPot::ColorPot(Dialog& dialog, int32_t itemID, const ADMRect& bounds) {
    Create(dialog, itemID, kADMPicturePushButtonType, bounds, 0);
}

void ColorPot::SetColor(const ADMRGBColor& color) {
    color_ = color;
    Invalidate();
}

void ColorPot::Draw(ADMDrawerRef drawer) {
    Item::Draw(drawer);
    const ADMDrawerSuite3& suite = ADMSuites::get().drawer.get();
    ADMRect bounds{};
    suite.GetBoundsRect(drawer, &bounds);
    suite.SetRGBColor(drawer, color_);
    suite.FillRect(drawer, &bounds);
}

void ColorPot::Notify(ADMNotifierRef notifier) {
    Item::Notify(notifier);
    if (!isNotifier(notifier, kADMUserChangedNotifier)) return;
    if (!ChooseColor(color_)) return;
    Invalidate();
    emit(events::changed, reinterpret_cast<intptr_t>(this));
}

bool ColorPot::ChooseColor(const ADMRGBColor& color) {
    // The chooser opens at the swatch's corner in screen pixels.
    const ADMRect bounds = GetBoundsRect();
    const ADMRect window = GetDialog()->GetBoundsRect();
    ADMRGBColor chosen = color;
    const ADMErr status = ADMSuites::get().basic->ChooseColor(
        ADMPoint{window.left + bounds.left, window.top + bounds.top}, color, &chosen);
    if (status != kSPNoError) return false;
    color_ = chosen;
    return true;
}

}  // namespace brivo::ADM
