// Reads little-endian fields of a resource one after the other, refusing to read past
// its end.
#pragma once

#include <bit>
#include <cstdint>
#include <span>
#include <string>

#include "host/scripting/resource_reader.h"

namespace brivo::host {

class ByteReader {
  public:
    // what names the resource in error messages.
    ByteReader(std::span<const uint8_t> bytes, std::string what)
        : bytes_(bytes), what_(std::move(what)) {}

    uint8_t u8() { return static_cast<uint8_t>(take(1)); }
    uint16_t u16() { return static_cast<uint16_t>(take(2)); }
    uint32_t u32() { return static_cast<uint32_t>(take(4)); }
    // An IEEE 754 binary64 bit pattern.
    double f64() { return std::bit_cast<double>(take(8)); }
    // A length byte, then that many characters.
    std::string pascal() { return text(u8()); }
    std::string text(size_t length) {
        const std::span<const uint8_t> chars = span(length);
        return {chars.begin(), chars.end()};
    }
    std::span<const uint8_t> span(size_t length) {
        need(length);
        const std::span<const uint8_t> part = bytes_.subspan(at_, length);
        at_ += length;
        return part;
    }
    void skip(size_t length) { span(length); }
    size_t remaining() const { return bytes_.size() - at_; }

  private:
    void need(size_t length) const {
        if (length > remaining())
            throw ResourceError(what_ + " ends early, at byte " + std::to_string(bytes_.size()));
    }
    uint64_t take(size_t size) {
        need(size);
        uint64_t value = 0;
        for (size_t i = 0; i < size; ++i) value |= uint64_t{bytes_[at_ + i]} << (8 * i);
        at_ += size;
        return value;
    }

    std::span<const uint8_t> bytes_;
    std::string what_;
    size_t at_ = 0;
};

}  // namespace brivo::host
