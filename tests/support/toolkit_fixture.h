// A headless dialog toolkit for tests: in-process, reachable through a basic suite for
// code that runs outside PluginMain, or attached to a module session so a selector runs
// with a scripted queue of user events.
#pragma once

#include <memory>

#include "host/runtime/call_binding.h"
#include "host/runtime/suite_registry.h"
#include "host/toolkit/headless_backend.h"
#include "host/toolkit/toolkit.h"
#include "host/toolkit/toolkit_services.h"
#include "support/host_fixture.h"

namespace brivo::test {

// The toolkit suites in a registry of their own, bound for the fixture's life: code under
// test acquires them through basic() exactly as a module does through its record.
class HeadlessToolkit {
  public:
    explicit HeadlessToolkit(host::toolkit::HeadlessBackend::Options options = {});
    ~HeadlessToolkit();

    SPBasicSuite* basic() { return registry.basicSuite(); }
    // A suite table, acquired for the fixture's life (released by the destructor).
    template <class Table>
    const Table* suite(const char* name, int32_t version) {
        const void* table = nullptr;
        if (registry.acquire(name, version, &table) != kSPNoError) return nullptr;
        held_.push_back({name, version});
        return static_cast<const Table*>(table);
    }

    host::SuiteRegistry registry;
    host::toolkit::HeadlessBackend backend;
    host::toolkit::Toolkit toolkit;

  private:
    host::CallBinding<host::SuiteRegistry> registryBinding_;
    host::CallBinding<host::toolkit::Toolkit> toolkitBinding_;
    std::vector<std::pair<const char*, int32_t>> held_;
};

// A module session with the headless toolkit offered: queue events on `backend`, then
// call a selector; the modal loops inside it play them.
struct ToolkitSession {
    ModuleSession session;
    std::unique_ptr<host::toolkit::HeadlessBackend> backend;
    std::unique_ptr<host::toolkit::ToolkitServices> services;  // goes before the host

    host::FilterHost* operator->() const { return session.host.get(); }
    host::toolkit::Toolkit& toolkit() const { return services->toolkit(); }
};

ToolkitSession makeToolkitHost(host::PlanarDocument document,
                               host::toolkit::HeadlessBackend::Options options = {},
                               host::ModuleLoader::Copy copy = host::ModuleLoader::Copy::shared);

}  // namespace brivo::test
