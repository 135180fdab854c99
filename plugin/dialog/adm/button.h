// Push buttons, check boxes and radio buttons, with text or a picture.
#pragma once

#include "dialog/adm/item.h"

namespace brivo::ADM {

class Button : public Item {
  public:
    enum Kind {
        textPushButton = 0,
        textCheckBox = 1,
        textRadioButton = 2,
        picturePushButton = 3,
        pictureCheckBox = 4,
        pictureRadioButton = 5
    };

    // A button of the kind with its caption; zero-width bounds take the caption's best
    // size.
    Button(Dialog& dialog, int32_t itemID, const char* text, const ADMRect& bounds, Kind kind);
    // A button of any item type, without caption.
    Button(Dialog& dialog, int32_t itemID, const ADMRect& bounds, const char* typeName,
           int32_t options);

    // A click also sends "select" (argument: the notifier).
    void Notify(ADMNotifierRef notifier) override;
};

}  // namespace brivo::ADM
