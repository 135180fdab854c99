#include "app/parameter_options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <nlohmann/json.hpp>

#include "host/color/color_argument.h"
#include "host/files/bounded_read.h"
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
// The digits of a number written with a leading '+', which from_chars does not take.
const char* afterPlus(const std::string& text) {
    return text.size() > 1 && text[0] == '+' && text[1] != '-' ? text.data() + 1 : text.data();
}

double parseReal(std::string_view field, const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(afterPlus(text), end, value);
    if (text.empty() || error == std::errc::invalid_argument || stop != end)
        throw ParameterError(std::string(field) + ": " + shown(text) + " is not a number");
    if (error == std::errc::result_out_of_range)
        throw ParameterError(std::string(field) + ": " + shown(text) + " is out of range");
    return value;
}

int32_t parseColourComponent(std::string_view field, const std::string& text) {
    int32_t value = -1;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(afterPlus(text), end, value);
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

// The shapeFile the values hold, or null.
const std::string* shapeFileOf(const DescriptorValues& values) {
    const DescriptorValue* value = values.find(kKeyShapeFile);
    return value != nullptr ? std::get_if<std::string>(value) : nullptr;
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
    std::string text;
    try {
        text = host::readBoundedFile(path, "preset");
    } catch (const host::BoundedReadError& error) {
        throw ParameterError(error.what());
    }
    json preset;
    // The last field name the parser met, to say where a bad value (a number too large for
    // a double, say) is.
    std::string lastField;
    const json::parser_callback_t noteField = [&lastField](int, json::parse_event_t event,
                                                           json& parsed) {
        if (event == json::parse_event_t::key) lastField = parsed.get<std::string>();
        return true;
    };
    try {
        preset = json::parse(text, noteField);
    } catch (const json::exception& error) {
        throw ParameterError("preset " + path + ": not valid JSON" +
                             (lastField.empty() ? "" : " at the field \"" + lastField + "\"") +
                             " (" + error.what() + ")");
    }
    if (!preset.is_object())
        throw ParameterError("preset " + path + ": expected a JSON object of fields");
    DescriptorValues updated = values;
    try {
        for (const auto& [field, value] : preset.items())
            setParameter(updated, field, presetText(field, value));
        // A pattern named relative to the preset is looked for beside it first, so that a
        // preset and its pattern can be kept together.
        const std::string* shape = shapeFileOf(updated);
        if (preset.contains("shapeFile") && shape != nullptr && !shape->empty() &&
            std::filesystem::path(*shape).is_relative()) {
            const std::filesystem::path beside = std::filesystem::path(path).parent_path() / *shape;
            std::error_code error;
            if (std::filesystem::exists(beside, error))
                setParameter(updated, "shapeFile",
                             std::filesystem::absolute(beside, error).string());
        }
    } catch (const ParameterError& error) {
        throw ParameterError("preset " + path + ": " + error.what());
    }
    values = std::move(updated);
}

namespace {

void resolvePatternPath(DescriptorValues& values, const std::filesystem::path& patternFolder) {
    const std::string* text = shapeFileOf(values);
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
            throw ParameterError(error.what());
        }
        const std::string* shape = shapeFileOf(values);
        if (shape != nullptr && shape->find('\0') != std::string::npos)
            throw ParameterError("action " + *sources.action +
                                 ": shapeFile: the path contains a NUL character");
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
