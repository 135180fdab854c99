#include "app/apply_command.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "app/interrupt_guard.h"
#include "app/progress_bar.h"
#include "app/result_messages.h"
#include "host/filter_host.h"
#include "host/host_services.h"
#include "host/image_file.h"
#include "host/module_loader.h"

namespace brivo::app {

namespace {

const char* modeName(int32_t imageMode) {
    switch (imageMode) {
    case plugInModeGrayScale: return "Grayscale";
    case plugInModeRGBColor: return "RGB";
    case plugInModeCMYKColor: return "CMYK";
    default: return "unknown mode";
    }
}

bool sameFile(const std::string& first, const std::string& second) {
    std::error_code error;
    return std::filesystem::equivalent(first, second, error);
}

int fail(const std::string& message) {
    std::cerr << "brivo: " << message << '\n';
    return 1;
}

}  // namespace

int runApply(const ApplyOptions& options) {
    if (sameFile(options.input, options.output))
        return fail("the output must not replace the input " + options.input);
    if (!host::imageFormatForPath(options.output))
        return fail("cannot tell the output format from " + options.output +
                    " (use .png, .jpg, .jpeg, .tif or .tiff)");

    host::ImageDocument document;
    std::unique_ptr<host::ModuleLoader> module;
    try {
        document = host::readImageFile(options.input);
        module = std::make_unique<host::ModuleLoader>(options.module);
    } catch (const std::exception& error) {
        return fail(error.what());
    }

    host::FilterHost session(std::move(module), std::move(document));
    host::HostServices services(session);
    if (options.rect) {
        try {
            session.setFilterRect(*options.rect);
        } catch (const std::invalid_argument& error) {
            return fail(error.what());
        }
    }
    if (options.verbose) {
        const auto& doc = session.document();
        const VRect area = session.filterRect();
        std::cerr << "module: " << session.module().path().string() << '\n'
                  << "image: " << doc.width << " x " << doc.height << ' ' << modeName(doc.imageMode)
                  << (doc.hasAlpha() ? " with transparency" : "") << '\n'
                  << "filter area: " << area.top << ',' << area.left << ',' << area.bottom << ','
                  << area.right << '\n';
    }

    int16_t result = noErr;
    {
        ProgressBar progress(stderr);
        InterruptGuard interrupt;
        session.setProgressHandler([&](int32_t done, int32_t total) { progress.update(done, total); });
        session.setAbortHandler([] { return InterruptGuard::interrupted(); });
        result = session.run();
        // An interrupt that came after the filter's last poll still means "do not save".
        if (result == noErr && InterruptGuard::interrupted()) result = userCanceledErr;
    }
    if (result != noErr) {
        std::cerr << "brivo: " << describeResult(result) << '\n';
        return exitStatusForResult(result);
    }

    try {
        host::writeImageFile(session.document(), options.output);
    } catch (const std::exception& error) {
        return fail(error.what());
    }
    if (options.verbose) std::cerr << "wrote " << options.output << '\n';
    return 0;
}

}  // namespace brivo::app
