#include "dialog/adm/menu.h"

#include "adm_item_suite.h"
#include "adm_notifier_suite.h"
#include "adm_tracker_suite.h"
#include "dialog/adm/adm_suites.h"

namespace brivo::ADM {

Menu::Menu(Dialog& dialog, int32_t itemID, const ADMRect& bounds, const char* typeName) {
    Create(dialog, itemID, typeName, bounds, 0);
    bind(ADMSuites::get().item->GetList(GetRef()), &dialog);
}

bool Menu::Track(ADMTrackerRef tracker) {
    if (ADMSuites::get().tracker->GetAction(tracker) == kADMButtonDownAction)
        emit(events::activate, reinterpret_cast<intptr_t>(this));
    return Item::Track(tracker);
}

void Menu::Notify(ADMNotifierRef notifier) {
    Item::Notify(notifier);
    if (isNotifier(notifier, kADMUserChangedNotifier))
        emit(events::select, reinterpret_cast<intptr_t>(notifier));
}

ComboBox::ComboBox(Dialog& dialog, int32_t itemID, const ADMRect& bounds)
    : Menu(dialog, itemID, bounds, kADMPopupListType) {}

}  // namespace brivo::ADM
