// The blur as the renderer uses it: two passes per axis on a 6000 x 4000 8-bit image, and on
// one strip of it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "bench_support.h"
#include "image/box_blur.h"

namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
constexpr int32_t kStripHeight = 280;

// Blurs a width x height image with random samples, two passes each way.
void blurRandom(benchmark::State& state, int32_t width, int32_t height, int32_t channels,
                float radius, bool scalar) {
    brivo::PixelView view(width, height, channels, 1);
    std::mt19937 random(1);
    const size_t bytes = static_cast<size_t>(view.rowBytes) * height;
    for (size_t i = 0; i < bytes; ++i) view.pixels[i] = static_cast<uint8_t>(random());

    brivo::BoxBlur blur;
    blur.setExtraPasses(1);
    blur.setRadius(radius, radius);
    const brivo::BoxBlurKernels& kernels =
        scalar ? brivo::scalarBoxBlurKernels() : brivo::boxBlurKernels();
    for (auto _ : state) {
        blur.apply(view, view.region, kernels);
        benchmark::ClobberMemory();
    }
    brivo::bench::reportThroughput(state, width * static_cast<double>(height) / 1e6, bytes);
}

// Arguments: channels, radius, and 1 to force the scalar passes.
void blurImage(benchmark::State& state) {
    blurRandom(state, kWidth, kHeight, static_cast<int32_t>(state.range(0)),
               static_cast<float>(state.range(1)), state.range(2) != 0);
}

// One strip as the render blurs it: the image's whole width, a few hundred rows.
// Arguments: channels, radius, and 1 to force the scalar passes.
void blurStrip(benchmark::State& state) {
    blurRandom(state, kWidth, kStripHeight, static_cast<int32_t>(state.range(0)),
               static_cast<float>(state.range(1)), state.range(2) != 0);
}

BENCHMARK(blurImage)
    ->ArgNames({"channels", "radius", "scalar"})
    ->ArgsProduct({{4, 1}, {10, 60}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

BENCHMARK(blurStrip)
    ->ArgNames({"channels", "radius", "scalar"})
    ->ArgsProduct({{4, 1}, {10}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
