// The light's colour swatch: the colour of record is kept in the host's XYZ form, the
// swatch shows it converted to RGB, and a click opens the host's colour picker.
#pragma once

#include "colorspace_suite.h"
#include "dialog/adm/color_pot.h"

namespace brivo {

class CS_ColorPot : public ADM::ColorPot {
  public:
    CS_ColorPot(ADM::Dialog& dialog, int32_t itemID, const ADMRect& bounds);

    // Stores the colour and shows it on the swatch. Throws SuiteError when the host has
    // no colour service.
    void SetXYZ(const CS_XYZ& xyz);
    const CS_XYZ& xyz() const { return xyz_; }

    // Shows the host's picker on the colour of record; an accepted colour becomes the
    // colour of record and the swatch's (true), a cancelled pick changes nothing (false).
    // Throws SuiteError when the host has no colour service or text suite.
    bool ChooseColor(const ADMRGBColor& color) override;

  private:
    CS_XYZ xyz_{};
};

}  // namespace brivo
