#include "host/scripting/action_file.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "host/files/bounded_read.h"

namespace brivo::host {

namespace {

using nlohmann::json;

constexpr const char* kFormatName = "brivo-action";
constexpr int kFormatVersion = 1;

// JSON has no NaN or infinities: those travel as strings.
json floatToJson(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    return value;
}

double floatFromJson(const json& value, const std::string& where) {
    if (value.is_number()) return value.get<double>();
    if (value == "nan") return std::numeric_limits<double>::quiet_NaN();
    if (value == "inf") return std::numeric_limits<double>::infinity();
    if (value == "-inf") return -std::numeric_limits<double>::infinity();
    throw ActionFileError(where + ": not a number");
}

bool isValidUtf8(const std::string& text) {
    try {
        (void)json(text).dump();
        return true;
    } catch (const json::type_error&) {
        return false;
    }
}

std::string toHex(const std::string& bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char byte : bytes) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

std::string fromHex(const std::string& hex, const std::string& where) {
    if (hex.size() % 2 != 0) throw ActionFileError(where + ": odd number of hex digits");
    std::string bytes;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const auto digit = [&](char c) {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            throw ActionFileError(where + ": not a hex digit");
        };
        bytes += static_cast<char>(digit(hex[i]) * 16 + digit(hex[i + 1]));
    }
    return bytes;
}

json codeToJson(uint32_t code) {
    const std::string text = fourCharText(code);
    for (char c : text)
        if (c < 0x20 || c > 0x7e) return code;
    return text;
}

uint32_t codeFromJson(const json& value, const std::string& where) {
    if (value.is_number_unsigned() && value.get<uint64_t>() <= 0xffffffffu)
        return static_cast<uint32_t>(value.get<uint64_t>());
    if (value.is_string())
        if (std::optional<uint32_t> code = parseFourChar(value.get<std::string>())) return *code;
    throw ActionFileError(where + ": not a four-character code");
}

json itemToJson(const DescriptorItem& item) {
    json out{{"key", codeToJson(item.key)}};
    std::visit(
        [&out](const auto& value) {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, int32_t>) {
                out["type"] = "integer";
                out["value"] = value;
            } else if constexpr (std::is_same_v<T, double>) {
                out["type"] = "float";
                out["value"] = floatToJson(value);
            } else if constexpr (std::is_same_v<T, EnumeratedValue>) {
                out["type"] = "enumerated";
                out["enumType"] = codeToJson(value.type);
                out["value"] = codeToJson(value.code);
            } else if constexpr (std::is_same_v<T, bool>) {
                out["type"] = "boolean";
                out["value"] = value;
            } else if (isValidUtf8(value)) {
                out["type"] = "text";
                out["value"] = value;
            } else {
                out["type"] = "text";
                out["hex"] = toHex(value);
            }
        },
        item.value);
    return out;
}

DescriptorValue valueFromJson(const json& item, const std::string& type, const std::string& where) {
    const auto value = [&]() -> const json& {
        if (!item.contains("value")) throw ActionFileError(where + ": no value");
        return item.at("value");
    };
    if (type == "integer") {
        const json& number = value();
        if (!number.is_number_integer() ||
            number.get<int64_t>() < std::numeric_limits<int32_t>::min() ||
            number.get<int64_t>() > std::numeric_limits<int32_t>::max())
            throw ActionFileError(where + ": not a 32-bit integer");
        return static_cast<int32_t>(number.get<int64_t>());
    }
    if (type == "float") return floatFromJson(value(), where);
    if (type == "enumerated") {
        if (!item.contains("enumType")) throw ActionFileError(where + ": no enumType");
        return EnumeratedValue{codeFromJson(item.at("enumType"), where),
                               codeFromJson(value(), where)};
    }
    if (type == "boolean") {
        if (!value().is_boolean()) throw ActionFileError(where + ": not true or false");
        return value().get<bool>();
    }
    if (type == "text") {
        if (item.contains("hex") && item.at("hex").is_string())
            return fromHex(item.at("hex").get<std::string>(), where);
        if (!value().is_string()) throw ActionFileError(where + ": not a string");
        return value().get<std::string>();
    }
    throw ActionFileError(where + ": unknown type \"" + type + "\"");
}

}  // namespace

std::string actionToJson(const DescriptorValues& values) {
    json items = json::array();
    for (const DescriptorItem& item : values.items()) items.push_back(itemToJson(item));
    const json document{{"format", kFormatName}, {"version", kFormatVersion}, {"items", items}};
    return document.dump(2) + "\n";
}

DescriptorValues actionFromJson(const std::string& text) {
    json document;
    try {
        document = json::parse(text);
    } catch (const json::parse_error& error) {
        throw ActionFileError(std::string("not JSON: ") + error.what());
    }
    if (!document.is_object() || document.value("format", json()) != kFormatName)
        throw ActionFileError("not a brivo action (\"format\" is not \"brivo-action\")");
    if (document.value("version", json()) != kFormatVersion)
        throw ActionFileError("unsupported action version");
    if (!document.contains("items") || !document.at("items").is_array())
        throw ActionFileError("no \"items\" array");
    DescriptorValues values;
    size_t index = 0;
    for (const json& item : document.at("items")) {
        std::string where = "item " + std::to_string(index++);
        if (!item.is_object() || !item.contains("key") || !item.contains("type") ||
            !item.at("type").is_string())
            throw ActionFileError(where + ": needs \"key\" and \"type\"");
        const uint32_t key = codeFromJson(item.at("key"), where);
        where += " (" + fourCharText(key) + ")";
        values.put(key, valueFromJson(item, item.at("type").get<std::string>(), where));
    }
    return values;
}

void saveAction(const std::filesystem::path& path, const DescriptorValues& values) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << actionToJson(values);
    if (!out.flush()) throw ActionFileError("cannot write " + path.string());
}

DescriptorValues loadAction(const std::filesystem::path& path) {
    std::string text;
    try {
        text = readBoundedFile(path.string(), "action");
    } catch (const BoundedReadError& error) {
        throw ActionFileError(error.what());
    }
    try {
        return actionFromJson(text);
    } catch (const ActionFileError& error) {
        throw ActionFileError("action " + path.string() + ": " + error.what());
    }
}

}  // namespace brivo::host
