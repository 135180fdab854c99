#include "app/about_command.h"

#include <iostream>
#include <optional>

#include "app/result_messages.h"
#include "app/window_picture.h"
#include "host/files/planar_document.h"
#include "host/runtime/filter_host.h"
#include "host/runtime/host_services.h"
#include "host/scripting/property_list.h"
#include "host/toolkit/backend_choice.h"
#include "host/toolkit/headless_backend.h"
#include "host/toolkit/toolkit_services.h"

namespace brivo::app {

namespace {

namespace tk = host::toolkit;

// Runs the about selector with the box drawn offscreen: its picture is kept, then a click
// on it closes it as the user's would.
int16_t aboutIntoPicture(host::FilterHost& session, tk::RgbImage& picture) {
    tk::HeadlessBackend backend;
    tk::ToolkitServices toolkit(session, backend);
    backend.queue(tk::HeadlessEvent::run([&](tk::Toolkit& t, tk::Dialog& dialog) {
        backend.paint(t, dialog);
        picture = backend.frame(dialog);
    }));
    backend.click({0, 0});
    return session.about();
}

// In a window for a person at a terminal with a display; without one the box closes at
// once.
int16_t aboutForCommand(host::FilterHost& session) {
    const std::unique_ptr<tk::Backend> backend = tk::makeBackendForCommand();
    tk::ToolkitServices toolkit(session, *backend);
    return session.about();
}

void printModuleName(const host::PropertyList& properties) {
    const std::optional<uint32_t> version = properties.word(BRIVO_FOURCC('v', 'e', 'r', 's'));
    std::cout << properties.pascal(BRIVO_FOURCC('n', 'a', 'm', 'e')).value_or("(unnamed module)");
    if (version)
        std::cout << " (interface version " << (*version >> 16) << '.' << (*version & 0xffff)
                  << ')';
    std::cout << '\n';
}

}  // namespace

int runAbout(const AboutOptions& options) {
    host::PropertyList properties;
    std::unique_ptr<host::ModuleLoader> module;
    try {
        properties = host::PropertyList::ofModule(options.module);
        module = std::make_unique<host::ModuleLoader>(options.module);
    } catch (const std::exception& error) {
        std::cerr << "brivo: " << error.what() << '\n';
        return 1;
    }
    // The about selector needs no document, but a session carries one.
    host::FilterHost session(std::move(module), host::makePlanarDocument(1, 1, plugInModeRGBColor));
    host::HostServices services(session);
    int16_t result = noErr;
    try {
        if (options.screenshot) {
            tk::RgbImage picture;
            result = aboutIntoPicture(session, picture);
            if (result == noErr) writeWindowPicture(picture, *options.screenshot);
        } else {
            result = aboutForCommand(session);
        }
    } catch (const std::exception& error) {
        std::cerr << "brivo: " << error.what() << '\n';
        return 1;
    }
    if (result != noErr) {
        std::cerr << "brivo: " << describeResult(result) << '\n';
        return exitStatusForResult(result);
    }
    printModuleName(properties);
    return 0;
}

}  // namespace brivo::app
