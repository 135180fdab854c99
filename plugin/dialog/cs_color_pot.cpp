#include "dialog/cs_color_pot.h"

#include <cstring>

#include "core/suite_holder.h"
#include "dialog/adm/adm_suites.h"
#include "zstring_suite.h"

namespace brivo {

namespace {

constexpr char kPickerPrompt[] = "Select light color";

// A colour of the host's colour service, freed on every path.
class ScopedColor {
  public:
    explicit ScopedColor(const PSColorSpaceSuite1& suite) : suite_(suite) {
        checkSuiteStatus(suite_.Make(&id_));
    }
    ~ScopedColor() { suite_.Delete(&id_); }
    ScopedColor(const ScopedColor&) = delete;
    ScopedColor& operator=(const ScopedColor&) = delete;

    ColorID id() const { return id_; }

  private:
    const PSColorSpaceSuite1& suite_;
    ColorID id_ = nullptr;
};

// A host text, freed on every path.
class ScopedText {
  public:
    ScopedText(const ASZStringSuite1& suite, const char* text) : suite_(suite) {
        checkSuiteStatus(suite_.MakeFromCString(text, std::strlen(text), &text_));
    }
    ~ScopedText() { suite_.Release(text_); }
    ScopedText(const ScopedText&) = delete;
    ScopedText& operator=(const ScopedText&) = delete;

    ASZString get() const { return text_; }

  private:
    const ASZStringSuite1& suite_;
    ASZString text_ = nullptr;
};

using ColorSuite = SuiteHolder<PSColorSpaceSuite1>;

ColorSuite acquireColorSuite() {
    return ColorSuite(ADMSuites::get().basicSuite, kPSColorSpaceSuite, kPSColorSpaceSuiteVersion1);
}

// The swatch colour of a colour: its RGB bytes widened to 16 bits (255 becomes 65535).
ADMRGBColor swatchColor(const PSColorSpaceSuite1& suite, const ScopedColor& color) {
    uint8_t r = 0, g = 0, b = 0, unused = 0;
    checkSuiteStatus(suite.ExtractComponents(color.id(), plugIncolorServicesRGBSpace, &r, &g, &b,
                                             &unused, nullptr));
    return ADMRGBColor{static_cast<uint16_t>(r * 257), static_cast<uint16_t>(g * 257),
                       static_cast<uint16_t>(b * 257)};
}

}  // namespace

CS_ColorPot::CS_ColorPot(ADM::Dialog& dialog, int32_t itemID, const ADMRect& bounds)
    : ADM::ColorPot(dialog, itemID, bounds) {}

void CS_ColorPot::SetXYZ(const CS_XYZ& xyz) {
    const ColorSuite colors = acquireColorSuite();
    const ScopedColor color(colors.get());
    checkSuiteStatus(colors->StuffXYZ(color.id(), xyz));
    const ADMRGBColor shown = swatchColor(colors.get(), color);
    xyz_ = xyz;
    SetColor(shown);
}

bool CS_ColorPot::ChooseColor(const ADMRGBColor&) {
    const ColorSuite colors = acquireColorSuite();
    const SuiteHolder<ASZStringSuite1> texts(ADMSuites::get().basicSuite, kASZStringSuite,
                                             kASZStringSuiteVersion1);
    const ScopedText prompt(texts.get(), kPickerPrompt);
    const ScopedColor color(colors.get());
    checkSuiteStatus(colors->StuffXYZ(color.id(), xyz_));
    if (colors->PickColor(color.id(), prompt.get()) != kSPNoError) return false;
    CS_XYZ picked{};
    checkSuiteStatus(colors->ExtractXYZ(color.id(), &picked));
    const ADMRGBColor shown = swatchColor(colors.get(), color);
    xyz_ = picked;
    SetColor(shown);
    return true;
}

}  // namespace brivo
