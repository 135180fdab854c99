#include "app/parameter_options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "host/color/color_argument.h"
#include "host/scripting/action_file.h"
#include "plugin/shell/parameter_table.h"

namespace brivo::app {

namespace {

using host::DescriptorValue;
using host::DescriptorValues;
using nlohmann::json;

// A value quoted in a message, cut short so that a huge argument stays readable.
std::string shown(std::string_view text) {
    constexpr size_t kShown = 40;
    return '"' + std::string(text.substr(0, kShown)) + (text.size() > kShown ? "...\"" : "\"");
}

std::string trimmed(std::string_view text) {
    const auto space = [](unsigned char c) { return std::isspace(c) != 0; };
    while (!text.empty() && space(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && space(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return std::string(text);
}

std::vector<std::string> splitList(std::string_view text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t comma = text.find(',');; comma = text.find(',', start)) {
        parts.push_back(trimmed(text.substr(start, comma - start)));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return parts;
}

// The whole text as a double; NaN and infinities are numbers too.
double parseReal(std::string_view field, const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error == std::errc::invalid_argument || stop != end)
        throw ParameterError(std::string(field) + ": " + shown(text) + " is not a number");
    if (error == std::errc::result_out_of_range)
        throw ParameterError(std::string(field) + ": " + shown(text) + " is out of range");
    return value;
}

int32_t parseColourComponent(std::string_view field, const std::string& text) {
    int32_t value = -1;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < 0 || value > 65535)
        throw ParameterError(std::string(field) + ": " + shown(text) +
                             " is not an integer from 0 to 65535");
    return value;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

host::EnumeratedValue parseEnumerator(const ParameterField& field, const std::string& text) {
    const Enumeration& enumeration = *field.enumeration;
    for (size_t i = 0; i < enumeration.enumerators.size(); ++i) {
        const bool byName = equalIgnoringCase(text, enumeration.enumerators[i].name);
        if (byName || text == std::to_string(i))
            return {enumeration.type, enumeration.enumerators[i].code};
    }
    std::string names;
    for (size_t i = 0; i < enumeration.enumerators.size(); ++i)
        names += (i ? ", " : "") + std::string(enumeration.enumerators[i].name);
    throw ParameterError(std::string(field.name) + ": " + shown(text) + " is not one of " + names +
                         " (or their indices 0 to " +
                         std::to_string(enumeration.enumerators.size() - 1) + ")");
}

void putPath(DescriptorValues& values, const ParameterField& field, std::string_view text) {
    if (text.find('\0') != std::string_view::npos)
        throw ParameterError(std::string(field.name) + ": the path contains a NUL character");
    if (text.size() > ShapePath::kMaxLength)
        throw ParameterError(std::string(field.name) + ": the path is " +
                             std::to_string(text.size()) + " bytes long; at most " +
                             std::to_string(ShapePath::kMaxLength) + " are allowed");
    values.put(field.key, std::string(text));
}

// Text for one preset value: strings as they are, numbers as JSON writes them, arrays of
// numbers joined by commas.
std::string presetText(const std::string& field, const json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number()) return value.dump();
    if (value.is_array()) {
        std::string text;
        for (const json& element : value) {
            if (!element.is_number() && !element.is_string())
                throw ParameterError(field + ": the list may hold only numbers");
            if (!text.empty()) text += ',';
            text += element.is_string() ? element.get<std::string>() : element.dump();
        }
        return text;
    }
    throw ParameterError(field + ": expected a string, a number or a list of numbers");
}

}  // namespace

void setParameter(DescriptorValues& values, std::string_view field, std::string_view text) {
    const std::span<const ParameterField> entries = findParametersByName(field);
    if (entries.empty()) throw ParameterError("unknown field " + shown(field));
    const ParameterField& first = entries.front();
    if (first.type == ParameterType::path) return putPath(values, first, text);

    const std::vector<std::string> parts =
        entries.size() > 1 ? splitList(text) : std::vector<std::string>{trimmed(text)};
    if (parts.size() != entries.size())
        throw ParameterError(std::string(field) + ": expected " + std::to_string(entries.size()) +
                             " comma-separated values, got " + std::to_string(parts.size()));
    // Every part is checked before any is stored, so a bad value changes nothing.
    std::vector<host::DescriptorValue> parsed;
    for (size_t i = 0; i < entries.size(); ++i) {
        switch (entries[i].type) {
            case ParameterType::enumerated:
                parsed.emplace_back(parseEnumerator(entries[i], parts[i]));
                break;
            case ParameterType::real:
                parsed.emplace_back(parseReal(field, parts[i]));
                break;
            case ParameterType::colour:
                parsed.emplace_back(parseColourComponent(field, parts[i]));
                break;
            case ParameterType::path:
                break;  // handled above
        }
    }
    for (size_t i = 0; i < entries.size(); ++i) values.put(entries[i].key, std::move(parsed[i]));
}

void applySetting(DescriptorValues& values, std::string_view setting) {
    const size_t equals = setting.find('=');
    if (equals == std::string_view::npos)
        throw ParameterError("--set " + shown(setting) + ": expected FIELD=VALUE");
    setParameter(values, trimmed(setting.substr(0, equals)), setting.substr(equals + 1));
}

void applyPreset(DescriptorValues& values, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ParameterError("cannot read the preset " + path);
    std::ostringstream text;
    text << in.rdbuf();
    json preset;
    try {
        preset = json::parse(text.str());
    } catch (const json::exception& error) {
        throw ParameterError("preset " + path + ": not valid JSON (" + error.what() + ")");
    }
    if (!preset.is_object())
        throw ParameterError("preset " + path + ": expected a JSON object of fields");
    DescriptorValues updated = values;
    try {
        for (const auto& [field, value] : preset.items())
            setParameter(updated, field, presetText(field, value));
    } catch (const ParameterError& error) {
        throw ParameterError("preset " + path + ": " + error.what());
    }
    values = std::move(updated);
}

namespace {

void resolvePatternPath(DescriptorValues& values, const std::filesystem::path& patternFolder) {
    const DescriptorValue* value = values.find(kKeyShapeFile);
    const std::string* text = value != nullptr ? std::get_if<std::string>(value) : nullptr;
    if (text == nullptr || text->empty()) return;
    const std::filesystem::path given(*text);
    if (given.is_absolute()) return;
    std::error_code error;
    std::filesystem::path found = std::filesystem::absolute(given, error);
    if (!std::filesystem::exists(found, error) && !patternFolder.empty() &&
        std::filesystem::exists(patternFolder / given, error))
        found = std::filesystem::absolute(patternFolder / given, error);
    if (error) return;
    setParameter(values, "shapeFile", found.string());
}

}  // namespace

DescriptorValues gatherParameters(const ParameterSources& sources) {
    DescriptorValues values;
    if (sources.action) {
        try {
            values = host::loadAction(*sources.action);
        } catch (const host::ActionFileError& error) {
            throw ParameterError(std::string("action ") + error.what());
        }
    }
    if (sources.preset) applyPreset(values, *sources.preset);
    if (sources.color) {
        try {
            const host::Xyz16 xyz = host::xyzFromSrgbHex(*sources.color);
            setParameter(values, "lightColor",
                         std::to_string(xyz[0]) + ',' + std::to_string(xyz[1]) + ',' +
                             std::to_string(xyz[2]));
        } catch (const std::invalid_argument& error) {
            throw ParameterError("--color " + shown(*sources.color) + ": expected #RRGGBB");
        }
    }
    for (const std::string& setting : sources.sets) applySetting(values, setting);
    resolvePatternPath(values, sources.patternFolder);
    return values;
}

}  // namespace brivo::app
