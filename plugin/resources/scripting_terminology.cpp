// The scripting terminology: the names and types under which a script writer sees the
// filter's event, its parameters and their enumerations.
#include "resources/resource_builder.h"
#include "shell/parameter_table.h"

namespace brivo::resources {

namespace {

constexpr uint32_t kTypeDouble = BRIVO_FOURCC('d', 'o', 'u', 'b');
constexpr uint32_t kTypeLong = BRIVO_FOURCC('l', 'o', 'n', 'g');
constexpr uint32_t kTypeBool = BRIVO_FOURCC('b', 'o', 'o', 'l');
constexpr uint32_t kTypeText = BRIVO_FOURCC('T', 'E', 'X', 'T');
constexpr uint16_t kEnumeratedFlags = 0x2000;

struct TermParameter {
    std::string_view name;
    uint32_t key;
    uint32_t type;
    std::string_view description;
    uint16_t flags;
};

constexpr TermParameter kParameters[] = {
    {"KRX light blend mode", kKeyLightBlendMode, kLightBlendModes.type, "", kEnumeratedFlags},
    {"KRX light image source", kKeyLightSource, kLightSources.type, "", kEnumeratedFlags},
    {"KRX light brightness", kKeyLightBrightness, kTypeDouble, "", 0},
    {"KRX light displacement", kKeyLightDisplacement, kTypeDouble, "", 0},
    {"KRX light blur", kKeyLightBlur, kTypeDouble, "", 0},
    {"KRX light color/X", kKeyLightColorX, kTypeLong, "", 0},
    {"KRX light color/Y", kKeyLightColorY, kTypeLong, "", 0},
    {"KRX light color/Z (32768 = D50 white's Z)", kKeyLightColorZ, kTypeLong, "", 0},
    {"KRX light modulate displacement", kKeyModulateDisplacement, kTypeBool,
     "modulate displacement by extracted matte", 0},
    {"KRX matte extract channel", kKeyMatteChannel, kMatteChannels.type, "matte extraction channel",
     kEnumeratedFlags},
    {"KRX matte position", kKeyMattePosition, kTypeDouble, "", 0},
    {"KRX matte range", kKeyMatteRange, kTypeDouble, "", 0},
    {"KRX matte blur", kKeyMatteBlur, kTypeDouble, "", 0},
    {"KRX shape blend mode", kKeyShapeBlendMode, kShapeBlendModes.type, "", kEnumeratedFlags},
    {"KRX shape file", kKeyShapeFile, kTypeText, "", 0},
    {"KRX shape opacity", kKeyShapeOpacity, kTypeDouble, "", 0},
    {"KRX shape X blur", kKeyShapeBlurX, kTypeDouble, "", 0},
    {"KRX shape y blur", kKeyShapeBlurY, kTypeDouble, "", 0},
    {"KRX shape X pos", kKeyShapePosX, kTypeDouble, "", 0},
    {"KRX shape y pos", kKeyShapePosY, kTypeDouble, "", 0},
    {"KRX shape X scale", kKeyShapeScaleX, kTypeDouble, "", 0},
    {"KRX shape y scale", kKeyShapeScaleY, kTypeDouble, "", 0},
    {"KRX shape rotate", kKeyShapeRotate, kTypeDouble, "", 0},
    {"KRX corner-pin UL X", kKeyCorner0X, kTypeDouble, "", 0},
    {"KRX corner-pin UL Y", kKeyCorner0Y, kTypeDouble, "", 0},
    {"KRX corner-pin UR X", kKeyCorner1X, kTypeDouble, "", 0},
    {"KRX corner-pin UR Y", kKeyCorner1Y, kTypeDouble, "", 0},
    {"KRX corner-pin LR X", kKeyCorner2X, kTypeDouble, "", 0},
    {"KRX corner-pin LR Y", kKeyCorner2Y, kTypeDouble, "", 0},
    {"KRX corner-pin LL X", kKeyCorner3X, kTypeDouble, "", 0},
    {"KRX corner-pin LL Y", kKeyCorner3Y, kTypeDouble, "", 0},
};

struct TermEnumerator {
    std::string_view name;
    std::string_view description;
};

constexpr TermEnumerator kMatteChannelTerms[] = {
    {"KRX luminance", "base on luminance"},
    {"KRX red", "base on red channel"},
    {"KRX green", "base on green channel"},
    {"KRX blue", "base on blue channel"},
    {"KRX cyan", "base on cyan channel"},
    {"KRX magenta", "base on magenta channel"},
    {"KRX yellow", "base on yellow channel"},
    {"KRX hue", "base on hue channel"},
    {"KRX saturation", "base on saturation channel"},
};
constexpr TermEnumerator kLightBlendModeTerms[] = {
    {"KRX add", "Add"}, {"KRX subtract", "Subtract"}, {"KRX screen", "Screen"}};
constexpr TermEnumerator kShapeBlendModeTerms[] = {
    {"KRX none", "None"},
    {"KRX only", "Only"},
    {"KRX add", "Add"},
    {"KRX subtract", "Subtract"},
    {"KRX multiply", "Multiply"},
    {"KRX screen", "Screen"},
    {"KRX difference", "Difference"},
    {"KRX darken", "Darken"},
    {"KRX lighten", "Lighten"},
};
constexpr TermEnumerator kLightSourceTerms[] = {{"KRX image", "Image"}, {"KRX matte", "Matte"}};

struct TermEnumeration {
    const Enumeration* codes;
    std::span<const TermEnumerator> terms;
};

constexpr TermEnumeration kEnumerations[] = {
    {&kMatteChannels, kMatteChannelTerms},
    {&kLightBlendModes, kLightBlendModeTerms},
    {&kShapeBlendModes, kShapeBlendModeTerms},
    {&kLightSources, kLightSourceTerms},
};

constexpr void writeTerminology(ByteSink& out) {
    out.int16(1);  // resource version
    out.byte(1);   // terminology version 1.0
    out.byte(0);
    out.int16(0);  // language
    out.int16(0);  // script
    out.int16(1);  // suites

    out.pascal("KRX");
    out.pascal("Brivo!");
    out.code(kPluginCode);
    out.int16(1);  // level
    out.int16(1);  // version
    out.int16(1);  // events

    out.pascal("KRX Brivo!");
    out.pascal("Add light and shadow to a scene.");
    out.code(kPluginCode);                       // class
    out.code(kPluginCode);                       // id
    out.code(BRIVO_FOURCC('n', 'u', 'l', 'l'));  // reply type, description, flags
    out.pascal("");
    out.int16(0);
    out.code(BRIVO_FOURCC('#', 'I', 'm', 'R'));  // direct parameter
    out.pascal("");
    out.int16(0xb000);
    out.int16(static_cast<uint16_t>(std::size(kParameters)));
    for (const TermParameter& parameter : kParameters) {
        out.pascal(parameter.name);
        out.code(parameter.key);
        out.code(parameter.type);
        out.pascal(parameter.description);
        out.int16(parameter.flags);
    }

    out.int16(0);  // classes
    out.int16(0);  // comparison operators
    out.int16(static_cast<uint16_t>(std::size(kEnumerations)));
    for (const TermEnumeration& enumeration : kEnumerations) {
        out.code(enumeration.codes->type);
        out.int16(static_cast<uint16_t>(enumeration.terms.size()));
        for (size_t i = 0; i < enumeration.terms.size(); ++i) {
            out.pascal(enumeration.terms[i].name);
            out.code(enumeration.codes->enumerators[i].code);
            out.pascal(enumeration.terms[i].description);
        }
    }
}

static_assert(std::size(kMatteChannelTerms) == kMatteChannelCount);
static_assert(std::size(kLightBlendModeTerms) == kLightBlendModeCount);
static_assert(std::size(kShapeBlendModeTerms) == kShapeBlendModeCount);
static_assert(std::size(kLightSourceTerms) == kLightSourceCount);
static_assert(resourceLength<&writeTerminology>() == 1790);

BRIVO_RESOURCE_RECORD auto kTerminology =
    makeResourceRecord<BRIVO_RESOURCE_TERMINOLOGY, BRIVO_RESOURCE_TERMINOLOGY_ID,
                       &writeTerminology>();

}  // namespace

}  // namespace brivo::resources
