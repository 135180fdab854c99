#include "app/info_command.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <iomanip>
#include <iostream>
#include <optional>
#include <span>
#include <vector>

#include "app/mode_names.h"
#include "host/scripting/descriptor_values.h"
#include "host/scripting/parameter_catalog.h"
#include "host/scripting/property_list.h"
#include "host/scripting/resource_reader.h"
#include "host/scripting/terminology.h"
#include "pluginapi/plugin_types.h"
#include "pluginapi/resource_section.h"

namespace brivo::app {

namespace {

using host::fourCharText;

constexpr uint32_t key(char a, char b, char c, char d) {
    return BRIVO_FOURCC(a, b, c, d);
}

std::string hex(uint32_t value) {
    std::ostringstream out;
    out << "0x" << std::hex << std::setw(4) << std::setfill('0') << value;
    return out.str();
}

template <class T>
std::string orMissing(const std::optional<T>& value) {
    if (!value) return "(missing)";
    if constexpr (std::is_same_v<T, std::string>)
        return *value;
    else
        return fourCharText(*value);
}

void printProperties(const host::PropertyList& properties) {
    const std::optional<uint32_t> version = properties.word(key('v', 'e', 'r', 's'));
    const std::optional<uint32_t> kind = properties.word(key('k', 'i', 'n', 'd'));
    std::cout << "kind: " << orMissing(kind)
              << (kind == key('8', 'B', 'F', 'M') ? " (filter module)" : "") << '\n'
              << "menu name: " << orMissing(properties.pascal(key('n', 'a', 'm', 'e'))) << '\n'
              << "category: " << orMissing(properties.pascal(key('c', 'a', 't', 'g'))) << '\n'
              << "version: "
              << (version ? std::to_string(*version >> 16) + '.' + std::to_string(*version & 0xffff)
                          : "(missing)")
              << '\n'
              << "entry point: " << orMissing(properties.cString(key('w', 'x', '8', '6'))) << '\n'
              << "supported modes: " << modeNames(properties.offeredModes()) << '\n'
              << "enable condition: " << orMissing(properties.cString(key('e', 'n', 'b', 'l')))
              << '\n';
    if (const auto link = properties.terminologyLink())
        std::cout << "terminology: class " << fourCharText(link->eventClass) << ", event "
                  << fourCharText(link->eventId) << ", terminology id " << link->terminologyId
                  << ", unique id " << link->uniqueId << '\n';
    else
        std::cout << "terminology: (none)\n";
}

void printTerminology(const host::Terminology& terminology) {
    for (const host::TermSuite& suite : terminology.suites) {
        for (const host::TermEvent& event : suite.events) {
            std::cout << "\nevent: " << event.name << '\n'
                      << "  description: " << event.description << '\n'
                      << "  class: " << fourCharText(event.eventClass) << '\n'
                      << "  id: " << fourCharText(event.id) << '\n'
                      << "  parameters (name, key, type, flags):\n";
            for (const host::TermParameter& parameter : event.parameters)
                std::cout << "    " << std::left << std::setw(36) << parameter.name << ' '
                          << fourCharText(parameter.key) << ' ' << fourCharText(parameter.type)
                          << ' ' << hex(parameter.flags) << '\n';
        }
        for (const host::TermEnumeration& enumeration : suite.enumerations) {
            std::cout << "enumeration " << fourCharText(enumeration.type) << ':';
            for (const host::TermEnumerator& enumerator : enumeration.enumerators)
                std::cout << ' ' << fourCharText(enumerator.code) << " (" << enumerator.name << ')';
            std::cout << '\n';
        }
    }
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i) text += (i ? separator : "") + parts[i];
    return text;
}

// One row of the field table: name, type, default, range, choices.
std::array<std::string, 5> fieldRow(std::span<const host::CatalogEntry> entries) {
    const host::CatalogEntry& first = entries.front();
    std::string type(host::catalogTypeName(first.type));
    if (entries.size() > 1) type += " x" + std::to_string(entries.size());
    std::vector<std::string> defaults;
    for (const host::CatalogEntry& entry : entries)
        defaults.push_back(host::numberText(entry.defaultValue));
    std::vector<std::string> choices;
    for (const host::CatalogEnumerator& enumerator : first.enumerators)
        choices.push_back(enumerator.name);
    switch (first.type) {
        case host::CatalogType::enumerated: {
            const double index = first.defaultValue;
            const bool named = index >= 0 && index < static_cast<double>(choices.size());
            const std::string fallback = named ? choices[static_cast<size_t>(index)] : defaults[0];
            return {first.field, type, fallback, "", joined(choices, ", ")};
        }
        case host::CatalogType::real:
        case host::CatalogType::xyz:
            return {first.field, type, joined(defaults, ","), host::rangeText(first), ""};
        case host::CatalogType::path:
            return {first.field, type, "(none)",
                    "up to " + host::numberText(first.maximum) + " bytes", ""};
        case host::CatalogType::ignored:
            return {first.field, type, "", "", "accepted and ignored"};
    }
    return {first.field, type, "", "", ""};
}

// The module's parameters as a table: what --set, presets and actions may name.
void printCatalog(const host::ParameterCatalog& catalog) {
    std::vector<std::array<std::string, 5>> rows = {
        {"FIELD", "TYPE", "DEFAULT", "RANGE", "CHOICES"}};
    for (const std::string& name : catalog.fieldNames())
        rows.push_back(fieldRow(catalog.field(name)));
    std::array<size_t, 5> widths{};
    for (const auto& row : rows)
        for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
    std::cout << "\nparameters (set with --set FIELD=VALUE or in a preset):\n";
    for (const auto& row : rows) {
        std::string line = " ";
        for (size_t i = 0; i < row.size(); ++i)
            line += ' ' + row[i] +
                    std::string(i + 1 < row.size() ? widths[i] - row[i].size() + 1 : 0, ' ');
        while (!line.empty() && line.back() == ' ') line.pop_back();
        std::cout << line << '\n';
    }
}

// "TYPE:ID", e.g. "AETE:16000".
std::pair<uint32_t, int32_t> parseResourceName(const std::string& text) {
    const size_t colon = text.find(':');
    const std::optional<uint32_t> type =
        colon == std::string::npos ? std::nullopt
                                   : host::parseFourChar(std::string_view(text).substr(0, colon));
    int32_t id = 0;
    const char* first = text.data() + (colon == std::string::npos ? text.size() : colon + 1);
    const char* last = text.data() + text.size();
    const auto [stop, error] = std::from_chars(first, last, id);
    if (!type || first == last || error != std::errc() || stop != last)
        throw host::ResourceError("--resource \"" + text +
                                  "\": expected TYPE:ID, a four-character type and a number");
    return {*type, id};
}

int writeResource(const host::ResourceReader& reader, const std::string& name) {
    const auto [type, id] = parseResourceName(name);
    const host::Resource* resource = reader.find(type, id);
    if (!resource) throw host::ResourceError("the module has no resource " + name);
    std::cout.write(reinterpret_cast<const char*>(resource->bytes.data()),
                    static_cast<std::streamsize>(resource->bytes.size()));
    std::cout.flush();
    return std::cout ? 0 : 1;
}

}  // namespace

int runInfo(const InfoOptions& options) {
    try {
        const host::ResourceReader reader(options.module);
        if (options.resource) return writeResource(reader, *options.resource);

        std::cout << "module: " << std::filesystem::absolute(options.module).string() << '\n';
        printProperties(host::PropertyList::ofModule(options.module));
        const host::Resource* terminology =
            reader.find(BRIVO_RESOURCE_TERMINOLOGY, BRIVO_RESOURCE_TERMINOLOGY_ID);
        if (const host::Resource* catalog =
                reader.find(BRIVO_RESOURCE_CATALOG, BRIVO_RESOURCE_CATALOG_ID))
            printCatalog(host::ParameterCatalog::parse(catalog->bytes));
        else
            std::cout << "\nparameters: (the module carries no catalog)\n";
        if (terminology) printTerminology(host::Terminology::parse(terminology->bytes));
        return 0;
    } catch (const host::ResourceError& error) {
        std::cerr << "brivo: " << error.what() << '\n';
        return 1;
    }
}

}  // namespace brivo::app
