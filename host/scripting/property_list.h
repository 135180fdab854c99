// A module's property list, read from its resource bytes: what the module is, its entry
// point, the image modes it works on and where its terminology is.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace brivo::host {

struct Property {
    uint32_t vendor;
    uint32_t key;
    uint32_t id;
    std::vector<uint8_t> data;  // without the padding
};

// The has-terminology property: which event of which terminology resource the module's
// scripting uses.
struct TerminologyLink {
    uint32_t version;
    uint32_t eventClass;
    uint32_t eventId;
    int16_t terminologyId;
    std::string uniqueId;
};

class PropertyList {
  public:
    // Throws ResourceError when the bytes end before the properties they announce, or a
    // property's length reaches past them.
    static PropertyList parse(std::span<const uint8_t> bytes);
    // The property list (PIPL 16000) a module file carries; throws ResourceError when the
    // file has none or it cannot be read.
    static PropertyList ofModule(const std::filesystem::path& module);

    const std::vector<Property>& properties() const { return properties_; }
    const Property* find(uint32_t key) const;

    // Property values by meaning; nothing when the property is absent or too short.
    std::optional<uint32_t> word(uint32_t key) const;        // a number or four-character code
    std::optional<std::string> pascal(uint32_t key) const;   // a length-prefixed string
    std::optional<std::string> cString(uint32_t key) const;  // text up to the first NUL
    std::optional<TerminologyLink> terminologyLink() const;

    // The image modes the mode property offers: bit (15 - mode) of its first two bytes,
    // read as a big-endian word. No mode property offers nothing.
    bool offersMode(int32_t imageMode) const;
    std::vector<int32_t> offeredModes() const;

  private:
    std::vector<Property> properties_;
};

}  // namespace brivo::host
