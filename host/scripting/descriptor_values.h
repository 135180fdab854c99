// A scripting descriptor as the host keeps it: keyed, typed values in the order put.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "pluginapi/descriptor_parameters.h"

namespace brivo::host {

struct EnumeratedValue {
    DescriptorEnumTypeID type;
    DescriptorEnumID code;
    bool operator==(const EnumeratedValue&) const = default;
};

// integer, float, enumerated, boolean, text (any length, any bytes).
using DescriptorValue = std::variant<int32_t, double, EnumeratedValue, bool, std::string>;

// The descriptor type of a value: typeInteger, typeFloat, typeEnumerated, typeBoolean
// or typeChar.
DescType typeOf(const DescriptorValue& value);

struct DescriptorItem {
    DescriptorKeyID key;
    DescriptorValue value;
};

class DescriptorValues {
  public:
    // Replaces the value under key in its place, or appends it.
    void put(DescriptorKeyID key, DescriptorValue value);
    const DescriptorValue* find(DescriptorKeyID key) const;
    const std::vector<DescriptorItem>& items() const { return items_; }
    bool empty() const { return items_.empty(); }

    // A compact byte form for a host handle, and back. decode gives nothing for bytes
    // that are not a complete, well-formed encoding.
    std::vector<char> encode() const;
    static std::optional<DescriptorValues> decode(std::span<const char> bytes);

  private:
    std::vector<DescriptorItem> items_;
};

// A four-character code as its characters ("lBln"), and back; parsing gives nothing
// unless the text is exactly four characters.
std::string fourCharText(uint32_t code);
std::optional<uint32_t> parseFourChar(std::string_view text);

}  // namespace brivo::host
