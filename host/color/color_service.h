// The host's colour conversions for one document, between its colour spaces and the
// 16-bit XYZ encoding that carries colours across the module boundary.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

namespace brivo::host {

// Colours as three 16-bit components X, Y, Z, each relative to the same component of the
// D50 reference white (X 0.9642, Y 1.0, Z 0.8249): 32768 stands for the white's component,
// so (32768, 32768, 32768) is the D50 white and (0, 0, 0) black. Values above 32768 are
// brighter than white, up to just under twice its components.
using Xyz16 = std::array<uint16_t, 3>;

// Four 8-bit components of one colour space; components a space does not use are 0.
using Components = std::array<uint8_t, 4>;

// Component layouts, by the colour-space numbers of the colour suite:
// - 0 RGB: R, G, B; the document's embedded RGB profile, else sRGB.
// - 2 CMYK: C, M, Y, K as the host's CMYK pixels are, 255 = no ink, so white is
//   (255, 255, 255, 255). With the document's embedded CMYK profile when it has one.
//   Without one the conversion goes through sRGB and is exactly reversible: a colour
//   becomes C = R, M = G, Y = B with no black ink (K = 255), so black is (0, 0, 0, 255),
//   full cyan, magenta and yellow ink; from components, R = C * K / 255 (likewise G, B).
// - 3 Lab: L 0..255 for 0..100, a + 128, b + 128 (D50).
// - 4 Gray: one component, 255 = white; the document's embedded grey profile, else a grey
//   with the sRGB tone curve. Chroma is dropped, not counted as clipping.
// HSB (1) and other numbers are refused.
class ColorService {
  public:
    // What became of the document's embedded ICC profile.
    enum class ProfileUse {
        none,        // the document carries no profile
        embedded,    // in use for the document's own colour space
        corrupt,     // unreadable or unusable; the defaults are used instead
        mismatched,  // a profile for another colour space than the document's; ignored
    };

    struct Extracted {
        Components components{};
        bool clipped = false;  // the components do not reproduce the colour
    };

    // imageMode is the document's (1 Gray, 3 RGB, 4 CMYK; other modes use only the
    // defaults); iccProfile may be empty. Throws std::runtime_error only when the
    // built-in conversions cannot be set up.
    ColorService(int32_t imageMode, std::span<const uint8_t> iccProfile);
    ~ColorService();
    ColorService(ColorService&&) noexcept;
    ColorService& operator=(ColorService&&) noexcept;

    // Throw std::invalid_argument for a colour space that is not served.
    Xyz16 toXyz(int16_t space, const Components& components) const;
    Extracted fromXyz(int16_t space, const Xyz16& xyz) const;

    int32_t imageMode() const noexcept { return imageMode_; }
    ProfileUse profileUse() const noexcept { return profileUse_; }

  private:
    class Conversions;

    int32_t imageMode_;
    ProfileUse profileUse_ = ProfileUse::none;
    std::unique_ptr<Conversions> conversions_;
};

}  // namespace brivo::host
