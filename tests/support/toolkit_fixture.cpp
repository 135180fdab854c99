#include "support/toolkit_fixture.h"

namespace brivo::test {

HeadlessToolkit::HeadlessToolkit(host::toolkit::HeadlessBackend::Options options)
    : backend(options), toolkit(backend), registryBinding_(registry), toolkitBinding_(toolkit) {
    host::toolkit::offerToolkitSuites(registry);
}

HeadlessToolkit::~HeadlessToolkit() {
    for (const auto& [name, version] : held_) registry.release(name, version);
}

ToolkitSession makeToolkitHost(host::PlanarDocument document,
                               host::toolkit::HeadlessBackend::Options options,
                               host::ModuleLoader::Copy copy) {
    ToolkitSession result;
    result.session = makeHost(std::move(document), copy);
    result.backend = std::make_unique<host::toolkit::HeadlessBackend>(options);
    result.services =
        std::make_unique<host::toolkit::ToolkitServices>(*result.session.host, *result.backend);
    return result;
}

}  // namespace brivo::test
