// In-memory documents and host sessions on the real filter module.
#pragma once

#include <cstdint>
#include <memory>

#include "host/files/planar_document.h"
#include "host/runtime/filter_host.h"
#include "host/runtime/host_services.h"
#include "host/runtime/module_loader.h"

namespace brivo::test {

enum class Fill {
    gradient,  // a smooth ramp that differs per row, column and plane
    noise,     // seeded pseudo-random samples
};

// A document of the given mode (1, 3 or 4) and size, filled with the pattern; with an
// alpha plane on request (a ramp of its own).
host::PlanarDocument makeDocument(int32_t imageMode, int32_t width, int32_t height,
                                  Fill fill = Fill::gradient, bool withAlpha = false,
                                  uint32_t seed = 1);

// A host session on the module with every service a full host lends.
struct ModuleSession {
    std::unique_ptr<host::FilterHost> host;
    std::unique_ptr<host::HostServices> services;  // goes before the host it serves

    host::FilterHost* operator->() const { return host.get(); }
    host::FilterHost& operator*() const { return *host; }
};

// A session on the module built with the tests. Copy::fresh loads a private copy,
// whose one-time checks start anew.
ModuleSession makeHost(host::PlanarDocument document,
                       host::ModuleLoader::Copy copy = host::ModuleLoader::Copy::shared);

}  // namespace brivo::test
