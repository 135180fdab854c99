// The whole filter through PluginMain on a 6000 × 4000 RGB document: the time of the start
// call (everything inside the filter, including the host's channel-port copies) as
// megapixels per second and as a multiple of one memcpy of the document's bytes as the
// filter holds them: four bytes per RGB pixel.
#include <memory>
#include <random>

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

PlanarDocument photographLike() {
    PlanarDocument document;
    document.width = kWidth;
    document.height = kHeight;
    document.imageMode = plugInModeRGBColor;
    std::mt19937 random(7);
    for (int plane = 0; plane < 3; ++plane) {
        PlaneSamples samples(static_cast<size_t>(kWidth) * kHeight);
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x)
                samples[static_cast<size_t>(y) * kWidth + x] =
                    static_cast<uint8_t>((x / 24 + y / 16 + plane * 40) % 256 / 2 + random() % 64);
        document.planes.push_back(std::move(samples));
    }
    return document;
}

struct Session {
    std::unique_ptr<FilterHost> host;
    std::unique_ptr<HostServices> services;
};

Session openSession(const DescriptorValues& settings) {
    Session session;
    session.host = std::make_unique<FilterHost>(std::make_unique<ModuleLoader>(BRIVO_MODULE_PATH),
                                                photographLike());
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
    // Keys come from the module's catalog, as any host finds them.
    const ParameterCatalog catalog = ParameterCatalog::ofModule(BRIVO_MODULE_PATH);
    const auto key = [&](std::string_view field, size_t component = 0) {
        return catalog.field(field)[component].key;
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
