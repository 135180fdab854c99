// The `brivo` command's subcommands and options, parsed in one place.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>

#include "app/parameter_options.h"
#include "pluginapi/plugin_types.h"

namespace brivo::app {

// What `brivo apply` writes: the lit result, the light mask, the placed shape, or the
// input unchanged.
enum class OutputView { output, matte, shape, original };

struct ApplyOptions {
    std::string input;
    std::string output;
    std::optional<VRect> rect;  // the area to filter; the whole image when absent
    std::filesystem::path module;
    bool verbose = false;
    ParameterSources parameters;
    std::optional<std::string> record;  // where to save the recorded action
    OutputView view = OutputView::output;
    std::optional<int> pngCompression;  // zlib level 0 .. 9 for a PNG output
};

struct InfoOptions {
    std::filesystem::path module;
    std::optional<std::string> resource;  // TYPE:ID of one resource to write out raw
};

struct AboutOptions {
    std::filesystem::path module;
};

using Command = std::variant<ApplyOptions, InfoOptions, AboutOptions>;

// Either a command to run, or the exit status when parsing already answered (help,
// version, or a usage error, reported on the way).
struct ParsedCommandLine {
    std::optional<Command> command;
    int exitStatus = 0;
};

ParsedCommandLine parseCommandLine(int argc, char** argv);

}  // namespace brivo::app
