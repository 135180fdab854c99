#include "dialog/adm/label.h"

#include "adm_item_suite.h"

namespace brivo::ADM {

Label::Label(Dialog& dialog, const char* text, const ADMRect& bounds) {
    Create(dialog, 0, kADMTextStaticType, bounds, 0);
    SetText(text);
    takeBestSizeIfNoWidth(bounds);
}

}  // namespace brivo::ADM
