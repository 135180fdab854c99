#include "app/apply_command.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <memory>
#include <stdexcept>

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
#include "pluginapi/colorspace_suite.h"
#include "pluginapi/output_view_suite.h"

namespace brivo::app {

namespace {

bool sameFile(const std::string& first, const std::string& second) {
    std::error_code error;
    return std::filesystem::equivalent(first, second, error);
}

int fail(const std::string& message) {
    std::cerr << "brivo: " << message << '\n';
    return 1;
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

// The action appears complete or not at all, like the image.
void saveActionAtomically(const std::filesystem::path& path, const host::DescriptorValues& values) {
    host::AtomicFile file(path.string());
    host::saveAction(file.path(), values);
    file.commit();
}

// The first channel of the document as a greyscale image of the same size: where the
// matte and shape views leave their one-channel image.
host::PlanarDocument firstChannelOf(const host::PlanarDocument& document) {
    host::PlanarDocument grey;
    grey.width = document.width;
    grey.height = document.height;
    grey.imageMode = plugInModeGrayScale;
    grey.planes = {document.planes.front()};
    grey.sourceFormat = document.sourceFormat;
    grey.resolution = document.resolution;
    grey.jpegQuality = document.jpegQuality;
    grey.pngCompression = document.pngCompression;
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
              << "filter area: " << area.top << ',' << area.left << ',' << area.bottom << ','
              << area.right << '\n';
}

}  // namespace

int runApply(const ApplyOptions& options) {
    if (sameFile(options.input, options.output))
        return fail("the output must not replace the input " + options.input);
    if (!host::imageFormatForPath(options.output))
        return fail("cannot tell the output format from " + options.output +
                    " (use .png, .jpg, .jpeg, .tif or .tiff)");
    if (options.record && options.view == OutputView::original)
        return fail("--record needs the filter to run, which --view original does not do");

    host::DescriptorValues parameters;
    host::PlanarDocument document;
    std::unique_ptr<host::ModuleLoader> module;
    try {
        if (options.view != OutputView::original)
            module = std::make_unique<host::ModuleLoader>(options.module);
        ParameterSources sources = options.parameters;
        sources.patternFolder = std::filesystem::path(options.module).parent_path() / "Patterns";
        const GatheredParameters gathered =
            gatherParameters(sources, host::ParameterCatalog::ofModule(options.module));
        for (const std::string& warning : gathered.warnings)
            std::cerr << "brivo: warning: " << warning << '\n';
        parameters = gathered.values;
        document = host::readImageFile(options.input);
        if (options.pngCompression) document.pngCompression = *options.pngCompression;
    } catch (const std::exception& error) {
        return fail(error.what());
    }
    if (options.view == OutputView::original) {
        try {
            host::writeImageFile(document, options.output);
        } catch (const std::exception& error) {
            return fail(error.what());
        }
        if (options.verbose) std::cerr << "wrote the input unchanged to " << options.output << '\n';
        return 0;
    }

    try {
        const host::PropertyList properties = host::PropertyList::ofModule(options.module);
        if (!properties.offersMode(document.imageMode))
            return fail("the module does not work on " + modeName(document.imageMode) +
                        " documents (it offers " + modeNames(properties.offeredModes()) + ")");
    } catch (const std::exception& error) {
        return fail(error.what());
    }

    // The decoder's and the filter's freed blocks are never asked for again in this run:
    // give them back rather than keep them for reuse.
    host::releaseSparePixelMemory();
    host::FilterHost session(std::move(module), std::move(document));
    host::HostServices services(session);
    try {
        if (options.rect) session.setFilterRect(*options.rect);
        services.descriptors().replay(parameters, plugInDialogSilent);
        services.outputView().setView(suiteView(options.view));
    } catch (const std::exception& error) {
        return fail(error.what());
    }
    if (options.verbose) reportSession(session);

    int16_t result = noErr;
    {
        ProgressBar progress(stderr);
        InterruptGuard interrupt;
        session.setProgressHandler(
            [&](int32_t done, int32_t total) { progress.update(done, total); });
        session.setAbortHandler([] { return InterruptGuard::interrupted(); });
        result = session.run();
        // An interrupt that came after the filter's last poll still means "do not save".
        if (result == noErr && InterruptGuard::interrupted()) result = userCanceledErr;
    }
    if (result != noErr) {
        std::cerr << "brivo: " << describeResult(result) << '\n';
        return exitStatusForResult(result);
    }
    host::releaseSparePixelMemory();
    if (options.verbose) {
        reportColorConversions(services.colors());
        const std::chrono::duration<double, std::milli> inFilter = session.lastStart().elapsed;
        std::cerr << "time in filter: " << std::fixed << std::setprecision(1) << inFilter.count()
                  << " ms\n";
    }

    try {
        if (options.record) {
            const std::optional<host::DescriptorValues> recorded =
                services.descriptors().recorded();
            if (!recorded) return fail("the module recorded no parameters; nothing written");
            saveActionAtomically(*options.record, *recorded);
        }
        const bool oneChannel =
            options.view == OutputView::matte || options.view == OutputView::shape;
        host::writeImageFile(oneChannel ? firstChannelOf(session.document()) : session.document(),
                             options.output);
    } catch (const std::exception& error) {
        return fail(error.what());
    }
    if (options.verbose) std::cerr << "wrote " << options.output << '\n';
    return 0;
}

}  // namespace brivo::app
