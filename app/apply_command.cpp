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
#include "host/scripting/property_list.h"
#include "plugin/render/light_color_space.h"
#include "plugin/shell/parameter_table.h"
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

// The light colour the module used, from what it recorded; the default where it recorded
// nothing usable.
host::Xyz16 recordedLightColor(const std::optional<host::DescriptorValues>& recorded) {
    host::Xyz16 xyz{};
    const auto fields = findParametersByName("lightColor");
    for (size_t i = 0; i < xyz.size(); ++i) {
        const host::DescriptorValue* value = recorded ? recorded->find(fields[i].key) : nullptr;
        const int32_t* component = value ? std::get_if<int32_t>(value) : nullptr;
        xyz[i] = static_cast<uint16_t>(component ? std::clamp(*component, 0, 65535)
                                                 : static_cast<int32_t>(fields[i].defaultValue));
    }
    return xyz;
}

void reportLightColor(host::HostServices& services, int32_t imageMode) {
    const host::Xyz16 xyz = recordedLightColor(services.descriptors().recorded());
    const auto converted = services.colors().service().fromXyz(lightColorSpace(imageMode), xyz);
    std::cerr << "light colour:";
    for (uint8_t component : converted.components) std::cerr << ' ' << int{component};
    std::cerr << (converted.clipped ? " (clipped)" : "") << '\n';
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
    try {
        ParameterSources sources = options.parameters;
        sources.patternFolder = std::filesystem::path(options.module).parent_path() / "Patterns";
        parameters = gatherParameters(sources);
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

    std::unique_ptr<host::ModuleLoader> module;
    try {
        module = std::make_unique<host::ModuleLoader>(options.module);
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
        reportLightColor(services, session.document().imageMode);
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
