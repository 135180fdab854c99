// A module's parameter catalog, read from its resource bytes: every value the module reads
// from its scripting descriptor, grouped into the module's named fields, with types,
// defaults, ranges and enumerators. Everything on the host side that names a parameter
// works from this, never from knowledge of a particular module.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brivo::host {

enum class CatalogType : uint8_t {
    enumerated = 1,  // one of the enumerators, sent as an enumerated value
    real = 2,        // a number, sent as a float
    xyz = 3,         // a 16-bit colour component (32768 = white's), sent as an integer
    path = 4,        // a file path, sent as text
    ignored = 5,     // a boolean the module accepts and ignores
};

struct CatalogEnumerator {
    uint32_t code;
    std::string name;
};

// One descriptor key of a field.
struct CatalogEntry {
    std::string field;
    uint8_t component;
    uint32_t key;
    CatalogType type;
    double defaultValue;  // an index for an enumeration
    double minimum;       // the dialog's range; infinities mean unbounded
    double maximum;
    uint32_t enumerationType;
    std::vector<CatalogEnumerator> enumerators;
};

class ParameterCatalog {
  public:
    // Throws ResourceError for bytes that end early, an unknown version or value type, or a
    // field whose entries are not together.
    static ParameterCatalog parse(std::span<const uint8_t> bytes);
    // The catalog the module file carries; ResourceError when it has none.
    static ParameterCatalog ofModule(const std::filesystem::path& module);

    const std::vector<CatalogEntry>& entries() const { return entries_; }
    // The field names, each once, in catalog order.
    std::vector<std::string> fieldNames() const;
    // The entries of the field called name, in component order; empty for an unknown name.
    std::span<const CatalogEntry> field(std::string_view name) const;
    // The known field name closest to name by edit distance (letter case ignored).
    std::string nearestField(std::string_view name) const;

  private:
    std::vector<CatalogEntry> entries_;
};

// "0 to 600"; "any" when unbounded both ways, "infinity" or "-infinity" for one open end.
std::string rangeText(const CatalogEntry& entry);
// A number as a person writes it: 100, 0.5, -infinity.
std::string numberText(double value);

// Readable names: "enumeration", "number", "colour component", "path", "ignored".
std::string_view catalogTypeName(CatalogType type);

}  // namespace brivo::host
