#include "app/command_line.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
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
    command
        .add_option("INPUT", options.batch.inputs,
                    "Images to filter (PNG, JPEG or TIFF), or folders of them")
        ->required()
        ->check(CLI::ExistingPath);
    command
        .add_option("-o,--output", options.output,
                    "Where to write the result; for several inputs a folder (DIR/) or a "
                    "name template such as out/{stem}-lit.{ext} (docs/batch.md)")
        ->required();
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
}

void addBatchOptions(CLI::App& command, BatchOptions& batch) {
    command.add_flag("-r,--recursive", batch.recursive, "Take images from subfolders too");
    command
        .add_option("--format", batch.format, "Output format for several inputs: png, jpeg, tiff")
        ->check(CLI::IsMember({"png", "jpeg", "tiff"}, CLI::ignore_case));
    command.add_option("-j,--jobs", batch.jobs, "Files filtered at once (default: the cores)")
        ->check(CLI::Range(1, 1024));
    command.add_option("--shard", batch.shard,
                       "Filter only part I of N of the sorted inputs (I counts from 0)");
    command.add_flag("--skip-existing", batch.skipExisting,
                     "Leave inputs whose output already exists (resumes a stopped batch)");
    command.add_option("--report", batch.report, "Write one JSON line per input to FILE.jsonl");
}

}  // namespace

bool BatchOptions::requested(const std::string& output) const {
    std::error_code error;
    const bool folderInput = std::ranges::any_of(inputs, [&](const std::string& input) {
        return std::filesystem::is_directory(input, error);
    });
    const bool folderOutput = output.ends_with('/') || std::filesystem::is_directory(output, error);
    return inputs.size() > 1 || folderInput || folderOutput ||
           output.find('{') != std::string::npos || recursive || format || jobs || shard ||
           skipExisting || report;
}

ParsedCommandLine parseCommandLine(int argc, char** argv) {
    CLI::App app{"Brivo: light and shadow for images"};
    app.require_subcommand(1);

    ApplyOptions apply;
    std::vector<int32_t> rect;
    CLI::App* applyCommand = app.add_subcommand("apply", "Filter an image file");
    addFilterOptions(*applyCommand, apply, rect);
    addBatchOptions(*applyCommand, apply.batch);

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
        apply.input = apply.batch.inputs.front();
        return {apply, 0};
    }
    if (*infoCommand) return {info, 0};
    return {about, 0};
}

}  // namespace brivo::app
