#include "host/color/colorspace_suite.h"

#include <new>
#include <stdexcept>
#include <utility>

#include "host/runtime/procedure_guard.h"

// A colour the suite lends to a module: XYZ in the host's encoding.
struct ColorSpaceColorRec {
    brivo::host::Xyz16 xyz{};
};

namespace brivo::host {

namespace {

template <class Body>
SPErr serve(Body&& body) noexcept {
    return guardStatus<ColorSpaceSuite>(std::forward<Body>(body));
}

// Runs `body` on the colour behind id, when the bound suite holds it.
template <class Body>
SPErr serveColor(ColorID id, Body&& body) noexcept {
    return serve([&](ColorSpaceSuite& suite) -> SPErr {
        Xyz16* xyz = suite.find(id);
        return xyz ? body(suite, *xyz) : kSPBadParameterError;
    });
}

SPErr makeColor(ColorID* id) noexcept {
    if (!id) return kSPBadParameterError;
    *id = nullptr;
    return serve([&](ColorSpaceSuite& suite) {
        *id = suite.make();
        return kSPNoError;
    });
}

SPErr deleteColor(ColorID* id) noexcept {
    if (!id) return kSPBadParameterError;
    return serve([&](ColorSpaceSuite& suite) {
        if (!suite.remove(*id)) return kSPBadParameterError;
        *id = nullptr;
        return kSPNoError;
    });
}

SPErr stuffComponents(ColorID id, int16_t space, uint8_t c0, uint8_t c1, uint8_t c2,
                      uint8_t c3) noexcept {
    return serveColor(id, [&](ColorSpaceSuite& suite, Xyz16& xyz) {
        xyz = suite.stuff(space, {c0, c1, c2, c3});
        return kSPNoError;
    });
}

// A null gamut pointer means the caller does not want the flag.
SPErr extractComponents(ColorID id, int16_t space, uint8_t* c0, uint8_t* c1, uint8_t* c2,
                        uint8_t* c3, uint8_t* gamut) noexcept {
    if (!c0 || !c1 || !c2 || !c3) return kSPBadParameterError;
    return serveColor(id, [&](ColorSpaceSuite& suite, Xyz16& xyz) {
        const ColorService::Extracted extracted = suite.extract(space, xyz);
        *c0 = extracted.components[0];
        *c1 = extracted.components[1];
        *c2 = extracted.components[2];
        *c3 = extracted.components[3];
        if (gamut) *gamut = extracted.clipped ? 1 : 0;
        return kSPNoError;
    });
}

SPErr stuffXyz(ColorID id, CS_XYZ value) noexcept {
    return serveColor(id, [&](ColorSpaceSuite&, Xyz16& xyz) {
        xyz = {value.x, value.y, value.z};
        return kSPNoError;
    });
}

SPErr extractXyz(ColorID id, CS_XYZ* value) noexcept {
    if (!value) return kSPBadParameterError;
    return serveColor(id, [&](ColorSpaceSuite&, Xyz16& xyz) {
        *value = CS_XYZ{xyz[0], xyz[1], xyz[2]};
        return kSPNoError;
    });
}

SPErr pickColor(ColorID id, const void* prompt) noexcept {
    return serveColor(id, [&](ColorSpaceSuite& suite, Xyz16& xyz) -> SPErr {
        Xyz16 picked = xyz;
        if (!suite.pick(picked, prompt)) return userCanceledErr;
        xyz = picked;
        return kSPNoError;
    });
}

}  // namespace

ColorSpaceSuite::ColorSpaceSuite(ColorService service)
    : table_{&makeColor, &deleteColor, &stuffComponents, &extractComponents,
             &stuffXyz,  &extractXyz,  &pickColor},
      service_(std::move(service)) {}

ColorSpaceSuite::~ColorSpaceSuite() = default;

ColorID ColorSpaceSuite::make() {
    auto color = std::make_unique<ColorSpaceColorRec>();
    ColorID id = color.get();
    colors_.emplace(id, std::move(color));
    return id;
}

bool ColorSpaceSuite::remove(ColorID id) {
    return colors_.erase(id) != 0;
}

Xyz16* ColorSpaceSuite::find(ColorID id) noexcept {
    auto it = colors_.find(id);
    return it == colors_.end() ? nullptr : &it->second->xyz;
}

Xyz16 ColorSpaceSuite::stuff(int16_t space, const Components& components) {
    const Xyz16 xyz = service_.toXyz(space, components);
    conversions_.push_back({true, space, components, xyz, false});
    return xyz;
}

ColorService::Extracted ColorSpaceSuite::extract(int16_t space, const Xyz16& xyz) {
    const ColorService::Extracted extracted = service_.fromXyz(space, xyz);
    conversions_.push_back({false, space, extracted.components, xyz, extracted.clipped});
    return extracted;
}

std::string colorSpaceName(int16_t space) {
    switch (space) {
        case plugIncolorServicesRGBSpace:
            return "RGB";
        case plugIncolorServicesHSBSpace:
            return "HSB";
        case plugIncolorServicesCMYKSpace:
            return "CMYK";
        case plugIncolorServicesLabSpace:
            return "Lab";
        case plugIncolorServicesGraySpace:
            return "Gray";
        default:
            return "space " + std::to_string(space);
    }
}

bool ColorSpaceSuite::pick(Xyz16& xyz, const void* prompt) const {
    return picker_ && picker_(xyz, prompt);
}

}  // namespace brivo::host
