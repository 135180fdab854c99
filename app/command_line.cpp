#include "app/command_line.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <map>
#include <vector>

namespace brivo::app {

namespace {

// The module beside the executable (a build tree), else in the installation's module folder
// (bin/brivo finds ../lib/brivo/brivo.so).
std::filesystem::path defaultModulePath() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return "brivo.so";
    const std::filesystem::path besideExecutable = executable.parent_path() / "brivo.so";
    const std::filesystem::path installed =
        executable.parent_path().parent_path() / BRIVO_MODULE_INSTALL_DIR / "brivo.so";
    return std::filesystem::exists(besideExecutable, error) ||
                   !std::filesystem::exists(installed, error)
               ? besideExecutable
               : installed;
}

void addModuleOption(CLI::App& command, std::filesystem::path& module) {
    module = defaultModulePath();
    command.add_option("--module", module, "The filter module to load")->check(CLI::ExistingFile);
}

// The options every command that runs the filter on a file shares.
void addFilterOptions(CLI::App& command, ApplyOptions& options, std::vector<int32_t>& rect) {
    command.add_option("INPUT", options.input, "Image to filter (PNG, JPEG or TIFF)")
        ->required()
        ->check(CLI::ExistingFile);
    command.add_option("-o,--output", options.output, "Where to write the result")->required();
    command
        .add_option("--rect", rect,
                    "Area to filter: TOP,LEFT,BOTTOM,RIGHT (bottom and right exclusive)")
        ->delimiter(',')
        ->expected(4);
    addModuleOption(command, options.module);
    command.add_flag("-v,--verbose", options.verbose, "Report what the host did");

    ParameterSources& parameters = options.parameters;
    command.add_option("--preset", parameters.preset,
                       "JSON file of FIELD: value pairs (docs/presets.md)");
    command
        .add_option("--set", parameters.sets,
                    "Set one field: FIELD=VALUE (repeatable, applied last)")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    command.add_option("--color", parameters.color, "Light colour as an sRGB #RRGGBB");
    command.add_option("--action", parameters.action, "Replay a recorded action file");
    command.add_option("--record", options.record,
                       "Save the parameters the filter used as an action file");
    const std::map<std::string, OutputView> views{{"output", OutputView::output},
                                                  {"matte", OutputView::matte},
                                                  {"shape", OutputView::shape},
                                                  {"original", OutputView::original}};
    command.add_option("--view", options.view, "What to write: output, matte, shape or original")
        ->transform(CLI::CheckedTransformer(views, CLI::ignore_case));
    command
        .add_option("--compression", options.pngCompression,
                    "PNG output: 0 (none, fastest) to 9 (smallest, slowest); default 7")
        ->check(CLI::Range(0, 9));
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
    infoCommand->add_option("--resource", info.resource, "Write one resource's raw bytes: TYPE:ID");

    AboutOptions about;
    CLI::App* aboutCommand = app.add_subcommand("about", "Call the module's about box");
    addModuleOption(*aboutCommand, about.module);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return {std::nullopt, app.exit(error)};
    }

    if (*applyCommand) {
        if (!rect.empty()) apply.rect = VRect{rect[0], rect[1], rect[2], rect[3]};
        return {apply, 0};
    }
    if (*infoCommand) return {info, 0};
    return {about, 0};
}

}  // namespace brivo::app
