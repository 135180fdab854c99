// The whole filter through PluginMain on a 6000 × 4000 RGB document: the time of the start
// call (everything inside the filter, including the host's channel-port copies) as
// megapixels per second and as a multiple of one memcpy of the document's bytes as the
// filter holds them: four bytes per RGB pixel.
#include <memory>

#include "bench_support.h"
#include "filter_record.h"
#include "host/runtime/filter_host.h"
#include "host/runtime/host_services.h"
#include "host/scripting/parameter_catalog.h"

namespace {

using namespace brivo;
using namespace brivo::host;

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

struct Session {
    std::unique_ptr<FilterHost> host;
    std::unique_ptr<HostServices> services;
};

Session openSession(const DescriptorValues& settings) {
    Session session;
    session.host = std::make_unique<FilterHost>(std::make_unique<ModuleLoader>(BRIVO_MODULE_PATH),
                                                bench::photographLike(kWidth, kHeight));
    session.services = std::make_unique<HostServices>(*session.host);
    session.services->descriptors().replay(settings, plugInDialogSilent);
    session.host->call(filterSelectorParameters);
    session.host->call(filterSelectorPrepare);
    return session;
}

void runStart(benchmark::State& state, const DescriptorValues& settings) {
    Session session = openSession(settings);
    for (auto _ : state) {
        session.services->descriptors().replay(settings, plugInDialogSilent);
        const int16_t result = session.host->call(filterSelectorStart);
        if (result != 0) state.SkipWithError("the start failed");
    }
    const size_t documentBytes = static_cast<size_t>(kWidth) * kHeight * 4;  // R, G, B, spare
    bench::reportThroughput(state, kWidth * kHeight / 1e6, documentBytes);
}

void defaultLight(benchmark::State& state) {
    runStart(state, DescriptorValues());
}

void shapedLight(benchmark::State& state) {
    const auto key = [](std::string_view field, size_t component = 0) {
        return bench::catalogKey(BRIVO_MODULE_PATH, field, component);
    };
    DescriptorValues settings;
    settings.put(key("shapeFile"), std::string(BRIVO_SOURCE_DIR) + "/patterns/window_panes.png");
    settings.put(key("shapeRotate"), 30.0);
    settings.put(key("lightDisplacement"), 20.0);
    settings.put(key("cornerPin", 2), 0.9);
    settings.put(key("cornerPin", 3), 0.1);
    settings.put(key("cornerPin", 6), 0.05);
    runStart(state, settings);
}

}  // namespace

BENCHMARK(defaultLight)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(shapedLight)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK_MAIN();
