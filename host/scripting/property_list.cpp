#include "host/scripting/property_list.h"

#include <algorithm>

#include "host/scripting/byte_reader.h"
#include "host/scripting/resource_reader.h"
#include "pluginapi/plugin_types.h"
#include "pluginapi/resource_section.h"

namespace brivo::host {

namespace {

constexpr uint32_t kModeKey = BRIVO_FOURCC('m', 'o', 'd', 'e');
constexpr uint32_t kTerminologyKey = BRIVO_FOURCC('h', 's', 't', 'm');
constexpr int32_t kModeBits = 16;

std::string untilNul(std::span<const uint8_t> bytes) {
    const auto end = std::ranges::find(bytes, uint8_t{0});
    return {bytes.begin(), end};
}

}  // namespace

PropertyList PropertyList::parse(std::span<const uint8_t> bytes) {
    ByteReader in(bytes, "the property list");
    in.u16();  // resource version
    in.u32();  // list version
    const uint32_t count = in.u32();
    PropertyList list;
    for (uint32_t i = 0; i < count; ++i) {
        Property property{in.u32(), in.u32(), in.u32(), {}};
        const uint32_t length = in.u32();
        const std::span<const uint8_t> data = in.span(length);
        property.data.assign(data.begin(), data.end());
        in.skip(
            std::min<size_t>((4 - length % 4) % 4, in.remaining()));  // the last may be unpadded
        list.properties_.push_back(std::move(property));
    }
    return list;
}

PropertyList PropertyList::ofModule(const std::filesystem::path& module) {
    const ResourceReader reader(module);
    const Resource* resource =
        reader.find(BRIVO_RESOURCE_PROPERTY_LIST, BRIVO_RESOURCE_PROPERTY_LIST_ID);
    if (!resource) throw ResourceError(module.string() + " carries no property list");
    return parse(resource->bytes);
}

const Property* PropertyList::find(uint32_t key) const {
    const auto found = std::ranges::find(properties_, key, &Property::key);
    return found == properties_.end() ? nullptr : &*found;
}

std::optional<uint32_t> PropertyList::word(uint32_t key) const {
    const Property* property = find(key);
    if (!property || property->data.size() < 4) return std::nullopt;
    return ByteReader(property->data, "").u32();
}

std::optional<std::string> PropertyList::pascal(uint32_t key) const {
    const Property* property = find(key);
    if (!property || property->data.empty() || property->data[0] >= property->data.size())
        return std::nullopt;
    return ByteReader(property->data, "").pascal();
}

std::optional<std::string> PropertyList::cString(uint32_t key) const {
    const Property* property = find(key);
    if (!property) return std::nullopt;
    return untilNul(property->data);
}

std::optional<TerminologyLink> PropertyList::terminologyLink() const {
    const Property* property = find(kTerminologyKey);
    if (!property) return std::nullopt;
    try {
        ByteReader in(property->data, "the terminology link");
        TerminologyLink link{in.u32(), in.u32(), in.u32(), static_cast<int16_t>(in.u16()), {}};
        link.uniqueId = untilNul(in.span(in.remaining()));
        return link;
    } catch (const ResourceError&) {
        return std::nullopt;
    }
}

bool PropertyList::offersMode(int32_t imageMode) const {
    const Property* property = find(kModeKey);
    if (!property || property->data.size() < 2 || imageMode < 0 || imageMode >= kModeBits)
        return false;
    const uint32_t flags = uint32_t{property->data[0]} << 8 | property->data[1];
    return (flags >> (kModeBits - 1 - imageMode) & 1) != 0;
}

std::vector<int32_t> PropertyList::offeredModes() const {
    std::vector<int32_t> modes;
    for (int32_t mode = 0; mode < kModeBits; ++mode)
        if (offersMode(mode)) modes.push_back(mode);
    return modes;
}

}  // namespace brivo::host
