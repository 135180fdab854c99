// The image scaler on the render path's typical work: images halved (quality 5: triangle)
// and doubled (quality 5: cubic), in 8 and 16 bits, with the selected passes and with the
// reference passes; and each 16-bit pass alone on a 6000-pixel row, both ways.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "bench_support.h"
#include "image/image_scaler.h"
#include "image/resample_filter.h"
#include "image/scale_kernels.h"
#include "image/scale_weights.h"

namespace {

using brivo::PixelView;
using brivo::fx::ImageScaler;
using brivo::fx::ScaleKernels;
using brivo::fx::WeightTableSet;

PixelView randomView(int32_t width, int32_t height, int32_t channels, int32_t bytes) {
    PixelView view(width, height, channels, bytes);
    std::mt19937 random(1);
    const size_t size = static_cast<size_t>(view.rowBytes) * height;
    for (size_t i = 0; i < size; ++i) view.pixels[i] = static_cast<uint8_t>(random());
    if (bytes == 2) {
        // Samples in the host's 16-bit range, 0 .. 32768.
        for (int32_t y = 0; y < height; ++y) {
            uint16_t* row = view.row16(y);
            for (int32_t i = 0; i < width * channels; ++i) row[i] %= 32769;
        }
    }
    return view;
}

const ScaleKernels& passes(bool reference) {
    return reference ? brivo::fx::scalarScaleKernels() : brivo::fx::scaleKernels();
}

// Arguments: channels, bytes per channel, reference passes (0 or 1).
void scale(benchmark::State& state, int32_t sw, int32_t sh, int32_t dw, int32_t dh) {
    const auto channels = static_cast<int32_t>(state.range(0));
    const auto bytes = static_cast<int32_t>(state.range(1));
    const ScaleKernels& kernels = passes(state.range(2) != 0);
    const PixelView source = randomView(sw, sh, channels, bytes);
    const PixelView destination = randomView(dw, dh, channels, bytes);
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
    scale(state, 6000, 4000, 3000, 2000);
}
void twice(benchmark::State& state) {
    scale(state, 1500, 1000, 3000, 2000);
}

// ---- The 16-bit passes alone --------------------------------------------------------------

constexpr int32_t kRowPixels = 6000;

// The x tables of a row of kRowPixels halved (triangle) or of half that doubled (cubic).
WeightTableSet rowTables(bool halving) {
    const brivo::fx::ResampleFilter& filter =
        *brivo::fx::findFilter(halving ? "triangle" : "cubic");
    const double s = halving ? 0.5 : 2.0;
    const int32_t n = halving ? kRowPixels : kRowPixels / 2;
    WeightTableSet tables;
    tables.build(halving ? kRowPixels / 2 : kRowPixels, 0.5 / s - 0.5, s, filter,
                 brivo::fx::axisFilterParams(s, filter), n, true);
    return tables;
}

// The weights of a y table of four taps, as the triangle halves or the cubic doubles.
const int32_t kFourTaps[] = {2048, 6144, 6144, 2048};

template <typename T>
std::vector<T> randomRow(size_t length, uint64_t limit) {
    std::mt19937_64 random(7);
    std::vector<T> row(length);
    for (T& v : row) v = static_cast<T>(random() % limit);
    return row;
}

// Arguments: channels, reference passes (0 or 1).
template <typename In, typename Out, typename Pass>
void xPass(benchmark::State& state, Pass pass, uint64_t limit) {
    const auto channels = static_cast<int32_t>(state.range(0));
    const WeightTableSet x = rowTables(true);
    const std::vector<In> source = randomRow<In>(
        static_cast<size_t>(kRowPixels + x.stride + brivo::fx::kRowSlackPixels) * channels, limit);
    std::vector<Out> out(static_cast<size_t>(x.count) * channels);
    for (auto _ : state) {
        pass(source.data(), x, 0, x.count, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.counters["MP/s"] = benchmark::Counter(
        static_cast<double>(x.count) * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

template <typename In, typename Out, typename Pass>
void yPass(benchmark::State& state, Pass pass, uint64_t limit) {
    const auto channels = static_cast<int32_t>(state.range(0));
    const size_t samples = static_cast<size_t>(kRowPixels) * channels;
    std::vector<std::vector<In>> rows(4, randomRow<In>(samples, limit));
    const In* pointers[] = {rows[0].data(), rows[1].data(), rows[2].data(), rows[3].data()};
    std::vector<Out> out(samples);
    for (auto _ : state) {
        pass(pointers, kFourTaps, 4, 0, samples, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.counters["MP/s"] = benchmark::Counter(
        kRowPixels * static_cast<double>(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

// The values the previous pass leaves for the x-first y pass and the y-first x pass.
constexpr uint64_t kSampleLimit = 32769;
constexpr uint64_t kMidLimit = 8193;
constexpr uint64_t kSumLimit = kSampleLimit << 14;

void filterRow16(benchmark::State& state) {
    const auto& k = passes(state.range(1) != 0).xFirst16[state.range(0) == 4];
    xPass<uint16_t, int32_t>(state, k.filterRow, kSampleLimit);
}
void combineRows16(benchmark::State& state) {
    const auto& k = passes(state.range(1) != 0).xFirst16[state.range(0) == 4];
    yPass<int32_t, uint16_t>(state, k.combineRows, kMidLimit);
}
void sumRows16(benchmark::State& state) {
    const ScaleKernels& k = passes(state.range(1) != 0);
    if (state.range(0) == 4)
        yPass<uint16_t, int64_t>(state, k.yFirst16Four.sumRows, kSampleLimit);
    else
        yPass<uint16_t, int32_t>(state, k.yFirst16One.sumRows, kSampleLimit);
}
void filterSums16(benchmark::State& state) {
    const ScaleKernels& k = passes(state.range(1) != 0);
    if (state.range(0) == 4)
        xPass<int64_t, uint16_t>(state, k.yFirst16Four.filterSums, kSumLimit);
    else
        xPass<int32_t, uint16_t>(state, k.yFirst16One.filterSums, kSumLimit);
}

}  // namespace

BENCHMARK(halve)
    ->ArgNames({"ch", "bytes", "ref"})
    ->ArgsProduct({{4}, {1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(halve)
    ->ArgNames({"ch", "bytes", "ref"})
    ->ArgsProduct({{1}, {2}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(twice)
    ->ArgNames({"ch", "bytes", "ref"})
    ->ArgsProduct({{4}, {1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(twice)
    ->ArgNames({"ch", "bytes", "ref"})
    ->ArgsProduct({{1}, {2}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(filterRow16)->ArgNames({"ch", "ref"})->ArgsProduct({{1, 4}, {0, 1}});
BENCHMARK(combineRows16)->ArgNames({"ch", "ref"})->ArgsProduct({{1, 4}, {0, 1}});
BENCHMARK(sumRows16)->ArgNames({"ch", "ref"})->ArgsProduct({{1, 4}, {0, 1}});
BENCHMARK(filterSums16)->ArgNames({"ch", "ref"})->ArgsProduct({{1, 4}, {0, 1}});

BENCHMARK_MAIN();
