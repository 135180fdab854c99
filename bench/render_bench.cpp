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
#include "plugin/shell/parameter_table.h"

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
    DescriptorValues settings;
    settings.put(kKeyShapeFile, std::string(BRIVO_SOURCE_DIR) + "/patterns/window_panes.png");
    settings.put(kKeyShapeRotate, 30.0);
    settings.put(kKeyLightDisplacement, 20.0);
    settings.put(kKeyCorner1X, 0.9);
    settings.put(kKeyCorner1Y, 0.1);
    settings.put(kKeyCorner3X, 0.05);
    runStart(state, settings);
}

// The most work a light level can ask for: Screen at the largest level, from the image or
// from the matte. Run it with BRIVO_NO_SIMD=1 as well to compare the reference path.
void brightestScreen(benchmark::State& state, int32_t lightSource) {
    DescriptorValues settings;
    settings.put(kKeyLightBlendMode,
                 EnumeratedValue{kLightBlendModes.type, kLightBlendModeCodes[2].code});
    settings.put(kKeyLightSource,
                 EnumeratedValue{kLightSources.type, kLightSourceCodes[lightSource].code});
    settings.put(kKeyLightBrightness, 1e30);
    runStart(state, settings);
}

// The widest blur of the light or of the matte: every blur pass spans the whole document.
void widestBlur(benchmark::State& state, DescriptorKeyID key) {
    DescriptorValues settings;
    settings.put(key, 1e30);
    runStart(state, settings);
}

}  // namespace

BENCHMARK_CAPTURE(widestBlur, light, kKeyLightBlur)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK_CAPTURE(widestBlur, matte, kKeyMatteBlur)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK_CAPTURE(brightestScreen, image, 0)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK_CAPTURE(brightestScreen, matte, 1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(defaultLight)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(shapedLight)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK_MAIN();
