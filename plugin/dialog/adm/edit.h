// Text fields, editable or static.
#pragma once

#include "dialog/adm/item.h"

namespace brivo::ADM {

class Edit : public Item {
  public:
    enum Kind {
        textEdit = 0,
        textEditMultiLine = 1,
        textStatic = 2,
        textStaticMultiLine = 3,
        numberEdit = 4,  // a text edit styled for numbers
        passwordEdit = 5
    };

    Edit(Dialog& dialog, int32_t itemID, const ADMRect& bounds, Kind kind);

    // The most characters the user can type (0: no limit).
    void SetMaxTextLength(int32_t length);
    void SetUnits(int32_t units);

    // A committed or typed change sends "changed" with the notifier as argument, so a
    // receiver can tell a keystroke ("ADM Entry Text Changed Notifier") from a commit;
    // gaining and losing the keyboard focus send "gainFocus" and "loseFocus" (argument 0).
    void Notify(ADMNotifierRef notifier) override;
};

}  // namespace brivo::ADM
