// The parameter table: every field of FilterParameters described once, with its
// descriptor key, value type, enumeration codes, default, the dialog's range and its
// scripting terms. The record's defaults and repairs, the descriptor reader and writer, the
// dialog, the scripting terminology and the parameter catalog the host reads all come
// from it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string_view>

#include "core/filter_parameters.h"
#include "descriptor_parameters.h"

namespace brivo {

// Keys of the scripting descriptor.
inline constexpr DescriptorKeyID kKeyCorner0X = BRIVO_FOURCC('c', 'p', '0', 'X');
inline constexpr DescriptorKeyID kKeyCorner0Y = BRIVO_FOURCC('c', 'p', '0', 'Y');
inline constexpr DescriptorKeyID kKeyCorner1X = BRIVO_FOURCC('c', 'p', '1', 'X');
inline constexpr DescriptorKeyID kKeyCorner1Y = BRIVO_FOURCC('c', 'p', '1', 'Y');
inline constexpr DescriptorKeyID kKeyCorner2X = BRIVO_FOURCC('c', 'p', '2', 'X');
inline constexpr DescriptorKeyID kKeyCorner2Y = BRIVO_FOURCC('c', 'p', '2', 'Y');
inline constexpr DescriptorKeyID kKeyCorner3X = BRIVO_FOURCC('c', 'p', '3', 'X');
inline constexpr DescriptorKeyID kKeyCorner3Y = BRIVO_FOURCC('c', 'p', '3', 'Y');
inline constexpr DescriptorKeyID kKeyLightBlendMode = BRIVO_FOURCC('l', 'B', 'l', 'n');
inline constexpr DescriptorKeyID kKeyLightSource = BRIVO_FOURCC('l', 'S', 'r', 'c');
inline constexpr DescriptorKeyID kKeyLightBrightness = BRIVO_FOURCC('l', 'B', 'r', 't');
inline constexpr DescriptorKeyID kKeyLightBlur = BRIVO_FOURCC('l', 'B', 'l', 'r');
inline constexpr DescriptorKeyID kKeyLightDisplacement = BRIVO_FOURCC('l', 'D', 's', 'p');
inline constexpr DescriptorKeyID kKeyLightColorX = BRIVO_FOURCC('l', 'C', 'l', 'X');
inline constexpr DescriptorKeyID kKeyLightColorY = BRIVO_FOURCC('l', 'C', 'l', 'Y');
inline constexpr DescriptorKeyID kKeyLightColorZ = BRIVO_FOURCC('l', 'C', 'l', 'Z');
inline constexpr DescriptorKeyID kKeyModulateDisplacement = BRIVO_FOURCC('l', 'D', 'm', 'd');
inline constexpr DescriptorKeyID kKeyMatteChannel = BRIVO_FOURCC('m', 'C', 'h', 'n');
inline constexpr DescriptorKeyID kKeyMattePosition = BRIVO_FOURCC('m', 'P', 'o', 's');
inline constexpr DescriptorKeyID kKeyMatteRange = BRIVO_FOURCC('m', 'R', 'n', 'g');
inline constexpr DescriptorKeyID kKeyMatteBlur = BRIVO_FOURCC('m', 'B', 'l', 'r');
inline constexpr DescriptorKeyID kKeyShapeBlendMode = BRIVO_FOURCC('s', 'B', 'l', 'n');
inline constexpr DescriptorKeyID kKeyShapeFile = BRIVO_FOURCC('s', 'N', 'a', 'm');
inline constexpr DescriptorKeyID kKeyShapeOpacity = BRIVO_FOURCC('s', 'O', 'p', 'c');
inline constexpr DescriptorKeyID kKeyShapeBlurX = BRIVO_FOURCC('s', 'X', 'b', 'l');
inline constexpr DescriptorKeyID kKeyShapeBlurY = BRIVO_FOURCC('s', 'Y', 'b', 'l');
inline constexpr DescriptorKeyID kKeyShapePosX = BRIVO_FOURCC('s', 'X', 'p', 's');
inline constexpr DescriptorKeyID kKeyShapePosY = BRIVO_FOURCC('s', 'Y', 'p', 's');
inline constexpr DescriptorKeyID kKeyShapeScaleX = BRIVO_FOURCC('s', 'X', 's', 'c');
inline constexpr DescriptorKeyID kKeyShapeScaleY = BRIVO_FOURCC('s', 'Y', 's', 'c');
inline constexpr DescriptorKeyID kKeyShapeRotate = BRIVO_FOURCC('s', 'R', 'o', 't');

// The module's four-character id (terminology suite, class and event) and its unique id
// (registry key, property list).
inline constexpr uint32_t kPluginCode = BRIVO_FOURCC('k', 'r', 'x', 'B');
inline constexpr const char* kPluginUniqueId = "7C2A91E4-3B58-4D06-A1F9-52E8B0C4D713";

// How a script writer sees a parameter or an enumerator: its name and description in the
// scripting terminology, and its place in that list (which has its own order).
struct Term {
    std::string_view name;
    std::string_view description;
    int position;
};

struct Enumerator {
    DescriptorEnumID code;
    std::string_view name;  // as the command line and the dialog's menus name it
    std::string_view termName;
    std::string_view termDescription;
};

// An enumeration type and its codes in index order (index = the value in the record).
struct Enumeration {
    DescriptorEnumTypeID type;
    std::span<const Enumerator> enumerators;
    int32_t defaultIndex;
    int termPosition;  // place in the terminology's list of enumerations

    constexpr int32_t count() const { return static_cast<int32_t>(enumerators.size()); }
    // The index of code, or nothing for a code outside the table.
    constexpr std::optional<int32_t> indexOf(DescriptorEnumID code) const {
        for (size_t i = 0; i < enumerators.size(); ++i)
            if (enumerators[i].code == code) return static_cast<int32_t>(i);
        return std::nullopt;
    }
    // The code of index; an index outside the table gives the default's code.
    constexpr DescriptorEnumID codeOf(int32_t index) const {
        const bool inTable = index >= 0 && index < count();
        return enumerators[static_cast<size_t>(inTable ? index : defaultIndex)].code;
    }
};

inline constexpr Enumerator kLightBlendModeCodes[] = {
    {BRIVO_FOURCC('l', 'A', 'd', 'd'), "Add", "KRX add", "Add"},
    {BRIVO_FOURCC('l', 'S', 'u', 'b'), "Subtract", "KRX subtract", "Subtract"},
    {BRIVO_FOURCC('l', 'S', 'c', 'r'), "Screen", "KRX screen", "Screen"},
};
inline constexpr Enumerator kLightSourceCodes[] = {
    {BRIVO_FOURCC('s', 'I', 'm', 'g'), "Image", "KRX image", "Image"},
    {BRIVO_FOURCC('s', 'M', 'a', 't'), "Matte", "KRX matte", "Matte"},
};
inline constexpr Enumerator kMatteChannelCodes[] = {
    {BRIVO_FOURCC('l', 'u', 'm', 'C'), "Luminance", "KRX luminance", "base on luminance"},
    {BRIVO_FOURCC('r', 'e', 'd', 'C'), "Red", "KRX red", "base on red channel"},
    {BRIVO_FOURCC('g', 'r', 'n', 'C'), "Green", "KRX green", "base on green channel"},
    {BRIVO_FOURCC('b', 'l', 'u', 'C'), "Blue", "KRX blue", "base on blue channel"},
    {BRIVO_FOURCC('c', 'y', 'n', 'C'), "Cyan", "KRX cyan", "base on cyan channel"},
    {BRIVO_FOURCC('m', 'a', 'g', 'C'), "Magenta", "KRX magenta", "base on magenta channel"},
    {BRIVO_FOURCC('y', 'e', 'l', 'C'), "Yellow", "KRX yellow", "base on yellow channel"},
    {BRIVO_FOURCC('h', 'u', 'e', 'C'), "Hue", "KRX hue", "base on hue channel"},
    {BRIVO_FOURCC('s', 'a', 't', 'C'), "Saturation", "KRX saturation",
     "base on saturation channel"},
};
inline constexpr Enumerator kShapeBlendModeCodes[] = {
    {BRIVO_FOURCC('s', 'N', 'o', 'n'), "None", "KRX none", "None"},
    {BRIVO_FOURCC('s', 'O', 'n', 'l'), "Only", "KRX only", "Only"},
    {BRIVO_FOURCC('s', 'A', 'd', 'd'), "Add", "KRX add", "Add"},
    {BRIVO_FOURCC('s', 'S', 'u', 'b'), "Subtract", "KRX subtract", "Subtract"},
    {BRIVO_FOURCC('s', 'M', 'u', 'l'), "Multiply", "KRX multiply", "Multiply"},
    {BRIVO_FOURCC('s', 'S', 'c', 'r'), "Screen", "KRX screen", "Screen"},
    {BRIVO_FOURCC('s', 'D', 'i', 'f'), "Difference", "KRX difference", "Difference"},
    {BRIVO_FOURCC('s', 'D', 'r', 'k'), "Darken", "KRX darken", "Darken"},
    {BRIVO_FOURCC('s', 'L', 'g', 't'), "Lighten", "KRX lighten", "Lighten"},
};

inline constexpr Enumeration kLightBlendModes{BRIVO_FOURCC('l', 'B', 'l', 'd'),
                                              kLightBlendModeCodes, 0, 1};
inline constexpr Enumeration kLightSources{BRIVO_FOURCC('s', 'o', 'r', 'C'), kLightSourceCodes, 0,
                                           3};
inline constexpr Enumeration kMatteChannels{BRIVO_FOURCC('u', 's', 'e', 'C'), kMatteChannelCodes, 0,
                                            0};
inline constexpr Enumeration kShapeBlendModes{BRIVO_FOURCC('s', 'B', 'l', 'd'),
                                              kShapeBlendModeCodes, 2, 2};

// How many values each enumerated field takes; the enum classes name them in the same order.
inline constexpr int32_t kLightBlendModeCount = kLightBlendModes.count();
inline constexpr int32_t kLightSourceCount = kLightSources.count();
inline constexpr int32_t kMatteChannelCount = kMatteChannels.count();
inline constexpr int32_t kShapeBlendModeCount = kShapeBlendModes.count();
static_assert(static_cast<int32_t>(LightBlendMode::Screen) + 1 == kLightBlendModeCount);
static_assert(static_cast<int32_t>(LightSource::Matte) + 1 == kLightSourceCount);
static_assert(static_cast<int32_t>(MatteChannel::Saturation) + 1 == kMatteChannelCount);
static_assert(static_cast<int32_t>(ShapeBlendMode::Lighten) + 1 == kShapeBlendModeCount);

enum class ParameterType {
    enumerated,  // an index into an Enumeration, written as its code
    real,        // a double, written as a float
    colour,      // a 16-bit colour component, written as an integer
    path,        // the pattern file's path, written as a string
    ignored,     // a key scripts may send (a boolean) that no field reads: accepted and ignored
};

// Where a field's value lives in the record; exactly the accessor of the field's type
// is set.
template <class T>
using FieldAccessor = T& (*)(FilterParameters&);

namespace field_access {
template <auto member>
constexpr auto& scalar(FilterParameters& parameters) {
    return parameters.*member;
}
template <int component>
constexpr uint16_t& colour(FilterParameters& parameters) {
    return parameters.lightColor[component];
}
template <int index, double CornerPoint::*axis>
constexpr double& corner(FilterParameters& parameters) {
    return parameters.cornerPin[index].*axis;
}
}  // namespace field_access

struct ParameterField {
    std::string_view name;  // the record's field name
    int component;          // element of an array field (colour X/Y/Z; corner coordinate 0..7)
    DescriptorKeyID key;
    ParameterType type;
    const Enumeration* enumeration;  // enumerated fields only
    double defaultValue;             // enumeration index, number or colour component
    double minimum;                  // the dialog's range
    double maximum;
    Term term;
    FieldAccessor<int32_t> index = nullptr;
    FieldAccessor<double> real = nullptr;
    FieldAccessor<uint16_t> colour = nullptr;
    FieldAccessor<ShapePath> path = nullptr;

    // The corner a corner-pin coordinate belongs to, or -1 for other fields.
    constexpr int corner() const { return name == "cornerPin" ? component / 2 : -1; }
    // Whether a record field holds the value (every row but the ignored one).
    constexpr bool isStored() const { return type != ParameterType::ignored; }
};

namespace detail {
inline constexpr double kUnbounded = std::numeric_limits<double>::infinity();

template <auto member>
constexpr ParameterField enumerated(std::string_view name, DescriptorKeyID key,
                                    const Enumeration& enumeration, Term term) {
    return {name,
            0,
            key,
            ParameterType::enumerated,
            &enumeration,
            static_cast<double>(enumeration.defaultIndex),
            0,
            static_cast<double>(enumeration.enumerators.size() - 1),
            term,
            &field_access::scalar<member>};
}
template <auto member>
constexpr ParameterField real(std::string_view name, DescriptorKeyID key, double defaultValue,
                              double minimum, double maximum, Term term) {
    return {name,    0,    key,     ParameterType::real,          nullptr, defaultValue, minimum,
            maximum, term, nullptr, &field_access::scalar<member>};
}
template <int component>
constexpr ParameterField colour(DescriptorKeyID key, Term term) {
    return {"lightColor", component, key,     ParameterType::colour,
            nullptr,      32768,     0,       65535,
            term,         nullptr,   nullptr, &field_access::colour<component>};
}
template <int index, double CornerPoint::*axis>
constexpr ParameterField corner(DescriptorKeyID key, Term term) {
    const int component = index * 2 + (axis == &CornerPoint::y ? 1 : 0);
    return {"cornerPin",
            component,
            key,
            ParameterType::real,
            nullptr,
            kDefaultCornerPin[index].*axis,
            -kUnbounded,
            kUnbounded,
            term,
            nullptr,
            &field_access::corner<index, axis>};
}
}  // namespace detail

// Every field, in the order in which the reader announces the keys to the host and the
// writer puts them; each row's term gives its place in the scripting terminology.
inline constexpr ParameterField kParameterTable[] = {
    detail::corner<0, &CornerPoint::x>(kKeyCorner0X, {"KRX corner-pin UL X", "", 23}),
    detail::corner<0, &CornerPoint::y>(kKeyCorner0Y, {"KRX corner-pin UL Y", "", 24}),
    detail::corner<1, &CornerPoint::x>(kKeyCorner1X, {"KRX corner-pin UR X", "", 25}),
    detail::corner<1, &CornerPoint::y>(kKeyCorner1Y, {"KRX corner-pin UR Y", "", 26}),
    detail::corner<2, &CornerPoint::x>(kKeyCorner2X, {"KRX corner-pin LR X", "", 27}),
    detail::corner<2, &CornerPoint::y>(kKeyCorner2Y, {"KRX corner-pin LR Y", "", 28}),
    detail::corner<3, &CornerPoint::x>(kKeyCorner3X, {"KRX corner-pin LL X", "", 29}),
    detail::corner<3, &CornerPoint::y>(kKeyCorner3Y, {"KRX corner-pin LL Y", "", 30}),
    detail::enumerated<&FilterParameters::lightBlendMode>(
        "lightBlendMode", kKeyLightBlendMode, kLightBlendModes, {"KRX light blend mode", "", 0}),
    detail::enumerated<&FilterParameters::lightSource>(
        "lightSource", kKeyLightSource, kLightSources, {"KRX light image source", "", 1}),
    detail::real<&FilterParameters::lightBrightness>("lightBrightness", kKeyLightBrightness, 100.0,
                                                     0, 600, {"KRX light brightness", "", 2}),
    detail::real<&FilterParameters::lightBlur>("lightBlur", kKeyLightBlur, 10.0, 0, 200,
                                               {"KRX light blur", "", 4}),
    detail::real<&FilterParameters::lightDisplacement>("lightDisplacement", kKeyLightDisplacement,
                                                       0.0, -100, 100,
                                                       {"KRX light displacement", "", 3}),
    detail::colour<0>(kKeyLightColorX, {"KRX light color/X", "", 5}),
    detail::colour<1>(kKeyLightColorY, {"KRX light color/Y", "", 6}),
    detail::colour<2>(kKeyLightColorZ, {"KRX light color/Z (32768 = D50 white's Z)", "", 7}),
    detail::enumerated<&FilterParameters::matteChannel>(
        "matteChannel", kKeyMatteChannel, kMatteChannels,
        {"KRX matte extract channel", "matte extraction channel", 9}),
    detail::real<&FilterParameters::mattePosition>("mattePosition", kKeyMattePosition, 50.0, 0, 100,
                                                   {"KRX matte position", "", 10}),
    detail::real<&FilterParameters::matteRange>("matteRange", kKeyMatteRange, 25.0, 0, 100,
                                                {"KRX matte range", "", 11}),
    detail::real<&FilterParameters::matteBlur>("matteBlur", kKeyMatteBlur, 0.0, 0, 200,
                                               {"KRX matte blur", "", 12}),
    detail::enumerated<&FilterParameters::shapeBlendMode>(
        "shapeBlendMode", kKeyShapeBlendMode, kShapeBlendModes, {"KRX shape blend mode", "", 13}),
    detail::real<&FilterParameters::shapeOpacity>("shapeOpacity", kKeyShapeOpacity, 100.0, 0, 100,
                                                  {"KRX shape opacity", "", 15}),
    detail::real<&FilterParameters::shapeBlurX>("shapeBlurX", kKeyShapeBlurX, 0.0, 0, 200,
                                                {"KRX shape X blur", "", 16}),
    detail::real<&FilterParameters::shapeBlurY>("shapeBlurY", kKeyShapeBlurY, 0.0, 0, 200,
                                                {"KRX shape y blur", "", 17}),
    detail::real<&FilterParameters::shapePosX>("shapePosX", kKeyShapePosX, 0.0, -100, 100,
                                               {"KRX shape X pos", "", 18}),
    detail::real<&FilterParameters::shapePosY>("shapePosY", kKeyShapePosY, 0.0, -100, 100,
                                               {"KRX shape y pos", "", 19}),
    detail::real<&FilterParameters::shapeScaleX>("shapeScaleX", kKeyShapeScaleX, 100.0, 0, 500,
                                                 {"KRX shape X scale", "", 20}),
    detail::real<&FilterParameters::shapeScaleY>("shapeScaleY", kKeyShapeScaleY, 100.0, 0, 500,
                                                 {"KRX shape y scale", "", 21}),
    detail::real<&FilterParameters::shapeRotate>("shapeRotate", kKeyShapeRotate, 0.0, -180, 180,
                                                 {"KRX shape rotate", "", 22}),
    {"shapeFile",
     0,
     kKeyShapeFile,
     ParameterType::path,
     nullptr,
     0,
     0,
     static_cast<double>(ShapePath::kMaxLength),
     {"KRX shape file", "", 14},
     nullptr,
     nullptr,
     nullptr,
     &field_access::scalar<&FilterParameters::shapeFile>},
    // Scripts may send this key; the filter has no such setting, so it is read and dropped,
    // and never written back.
    {"modulateDisplacement",
     0,
     kKeyModulateDisplacement,
     ParameterType::ignored,
     nullptr,
     0,
     0,
     1,
     {"KRX light modulate displacement", "modulate displacement by extracted matte", 8}},
};

// The field read and written under key, or null.
constexpr const ParameterField* findParameterByKey(DescriptorKeyID key) {
    const auto* found = std::ranges::find(kParameterTable, key, &ParameterField::key);
    return found == std::end(kParameterTable) ? nullptr : found;
}

// The entries of the record field called name (three for lightColor, eight for
// cornerPin, one otherwise), in component order; empty for an unknown name.
constexpr std::span<const ParameterField> findParametersByName(std::string_view name) {
    const auto* first = std::ranges::find(kParameterTable, name, &ParameterField::name);
    const auto* last = std::find_if(first, std::end(kParameterTable),
                                    [name](const ParameterField& f) { return f.name != name; });
    return {first, last};
}

// Values from a descriptor into the record (values arrive as sent, NaN and infinities
// included).
// An enumeration code outside the field's table leaves the field as it is.
void storeEnumeration(FilterParameters& parameters, const ParameterField& field,
                      DescriptorEnumID code);
// A colour component: truncated toward zero and saturated to 0..65535; NaN gives the
// field's default.
void storeColour(FilterParameters& parameters, const ParameterField& field, double value);
// Sets the field to its default.
void resetField(FilterParameters& parameters, const ParameterField& field);
// Whether the writer puts the field: a corner-pin coordinate only when its corner has
// moved from the default, an ignored key never, every other field always.
bool isRecorded(const FilterParameters& parameters, const ParameterField& field);

}  // namespace brivo
