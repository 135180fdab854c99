// The `brivo` command's subcommands and options, parsed in one place.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/parameter_options.h"
#include "pluginapi/plugin_types.h"

namespace brivo::app {

// What `brivo apply` writes: the lit result, the light mask, the placed shape, or the
// input unchanged.
enum class OutputView { output, matte, shape, original };

// What several inputs add to `brivo apply`.
struct BatchOptions {
    std::vector<std::string> inputs;    // files and folders, as given
    bool recursive = false;             // look into folders' subfolders too
    std::optional<std::string> format;  // png, jpeg or tiff, instead of the input's extension
    std::optional<int> jobs;            // files filtered at once; the cores when absent
    std::optional<std::string> shard;   // I/N: this run's part of the sorted inputs
    bool skipExisting = false;          // leave inputs whose output exists alone
    std::optional<std::string> report;  // JSON Lines file, one line per input

    // True when the command line asks for more than one file, or for something only the
    // batch path does.
    bool requested(const std::string& output) const;
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
    BatchOptions batch;
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
