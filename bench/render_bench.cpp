// The whole filter through PluginMain on a 6000 × 4000 RGB document: the time of the start
// call (everything inside the filter, including the host's channel-port copies) as
// megapixels per second and as a multiple of one memcpy of the document's bytes as the
// filter holds them: four bytes per RGB pixel.
#include <time.h>

#include <algorithm>
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

// Processor seconds the calling thread has used: with more threads it is the part of the
// work nobody shares, which bounds the wall-clock time however idle the machine is.
double callingThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

void runStart(benchmark::State& state, const DescriptorValues& settings) {
    Session session = openSession(settings);
    double callingThread = 0.0;
    for (auto _ : state) {
        session.services->descriptors().replay(settings, plugInDialogSilent);
        const double before = callingThreadSeconds();
        const int16_t result = session.host->call(filterSelectorStart);
        callingThread += callingThreadSeconds() - before;
        if (result != 0) state.SkipWithError("the start failed");
    }
    state.counters["calling_thread_ms"] =
        1e3 * callingThread / static_cast<double>(std::max<int64_t>(state.iterations(), 1));
    const size_t documentBytes = static_cast<size_t>(kWidth) * kHeight * 4;  // R, G, B, spare
    bench::reportThroughput(state, kWidth * kHeight / 1e6, documentBytes);
}

void defaultLight(benchmark::State& state) {
    runStart(state, DescriptorValues());
}

// A field's descriptor key from the module's catalog, as any host finds it.
uint32_t keyOf(std::string_view field, size_t component = 0) {
    return bench::catalogKey(BRIVO_MODULE_PATH, field, component);
}

// An enumerator of a field, by its index, as a descriptor value.
EnumeratedValue enumeratorOf(std::string_view field, size_t index) {
    static const ParameterCatalog catalog = ParameterCatalog::ofModule(BRIVO_MODULE_PATH);
    const CatalogEntry& entry = catalog.field(field)[0];
    return EnumeratedValue{entry.enumerationType, entry.enumerators[index].code};
}

void shapedLight(benchmark::State& state) {
    DescriptorValues settings;
    settings.put(keyOf("shapeFile"), std::string(BRIVO_SOURCE_DIR) + "/patterns/window_panes.png");
    settings.put(keyOf("shapeRotate"), 30.0);
    settings.put(keyOf("lightDisplacement"), 20.0);
    settings.put(keyOf("cornerPin", 2), 0.9);
    settings.put(keyOf("cornerPin", 3), 0.1);
    settings.put(keyOf("cornerPin", 6), 0.05);
    runStart(state, settings);
}

// The most work a light level can ask for: Screen at the largest level, from the image or
// from the matte. Run it with BRIVO_NO_SIMD=1 as well to compare the reference path.
void brightestScreen(benchmark::State& state, size_t lightSource) {
    DescriptorValues settings;
    settings.put(keyOf("lightBlendMode"), enumeratorOf("lightBlendMode", 2));
    settings.put(keyOf("lightSource"), enumeratorOf("lightSource", lightSource));
    settings.put(keyOf("lightBrightness"), 1e30);
    runStart(state, settings);
}

// The widest blur of the light or of the matte: every blur pass spans the whole document.
void widestBlur(benchmark::State& state, const char* field) {
    DescriptorValues settings;
    settings.put(keyOf(field), 1e30);
    runStart(state, settings);
}

}  // namespace

BENCHMARK_CAPTURE(widestBlur, light, "lightBlur")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK_CAPTURE(widestBlur, matte, "matteBlur")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK_CAPTURE(brightestScreen, image, size_t{0})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK_CAPTURE(brightestScreen, matte, size_t{1})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(defaultLight)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(shapedLight)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK_MAIN();
