// Builds resource bytes at compile time. A writer function runs twice over a ByteSink:
// once to count the bytes, once to store them into an array of exactly that size, which
// becomes one record of the module's resource section.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "resource_section.h"

namespace brivo::resources {

// Appends little-endian values; with no destination it only counts.
class ByteSink {
  public:
    constexpr explicit ByteSink(uint8_t* destination = nullptr) : destination_(destination) {}

    constexpr void byte(uint8_t value) {
        if (destination_ != nullptr) destination_[size_] = value;
        ++size_;
    }
    constexpr void int16(uint16_t value) {
        byte(static_cast<uint8_t>(value));
        byte(static_cast<uint8_t>(value >> 8));
    }
    constexpr void int32(uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) byte(static_cast<uint8_t>(value >> shift));
    }
    constexpr void real64(double value) {
        const auto bits = std::bit_cast<uint64_t>(value);
        int32(static_cast<uint32_t>(bits));
        int32(static_cast<uint32_t>(bits >> 32));
    }
    // A four-character code as a little-endian integer: its characters read reversed.
    constexpr void code(uint32_t fourcc) { int32(fourcc); }
    // A length byte, then the characters; no padding.
    constexpr void pascal(std::string_view text) {
        byte(static_cast<uint8_t>(text.size()));
        raw(text);
    }
    constexpr void raw(std::string_view text) {
        for (char c : text) byte(static_cast<uint8_t>(c));
    }
    constexpr size_t size() const { return size_; }

  private:
    uint8_t* destination_;
    size_t size_ = 0;
};

using ResourceWriter = void (*)(ByteSink&);

template <size_t length>
struct ResourceRecord {
    BrivoResourceHeader header;
    std::array<uint8_t, (length + 3) / 4 * 4> bytes;
};

template <ResourceWriter write>
constexpr size_t resourceLength() {
    ByteSink counter;
    write(counter);
    return counter.size();
}

// The record of resource type/id whose bytes write produces.
template <uint32_t type, int32_t id, ResourceWriter write>
constexpr auto makeResourceRecord() {
    constexpr size_t length = resourceLength<write>();
    ResourceRecord<length> record{
        {BRIVO_RESOURCE_RECORD_MAGIC, type, id, static_cast<uint32_t>(length)}, {}};
    ByteSink sink(record.bytes.data());
    write(sink);
    return record;
}

}  // namespace brivo::resources

// Places a resource record in the module's resource section and keeps it there.
#define BRIVO_RESOURCE_RECORD \
    [[gnu::section(BRIVO_RESOURCE_SECTION_NAME), gnu::used, gnu::aligned(4)]] constinit const
