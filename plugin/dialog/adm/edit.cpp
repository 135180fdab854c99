#include "dialog/adm/edit.h"

#include "adm_item_suite.h"
#include "adm_notifier_suite.h"
#include "dialog/adm/adm_suites.h"

namespace brivo::ADM {

namespace {

const char* editType(Edit::Kind kind) {
    switch (kind) {
        case Edit::textEditMultiLine:
            return kADMTextEditMultiLineType;
        case Edit::textStatic:
            return kADMTextStaticType;
        case Edit::textStaticMultiLine:
            return kADMTextStaticMultiLineType;
        case Edit::passwordEdit:
            return kADMPasswordTextEditType;
        case Edit::textEdit:
        case Edit::numberEdit:
            break;
    }
    return kADMTextEditType;
}

}  // namespace

Edit::Edit(Dialog& dialog, int32_t itemID, const ADMRect& bounds, Kind kind) {
    Create(dialog, itemID, editType(kind), bounds, 0);
    if (kind == numberEdit) ADMSuites::get().item->SetItemStyle(GetRef(), kADMNumericEditStyle);
}

void Edit::SetMaxTextLength(int32_t length) {
    ADMSuites::get().item->SetMaxTextLength(GetRef(), length);
}

void Edit::SetUnits(int32_t units) {
    ADMSuites::get().item->SetUnits(GetRef(), units);
}

void Edit::Notify(ADMNotifierRef notifier) {
    if (isNotifier(notifier, kADMUserChangedNotifier) ||
        isNotifier(notifier, kADMEntryTextChangedNotifier))
        emit(events::changed, reinterpret_cast<intptr_t>(notifier));
    else if (isNotifier(notifier, kADMActivateWindowNotifier))
        emit(events::gainFocus, 0);
    else if (isNotifier(notifier, kADMDeactivateWindowNotifier))
        emit(events::loseFocus, 0);
    Item::Notify(notifier);
}

}  // namespace brivo::ADM
