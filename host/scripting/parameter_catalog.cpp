#include "host/scripting/parameter_catalog.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numeric>
#include <sstream>

#include "host/scripting/byte_reader.h"
#include "host/scripting/resource_reader.h"
#include "pluginapi/resource_section.h"

namespace brivo::host {

namespace {

CatalogType readType(ByteReader& in, const std::string& field) {
    const uint8_t type = in.u8();
    if (type < BRIVO_CATALOG_ENUMERATED || type > BRIVO_CATALOG_IGNORED)
        throw ResourceError("parameter catalog: field " + field + " has unknown value type " +
                            std::to_string(type));
    return static_cast<CatalogType>(type);
}

CatalogEntry readEntry(ByteReader& in) {
    CatalogEntry entry;
    entry.field = in.pascal();
    entry.component = in.u8();
    entry.key = in.u32();
    entry.type = readType(in, entry.field);
    entry.defaultValue = in.f64();
    entry.minimum = in.f64();
    entry.maximum = in.f64();
    entry.enumerationType = in.u32();
    const uint16_t count = in.u16();
    for (uint16_t i = 0; i < count; ++i) {
        const uint32_t code = in.u32();
        entry.enumerators.push_back({code, in.pascal()});
    }
    return entry;
}

size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), size_t{0});
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b[j - 1]));
            const size_t next = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = row[j];
            row[j] = next;
        }
    }
    return row[b.size()];
}

}  // namespace

ParameterCatalog ParameterCatalog::parse(std::span<const uint8_t> bytes) {
    ByteReader in(bytes, "parameter catalog");
    const uint16_t version = in.u16();
    if (version != BRIVO_CATALOG_VERSION)
        throw ResourceError("parameter catalog: unknown version " + std::to_string(version));
    const uint16_t count = in.u16();
    ParameterCatalog catalog;
    for (uint16_t i = 0; i < count; ++i) {
        CatalogEntry entry = readEntry(in);
        const auto& entries = catalog.entries_;
        const bool continues = !entries.empty() && entries.back().field == entry.field;
        if (!continues && !catalog.field(entry.field).empty())
            throw ResourceError("parameter catalog: the entries of field " + entry.field +
                                " are not together");
        catalog.entries_.push_back(std::move(entry));
    }
    return catalog;
}

ParameterCatalog ParameterCatalog::ofModule(const std::filesystem::path& module) {
    const ResourceReader reader(module);
    const Resource* resource = reader.find(BRIVO_RESOURCE_CATALOG, BRIVO_RESOURCE_CATALOG_ID);
    if (!resource) throw ResourceError(module.string() + " carries no parameter catalog");
    return parse(resource->bytes);
}

std::vector<std::string> ParameterCatalog::fieldNames() const {
    std::vector<std::string> names;
    for (const CatalogEntry& entry : entries_)
        if (names.empty() || names.back() != entry.field) names.push_back(entry.field);
    return names;
}

std::span<const CatalogEntry> ParameterCatalog::field(std::string_view name) const {
    const auto first = std::ranges::find(entries_, name, &CatalogEntry::field);
    const auto last = std::find_if(first, entries_.end(),
                                   [name](const CatalogEntry& e) { return e.field != name; });
    return {first, last};
}

std::string ParameterCatalog::nearestField(std::string_view name) const {
    std::string nearest;
    size_t best = SIZE_MAX;
    for (const std::string& candidate : fieldNames()) {
        const size_t distance = editDistance(name, candidate);
        if (distance < best) {
            best = distance;
            nearest = candidate;
        }
    }
    return nearest;
}

std::string numberText(double value) {
    if (std::isinf(value)) return value < 0 ? "-infinity" : "infinity";
    std::ostringstream out;
    out << value;
    return out.str();
}

std::string rangeText(const CatalogEntry& entry) {
    if (std::isinf(entry.minimum) && std::isinf(entry.maximum)) return "any";
    return numberText(entry.minimum) + " to " + numberText(entry.maximum);
}

std::string_view catalogTypeName(CatalogType type) {
    switch (type) {
        case CatalogType::enumerated:
            return "enumeration";
        case CatalogType::real:
            return "number";
        case CatalogType::xyz:
            return "colour component";
        case CatalogType::path:
            return "path";
        case CatalogType::ignored:
            return "ignored";
    }
    return "unknown";
}

}  // namespace brivo::host
