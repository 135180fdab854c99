#include "bench_support.h"

#include "host/scripting/parameter_catalog.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <random>
#include <vector>

namespace brivo::bench {

double memcpySeconds(size_t bytes) {
    static std::map<size_t, double> measured;
    auto found = measured.find(bytes);
    if (found != measured.end()) return found->second;
    std::vector<unsigned char> from(bytes, 1), to(bytes, 0);
    double best = 1e30;
    for (int run = 0; run < 7; ++run) {
        const auto start = std::chrono::steady_clock::now();
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    measured[bytes] = best;
    return best;
}

void reportThroughput(benchmark::State& state, double megapixels, size_t referenceBytes) {
    const double iterations = static_cast<double>(state.iterations());
    state.counters["MP/s"] =
        benchmark::Counter(megapixels * iterations, benchmark::Counter::kIsRate);
    // Seconds per iteration come from the rate counter's inverse: record the memcpy time
    // and let the ratio be computed against the measured CPU time per iteration.
    state.counters["memcpy_s"] = memcpySeconds(referenceBytes);
    state.counters["x_memcpy"] =
        benchmark::Counter(iterations * memcpySeconds(referenceBytes),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

DescriptorKeyID catalogKey(const char* modulePath, std::string_view field, size_t component) {
    return host::ParameterCatalog::ofModule(modulePath).field(field)[component].key;
}

host::PlanarDocument photographLike(int32_t width, int32_t height) {
    host::PlanarDocument document;
    document.width = width;
    document.height = height;
    document.imageMode = plugInModeRGBColor;
    std::mt19937 random(7);
    for (int plane = 0; plane < 3; ++plane) {
        host::PlaneSamples samples(static_cast<size_t>(width) * height);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                samples[static_cast<size_t>(y) * width + x] =
                    static_cast<uint8_t>((x / 24 + y / 16 + plane * 40) % 256 / 2 + random() % 64);
        document.planes.push_back(std::move(samples));
    }
    return document;
}

}  // namespace brivo::bench
