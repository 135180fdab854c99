#include "app/command_line.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <vector>

namespace brivo::app {

namespace {

// The module shipped beside the executable.
std::filesystem::path defaultModulePath() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path("brivo.so") : executable.parent_path() / "brivo.so";
}

void addModuleOption(CLI::App& command, std::filesystem::path& module) {
    module = defaultModulePath();
    command.add_option("--module", module, "The filter module to load")
        ->check(CLI::ExistingFile);
}

// The options every command that runs the filter on a file shares.
void addFilterOptions(CLI::App& command, ApplyOptions& options, std::vector<int32_t>& rect) {
    command.add_option("INPUT", options.input, "Image to filter (PNG, JPEG or TIFF)")
        ->required()
        ->check(CLI::ExistingFile);
    command.add_option("-o,--output", options.output, "Where to write the result")->required();
    command.add_option("--rect", rect, "Area to filter: TOP,LEFT,BOTTOM,RIGHT (bottom and right exclusive)")
        ->delimiter(',')
        ->expected(4);
    addModuleOption(command, options.module);
    command.add_flag("-v,--verbose", options.verbose, "Report what the host did");
}

}  // namespace

ParsedCommandLine parseCommandLine(int argc, char** argv) {
    CLI::App app{"Brivo: light and shadow for images"};
    app.require_subcommand(1);

    ApplyOptions apply;
    std::vector<int32_t> rect;
    CLI::App* applyCommand = app.add_subcommand("apply", "Filter an image file");
    addFilterOptions(*applyCommand, apply, rect);

    InfoOptions info;
    CLI::App* infoCommand = app.add_subcommand("info", "Describe the filter module");
    addModuleOption(*infoCommand, info.module);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return {std::nullopt, app.exit(error)};
    }

    if (*applyCommand) {
        if (!rect.empty()) apply.rect = VRect{rect[0], rect[1], rect[2], rect[3]};
        return {apply, 0};
    }
    return {info, 0};
}

}  // namespace brivo::app
