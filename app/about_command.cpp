#include "app/about_command.h"

#include <iostream>

#include "app/result_messages.h"
#include "host/files/planar_document.h"
#include "host/runtime/filter_host.h"
#include "host/runtime/host_services.h"
#include "host/scripting/property_list.h"

namespace brivo::app {

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
    const int16_t result = session.about();
    if (result != noErr) {
        std::cerr << "brivo: " << describeResult(result) << '\n';
        return exitStatusForResult(result);
    }
    const std::optional<uint32_t> version = properties.word(BRIVO_FOURCC('v', 'e', 'r', 's'));
    std::cout << properties.pascal(BRIVO_FOURCC('n', 'a', 'm', 'e')).value_or("(unnamed module)");
    if (version)
        std::cout << " (interface version " << (*version >> 16) << '.' << (*version & 0xffff)
                  << ')';
    std::cout << '\n';
    return 0;
}

}  // namespace brivo::app
