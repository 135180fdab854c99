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

// `brivo edit`: the dialog shows before the filter runs.
struct EditOptions {
    bool fresh = false;                 // --defaults: not the values kept from last time
    std::optional<std::string> script;  // user actions played instead of a person's
    bool windows = false;               // play the script in real windows
};

// What several inputs add to `brivo apply`.
struct BatchOptions {
    std::vector<std::string> inputs;    // files and folders, as given
    bool recursive = false;             // look into folders' subfolders too
    std::optional<int> jobs;            // files filtered at once; the cores when absent
    std::optional<std::string> shard;   // I/N: this run's part of the sorted inputs
    bool skipExisting = false;          // leave inputs whose output exists alone
    std::optional<std::string> report;  // JSON Lines file, one line per input

    // True when the command line asks for more than one file, or for something only the
    // batch path does.
    bool requested(const std::string& output) const;
};

struct ApplyOptions {
    std::string input;          // "-" for standard input
    std::string output;         // "-" for standard output
    std::optional<VRect> rect;  // the area to filter; the whole image when absent
    std::filesystem::path module;
    bool verbose = false;
    ParameterSources parameters;
    std::optional<std::string> record;  // where to save the recorded action
    OutputView view = OutputView::output;
    std::optional<EditOptions> edit;  // set for `brivo edit`
    // Warnings (an unusable pattern, damaged JPEG data) fail the run instead.
    bool strict = false;
    // Keep the pixels as the input stores them instead of turning them upright.
    bool keepOrientation = false;
    std::optional<int> quality;         // JPEG quality 1..100 for the output
    std::optional<std::string> format;  // the output format where no extension says it
    double maxMegapixels = 150;         // larger inputs are refused before they are read
    BatchOptions batch;
    std::optional<int> pngCompression;  // 0 .. 9 for a PNG output
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

// Exit statuses of the `brivo` command.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;        // the command line cannot be understood
inline constexpr int kExitSomeFailed = 3;   // a batch in which some files failed
inline constexpr int kExitCancelled = 130;  // stopped by Ctrl-C or SIGTERM

// Either a command to run, or the exit status when parsing already answered (help,
// version, or a usage error, reported on the way).
struct ParsedCommandLine {
    std::optional<Command> command;
    int exitStatus = 0;
};

ParsedCommandLine parseCommandLine(int argc, char** argv);

// The view a --view name stands for (any letter case), or nullopt.
std::optional<OutputView> viewNamed(const std::string& name);

}  // namespace brivo::app
