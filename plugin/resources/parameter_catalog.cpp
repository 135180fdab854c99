// The parameter catalog: the table as the host sees it, so that the host can set, check and
// explain every parameter without compiling in the module's record.
#include "core/parameter_table.h"
#include "resources/resource_builder.h"

namespace brivo::resources {

namespace {

constexpr uint8_t catalogType(ParameterType type) {
    switch (type) {
        case ParameterType::enumerated:
            return BRIVO_CATALOG_ENUMERATED;
        case ParameterType::real:
            return BRIVO_CATALOG_REAL;
        case ParameterType::colour:
            return BRIVO_CATALOG_XYZ;
        case ParameterType::path:
            return BRIVO_CATALOG_PATH;
        case ParameterType::ignored:
            return BRIVO_CATALOG_IGNORED;
    }
    return 0;
}

constexpr void writeCatalog(ByteSink& out) {
    out.int16(BRIVO_CATALOG_VERSION);
    out.int16(static_cast<uint16_t>(std::size(kParameterTable)));
    for (const ParameterField& field : kParameterTable) {
        out.pascal(field.name);
        out.byte(static_cast<uint8_t>(field.component));
        out.code(field.key);
        out.byte(catalogType(field.type));
        out.real64(field.defaultValue);
        out.real64(field.minimum);
        out.real64(field.maximum);
        // Tested by type, not by pointer: the comparison of an address with null is not a
        // constant expression in every build (sanitizers).
        const bool enumerated = field.type == ParameterType::enumerated;
        out.code(enumerated ? field.enumeration->type : 0);
        out.int16(static_cast<uint16_t>(enumerated ? field.enumeration->count() : 0));
        if (!enumerated) continue;
        for (const Enumerator& enumerator : field.enumeration->enumerators) {
            out.code(enumerator.code);
            out.pascal(enumerator.name);
        }
    }
}

BRIVO_RESOURCE_RECORD auto kCatalog =
    makeResourceRecord<BRIVO_RESOURCE_CATALOG, BRIVO_RESOURCE_CATALOG_ID, &writeCatalog>();

}  // namespace

}  // namespace brivo::resources
