#include "host/color/color_service.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

#include "pluginapi/colorspace_suite.h"
#include "pluginapi/filter_record.h"

namespace brivo::host {

namespace {

// Largest colour difference (CIE76 delta E) that 8-bit rounding alone produces; a colour
// that comes back further off than this was clipped.
constexpr double clipTolerance = 2.0;

struct ProfileCloser {
    void operator()(void* profile) const noexcept { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

struct TransformDeleter {
    void operator()(void* transform) const noexcept { cmsDeleteTransform(transform); }
};
using Transform = std::unique_ptr<void, TransformDeleter>;

// One device colour space with 8-bit components, linked both ways to PCS XYZ.
class DeviceSpace {
  public:
    // Nothing when the profile cannot be linked in both directions.
    static std::optional<DeviceSpace> link(cmsHPROFILE device, cmsUInt32Number format) {
        const Profile xyz(cmsCreateXYZProfile());
        if (!xyz || !device) return std::nullopt;
        Transform in(cmsCreateTransform(device, format, xyz.get(), TYPE_XYZ_DBL,
                                        INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE));
        Transform out(cmsCreateTransform(xyz.get(), TYPE_XYZ_DBL, device, format,
                                         INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE));
        if (!in || !out) return std::nullopt;
        return DeviceSpace(std::move(in), std::move(out));
    }

    // As link, for the built-in profiles, which must link.
    static DeviceSpace builtIn(const Profile& device, cmsUInt32Number format, const char* what) {
        std::optional<DeviceSpace> space = link(device.get(), format);
        if (!space)
            throw std::runtime_error(std::string("cannot set up the ") + what +
                                     " colour conversion");
        return std::move(*space);
    }

    cmsCIEXYZ toXyz(const Components& components) const {
        cmsCIEXYZ xyz{};
        cmsDoTransform(toXyz_.get(), components.data(), &xyz, 1);
        return xyz;
    }

    // Writes only the space's own components; the rest stay 0.
    Components fromXyz(const cmsCIEXYZ& xyz) const {
        Components components{};
        cmsDoTransform(fromXyz_.get(), &xyz, components.data(), 1);
        return components;
    }

  private:
    DeviceSpace(Transform in, Transform out) : toXyz_(std::move(in)), fromXyz_(std::move(out)) {}

    Transform toXyz_;
    Transform fromXyz_;
};

Profile srgbProfile() {
    return Profile(cmsCreate_sRGBProfile());
}

// A D50 grey whose tone curve is sRGB's, so a neutral keeps its 8-bit value between the
// default RGB and the default grey.
Profile defaultGrayProfile() {
    const cmsFloat64Number srgbCurve[] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    if (!curve) return nullptr;
    Profile gray(cmsCreateGrayProfile(cmsD50_xyY(), curve));
    cmsFreeToneCurve(curve);
    return gray;
}

uint16_t encodeComponent(double value, double white) {
    const double scaled = std::round(value / white * 32768.0);
    if (!(scaled > 0.0)) return 0;  // also NaN
    return static_cast<uint16_t>(std::min(scaled, 65535.0));
}

Xyz16 encode(const cmsCIEXYZ& xyz) {
    const cmsCIEXYZ& white = *cmsD50_XYZ();
    return {encodeComponent(xyz.X, white.X), encodeComponent(xyz.Y, white.Y),
            encodeComponent(xyz.Z, white.Z)};
}

cmsCIEXYZ decode(const Xyz16& xyz) {
    const cmsCIEXYZ& white = *cmsD50_XYZ();
    return {xyz[0] / 32768.0 * white.X, xyz[1] / 32768.0 * white.Y, xyz[2] / 32768.0 * white.Z};
}

bool reproduces(const cmsCIEXYZ& wanted, const cmsCIEXYZ& got, bool lightnessOnly) {
    cmsCIELab a;
    cmsCIELab b;
    cmsXYZ2Lab(cmsD50_XYZ(), &a, &wanted);
    cmsXYZ2Lab(cmsD50_XYZ(), &b, &got);
    if (lightnessOnly) a.a = a.b = b.a = b.b = 0.0;
    return cmsDeltaE(&a, &b) <= clipTolerance;
}

// Between the host's CMYK (255 = no ink) and ICC profiles' ink amounts (0 = no ink).
Components flipInk(Components cmyk) {
    for (uint8_t& component : cmyk) component = static_cast<uint8_t>(255 - component);
    return cmyk;
}

// Profile-less CMYK (255 = no ink) from RGB: the complement as ink, no black ink.
Components inkFromRgb(const Components& rgb) {
    return {rgb[0], rgb[1], rgb[2], 255};
}

// Its inverse, which also takes black ink: each colour ink darkens with K.
Components rgbFromInk(const Components& cmyk) {
    Components rgb{};
    for (int i = 0; i < 3; ++i) rgb[i] = static_cast<uint8_t>((cmyk[i] * cmyk[3] + 127) / 255);
    return rgb;
}

}  // namespace

class ColorService::Conversions {
  public:
    Conversions()
        : srgb_(DeviceSpace::builtIn(srgbProfile(), TYPE_RGB_8, "sRGB")),
          rgb_(DeviceSpace::builtIn(srgbProfile(), TYPE_RGB_8, "sRGB")),
          gray_(DeviceSpace::builtIn(defaultGrayProfile(), TYPE_GRAY_8, "grey")),
          lab_(DeviceSpace::builtIn(Profile(cmsCreateLab4Profile(nullptr)), TYPE_Lab_8, "Lab")) {}

    // Takes the embedded profile for the document's own colour space when it fits.
    ProfileUse adopt(int32_t imageMode, std::span<const uint8_t> bytes) {
        if (bytes.size() > std::numeric_limits<cmsUInt32Number>::max()) return ProfileUse::corrupt;
        const Profile profile(
            cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size())));
        if (!profile) return ProfileUse::corrupt;

        cmsColorSpaceSignature expected;
        cmsUInt32Number format;
        switch (imageMode) {
            case plugInModeGrayScale:
                expected = cmsSigGrayData;
                format = TYPE_GRAY_8;
                break;
            case plugInModeRGBColor:
                expected = cmsSigRgbData;
                format = TYPE_RGB_8;
                break;
            case plugInModeCMYKColor:
                expected = cmsSigCmykData;
                format = TYPE_CMYK_8;
                break;
            default:
                return ProfileUse::mismatched;
        }
        if (cmsGetColorSpace(profile.get()) != expected) return ProfileUse::mismatched;

        std::optional<DeviceSpace> space = DeviceSpace::link(profile.get(), format);
        if (!space) return ProfileUse::corrupt;
        switch (imageMode) {
            case plugInModeGrayScale:
                gray_ = std::move(*space);
                break;
            case plugInModeRGBColor:
                rgb_ = std::move(*space);
                break;
            default:
                cmyk_ = std::move(*space);
                break;
        }
        return ProfileUse::embedded;
    }

    cmsCIEXYZ toXyz(int16_t space, const Components& components) const {
        switch (space) {
            case plugIncolorServicesRGBSpace:
                return rgb_.toXyz(components);
            case plugIncolorServicesCMYKSpace:
                return cmyk_ ? cmyk_->toXyz(flipInk(components))
                             : srgb_.toXyz(rgbFromInk(components));
            case plugIncolorServicesLabSpace:
                return lab_.toXyz(components);
            case plugIncolorServicesGraySpace:
                return gray_.toXyz(components);
            default:
                throw std::invalid_argument("colour space " + std::to_string(space) +
                                            " is not served");
        }
    }

    Components fromXyz(int16_t space, const cmsCIEXYZ& xyz) const {
        switch (space) {
            case plugIncolorServicesRGBSpace:
                return rgb_.fromXyz(xyz);
            case plugIncolorServicesCMYKSpace:
                return cmyk_ ? flipInk(cmyk_->fromXyz(xyz)) : inkFromRgb(srgb_.fromXyz(xyz));
            case plugIncolorServicesLabSpace:
                return lab_.fromXyz(xyz);
            case plugIncolorServicesGraySpace:
                return gray_.fromXyz(xyz);
            default:
                throw std::invalid_argument("colour space " + std::to_string(space) +
                                            " is not served");
        }
    }

  private:
    DeviceSpace srgb_;  // under profile-less CMYK
    DeviceSpace rgb_;
    DeviceSpace gray_;
    DeviceSpace lab_;
    std::optional<DeviceSpace> cmyk_;
};

ColorService::ColorService(int32_t imageMode, std::span<const uint8_t> iccProfile)
    : imageMode_(imageMode), conversions_(std::make_unique<Conversions>()) {
    if (!iccProfile.empty()) profileUse_ = conversions_->adopt(imageMode, iccProfile);
}

ColorService::~ColorService() = default;
ColorService::ColorService(ColorService&&) noexcept = default;
ColorService& ColorService::operator=(ColorService&&) noexcept = default;

Xyz16 ColorService::toXyz(int16_t space, const Components& components) const {
    return encode(conversions_->toXyz(space, components));
}

ColorService::Extracted ColorService::fromXyz(int16_t space, const Xyz16& xyz) const {
    const cmsCIEXYZ wanted = decode(xyz);
    Extracted result;
    result.components = conversions_->fromXyz(space, wanted);
    result.clipped = !reproduces(wanted, conversions_->toXyz(space, result.components),
                                 space == plugIncolorServicesGraySpace);
    return result;
}

}  // namespace brivo::host
