#include "app/parameter_options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "host/color/color_argument.h"
#include "host/scripting/action_file.h"

namespace brivo::app {

namespace {

using host::CatalogEntry;
using host::CatalogType;
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

host::EnumeratedValue parseEnumerator(const CatalogEntry& entry, const std::string& text) {
    const auto& enumerators = entry.enumerators;
    for (size_t i = 0; i < enumerators.size(); ++i) {
        const bool byName = equalIgnoringCase(text, enumerators[i].name);
        if (byName || text == std::to_string(i))
            return {entry.enumerationType, enumerators[i].code};
    }
    std::string names;
    for (size_t i = 0; i < enumerators.size(); ++i) names += (i ? ", " : "") + enumerators[i].name;
    throw ParameterError(entry.field + ": " + shown(text) + " is not one of " + names +
                         " (or their indices 0 to " +
                         std::to_string(enumerators.empty() ? 0 : enumerators.size() - 1) + ")");
}

bool parseBoolean(std::string_view field, const std::string& text) {
    if (equalIgnoringCase(text, "true") || text == "1") return true;
    if (equalIgnoringCase(text, "false") || text == "0") return false;
    throw ParameterError(std::string(field) + ": " + shown(text) + " is not true or false");
}

void putPath(DescriptorValues& values, const CatalogEntry& entry, std::string_view text) {
    if (text.find('\0') != std::string_view::npos)
        throw ParameterError(entry.field + ": the path contains a NUL character");
    // The limit comes from the module's file: anything but a sensible length means none.
    const bool limited = entry.maximum >= 0 && entry.maximum < 1e15;
    const auto longest = limited ? static_cast<size_t>(entry.maximum) : SIZE_MAX;
    if (text.size() > longest)
        throw ParameterError(entry.field + ": the path is " + std::to_string(text.size()) +
                             " bytes long; at most " + std::to_string(longest) + " are allowed");
    values.put(entry.key, std::string(text));
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

void ParameterSetter::set(DescriptorValues& values, std::string_view field, std::string_view text) {
    const std::span<const CatalogEntry> entries = catalog_.field(field);
    if (entries.empty())
        throw ParameterError("unknown field " + shown(field) + "; did you mean " +
                             catalog_.nearestField(field) + "? (brivo info lists them all)");
    const CatalogEntry& first = entries.front();
    if (first.type == CatalogType::path) return putPath(values, first, text);

    const std::vector<std::string> parts =
        entries.size() > 1 ? splitList(text) : std::vector<std::string>{trimmed(text)};
    if (parts.size() != entries.size())
        throw ParameterError(std::string(field) + ": expected " + std::to_string(entries.size()) +
                             " comma-separated values, got " + std::to_string(parts.size()));
    // Every part is checked before any is stored, so a bad value changes nothing.
    std::vector<host::DescriptorValue> parsed;
    std::vector<std::string> outOfRange;
    for (size_t i = 0; i < entries.size(); ++i) {
        switch (entries[i].type) {
            case CatalogType::enumerated:
                parsed.emplace_back(parseEnumerator(entries[i], parts[i]));
                break;
            case CatalogType::real: {
                const double value = parseReal(field, parts[i]);
                if (value < entries[i].minimum || value > entries[i].maximum)
                    outOfRange.push_back(std::string(field) + ": " + parts[i] +
                                         " is outside the dialog's range " +
                                         host::rangeText(entries[i]) + "; used as given");
                parsed.emplace_back(value);
                break;
            }
            case CatalogType::xyz:
                parsed.emplace_back(parseColourComponent(field, parts[i]));
                break;
            case CatalogType::ignored:
                parsed.emplace_back(parseBoolean(field, parts[i]));
                break;
            case CatalogType::path:
                break;  // handled above
        }
    }
    for (size_t i = 0; i < entries.size(); ++i) values.put(entries[i].key, std::move(parsed[i]));
    warnings_.insert(warnings_.end(), outOfRange.begin(), outOfRange.end());
}

void ParameterSetter::applySetting(DescriptorValues& values, std::string_view setting) {
    const size_t equals = setting.find('=');
    if (equals == std::string_view::npos)
        throw ParameterError("--set " + shown(setting) + ": expected FIELD=VALUE");
    set(values, trimmed(setting.substr(0, equals)), setting.substr(equals + 1));
}

void ParameterSetter::applyPreset(DescriptorValues& values, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ParameterError("cannot read the preset " + path);
    std::ostringstream text;
    text << in.rdbuf();
    json preset;
    try {
        preset = json::parse(text.str());
    } catch (const json::parse_error& error) {
        throw ParameterError("preset " + path + ": not valid JSON (" + error.what() + ")");
    }
    if (!preset.is_object())
        throw ParameterError("preset " + path + ": expected a JSON object of fields");
    DescriptorValues updated = values;
    try {
        for (const auto& [field, value] : preset.items())
            set(updated, field, presetText(field, value));
    } catch (const ParameterError& error) {
        throw ParameterError("preset " + path + ": " + error.what());
    }
    values = std::move(updated);
}

namespace {

// A relative path becomes the file in the current folder, or else the one of that name in
// patternFolder.
std::optional<std::string> resolvedPath(const std::string& text,
                                        const std::filesystem::path& patternFolder) {
    const std::filesystem::path given(text);
    if (text.empty() || given.is_absolute()) return std::nullopt;
    std::error_code error;
    std::filesystem::path found = std::filesystem::absolute(given, error);
    if (!std::filesystem::exists(found, error) && !patternFolder.empty() &&
        std::filesystem::exists(patternFolder / given, error))
        found = std::filesystem::absolute(patternFolder / given, error);
    if (error) return std::nullopt;
    return found.string();
}

// The field of colour components that --color sets: the module's one XYZ colour.
std::string colourField(const host::ParameterCatalog& catalog) {
    for (const std::string& name : catalog.fieldNames()) {
        const auto entries = catalog.field(name);
        if (entries.size() == 3 && std::ranges::all_of(entries, [](const CatalogEntry& e) {
                return e.type == CatalogType::xyz;
            }))
            return name;
    }
    throw ParameterError("--color: the module has no colour parameter");
}

}  // namespace

GatheredParameters gatherParameters(const ParameterSources& sources,
                                    const host::ParameterCatalog& catalog) {
    ParameterSetter setter(catalog);
    DescriptorValues values;
    if (sources.action) {
        try {
            values = host::loadAction(*sources.action);
        } catch (const host::ActionFileError& error) {
            throw ParameterError(std::string("action ") + error.what());
        }
    }
    if (sources.preset) setter.applyPreset(values, *sources.preset);
    if (sources.color) {
        host::Xyz16 xyz{};
        try {
            xyz = host::xyzFromSrgbHex(*sources.color);
        } catch (const std::invalid_argument&) {
            throw ParameterError("--color " + shown(*sources.color) + ": expected #RRGGBB");
        }
        setter.set(
            values, colourField(catalog),
            std::to_string(xyz[0]) + ',' + std::to_string(xyz[1]) + ',' + std::to_string(xyz[2]));
    }
    for (const std::string& setting : sources.sets) setter.applySetting(values, setting);
    for (const CatalogEntry& entry : catalog.entries()) {
        if (entry.type != CatalogType::path) continue;
        const DescriptorValue* value = values.find(entry.key);
        const std::string* text = value != nullptr ? std::get_if<std::string>(value) : nullptr;
        if (text == nullptr) continue;
        if (const auto resolved = resolvedPath(*text, sources.patternFolder))
            setter.set(values, entry.field, *resolved);
    }
    return {std::move(values), setter.warnings()};
}

}  // namespace brivo::app
