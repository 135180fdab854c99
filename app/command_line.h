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

// `brivo edit`: the dialog shows before the filter runs.
struct EditOptions {
    bool fresh = false;                 // --defaults: not the values kept from last time
    std::optional<std::string> script;  // user actions played instead of a person's
    bool windows = false;               // play the script in real windows
};

struct ApplyOptions {
    std::string input;
    std::string output;
    std::optional<VRect> rect;  // the area to filter; the whole image when absent
    std::filesystem::path module;
    bool verbose = false;
    ParameterSources parameters;
    std::optional<std::string> record;  // where to save the recorded action
    OutputView view = OutputView::output;
    std::optional<EditOptions> edit;  // set for `brivo edit`
};

struct InfoOptions {
    std::filesystem::path module;
    std::optional<std::string> resource;  // TYPE:ID of one resource to write out raw
};

struct AboutOptions {
    std::filesystem::path module;
    // Save the box's picture here instead of showing it, without a display.
    std::optional<std::string> screenshot;
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
