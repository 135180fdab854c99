// The resources the module publishes agree with its parameter table: the terminology a
// script writer reads and the catalog the host sets parameters by.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/parameter_table.h"
#include "host/scripting/parameter_catalog.h"
#include "host/scripting/resource_reader.h"
#include "host/scripting/terminology.h"
#include "pluginapi/resource_section.h"

namespace brivo {
namespace {

const host::ResourceReader& moduleResources() {
    static const host::ResourceReader reader(BRIVO_MODULE_PATH);
    return reader;
}

const host::TermEvent& event() {
    static const host::Terminology terminology = host::Terminology::parse(
        moduleResources().find(BRIVO_RESOURCE_TERMINOLOGY, BRIVO_RESOURCE_TERMINOLOGY_ID)->bytes);
    return terminology.suites.at(0).events.at(0);
}

TEST(ModuleResources, TheTerminologyAnnouncesEveryRowWithItsType) {
    ASSERT_EQ(event().parameters.size(), std::size(kParameterTable));
    for (const ParameterField& field : kParameterTable) {
        const auto found =
            std::ranges::find(event().parameters, field.key, &host::TermParameter::key);
        ASSERT_NE(found, event().parameters.end()) << field.name << field.component;
        EXPECT_EQ(found->name, field.term.name);
        const bool enumerated = field.type == ParameterType::enumerated;
        EXPECT_EQ(found->flags != 0, enumerated) << field.name;
        if (enumerated) {
            EXPECT_EQ(found->type, field.enumeration->type) << field.name;
        }
    }
}

TEST(ModuleResources, TheCatalogCarriesEveryRowAsTheTableDescribesIt) {
    const host::ParameterCatalog catalog = host::ParameterCatalog::parse(
        moduleResources().find(BRIVO_RESOURCE_CATALOG, BRIVO_RESOURCE_CATALOG_ID)->bytes);
    ASSERT_EQ(catalog.entries().size(), std::size(kParameterTable));
    for (size_t i = 0; i < std::size(kParameterTable); ++i) {
        const ParameterField& field = kParameterTable[i];
        const host::CatalogEntry& entry = catalog.entries()[i];
        EXPECT_EQ(entry.field, field.name);
        EXPECT_EQ(entry.component, field.component);
        EXPECT_EQ(entry.key, field.key);
        EXPECT_EQ(entry.defaultValue, field.defaultValue) << field.name;
        EXPECT_EQ(entry.minimum, field.minimum) << field.name;
        EXPECT_EQ(entry.maximum, field.maximum) << field.name;
        EXPECT_EQ(entry.type == host::CatalogType::ignored, !field.isStored()) << field.name;
        if (field.type != ParameterType::enumerated) {
            EXPECT_TRUE(entry.enumerators.empty()) << field.name;
            continue;
        }
        ASSERT_EQ(entry.enumerators.size(), field.enumeration->enumerators.size());
        for (size_t e = 0; e < entry.enumerators.size(); ++e) {
            EXPECT_EQ(entry.enumerators[e].code, field.enumeration->enumerators[e].code);
            EXPECT_EQ(entry.enumerators[e].name, field.enumeration->enumerators[e].name);
        }
    }
}

}  // namespace
}  // namespace brivo
