// The about box's picture: the splash bitmap drawn over a flat item; a click on it
// closes the box.
#pragma once

#include <memory>

#include "dialog/adm/icon.h"
#include "dialog/adm/item.h"

namespace brivo {

class SplashItem : public ADM::Item {
  public:
    // An item of the picture's size at the dialog's corner.
    SplashItem(ADM::Dialog& dialog, int32_t itemID, int32_t pictureID);

    // The picture with its corner at the item's.
    void Draw(ADMDrawerRef drawer) override;
    // A click ends the box's loop with ID 1; other notifications get the toolkit's
    // handling.
    void Notify(ADMNotifierRef notifier) override;

  private:
    std::unique_ptr<ADM::Icon> icon_;
};

}  // namespace brivo
