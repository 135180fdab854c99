#include "host/color/color_service.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/color/color_argument.h"
#include "host/color/colorspace_suite.h"
#include "host/runtime/call_binding.h"
#include "pluginapi/filter_record.h"

namespace brivo::host {
namespace {

constexpr int16_t rgbSpace = plugIncolorServicesRGBSpace;
constexpr int16_t cmykSpace = plugIncolorServicesCMYKSpace;
constexpr int16_t labSpace = plugIncolorServicesLabSpace;
constexpr int16_t graySpace = plugIncolorServicesGraySpace;

constexpr Xyz16 white{32768, 32768, 32768};
constexpr Xyz16 black{0, 0, 0};

void expectNear(const Components& actual, const Components& expected, int tolerance) {
    for (size_t i = 0; i < actual.size(); ++i)
        EXPECT_LE(std::abs(actual[i] - expected[i]), tolerance)
            << "component " << i << ": " << int(actual[i]) << " vs " << int(expected[i]);
}

void expectNear(const Xyz16& actual, const Xyz16& expected, int tolerance) {
    for (size_t i = 0; i < actual.size(); ++i)
        EXPECT_LE(std::abs(actual[i] - expected[i]), tolerance)
            << "component " << i << ": " << actual[i] << " vs " << expected[i];
}

std::vector<uint8_t> saveProfile(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    EXPECT_TRUE(cmsSaveProfileToMem(profile, nullptr, &size));
    std::vector<uint8_t> bytes(size);
    EXPECT_TRUE(cmsSaveProfileToMem(profile, bytes.data(), &size));
    cmsCloseProfile(profile);
    return bytes;
}

// RGB with sRGB's primaries and white but no tone curve: mid-grey sits far lower.
std::vector<uint8_t> linearRgbProfile() {
    const cmsCIExyY d65{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
    cmsToneCurve* curves[3] = {linear, linear, linear};
    cmsHPROFILE profile = cmsCreateRGBProfile(&d65, &primaries, curves);
    cmsFreeToneCurve(linear);
    return saveProfile(profile);
}

std::vector<uint8_t> linearGrayProfile() {
    cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
    cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), linear);
    cmsFreeToneCurve(linear);
    return saveProfile(profile);
}

// A CMYK output profile (ICC ink amounts, 0 = no ink) modelled on sRGB with plain
// complementary inks and no black generation.
class InkModel {
  public:
    InkModel()
        : srgb_(cmsCreate_sRGBProfile()),
          lab_(cmsCreateLab4Profile(nullptr)),
          toLab_(cmsCreateTransform(srgb_, TYPE_RGB_DBL, lab_, TYPE_Lab_DBL,
                                    INTENT_RELATIVE_COLORIMETRIC, 0)),
          toRgb_(cmsCreateTransform(lab_, TYPE_Lab_DBL, srgb_, TYPE_RGB_DBL,
                                    INTENT_RELATIVE_COLORIMETRIC, 0)) {}
    ~InkModel() {
        cmsDeleteTransform(toLab_);
        cmsDeleteTransform(toRgb_);
        cmsCloseProfile(srgb_);
        cmsCloseProfile(lab_);
    }

    std::vector<uint8_t> profile() {
        cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
        cmsSetProfileVersion(profile, 4.3);
        cmsSetDeviceClass(profile, cmsSigOutputClass);
        cmsSetColorSpace(profile, cmsSigCmykData);
        cmsSetPCS(profile, cmsSigLabData);
        cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
        writeTable(profile, cmsSigAToB0Tag, 4, 3, 9, &inkToLab);
        writeTable(profile, cmsSigBToA0Tag, 3, 4, 33, &labToInk);
        return saveProfile(profile);
    }

  private:
    void writeTable(cmsHPROFILE profile, cmsTagSignature tag, unsigned in, unsigned out,
                    unsigned grid, cmsSAMPLER16 sampler) {
        cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, in, out);
        cmsStage* table = cmsStageAllocCLut16bit(nullptr, grid, in, out, nullptr);
        ASSERT_TRUE(cmsStageSampleCLut16bit(table, sampler, this, 0));
        // The saved form wants curves on either side of the table; identities here.
        cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, in, nullptr));
        cmsPipelineInsertStage(pipeline, cmsAT_END, table);
        cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, out, nullptr));
        ASSERT_TRUE(cmsWriteTag(profile, tag, pipeline));
        cmsPipelineFree(pipeline);
    }

    static int inkToLab(const cmsUInt16Number in[], cmsUInt16Number out[], void* self) {
        const double k = 1.0 - in[3] / 65535.0;
        const double rgb[3] = {(1.0 - in[0] / 65535.0) * k, (1.0 - in[1] / 65535.0) * k,
                               (1.0 - in[2] / 65535.0) * k};
        cmsCIELab lab;
        cmsDoTransform(static_cast<InkModel*>(self)->toLab_, rgb, &lab, 1);
        cmsFloat2LabEncoded(out, &lab);
        return 1;
    }

    static int labToInk(const cmsUInt16Number in[], cmsUInt16Number out[], void* self) {
        cmsCIELab lab;
        cmsLabEncoded2Float(&lab, in);
        double rgb[3];
        cmsDoTransform(static_cast<InkModel*>(self)->toRgb_, &lab, rgb, 1);
        for (int i = 0; i < 3; ++i)
            out[i] =
                static_cast<cmsUInt16Number>((1.0 - std::clamp(rgb[i], 0.0, 1.0)) * 65535.0 + 0.5);
        out[3] = 0;
        return 1;
    }

    cmsHPROFILE srgb_;
    cmsHPROFILE lab_;
    cmsHTRANSFORM toLab_;
    cmsHTRANSFORM toRgb_;
};

// --- conversions with the built-in profiles ---------------------------------------------

TEST(ColorServiceTest, WhiteIsFullInEverySpace) {
    const ColorService service(plugInModeRGBColor, {});
    EXPECT_EQ(service.profileUse(), ColorService::ProfileUse::none);

    const auto rgb = service.fromXyz(rgbSpace, white);
    expectNear(rgb.components, {255, 255, 255, 0}, 1);
    EXPECT_FALSE(rgb.clipped);
    const auto cmyk = service.fromXyz(cmykSpace, white);
    EXPECT_EQ(cmyk.components, (Components{255, 255, 255, 255}));
    EXPECT_FALSE(cmyk.clipped);
    expectNear(service.fromXyz(labSpace, white).components, {255, 128, 128, 0}, 1);
    EXPECT_EQ(service.fromXyz(graySpace, white).components, (Components{255, 0, 0, 0}));

    expectNear(service.toXyz(rgbSpace, {255, 255, 255, 0}), white, 2);
    expectNear(service.toXyz(cmykSpace, {255, 255, 255, 255}), white, 2);
    expectNear(service.toXyz(graySpace, {255, 0, 0, 0}), white, 2);
}

TEST(ColorServiceTest, BlackIsFullColourInkWithoutBlackInk) {
    const ColorService service(plugInModeCMYKColor, {});
    EXPECT_EQ(service.fromXyz(rgbSpace, black).components, (Components{0, 0, 0, 0}));
    EXPECT_EQ(service.fromXyz(cmykSpace, black).components, (Components{0, 0, 0, 255}));
    EXPECT_EQ(service.fromXyz(labSpace, black).components, (Components{0, 128, 128, 0}));
    EXPECT_EQ(service.fromXyz(graySpace, black).components, (Components{0, 0, 0, 0}));
    EXPECT_EQ(service.toXyz(cmykSpace, {0, 0, 0, 255}), black);
    // Black ink alone is black too.
    EXPECT_EQ(service.toXyz(cmykSpace, {255, 255, 255, 0}), black);
}

TEST(ColorServiceTest, RgbRoundTripsThroughXyz) {
    const ColorService service(plugInModeRGBColor, {});
    const Components colours[] = {{255, 0, 0, 0},     {0, 255, 0, 0},   {0, 0, 255, 0},
                                  {0, 255, 255, 0},   {255, 0, 255, 0}, {255, 255, 0, 0},
                                  {128, 128, 128, 0}, {1, 2, 3, 0},     {200, 37, 90, 0}};
    for (const Components& colour : colours) {
        const auto back = service.fromXyz(rgbSpace, service.toXyz(rgbSpace, colour));
        expectNear(back.components, colour, 1);
        EXPECT_FALSE(back.clipped);
    }
}

TEST(ColorServiceTest, ProfileFreeCmykIsTheRgbComplementAndReversible) {
    const ColorService service(plugInModeCMYKColor, {});
    for (const Components colour : {Components{255, 0, 0, 0}, Components{30, 160, 220, 0}}) {
        const Xyz16 xyz = service.toXyz(rgbSpace, colour);
        const auto cmyk = service.fromXyz(cmykSpace, xyz);
        EXPECT_EQ(cmyk.components, (Components{colour[0], colour[1], colour[2], 255}));
        EXPECT_EQ(service.toXyz(cmykSpace, cmyk.components), xyz);
    }
    // Black ink darkens each colour ink: half black over no colour ink is RGB 128.
    expectNear(service.toXyz(cmykSpace, {255, 255, 255, 128}),
               service.toXyz(rgbSpace, {128, 128, 128, 0}), 2);
}

TEST(ColorServiceTest, GrayTakesLightnessAndIgnoresChroma) {
    const ColorService service(plugInModeGrayScale, {});
    const auto neutral = service.fromXyz(graySpace, service.toXyz(rgbSpace, {128, 128, 128, 0}));
    expectNear(neutral.components, {128, 0, 0, 0}, 1);
    const auto red = service.fromXyz(graySpace, service.toXyz(rgbSpace, {255, 0, 0, 0}));
    EXPECT_FALSE(red.clipped);
    EXPECT_GT(red.components[0], 100);
    EXPECT_LT(red.components[0], 160);
}

TEST(ColorServiceTest, ColoursOutsideASpaceAreClippedAndFlagged) {
    const ColorService service(plugInModeRGBColor, {});
    const Xyz16 brighterThanWhite{65535, 65535, 65535};
    const auto rgb = service.fromXyz(rgbSpace, brighterThanWhite);
    EXPECT_EQ(rgb.components, (Components{255, 255, 255, 0}));
    EXPECT_TRUE(rgb.clipped);
    EXPECT_TRUE(service.fromXyz(cmykSpace, brighterThanWhite).clipped);
    EXPECT_TRUE(service.fromXyz(graySpace, brighterThanWhite).clipped);
    // Pure X lies outside sRGB but within Lab's range.
    EXPECT_TRUE(service.fromXyz(rgbSpace, {20000, 0, 0}).clipped);
    EXPECT_FALSE(service.fromXyz(labSpace, service.toXyz(rgbSpace, {0, 0, 255, 0})).clipped);
}

TEST(ColorServiceTest, UnservedSpacesAreRefused) {
    const ColorService service(plugInModeRGBColor, {});
    for (int16_t space : {int16_t(plugIncolorServicesHSBSpace), int16_t(-1), int16_t(5)}) {
        EXPECT_THROW(service.toXyz(space, {}), std::invalid_argument);
        EXPECT_THROW(service.fromXyz(space, white), std::invalid_argument);
    }
}

// --- embedded profiles -----------------------------------------------------------------

TEST(ColorServiceProfileTest, EmbeddedRgbProfileReplacesSrgb) {
    const std::vector<uint8_t> profile = linearRgbProfile();
    const ColorService linear(plugInModeRGBColor, profile);
    const ColorService srgb(plugInModeRGBColor, {});
    EXPECT_EQ(linear.profileUse(), ColorService::ProfileUse::embedded);

    // sRGB 128 is 21.6 % linear light, 55 of 255 without a tone curve.
    const Xyz16 midGrey = srgb.toXyz(rgbSpace, {128, 128, 128, 0});
    expectNear(linear.fromXyz(rgbSpace, midGrey).components, {55, 55, 55, 0}, 1);
    expectNear(linear.fromXyz(rgbSpace, white).components, {255, 255, 255, 0}, 1);
    // The document's profile serves RGB only; CMYK stays on sRGB.
    EXPECT_EQ(linear.fromXyz(cmykSpace, midGrey).components,
              srgb.fromXyz(cmykSpace, midGrey).components);
}

TEST(ColorServiceProfileTest, EmbeddedGrayProfileReplacesTheDefaultGray) {
    const ColorService linear(plugInModeGrayScale, linearGrayProfile());
    EXPECT_EQ(linear.profileUse(), ColorService::ProfileUse::embedded);
    const Xyz16 midGrey = linear.toXyz(rgbSpace, {128, 128, 128, 0});
    expectNear(linear.fromXyz(graySpace, midGrey).components, {55, 0, 0, 0}, 1);
}

TEST(ColorServiceProfileTest, EmbeddedCmykProfileKeepsTheHostsInkConvention) {
    InkModel model;
    const ColorService withProfile(plugInModeCMYKColor, model.profile());
    const ColorService without(plugInModeCMYKColor, {});
    ASSERT_EQ(withProfile.profileUse(), ColorService::ProfileUse::embedded);

    expectNear(withProfile.fromXyz(cmykSpace, white).components, {255, 255, 255, 255}, 2);
    expectNear(withProfile.fromXyz(cmykSpace, black).components, {0, 0, 0, 255}, 3);
    for (const Components colour : {Components{200, 60, 120, 255}, Components{90, 180, 40, 255}}) {
        const Xyz16 xyz = without.toXyz(cmykSpace, colour);
        expectNear(withProfile.fromXyz(cmykSpace, xyz).components, colour, 3);
        expectNear(withProfile.toXyz(cmykSpace, colour), xyz, 100);  // a coarse table
    }
}

TEST(ColorServiceProfileTest, ProfileOfAnotherColourSpaceIsIgnored) {
    const std::vector<uint8_t> rgbProfile = linearRgbProfile();
    const ColorService srgb(plugInModeCMYKColor, {});
    for (int32_t mode : {plugInModeGrayScale, plugInModeCMYKColor, plugInModeLabColor}) {
        const ColorService service(mode, rgbProfile);
        EXPECT_EQ(service.profileUse(), ColorService::ProfileUse::mismatched) << "mode " << mode;
        EXPECT_EQ(service.toXyz(rgbSpace, {128, 128, 128, 0}),
                  srgb.toXyz(rgbSpace, {128, 128, 128, 0}));
    }
}

TEST(ColorServiceProfileTest, CorruptProfileFallsBackToSrgb) {
    const std::vector<uint8_t> good = linearRgbProfile();
    std::vector<uint8_t> truncated(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
    std::vector<uint8_t> garbage(good.size(), 0xA5);
    std::vector<uint8_t> damagedHeader = good;
    damagedHeader[36] ^= 0xFF;  // the 'acsp' signature
    const ColorService srgb(plugInModeRGBColor, {});
    for (const auto& bytes : {truncated, garbage, damagedHeader, std::vector<uint8_t>{1}}) {
        const ColorService service(plugInModeRGBColor, bytes);
        EXPECT_EQ(service.profileUse(), ColorService::ProfileUse::corrupt);
        EXPECT_EQ(service.fromXyz(rgbSpace, {9000, 9000, 9000}).components,
                  srgb.fromXyz(rgbSpace, {9000, 9000, 9000}).components);
    }
}

// --- the command line's colour ---------------------------------------------------------

TEST(ColorArgumentTest, ParsesSixHexDigitsAsSrgb) {
    const ColorService srgb(plugInModeRGBColor, {});
    expectNear(xyzFromSrgbHex("#FFFFFF"), white, 2);
    EXPECT_EQ(xyzFromSrgbHex("000000"), black);
    EXPECT_EQ(xyzFromSrgbHex("#ff8000"), srgb.toXyz(rgbSpace, {255, 128, 0, 0}));
    EXPECT_EQ(xyzFromSrgbHex("1a2B3c"), srgb.toXyz(rgbSpace, {0x1A, 0x2B, 0x3C, 0}));
}

TEST(ColorArgumentTest, RejectsAnythingElse) {
    for (const char* text : {"", "#", "#FFF", "FFFFF", "#FFFFFFF", "##FFFFFF", " #FFFFFF",
                             "#FFFFFF ", "#GG0000", "0x1234", "#FF FF F", "+FFFFF", "#-FFFFF"}) {
        EXPECT_THROW(xyzFromSrgbHex(text), std::invalid_argument) << '"' << text << '"';
    }
    try {
        xyzFromSrgbHex("red");
        FAIL();
    } catch (const std::invalid_argument& error) {
        EXPECT_NE(std::string(error.what()).find("'red'"), std::string::npos);
    }
}

// --- the suite's functions -------------------------------------------------------------

class ColorSpaceSuiteTest : public ::testing::Test {
  protected:
    ColorSpaceSuite suite{ColorService(plugInModeRGBColor, {})};
    const PSColorSpaceSuite1& fns = *suite.table();
};

TEST_F(ColorSpaceSuiteTest, CountsLiveColoursAndRefusesStaleOnes) {
    CallBinding<ColorSpaceSuite> binding(suite);
    ColorID first = nullptr;
    ColorID second = nullptr;
    ASSERT_EQ(fns.Make(&first), kSPNoError);
    ASSERT_EQ(fns.Make(&second), kSPNoError);
    EXPECT_NE(first, second);
    EXPECT_EQ(suite.liveColors(), 2);

    ColorID stale = first;
    EXPECT_EQ(fns.Delete(&first), kSPNoError);
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(suite.liveColors(), 1);
    EXPECT_EQ(fns.Delete(&stale), kSPBadParameterError);
    EXPECT_NE(stale, nullptr);  // a refused Delete leaves the caller's id alone
    EXPECT_EQ(fns.StuffXYZ(stale, CS_XYZ{1, 2, 3}), kSPBadParameterError);
    EXPECT_EQ(fns.Delete(&first), kSPBadParameterError);  // null
    EXPECT_EQ(fns.Delete(nullptr), kSPBadParameterError);
    EXPECT_EQ(fns.Make(nullptr), kSPBadParameterError);
    EXPECT_EQ(fns.Delete(&second), kSPNoError);
    EXPECT_EQ(suite.liveColors(), 0);
}

TEST_F(ColorSpaceSuiteTest, FailsOutsideABinding) {
    ColorID id = reinterpret_cast<ColorID>(&suite);
    EXPECT_EQ(fns.Make(&id), kSPBadParameterError);
    EXPECT_EQ(id, nullptr);
    EXPECT_EQ(suite.liveColors(), 0);
}

TEST_F(ColorSpaceSuiteTest, ConvertsTheColourItHolds) {
    CallBinding<ColorSpaceSuite> binding(suite);
    ColorID id = nullptr;
    ASSERT_EQ(fns.Make(&id), kSPNoError);

    CS_XYZ xyz{1, 1, 1};
    ASSERT_EQ(fns.ExtractXYZ(id, &xyz), kSPNoError);  // made black
    EXPECT_EQ(xyz.x + xyz.y + xyz.z, 0);

    ASSERT_EQ(fns.StuffXYZ(id, CS_XYZ{32768, 32768, 32768}), kSPNoError);
    uint8_t c[4] = {9, 9, 9, 9};
    uint8_t gamut = 9;
    ASSERT_EQ(fns.ExtractComponents(id, cmykSpace, &c[0], &c[1], &c[2], &c[3], &gamut), kSPNoError);
    EXPECT_EQ(Components({c[0], c[1], c[2], c[3]}), (Components{255, 255, 255, 255}));
    EXPECT_EQ(gamut, 0);
    ASSERT_EQ(fns.ExtractComponents(id, rgbSpace, &c[0], &c[1], &c[2], &c[3], nullptr), kSPNoError);
    EXPECT_EQ(c[3], 0);

    ASSERT_EQ(fns.StuffComponents(id, rgbSpace, 255, 0, 0, 0), kSPNoError);
    ASSERT_EQ(fns.ExtractXYZ(id, &xyz), kSPNoError);
    EXPECT_EQ((Xyz16{xyz.x, xyz.y, xyz.z}), suite.service().toXyz(rgbSpace, {255, 0, 0, 0}));

    ASSERT_EQ(fns.StuffXYZ(id, CS_XYZ{65535, 65535, 65535}), kSPNoError);
    ASSERT_EQ(fns.ExtractComponents(id, rgbSpace, &c[0], &c[1], &c[2], &c[3], &gamut), kSPNoError);
    EXPECT_EQ(gamut, 1);

    EXPECT_EQ(fns.Delete(&id), kSPNoError);
}

TEST_F(ColorSpaceSuiteTest, RefusesBadArgumentsWithoutTouchingTheColour) {
    CallBinding<ColorSpaceSuite> binding(suite);
    ColorID id = nullptr;
    ASSERT_EQ(fns.Make(&id), kSPNoError);
    ASSERT_EQ(fns.StuffXYZ(id, CS_XYZ{100, 200, 300}), kSPNoError);

    uint8_t c[4];
    EXPECT_EQ(fns.StuffComponents(id, plugIncolorServicesHSBSpace, 1, 2, 3, 4),
              kSPBadParameterError);
    EXPECT_EQ(fns.ExtractComponents(id, 42, &c[0], &c[1], &c[2], &c[3], nullptr),
              kSPBadParameterError);
    EXPECT_EQ(fns.ExtractComponents(id, rgbSpace, &c[0], nullptr, &c[2], &c[3], nullptr),
              kSPBadParameterError);
    EXPECT_EQ(fns.ExtractXYZ(id, nullptr), kSPBadParameterError);
    EXPECT_EQ(fns.StuffXYZ(nullptr, CS_XYZ{}), kSPBadParameterError);

    CS_XYZ xyz{};
    ASSERT_EQ(fns.ExtractXYZ(id, &xyz), kSPNoError);
    EXPECT_EQ((Xyz16{xyz.x, xyz.y, xyz.z}), (Xyz16{100, 200, 300}));
    EXPECT_EQ(fns.Delete(&id), kSPNoError);
}

TEST_F(ColorSpaceSuiteTest, PickColorCancelsUntilAPickerIsInstalled) {
    CallBinding<ColorSpaceSuite> binding(suite);
    ColorID id = nullptr;
    ASSERT_EQ(fns.Make(&id), kSPNoError);
    ASSERT_EQ(fns.StuffXYZ(id, CS_XYZ{10, 20, 30}), kSPNoError);
    CS_XYZ xyz{};

    EXPECT_EQ(fns.PickColor(id, nullptr), userCanceledErr);

    suite.setPicker([](Xyz16& picked, const void*) {
        picked = {1, 2, 3};  // a cancelling picker's changes must not stick
        return false;
    });
    EXPECT_EQ(fns.PickColor(id, nullptr), userCanceledErr);
    ASSERT_EQ(fns.ExtractXYZ(id, &xyz), kSPNoError);
    EXPECT_EQ((Xyz16{xyz.x, xyz.y, xyz.z}), (Xyz16{10, 20, 30}));

    suite.setPicker([](Xyz16&, const void*) -> bool { throw std::runtime_error("picker failed"); });
    EXPECT_EQ(fns.PickColor(id, nullptr), kSPOperationFailedError);

    const char prompt[] = "light";
    const void* seenPrompt = nullptr;
    suite.setPicker([&](Xyz16& picked, const void* p) {
        EXPECT_EQ(picked, (Xyz16{10, 20, 30}));
        seenPrompt = p;
        picked = white;
        return true;
    });
    EXPECT_EQ(fns.PickColor(id, prompt), kSPNoError);
    EXPECT_EQ(seenPrompt, prompt);
    ASSERT_EQ(fns.ExtractXYZ(id, &xyz), kSPNoError);
    EXPECT_EQ((Xyz16{xyz.x, xyz.y, xyz.z}), white);
    EXPECT_EQ(fns.Delete(&id), kSPNoError);
}

}  // namespace
}  // namespace brivo::host
