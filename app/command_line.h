// The `brivo` command's subcommands and options, parsed in one place.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>

#include "pluginapi/plugin_types.h"

namespace brivo::app {

struct ApplyOptions {
    std::string input;
    std::string output;
    std::optional<VRect> rect;  // the area to filter; the whole image when absent
    std::filesystem::path module;
    bool verbose = false;
};

struct InfoOptions {
    std::filesystem::path module;
};

using Command = std::variant<ApplyOptions, InfoOptions>;

// Either a command to run, or the exit status when parsing already answered (help,
// version, or a usage error, reported on the way).
struct ParsedCommandLine {
    std::optional<Command> command;
    int exitStatus = 0;
};

ParsedCommandLine parseCommandLine(int argc, char** argv);

}  // namespace brivo::app
