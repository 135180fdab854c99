// A static text; its ID is always 0.
#pragma once

#include "dialog/adm/item.h"

namespace brivo::ADM {

class Label : public Item {
  public:
    // Zero-width bounds take the text's best size.
    Label(Dialog& dialog, const char* text, const ADMRect& bounds);
};

}  // namespace brivo::ADM
