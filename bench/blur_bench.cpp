// The blur as the renderer uses it: two passes per axis on a 6000 x 4000 image, and on one
// strip of it; and each axis alone, 8-bit and 16-bit, with the scalar and the dispatched
// passes in the same run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "bench_support.h"
#include "image/box_blur.h"

namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
constexpr int32_t kStripHeight = 280;

// Blurs a width x height image with random samples, two passes along each axis whose radius
// is not 0.
void blurRandom(benchmark::State& state, int32_t width, int32_t height, int32_t channels,
                int32_t bytesPerChannel, float radiusX, float radiusY, bool scalar) {
    brivo::PixelView view(width, height, channels, bytesPerChannel);
    std::mt19937 random(1);
    const size_t bytes = static_cast<size_t>(view.rowBytes) * height;
    for (size_t i = 0; i < bytes; ++i) view.pixels[i] = static_cast<uint8_t>(random());

    brivo::BoxBlur blur;
    blur.setExtraPasses(1);
    blur.setRadius(radiusX, radiusY);
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
    const auto radius = static_cast<float>(state.range(1));
    blurRandom(state, kWidth, kHeight, static_cast<int32_t>(state.range(0)), 1, radius, radius,
               state.range(2) != 0);
}

// One strip as the render blurs it: the image's whole width, a few hundred rows.
// Arguments: channels, radius, and 1 to force the scalar passes.
void blurStrip(benchmark::State& state) {
    const auto radius = static_cast<float>(state.range(1));
    blurRandom(state, kWidth, kStripHeight, static_cast<int32_t>(state.range(0)), 1, radius, radius,
               state.range(2) != 0);
}

// The rows' or the columns' passes alone, with a fractional box.
// Arguments: bits per sample, channels, 0 for rows or 1 for columns, and 1 to force the
// scalar passes.
void blurAxis(benchmark::State& state) {
    const float radius = 10.5f;
    const bool columns = state.range(2) != 0;
    blurRandom(state, kWidth, kHeight, static_cast<int32_t>(state.range(1)),
               static_cast<int32_t>(state.range(0) / 8), columns ? 0.0f : radius,
               columns ? radius : 0.0f, state.range(3) != 0);
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

BENCHMARK(blurAxis)
    ->ArgNames({"bits", "channels", "columns", "scalar"})
    ->ArgsProduct({{8, 16}, {4, 1}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
