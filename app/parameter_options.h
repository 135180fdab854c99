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

namespace brivo::app {

// A parameter that cannot be used; the message names the field or file at fault.
class ParameterError : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

struct ParameterSources {
    std::optional<std::string> action;  // an action file, replayed first
    std::optional<std::string> preset;  // a preset file, on top of the action
    std::optional<std::string> color;   // #RRGGBB light colour, on top of the preset
    std::vector<std::string> sets;      // FIELD=VALUE, applied last, in order
    // Where a relative shapeFile is looked for when the current folder does not hold it:
    // the "Patterns" folder beside the module.
    std::filesystem::path patternFolder;
};

// Puts the value of one record field, written as text, under the field's keys: enumerations
// by display name (any letter case) or index, numbers strictly (nan and inf included),
// lightColor as three integers 0..65535, cornerPin as eight numbers, shapeFile as a path.
void setParameter(host::DescriptorValues& values, std::string_view field, std::string_view text);

// "FIELD=VALUE", as --set takes it.
void applySetting(host::DescriptorValues& values, std::string_view setting);

// A preset file: a JSON object of field names and values written as --set takes them
// (numbers and arrays of numbers may also be JSON numbers).
void applyPreset(host::DescriptorValues& values, const std::string& path);

// Everything the sources give, in the order above; empty when no source is given. A
// relative shapeFile becomes an absolute path: the file in the current folder, or else the
// one of that name in patternFolder, so a recorded action works from anywhere.
host::DescriptorValues gatherParameters(const ParameterSources& sources);

}  // namespace brivo::app
