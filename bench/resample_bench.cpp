// The image scaler on the render path's typical work: four-channel 8-bit images halved
// (quality 5: triangle) and doubled (quality 5: cubic), with the selected passes and with the
// reference passes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "bench_support.h"
#include "image/image_scaler.h"

namespace {

using brivo::PixelView;
using brivo::fx::ImageScaler;
using brivo::fx::ScaleKernels;

PixelView randomView(int32_t width, int32_t height) {
    PixelView view(width, height, 4, 1);
    std::mt19937 random(1);
    const size_t bytes = static_cast<size_t>(view.rowBytes) * height;
    for (size_t i = 0; i < bytes; ++i) view.pixels[i] = static_cast<uint8_t>(random());
    return view;
}

void scale(benchmark::State& state, int32_t sw, int32_t sh, int32_t dw, int32_t dh,
           const ScaleKernels& kernels) {
    const PixelView source = randomView(sw, sh);
    const PixelView destination = randomView(dw, dh);
    for (auto _ : state) {
        ImageScaler::scaleImage(source, destination, 5, kernels);
        benchmark::DoNotOptimize(destination.pixels);
        benchmark::ClobberMemory();
    }
    const bool reduces = static_cast<int64_t>(sw) * sh > static_cast<int64_t>(dw) * dh;
    const PixelView& larger = reduces ? source : destination;
    brivo::bench::reportThroughput(state, larger.width * larger.height / 1e6,
                                   static_cast<size_t>(larger.rowBytes) * larger.height);
}

void halve(benchmark::State& state) {
    scale(state, 6000, 4000, 3000, 2000, brivo::fx::scaleKernels());
}
void halveReference(benchmark::State& state) {
    scale(state, 6000, 4000, 3000, 2000, brivo::fx::scalarScaleKernels());
}
void twice(benchmark::State& state) {
    scale(state, 1500, 1000, 3000, 2000, brivo::fx::scaleKernels());
}
void twiceReference(benchmark::State& state) {
    scale(state, 1500, 1000, 3000, 2000, brivo::fx::scalarScaleKernels());
}

}  // namespace

BENCHMARK(halve)->Unit(benchmark::kMillisecond);
BENCHMARK(halveReference)->Unit(benchmark::kMillisecond);
BENCHMARK(twice)->Unit(benchmark::kMillisecond);
BENCHMARK(twiceReference)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
