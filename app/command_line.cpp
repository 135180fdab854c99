#include "app/command_line.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <iostream>
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
void addFilterOptions(CLI::App& command, ApplyOptions& options, std::vector<int32_t>& rect,
                      std::string& view) {
    command
        .add_option("INPUT", options.batch.inputs,
                    "Images to filter (PNG, JPEG or TIFF; - reads one from standard input), or "
                    "folders of them")
        ->required();
    command
        .add_option("-o,--output", options.output,
                    "Where to write the result (- writes it to standard output); for several "
                    "inputs a folder (DIR/) or a name template such as out/{stem}-lit.{ext} "
                    "(docs/batch.md)")
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
    command
        .add_option("--view", view,
                    "What to write: output (the lit image), matte (the light mask), shape (the "
                    "placed pattern) or original (the input unchanged)")
        ->check(CLI::Validator(
            [](const std::string& text) {
                return viewNamed(text)
                           ? std::string()
                           : "\"" + text + "\" is not one of output, matte, shape, original";
            },
            "VIEW"));
    command.add_flag("--strict", options.strict,
                     "Fail when the run has a warning (an unusable pattern, damaged JPEG data)");
    command.add_flag("--keep-orientation", options.keepOrientation,
                     "Filter and write the pixels as the input stores them, instead of upright as "
                     "its EXIF orientation shows them");
    command
        .add_option("--quality", options.quality,
                    "JPEG quality of the output, 1 to 100 (default: the input's own when it is a "
                    "JPEG, else 90)")
        ->check(CLI::Range(1, 100));
    command
        .add_option(
            "--format", options.format,
            "Output format where the name has no extension (standard output), or instead of the "
            "inputs' extensions in a batch: png, jpeg or tiff")
        ->check(CLI::IsMember({"png", "jpeg", "jpg", "tiff", "tif"}, CLI::ignore_case));
    command
        .add_option("--max-megapixels", options.maxMegapixels,
                    "Refuse inputs larger than this many megapixels (default 150)")
        ->check(CLI::PositiveNumber);
    command
        .add_option("--compression", options.pngCompression,
                    "PNG output: 0 (none, fastest) to 9 (smallest, slowest); default 6")
        ->check(CLI::Range(0, 9));
}

void addBatchOptions(CLI::App& command, BatchOptions& batch) {
    command.add_flag("-r,--recursive", batch.recursive, "Take images from subfolders too");
    command.add_option("-j,--jobs", batch.jobs, "Files filtered at once (default: the cores)")
        ->check(CLI::Range(1, 1024));
    command.add_option("--shard", batch.shard,
                       "Filter only part I of N of the sorted inputs (I counts from 0)");
    command.add_flag("--skip-existing", batch.skipExisting,
                     "Leave inputs whose output already exists (resumes a stopped batch)");
    command.add_option("--report", batch.report, "Write one JSON line per input to FILE.jsonl");
}

// Prints a parse error in our words: the message, then where to find help.
int reportUsageError(const CLI::App& app, const CLI::ParseError& error) {
    std::cerr << "brivo: " << error.what() << '\n'
              << "Run 'brivo help"
              << (app.get_subcommands().empty() ? ""
                                                : " " + app.get_subcommands().front()->get_name())
              << "' for the options.\n";
    return kExitUsage;
}

}  // namespace

bool BatchOptions::requested(const std::string& output) const {
    std::error_code error;
    const bool folderInput = std::ranges::any_of(inputs, [&](const std::string& input) {
        return std::filesystem::is_directory(input, error);
    });
    // One input and a folder without the trailing '/' is the single-file mistake it looks like.
    return inputs.size() > 1 || folderInput || output.ends_with('/') ||
           output.find('{') != std::string::npos || recursive || jobs || shard || skipExisting ||
           report;
}

std::optional<OutputView> viewNamed(const std::string& name) {
    static const std::map<std::string, OutputView> views{{"output", OutputView::output},
                                                         {"matte", OutputView::matte},
                                                         {"shape", OutputView::shape},
                                                         {"original", OutputView::original}};
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto found = views.find(lower);
    return found == views.end() ? std::nullopt : std::optional(found->second);
}

ParsedCommandLine parseCommandLine(int argc, char** argv) {
    CLI::App app{"Brivo: light and shadow for images"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("brivo ") + BRIVO_VERSION);
    app.footer(
        "Exit status: 0 success, 1 failure, 2 usage error, 3 some files of a batch failed, 130 "
        "cancelled.");

    ApplyOptions apply;
    std::vector<int32_t> rect;
    std::string view = "output";
    CLI::App* applyCommand = app.add_subcommand("apply", "Filter image files");
    addFilterOptions(*applyCommand, apply, rect, view);
    addBatchOptions(*applyCommand, apply.batch);

    std::string helpTopic;
    CLI::App* helpCommand =
        app.add_subcommand("help", "Describe the commands, or one command's options");
    helpCommand->add_option("COMMAND", helpTopic, "The command to describe");

    ApplyOptions edit;
    EditOptions editing;
    std::vector<int32_t> editRect;
    std::string editView = "output";
    CLI::App* editCommand =
        app.add_subcommand("edit", "Set the filter in its dialog, then filter an image file");
    addFilterOptions(*editCommand, edit, editRect, editView);
    editCommand->add_flag("--defaults", editing.fresh,
                          "Open on the defaults, not on the values confirmed last time");
    editCommand->add_option("--script", editing.script,
                            "Play user actions from a file instead of waiting for a person");
    editCommand->add_flag("--windows", editing.windows, "Play the script in real windows");

    InfoOptions info;
    CLI::App* infoCommand = app.add_subcommand("info", "Describe the filter module");
    addModuleOption(*infoCommand, info.module);
    infoCommand->add_option("--resource", info.resource, "Write one resource's raw bytes: TYPE:ID");

    AboutOptions about;
    CLI::App* aboutCommand = app.add_subcommand("about", "Show the module's about box");
    addModuleOption(*aboutCommand, about.module);
    aboutCommand->add_option("--screenshot", about.screenshot,
                             "Save the about box as a PNG picture instead of showing it");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& request) {
        return {std::nullopt, app.exit(request)};
    } catch (const CLI::CallForAllHelp& request) {
        return {std::nullopt, app.exit(request)};
    } catch (const CLI::CallForVersion& request) {
        return {std::nullopt, app.exit(request)};
    } catch (const CLI::ParseError& error) {
        return {std::nullopt, reportUsageError(app, error)};
    }

    if (*helpCommand) {
        const CLI::App* topic = &app;
        if (!helpTopic.empty()) {
            try {
                topic = app.get_subcommand(helpTopic);
            } catch (const CLI::OptionNotFound&) {
                std::cerr << "brivo: help: no command named \"" << helpTopic << "\"\n";
                return {std::nullopt, kExitUsage};
            }
        }
        std::cout << topic->help();
        return {std::nullopt, kExitSuccess};
    }
    if (*applyCommand) {
        if (!rect.empty()) apply.rect = VRect{rect[0], rect[1], rect[2], rect[3]};
        apply.view = *viewNamed(view);
        apply.input = apply.batch.inputs.front();
        return {apply, 0};
    }
    if (*editCommand) {
        if (!editRect.empty())
            edit.rect = VRect{editRect[0], editRect[1], editRect[2], editRect[3]};
        edit.view = *viewNamed(editView);
        // The dialog sets up one picture; a whole shoot is replayed with `brivo apply`.
        if (edit.batch.requested(edit.output)) {
            std::cerr << "brivo: edit takes one input file and one output file; record the "
                         "settings with --record, then replay them on many files with "
                         "brivo apply --action\n";
            return {std::nullopt, kExitUsage};
        }
        edit.input = edit.batch.inputs.front();
        edit.edit = editing;
        return {edit, 0};
    }
    if (*infoCommand) return {info, 0};
    return {about, 0};
}

}  // namespace brivo::app
