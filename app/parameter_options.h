// Filter parameters given on the command line (--action, --preset, --color, --set),
// gathered into the descriptor the module replays.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/scripting/descriptor_values.h"
#include "host/scripting/parameter_catalog.h"

namespace brivo::app {

// A parameter that cannot be used; the message names the field or file at fault.
class ParameterError : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

struct ParameterSources {
    std::optional<std::string> action;  // an action file, replayed first
    std::optional<std::string> preset;  // a preset file, on top of the action
    std::optional<std::string> color;   // #RRGGBB colour, on top of the preset
    std::vector<std::string> sets;      // FIELD=VALUE, applied last, in order
    // Where a relative path is looked for when the current folder does not hold it: the
    // "Patterns" folder beside the module.
    std::filesystem::path patternFolder;
};

// Sets parameters by the names, types and ranges of a module's catalog.
class ParameterSetter {
  public:
    explicit ParameterSetter(const host::ParameterCatalog& catalog) : catalog_(catalog) {}

    // Puts the value of one field, written as text, under the field's keys: enumerations by
    // display name (any letter case) or index, numbers strictly (nan and inf included),
    // colour components as integers 0..65535, several components comma-separated, paths as
    // they are. An unknown name is refused with the nearest known one; a number outside the
    // dialog's range is used, with a warning naming the range.
    void set(host::DescriptorValues& values, std::string_view field, std::string_view text);

    // "FIELD=VALUE", as --set takes it.
    void applySetting(host::DescriptorValues& values, std::string_view setting);

    // A preset file: a JSON object of field names and values written as --set takes them
    // (numbers and arrays of numbers may also be JSON numbers). All or nothing.
    void applyPreset(host::DescriptorValues& values, const std::string& path);

    const std::vector<std::string>& warnings() const { return warnings_; }

  private:
    const host::ParameterCatalog& catalog_;
    std::vector<std::string> warnings_;
};

struct GatheredParameters {
    host::DescriptorValues values;
    std::vector<std::string> warnings;
};

// Everything the sources give, in the order above; empty when no source is given. A
// relative path becomes an absolute one: the file in the current folder, or else the one
// of that name in patternFolder, so a recorded action works from anywhere.
GatheredParameters gatherParameters(const ParameterSources& sources,
                                    const host::ParameterCatalog& catalog);

}  // namespace brivo::app
