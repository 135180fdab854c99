// A picture button showing an eyedropper.
#pragma once

#include <memory>

#include "dialog/adm/button.h"
#include "dialog/adm/icon.h"

namespace brivo {

class EyeDropper : public ADM::Button {
  public:
    EyeDropper(ADM::Dialog& dialog, int32_t itemID, const ADMRect& bounds);

    // The button face with the icon centred on it.
    void Draw(ADMDrawerRef drawer) override;
    // The toolkit's handling only; a click sends no event.
    void Notify(ADMNotifierRef notifier) override;

  private:
    std::unique_ptr<ADM::Icon> icon_;
};

}  // namespace brivo
