#include "host/scripting/descriptor_values.h"

#include <algorithm>
#include <cstring>

namespace brivo::host {

namespace {

constexpr uint32_t kEncodingMagic = BRIVO_FOURCC('B', 'D', 's', 'c');

template <class T>
void append(std::vector<char>& out, const T& value) {
    const size_t at = out.size();
    out.resize(at + sizeof value);
    std::memcpy(out.data() + at, &value, sizeof value);
}

// Reads fixed-size values from a byte span, failing rather than reading past its end.
class ByteSource {
  public:
    explicit ByteSource(std::span<const char> bytes) : bytes_(bytes) {}
    template <class T>
    bool read(T& value) {
        if (bytes_.size() - position_ < sizeof value) return false;
        std::memcpy(&value, bytes_.data() + position_, sizeof value);
        position_ += sizeof value;
        return true;
    }
    bool readText(std::string& text, uint32_t length) {
        if (bytes_.size() - position_ < length) return false;
        text.assign(bytes_.data() + position_, length);
        position_ += length;
        return true;
    }
    bool atEnd() const { return position_ == bytes_.size(); }

  private:
    std::span<const char> bytes_;
    size_t position_ = 0;
};

std::optional<DescriptorValue> readValue(ByteSource& source, DescType type) {
    switch (type) {
        case typeInteger: {
            int32_t value;
            if (source.read(value)) return value;
            break;
        }
        case typeFloat: {
            double value;
            if (source.read(value)) return value;
            break;
        }
        case typeEnumerated: {
            EnumeratedValue value;
            if (source.read(value.type) && source.read(value.code)) return value;
            break;
        }
        case typeBoolean: {
            uint8_t value;
            if (source.read(value)) return value != 0;
            break;
        }
        case typeChar: {
            uint32_t length;
            std::string text;
            if (source.read(length) && source.readText(text, length)) return text;
            break;
        }
        default:
            break;
    }
    return std::nullopt;
}

}  // namespace

DescType typeOf(const DescriptorValue& value) {
    constexpr DescType types[] = {typeInteger, typeFloat, typeEnumerated, typeBoolean, typeChar};
    return types[value.index()];
}

void DescriptorValues::put(DescriptorKeyID key, DescriptorValue value) {
    auto found = std::ranges::find(items_, key, &DescriptorItem::key);
    if (found != items_.end())
        found->value = std::move(value);
    else
        items_.push_back({key, std::move(value)});
}

const DescriptorValue* DescriptorValues::find(DescriptorKeyID key) const {
    auto found = std::ranges::find(items_, key, &DescriptorItem::key);
    return found == items_.end() ? nullptr : &found->value;
}

std::vector<char> DescriptorValues::encode() const {
    std::vector<char> out;
    append(out, kEncodingMagic);
    append(out, static_cast<uint32_t>(items_.size()));
    for (const DescriptorItem& item : items_) {
        append(out, item.key);
        append(out, typeOf(item.value));
        std::visit(
            [&out](const auto& value) {
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, EnumeratedValue>) {
                    append(out, value.type);
                    append(out, value.code);
                } else if constexpr (std::is_same_v<T, bool>) {
                    append(out, static_cast<uint8_t>(value));
                } else if constexpr (std::is_same_v<T, std::string>) {
                    append(out, static_cast<uint32_t>(value.size()));
                    const size_t at = out.size();
                    out.resize(at + value.size());
                    value.copy(out.data() + at, value.size());
                } else {
                    append(out, value);
                }
            },
            item.value);
    }
    return out;
}

std::optional<DescriptorValues> DescriptorValues::decode(std::span<const char> bytes) {
    ByteSource source(bytes);
    uint32_t magic = 0;
    uint32_t count = 0;
    if (!source.read(magic) || magic != kEncodingMagic || !source.read(count)) return std::nullopt;
    DescriptorValues values;
    for (uint32_t i = 0; i < count; ++i) {
        DescriptorKeyID key;
        DescType type;
        if (!source.read(key) || !source.read(type)) return std::nullopt;
        std::optional<DescriptorValue> value = readValue(source, type);
        if (!value) return std::nullopt;
        values.put(key, std::move(*value));
    }
    if (!source.atEnd()) return std::nullopt;
    return values;
}

std::string fourCharText(uint32_t code) {
    return {static_cast<char>(code >> 24), static_cast<char>(code >> 16),
            static_cast<char>(code >> 8), static_cast<char>(code)};
}

std::optional<uint32_t> parseFourChar(std::string_view text) {
    if (text.size() != 4) return std::nullopt;
    return BRIVO_FOURCC(text[0], text[1], text[2], text[3]);
}

}  // namespace brivo::host
