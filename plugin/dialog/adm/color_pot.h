// A colour swatch; clicking it chooses a new colour.
#pragma once

#include "dialog/adm/item.h"

namespace brivo::ADM {

class ColorPot : public Item {
  public:
    // White at first.
    ColorPot(Dialog& dialog, int32_t itemID, const ADMRect& bounds);

    // Stores the colour and repaints the swatch.
    void SetColor(const ADMRGBColor& color);
    const ADMRGBColor& GetColor() const { return color_; }

    // The toolkit's face, then the colour over the whole item.
    void Draw(ADMDrawerRef drawer) override;
    // A click chooses a colour; an accepted one repaints the swatch and sends "changed"
    // (argument: the pot).
    void Notify(ADMNotifierRef notifier) override;
    // Shows the toolkit's colour chooser at the swatch, seeded with `color`; true with the
    // new colour stored when the user accepts.
    virtual bool ChooseColor(const ADMRGBColor& color);

  private:
    ADMRGBColor color_{65535, 65535, 65535};
};

}  // namespace brivo::ADM
