#include "dialog/adm/slider.h"

#include "adm_item_suite.h"
#include "adm_notifier_suite.h"
#include "adm_tracker_suite.h"
#include "dialog/adm/adm_suites.h"

namespace brivo::ADM {

Slider::Slider(Dialog& dialog, int32_t itemID, const ADMRect& bounds) {
    Create(dialog, itemID, kADMSliderType, bounds, 0);
}

void Slider::SetValue(float value, bool notify) {
    ADMSuites::get().item->SetFloatValue(GetRef(), value);
    if (notify) emit(events::changed, 0);
}

float Slider::GetValue() const {
    return ADMSuites::get().item->GetFloatValue(GetRef());
}

void Slider::SetRange(float minimum, float maximum) {
    const ADMItemSuite5& suite = ADMSuites::get().item.get();
    suite.SetMinFloatValue(GetRef(), minimum);
    suite.SetMaxFloatValue(GetRef(), maximum);
}

bool Slider::Track(ADMTrackerRef tracker) {
    const bool handled = Item::Track(tracker);
    if (handled && ADMSuites::get().tracker->GetAction(tracker) == kADMMouseDragAction)
        emit(events::track, 0);
    return handled;
}

void Slider::Notify(ADMNotifierRef notifier) {
    if (isNotifier(notifier, kADMUserChangedNotifier))
        emit(events::changed, reinterpret_cast<intptr_t>(notifier));
    Item::Notify(notifier);
}

}  // namespace brivo::ADM
