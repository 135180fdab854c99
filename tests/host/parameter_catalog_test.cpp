// Reading a parameter catalog: the module's own, damaged ones, and name suggestions.
#include "host/scripting/parameter_catalog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "host/scripting/descriptor_values.h"
#include "host/scripting/resource_reader.h"
#include "pluginapi/resource_section.h"

namespace brivo::host {
namespace {

std::vector<uint8_t> moduleCatalogBytes() {
    const ResourceReader reader(BRIVO_MODULE_PATH);
    const Resource* resource = reader.find(BRIVO_RESOURCE_CATALOG, BRIVO_RESOURCE_CATALOG_ID);
    EXPECT_NE(resource, nullptr);
    return resource ? resource->bytes : std::vector<uint8_t>{};
}

// A catalog of one field with the given name and type byte, numbers all zero.
std::vector<uint8_t> oneField(const std::string& name, uint8_t type) {
    std::string bytes("\x01\x00\x01\x00", 4);
    bytes += static_cast<char>(name.size());
    bytes += name;
    bytes += std::string(
        "\x00"
        "abcd",
        5);
    bytes += static_cast<char>(type);
    bytes += std::string(3 * 8 + 4 + 2, '\0');
    return {bytes.begin(), bytes.end()};
}

TEST(ParameterCatalog, GroupsTheModulesKeysIntoNamedFields) {
    const ParameterCatalog catalog = ParameterCatalog::parse(moduleCatalogBytes());
    const std::vector<std::string> names = catalog.fieldNames();
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    ASSERT_EQ(catalog.field("cornerPin").size(), 8u);
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(catalog.field("cornerPin")[i].component, i);
    EXPECT_TRUE(std::isinf(catalog.field("cornerPin")[0].maximum));

    const auto blend = catalog.field("shapeBlendMode");
    ASSERT_EQ(blend.size(), 1u);
    EXPECT_EQ(blend[0].type, CatalogType::enumerated);
    ASSERT_EQ(blend[0].enumerators.size(), 9u);
    EXPECT_EQ(blend[0].enumerators[static_cast<size_t>(blend[0].defaultValue)].name, "Add");
    EXPECT_EQ(fourCharText(blend[0].enumerationType), "sBld");

    const auto ignored = catalog.field("modulateDisplacement");
    ASSERT_EQ(ignored.size(), 1u);
    EXPECT_EQ(ignored[0].type, CatalogType::ignored);
    EXPECT_EQ(fourCharText(ignored[0].key), "lDmd");
    EXPECT_TRUE(catalog.field("nonsense").empty());
}

TEST(ParameterCatalog, SuggestsTheNearestFieldForATypo) {
    const ParameterCatalog catalog = ParameterCatalog::parse(moduleCatalogBytes());
    EXPECT_EQ(catalog.nearestField("lightBrightnes"), "lightBrightness");
    EXPECT_EQ(catalog.nearestField("LIGHTBLUR"), "lightBlur");
    EXPECT_EQ(catalog.nearestField("shapeblurx"), "shapeBlurX");
    EXPECT_EQ(ParameterCatalog().nearestField("anything"), "");
}

TEST(ParameterCatalog, RefusesDamagedCatalogs) {
    const std::vector<uint8_t> good = moduleCatalogBytes();
    for (size_t length = 0; length < good.size(); length += 7)
        EXPECT_THROW(ParameterCatalog::parse(std::span(good).first(length)), ResourceError)
            << length;

    std::vector<uint8_t> version = good;
    version[0] = 2;
    EXPECT_THROW(ParameterCatalog::parse(version), ResourceError);

    EXPECT_NO_THROW(ParameterCatalog::parse(oneField("amount", BRIVO_CATALOG_REAL)));
    EXPECT_THROW(ParameterCatalog::parse(oneField("amount", 0)), ResourceError);
    EXPECT_THROW(ParameterCatalog::parse(oneField("amount", 6)), ResourceError);

    // The same field twice, apart, would make its entries ambiguous.
    std::vector<uint8_t> split = oneField("a", BRIVO_CATALOG_REAL);
    const std::vector<uint8_t> b = oneField("b", BRIVO_CATALOG_REAL);
    const std::vector<uint8_t> a(split.begin() + 4, split.begin() + static_cast<long>(b.size()));
    split.insert(split.end(), b.begin() + 4, b.end());
    split.insert(split.end(), a.begin(), a.end());
    split[2] = 3;
    EXPECT_THROW(ParameterCatalog::parse(split), ResourceError);
}

}  // namespace
}  // namespace brivo::host
