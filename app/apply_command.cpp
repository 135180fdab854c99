#include "app/apply_command.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>

#include "app/edit_command.h"
#include "app/file_checks.h"
#include "app/interrupt_guard.h"
#include "app/mode_names.h"
#include "app/progress_bar.h"
#include "app/result_messages.h"
#include "host/files/atomic_file.h"
#include "host/files/image_file.h"
#include "host/runtime/filter_host.h"
#include "host/runtime/host_services.h"
#include "host/runtime/module_loader.h"
#include "host/runtime/pixel_memory.h"
#include "host/scripting/action_file.h"
#include "host/scripting/parameter_catalog.h"
#include "host/scripting/property_list.h"
#include "host/toolkit/toolkit_services.h"
#include "pluginapi/colorspace_suite.h"
#include "pluginapi/output_view_suite.h"

namespace brivo::app {

namespace {

// A failure that ends the run with a message, raised from the steps below.
struct RunFailure {
    int exitStatus;
    std::string message;
};

[[noreturn]] void failRun(std::string message, int exitStatus = kExitFailure) {
    throw RunFailure{exitStatus, std::move(message)};
}

// The conversions the module asked the colour suite for, as they happened.
void reportColorConversions(const host::ColorSpaceSuite& colors) {
    const auto components = [](const host::ColorConversion& c) {
        const size_t count = c.space == plugIncolorServicesCMYKSpace ? 4 : 3;
        std::string text;
        for (size_t i = 0; i < count; ++i) text += ' ' + std::to_string(c.components[i]);
        return text;
    };
    if (colors.conversions().empty()) std::cerr << "colour conversions: none\n";
    for (const host::ColorConversion& c : colors.conversions()) {
        const std::string xyz = "XYZ " + std::to_string(c.xyz[0]) + ' ' + std::to_string(c.xyz[1]) +
                                ' ' + std::to_string(c.xyz[2]);
        const std::string other = host::colorSpaceName(c.space) + components(c);
        std::cerr << "colour conversion: "
                  << (c.toXyz ? other + " -> " + xyz : xyz + " -> " + other)
                  << (c.clipped ? " (clipped)" : "") << '\n';
    }
}

// The first channel of the document as a greyscale image of the same size: where the
// matte and shape views leave their one-channel image. The document gives up its planes.
host::PlanarDocument firstChannelOf(host::PlanarDocument&& document) {
    host::PlanarDocument grey = std::move(document);
    grey.imageMode = plugInModeGrayScale;
    grey.planes.resize(1);
    grey.alpha = {};
    grey.tiffAlpha = host::TiffAlpha::unassociated;
    grey.iccProfile.clear();
    return grey;
}

int32_t suiteView(OutputView view) {
    switch (view) {
        case OutputView::matte:
            return outputViewMatte;
        case OutputView::shape:
            return outputViewShape;
        default:
            return outputViewResult;
    }
}

void reportSession(const host::FilterHost& session) {
    const auto& doc = session.document();
    const VRect area = session.filterRect();
    std::cerr << "module: " << session.module().path().string() << '\n'
              << "image: " << doc.width << " x " << doc.height << ' ' << modeName(doc.imageMode)
              << (doc.hasAlpha() ? " with transparency" : "") << '\n'
              << "filter area (top,left,bottom,right): " << area.top << ',' << area.left << ','
              << area.bottom << ',' << area.right << '\n';
}

std::optional<host::ImageFormat> formatNamed(const std::optional<std::string>& name) {
    if (!name) return std::nullopt;
    return host::imageFormatForPath("output." + *name);
}

// The format the output is written in: --format's, else the one its name's extension gives.
std::optional<host::ImageFormat> outputFormat(const ApplyOptions& options) {
    const auto named = formatNamed(options.format);
    return named ? named : host::imageFormatForPath(options.output);
}

// Everything that can be checked before a file is read.
void checkBeforeWork(const ApplyOptions& options) {
    if (!outputFormat(options))
        failRun(options.output == host::kStandardStream
                    ? "name the output format with --format when writing to standard output"
                    : "cannot tell the output format from " + options.output +
                          " (use .png, .jpg, .jpeg, .tif or .tiff, or --format)");
    if (options.record && options.view == OutputView::original)
        failRun("--record needs the filter to run, which --view original does not do");
    if (options.rect &&
        (options.rect->bottom <= options.rect->top || options.rect->right <= options.rect->left)) {
        const VRect& r = *options.rect;
        failRun("--rect " + std::to_string(r.top) + ',' + std::to_string(r.left) + ',' +
                    std::to_string(r.bottom) + ',' + std::to_string(r.right) +
                    " is empty or inverted: BOTTOM must be greater than TOP and RIGHT greater "
                    "than LEFT",
                kExitUsage);
    }
    std::vector<NamedFile> inputs{{"the input", options.input}};
    const ParameterSources& sources = options.parameters;
    if (sources.preset) inputs.push_back({"the preset", *sources.preset});
    if (sources.action) inputs.push_back({"the action", *sources.action});
    std::vector<NamedFile> outputs{{"the output", options.output}};
    if (options.record) outputs.push_back({"the --record file", *options.record});
    if (const auto clash = findSameFile(inputs, outputs)) failRun(*clash);
    for (const NamedFile& output : outputs)
        if (const auto problem = findUnwritable(output)) failRun(*problem);
}

// Collects warnings as the run meets them; under --strict the first one ends the run.
class Warnings {
  public:
    explicit Warnings(bool strict, std::vector<std::string>& list) : strict_(strict), list_(list) {}
    void add(const std::string& warning) { list_.push_back(warning); }
    void checkStrict() const {
        if (strict_ && !list_.empty())
            failRun(std::string("--strict: the warning") +
                    (list_.size() > 1 ? "s above fail" : " above fails") +
                    " the run; nothing was written");
    }

  private:
    bool strict_;
    std::vector<std::string>& list_;
};

// The row monitor the file codecs call: draws the bar and stops on an interrupt.
host::RowMonitor monitorFor(ProgressBar& progress, const char* phase) {
    progress.setPhase(phase);
    return [&progress](int64_t done, int64_t total) {
        progress.update(done, total);
        return !InterruptGuard::interrupted();
    };
}

host::PlanarDocument readInput(const ApplyOptions& options, ProgressBar& progress,
                               Warnings& warnings) {
    host::ReadOptions read;
    read.maxPixels = static_cast<uint64_t>(options.maxMegapixels * 1e6);
    read.keepOrientation = options.keepOrientation;
    read.rows = monitorFor(progress, "reading");
    read.warn = [&warnings](const std::string& warning) { warnings.add(warning); };
    return host::readImageFile(options.input, read);
}

// Runs the filter over the session's document; failures and cancellation end the run.
void runFilter(host::FilterHost& session, ProgressBar& progress) {
    progress.setPhase("filtering");
    session.setProgressHandler([&](int32_t done, int32_t total) { progress.update(done, total); });
    session.setAbortHandler([] { return InterruptGuard::interrupted(); });
    int16_t result = session.run();
    // An interrupt that came after the filter's last poll still means "do not save".
    if (result == noErr && InterruptGuard::interrupted()) result = userCanceledErr;
    if (result != noErr) failRun(describeResult(result), exitStatusForResult(result));
}

void writeOutput(const host::PlanarDocument& document, const ApplyOptions& options,
                 ProgressBar& progress) {
    host::WriteOptions write;
    write.format = formatNamed(options.format);
    write.jpegQuality = options.quality;
    write.rows = monitorFor(progress, "writing");
    host::writeImageFile(document, options.output, write);
}

void run(const ApplyOptions& options, ApplyOutcome& outcome) {
    checkBeforeWork(options);
    Warnings warnings(options.strict, outcome.warnings);
    // The module is loaded first: a file that is no module is the clearest thing to report.
    std::unique_ptr<host::ModuleLoader> module;
    if (options.view != OutputView::original)
        module = std::make_unique<host::ModuleLoader>(options.module);
    ParameterSources sources = options.parameters;
    sources.patternFolder = std::filesystem::path(options.module).parent_path() / "Patterns";
    const GatheredParameters gathered =
        gatherParameters(sources, host::ParameterCatalog::ofModule(options.module));
    for (const std::string& warning : gathered.warnings) warnings.add(warning);
    const host::DescriptorValues parameters =
        options.edit ? startingValues(options, gathered.values) : gathered.values;

    ProgressBar progress(stderr);
    host::PlanarDocument document = readInput(options, progress, warnings);
    if (options.pngCompression) document.pngCompression = *options.pngCompression;
    warnings.checkStrict();
    const bool oneChannel = options.view == OutputView::matte || options.view == OutputView::shape;
    // The one-channel views are written as greyscale, which every format holds.
    if (const std::string refusal = host::formatRefusal(document, *outputFormat(options));
        !oneChannel && !refusal.empty())
        failRun(options.output + ": " + refusal);
    if (options.view == OutputView::original) {
        writeOutput(document, options, progress);
        progress.finish();
        if (options.verbose) std::cerr << "wrote the input unchanged to " << options.output << '\n';
        return;
    }

    const host::PropertyList properties = host::PropertyList::ofModule(options.module);
    if (!properties.offersMode(document.imageMode))
        failRun("the module does not work on " + modeName(document.imageMode) +
                " documents (it offers " + modeNames(properties.offeredModes()) + ")");

    // The decoder's freed blocks are never asked for again in this run: give them back
    // rather than keep them for reuse.
    host::releaseSparePixelMemory();
    std::unique_ptr<host::toolkit::Backend> dialogs;
    if (options.edit) dialogs = dialogBackend(*options.edit);
    host::FilterHost session(std::move(module), std::move(document));
    host::HostServices services(session);
    std::optional<host::toolkit::ToolkitServices> toolkit;
    if (dialogs) toolkit.emplace(session, *dialogs);
    if (options.rect) session.setFilterRect(*options.rect);
    services.descriptors().replay(parameters,
                                  options.edit ? plugInDialogDisplay : plugInDialogSilent);
    services.outputView().setView(suiteView(options.view));
    if (options.verbose) {
        progress.finish();
        reportSession(session);
    }

    runFilter(session, progress);
    // Nor are the filter's, once it has run.
    host::releaseSparePixelMemory();
    for (const std::string& report : services.diagnostics().reports()) warnings.add(report);
    warnings.checkStrict();
    if (options.verbose) {
        progress.finish();
        reportColorConversions(services.colors());
        const std::chrono::duration<double, std::milli> inFilter = session.lastStart().elapsed;
        std::cerr << "time in filter: " << std::fixed << std::setprecision(1) << inFilter.count()
                  << " ms\n";
    }

    // The action is made ready first but appears only once the image is written.
    std::unique_ptr<host::AtomicFile> action;
    if (options.record) {
        const std::optional<host::DescriptorValues> recorded = services.descriptors().recorded();
        if (!recorded) failRun("the module recorded no parameters; nothing written");
        action = std::make_unique<host::AtomicFile>(*options.record);
        host::saveAction(action->path(), *recorded);
    }
    // Written from the session's own planes: the document is not needed after this.
    if (oneChannel)
        writeOutput(firstChannelOf(std::move(session.document())), options, progress);
    else
        writeOutput(session.document(), options, progress);
    if (action) action->commit();
    if (options.edit && services.descriptors().recorded())
        keepConfirmedValues(options, *services.descriptors().recorded());
    progress.finish();
    if (options.verbose) std::cerr << "wrote " << options.output << '\n';
}

}  // namespace

ApplyOutcome applyToFile(const ApplyOptions& options) {
    ApplyOutcome outcome;
    InterruptGuard interrupt;
    try {
        run(options, outcome);
    } catch (const RunFailure& failure) {
        outcome.exitStatus = failure.exitStatus;
        outcome.error = failure.message;
    } catch (const host::FileCancelled&) {
        outcome.exitStatus = kExitCancelled;
        outcome.error = describeResult(userCanceledErr);
    } catch (const std::bad_alloc&) {
        outcome.exitStatus = kExitFailure;
        outcome.error = describeResult(memFullErr);
    } catch (const std::exception& error) {
        outcome.exitStatus = kExitFailure;
        outcome.error = error.what();
    }
    return outcome;
}

int runApply(const ApplyOptions& options) {
    const ApplyOutcome outcome = applyToFile(options);
    for (const std::string& warning : outcome.warnings)
        std::cerr << "brivo: warning: " << warning << '\n';
    if (!outcome.error.empty()) std::cerr << "brivo: " << outcome.error << '\n';
    return outcome.exitStatus;
}

}  // namespace brivo::app
