// The scripting terminology: the names and types under which a script writer sees the
// filter's event, its parameters and their enumerations.
#include <algorithm>
#include <array>

#include "core/parameter_table.h"
#include "resources/resource_builder.h"

namespace brivo::resources {

namespace {

constexpr uint32_t kTypeDouble = BRIVO_FOURCC('d', 'o', 'u', 'b');
constexpr uint32_t kTypeLong = BRIVO_FOURCC('l', 'o', 'n', 'g');
constexpr uint32_t kTypeBool = BRIVO_FOURCC('b', 'o', 'o', 'l');
constexpr uint32_t kTypeText = BRIVO_FOURCC('T', 'E', 'X', 'T');
constexpr uint16_t kEnumeratedFlags = 0x2000;

// The type under which the terminology announces a field.
constexpr uint32_t termType(const ParameterField& field) {
    switch (field.type) {
        case ParameterType::enumerated:
            return field.enumeration->type;
        case ParameterType::real:
            return kTypeDouble;
        case ParameterType::colour:
            return kTypeLong;
        case ParameterType::path:
            return kTypeText;
        case ParameterType::ignored:
            return kTypeBool;
    }
    return 0;
}

// The table's rows in terminology order.
constexpr auto kTermRows = [] {
    std::array<const ParameterField*, std::size(kParameterTable)> rows{};
    for (const ParameterField& field : kParameterTable) rows.at(field.term.position) = &field;
    return rows;
}();

// The enumerations the table uses, in terminology order (a gap fails to compile where the
// terminology is written).
constexpr auto kTermEnumerations = [] {
    std::array<const Enumeration*, 4> enumerations{};
    for (const ParameterField& field : kParameterTable)
        if (field.type == ParameterType::enumerated)
            enumerations.at(field.enumeration->termPosition) = field.enumeration;
    return enumerations;
}();

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
    out.int16(static_cast<uint16_t>(kTermRows.size()));
    for (const ParameterField* field : kTermRows) {
        out.pascal(field->term.name);
        out.code(field->key);
        out.code(termType(*field));
        out.pascal(field->term.description);
        out.int16(field->type == ParameterType::enumerated ? kEnumeratedFlags : 0);
    }

    out.int16(0);  // classes
    out.int16(0);  // comparison operators
    out.int16(static_cast<uint16_t>(kTermEnumerations.size()));
    for (const Enumeration* enumeration : kTermEnumerations) {
        out.code(enumeration->type);
        out.int16(static_cast<uint16_t>(enumeration->enumerators.size()));
        for (const Enumerator& enumerator : enumeration->enumerators) {
            out.pascal(enumerator.termName);
            out.code(enumerator.code);
            out.pascal(enumerator.termDescription);
        }
    }
}

static_assert(resourceLength<&writeTerminology>() == 1790);

BRIVO_RESOURCE_RECORD auto kTerminology =
    makeResourceRecord<BRIVO_RESOURCE_TERMINOLOGY, BRIVO_RESOURCE_TERMINOLOGY_ID,
                       &writeTerminology>();

}  // namespace

}  // namespace brivo::resources
