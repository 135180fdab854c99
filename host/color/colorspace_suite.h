// The colour suite: colours a module makes, fills and reads through the document's
// ColorService, and the host's colour picker.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/color/color_service.h"
#include "pluginapi/colorspace_suite.h"

namespace brivo::host {

// One conversion a module asked the suite for, as it happened.
struct ColorConversion {
    bool toXyz;     // components of space into XYZ; otherwise XYZ out to space
    int16_t space;  // plugIncolorServices...Space
    Components components;
    Xyz16 xyz;
    bool clipped;  // out to space only: the components do not reproduce the colour
};

class ColorSpaceSuite {
  public:
    // Shows a picker starting at `xyz`; returns true with `xyz` replaced on OK, false on
    // cancel. prompt is the module's ZString, possibly null.
    using Picker = std::function<bool(Xyz16& xyz, const void* prompt)>;

    explicit ColorSpaceSuite(ColorService service);
    ~ColorSpaceSuite();
    ColorSpaceSuite(const ColorSpaceSuite&) = delete;
    ColorSpaceSuite& operator=(const ColorSpaceSuite&) = delete;

    // The suite's function table; it serves the object bound with
    // CallBinding<ColorSpaceSuite> and fails every call outside a binding. Its functions
    // return kSPBadParameterError for a null pointer, a colour this suite did not make
    // (or already deleted) and a colour space it does not serve.
    const PSColorSpaceSuite1* table() const noexcept { return &table_; }

    const ColorService& service() const noexcept { return service_; }

    // There is no picker until one is installed: PickColor then answers userCanceledErr
    // and leaves the colour as it was.
    void setPicker(Picker picker) { picker_ = std::move(picker); }

    // Host-side operations behind the table's functions.
    ColorID make();
    bool remove(ColorID id);  // false for a colour this suite does not hold
    Xyz16* find(ColorID id) noexcept;
    bool pick(Xyz16& xyz, const void* prompt) const;

    // Converts and records the conversion; std::invalid_argument for a space not served.
    Xyz16 stuff(int16_t space, const Components& components);
    ColorService::Extracted extract(int16_t space, const Xyz16& xyz);
    // Every successful conversion since the suite was made, in order.
    const std::vector<ColorConversion>& conversions() const { return conversions_; }

    // Colours made and not yet deleted.
    int64_t liveColors() const { return static_cast<int64_t>(colors_.size()); }

  private:
    PSColorSpaceSuite1 table_;
    ColorService service_;
    Picker picker_;
    std::unordered_map<ColorID, std::unique_ptr<ColorSpaceColorRec>> colors_;
    std::vector<ColorConversion> conversions_;
};

// "RGB", "HSB", "CMYK", "Lab", "Gray", or the number for another space.
std::string colorSpaceName(int16_t space);

}  // namespace brivo::host
