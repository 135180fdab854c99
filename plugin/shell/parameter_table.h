// The parameter table: every field of FilterParameters described once, with its
// descriptor key, value type, enumeration codes, default and the dialog's range. The
// descriptor reader and writer, the dialog and the command line's --set all read it.
//
// The table and its lookups are constexpr and header-only, so that the host program can
// read the same description without linking module code.
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

struct Enumerator {
    DescriptorEnumID code;
    std::string_view name;  // as the command line and the dialog's menus name it
};

// An enumeration type and its codes in index order (index = the value in the record).
struct Enumeration {
    DescriptorEnumTypeID type;
    std::span<const Enumerator> enumerators;
    int32_t defaultIndex;

    // The index of code, or nothing for a code outside the table.
    constexpr std::optional<int32_t> indexOf(DescriptorEnumID code) const {
        for (size_t i = 0; i < enumerators.size(); ++i)
            if (enumerators[i].code == code) return static_cast<int32_t>(i);
        return std::nullopt;
    }
    // The code of index; an index outside the table gives the default's code.
    constexpr DescriptorEnumID codeOf(int32_t index) const {
        const bool inTable = index >= 0 && static_cast<size_t>(index) < enumerators.size();
        return enumerators[static_cast<size_t>(inTable ? index : defaultIndex)].code;
    }
};

inline constexpr Enumerator kLightBlendModeCodes[] = {
    {BRIVO_FOURCC('l', 'A', 'd', 'd'), "Add"},
    {BRIVO_FOURCC('l', 'S', 'u', 'b'), "Subtract"},
    {BRIVO_FOURCC('l', 'S', 'c', 'r'), "Screen"},
};
inline constexpr Enumerator kLightSourceCodes[] = {
    {BRIVO_FOURCC('s', 'I', 'm', 'g'), "Image"},
    {BRIVO_FOURCC('s', 'M', 'a', 't'), "Matte"},
};
inline constexpr Enumerator kMatteChannelCodes[] = {
    {BRIVO_FOURCC('l', 'u', 'm', 'C'), "Luminance"},  {BRIVO_FOURCC('r', 'e', 'd', 'C'), "Red"},
    {BRIVO_FOURCC('g', 'r', 'n', 'C'), "Green"},      {BRIVO_FOURCC('b', 'l', 'u', 'C'), "Blue"},
    {BRIVO_FOURCC('c', 'y', 'n', 'C'), "Cyan"},       {BRIVO_FOURCC('m', 'a', 'g', 'C'), "Magenta"},
    {BRIVO_FOURCC('y', 'e', 'l', 'C'), "Yellow"},     {BRIVO_FOURCC('h', 'u', 'e', 'C'), "Hue"},
    {BRIVO_FOURCC('s', 'a', 't', 'C'), "Saturation"},
};
inline constexpr Enumerator kShapeBlendModeCodes[] = {
    {BRIVO_FOURCC('s', 'N', 'o', 'n'), "None"},
    {BRIVO_FOURCC('s', 'O', 'n', 'l'), "Only"},
    {BRIVO_FOURCC('s', 'A', 'd', 'd'), "Add"},
    {BRIVO_FOURCC('s', 'S', 'u', 'b'), "Subtract"},
    {BRIVO_FOURCC('s', 'M', 'u', 'l'), "Multiply"},
    {BRIVO_FOURCC('s', 'S', 'c', 'r'), "Screen"},
    {BRIVO_FOURCC('s', 'D', 'i', 'f'), "Difference"},
    {BRIVO_FOURCC('s', 'D', 'r', 'k'), "Darken"},
    {BRIVO_FOURCC('s', 'L', 'g', 't'), "Lighten"},
};

inline constexpr Enumeration kLightBlendModes{BRIVO_FOURCC('l', 'B', 'l', 'd'),
                                              kLightBlendModeCodes, 0};
inline constexpr Enumeration kLightSources{BRIVO_FOURCC('s', 'o', 'r', 'C'), kLightSourceCodes, 0};
inline constexpr Enumeration kMatteChannels{BRIVO_FOURCC('u', 's', 'e', 'C'), kMatteChannelCodes,
                                            0};
inline constexpr Enumeration kShapeBlendModes{BRIVO_FOURCC('s', 'B', 'l', 'd'),
                                              kShapeBlendModeCodes, 2};

static_assert(std::size(kLightBlendModeCodes) == kLightBlendModeCount);
static_assert(std::size(kLightSourceCodes) == kLightSourceCount);
static_assert(std::size(kMatteChannelCodes) == kMatteChannelCount);
static_assert(std::size(kShapeBlendModeCodes) == kShapeBlendModeCount);

enum class ParameterType {
    enumerated,  // an index into an Enumeration, written as its code
    real,        // a double, written as a float
    colour,      // a 16-bit colour component, written as an integer
    path,        // the pattern file's path, written as a string
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
    FieldAccessor<int32_t> index = nullptr;
    FieldAccessor<double> real = nullptr;
    FieldAccessor<uint16_t> colour = nullptr;
    FieldAccessor<ShapePath> path = nullptr;

    // The corner a corner-pin coordinate belongs to, or -1 for other fields.
    constexpr int corner() const { return name == "cornerPin" ? component / 2 : -1; }
};

namespace detail {
inline constexpr double kUnbounded = std::numeric_limits<double>::infinity();

template <auto member>
constexpr ParameterField enumerated(std::string_view name, DescriptorKeyID key,
                                    const Enumeration& enumeration) {
    return {name,
            0,
            key,
            ParameterType::enumerated,
            &enumeration,
            static_cast<double>(enumeration.defaultIndex),
            0,
            static_cast<double>(enumeration.enumerators.size() - 1),
            &field_access::scalar<member>};
}
template <auto member>
constexpr ParameterField real(std::string_view name, DescriptorKeyID key, double defaultValue,
                              double minimum, double maximum) {
    return {name,    0,       key,     ParameterType::real,          nullptr, defaultValue,
            minimum, maximum, nullptr, &field_access::scalar<member>};
}
template <int component>
constexpr ParameterField colour(DescriptorKeyID key) {
    return {"lightColor", component, key,     ParameterType::colour,           nullptr, 32768, 0,
            65535,        nullptr,   nullptr, &field_access::colour<component>};
}
template <int index, double CornerPoint::*axis>
constexpr ParameterField corner(DescriptorKeyID key) {
    const int component = index * 2 + (axis == &CornerPoint::y ? 1 : 0);
    return {"cornerPin", component,
            key,         ParameterType::real,
            nullptr,     kDefaultCornerPin[index].*axis,
            -kUnbounded, kUnbounded,
            nullptr,     &field_access::corner<index, axis>};
}
}  // namespace detail

// Every field, in the order in which the reader announces the keys to the host and the
// writer puts them.
inline constexpr ParameterField kParameterTable[] = {
    detail::corner<0, &CornerPoint::x>(kKeyCorner0X),
    detail::corner<0, &CornerPoint::y>(kKeyCorner0Y),
    detail::corner<1, &CornerPoint::x>(kKeyCorner1X),
    detail::corner<1, &CornerPoint::y>(kKeyCorner1Y),
    detail::corner<2, &CornerPoint::x>(kKeyCorner2X),
    detail::corner<2, &CornerPoint::y>(kKeyCorner2Y),
    detail::corner<3, &CornerPoint::x>(kKeyCorner3X),
    detail::corner<3, &CornerPoint::y>(kKeyCorner3Y),
    detail::enumerated<&FilterParameters::lightBlendMode>("lightBlendMode", kKeyLightBlendMode,
                                                          kLightBlendModes),
    detail::enumerated<&FilterParameters::lightSource>("lightSource", kKeyLightSource,
                                                       kLightSources),
    detail::real<&FilterParameters::lightBrightness>("lightBrightness", kKeyLightBrightness, 100.0,
                                                     0, 600),
    detail::real<&FilterParameters::lightBlur>("lightBlur", kKeyLightBlur, 10.0, 0, 200),
    detail::real<&FilterParameters::lightDisplacement>("lightDisplacement", kKeyLightDisplacement,
                                                       0.0, -100, 100),
    detail::colour<0>(kKeyLightColorX),
    detail::colour<1>(kKeyLightColorY),
    detail::colour<2>(kKeyLightColorZ),
    detail::enumerated<&FilterParameters::matteChannel>("matteChannel", kKeyMatteChannel,
                                                        kMatteChannels),
    detail::real<&FilterParameters::mattePosition>("mattePosition", kKeyMattePosition, 50.0, 0,
                                                   100),
    detail::real<&FilterParameters::matteRange>("matteRange", kKeyMatteRange, 25.0, 0, 100),
    detail::real<&FilterParameters::matteBlur>("matteBlur", kKeyMatteBlur, 0.0, 0, 200),
    detail::enumerated<&FilterParameters::shapeBlendMode>("shapeBlendMode", kKeyShapeBlendMode,
                                                          kShapeBlendModes),
    detail::real<&FilterParameters::shapeOpacity>("shapeOpacity", kKeyShapeOpacity, 100.0, 0, 100),
    detail::real<&FilterParameters::shapeBlurX>("shapeBlurX", kKeyShapeBlurX, 0.0, 0, 200),
    detail::real<&FilterParameters::shapeBlurY>("shapeBlurY", kKeyShapeBlurY, 0.0, 0, 200),
    detail::real<&FilterParameters::shapePosX>("shapePosX", kKeyShapePosX, 0.0, -100, 100),
    detail::real<&FilterParameters::shapePosY>("shapePosY", kKeyShapePosY, 0.0, -100, 100),
    detail::real<&FilterParameters::shapeScaleX>("shapeScaleX", kKeyShapeScaleX, 100.0, 0, 500),
    detail::real<&FilterParameters::shapeScaleY>("shapeScaleY", kKeyShapeScaleY, 100.0, 0, 500),
    detail::real<&FilterParameters::shapeRotate>("shapeRotate", kKeyShapeRotate, 0.0, -180, 180),
    {"shapeFile", 0, kKeyShapeFile, ParameterType::path, nullptr, 0, 0,
     static_cast<double>(ShapePath::kMaxLength), nullptr, nullptr, nullptr,
     &field_access::scalar<&FilterParameters::shapeFile>},
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
// Whether the writer puts the field: a corner-pin coordinate only when its corner has
// moved from the default, every other field always.
bool isRecorded(const FilterParameters& parameters, const ParameterField& field);

}  // namespace brivo
