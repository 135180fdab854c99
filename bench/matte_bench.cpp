// The matte extraction of one 3000 × 2000 strip with a bell table, per image mode and matte
// channel, on the reference kernels and on the dispatched ones in the same run: compare the
// two MP/s figures of a case for the vector speed-up.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench_support.h"
#include "core/filter_parameters.h"
#include "filter_record.h"
#include "render/matte.h"

namespace {

using namespace brivo;

constexpr int32_t kWidth = 3000;
constexpr int32_t kHeight = 2000;

// The photograph-like planes interleaved into pixels of pixelBytes bytes; a CMYK fourth
// byte (black) is the first plane inverted, so that ink and light vary together.
std::vector<uint8_t> interleaved(int32_t pixelBytes) {
    static const host::PlanarDocument document = bench::photographLike(kWidth, kHeight);
    const size_t pixels = static_cast<size_t>(kWidth) * kHeight;
    std::vector<uint8_t> bytes(pixels * pixelBytes);
    for (size_t i = 0; i < pixels; ++i)
        for (int32_t channel = 0; channel < pixelBytes; ++channel)
            bytes[i * pixelBytes + channel] =
                channel < 3 ? document.planes[channel][i]
                            : static_cast<uint8_t>(255 - document.planes[0][i]);
    return bytes;
}

// Arguments: image mode, matte channel, and 1 to force the reference kernel.
void extractStrip(benchmark::State& state) {
    const int32_t mode = static_cast<int32_t>(state.range(0));
    const int32_t channel = static_cast<int32_t>(state.range(1));
    const MatteKernels& kernels = state.range(2) != 0 ? scalarMatteKernels() : matteKernels();
    const int32_t pixelBytes = mode == plugInModeGrayScale ? 1 : 4;
    std::vector<uint8_t> pixels = interleaved(pixelBytes);
    PixelView source;
    source.setTo(kWidth, kHeight, pixelBytes, 1, kWidth * pixelBytes, pixels.data());
    PixelView matte(kWidth, kHeight, 1, 1);
    uint8_t table[kMatteTableSize];
    buildMatteTable(50.0, 50.0, table);
    for (auto _ : state) {
        kernels.extractMatte(source, mode, channel, table, matte);
        benchmark::ClobberMemory();
    }
    bench::reportThroughput(state, kWidth * static_cast<double>(kHeight) / 1e6,
                            static_cast<size_t>(kWidth) * kHeight * pixelBytes);
}

constexpr int64_t kLuminance = static_cast<int64_t>(MatteChannel::Luminance);
constexpr int64_t kRed = static_cast<int64_t>(MatteChannel::Red);
constexpr int64_t kCyan = static_cast<int64_t>(MatteChannel::Cyan);
constexpr int64_t kHue = static_cast<int64_t>(MatteChannel::Hue);
constexpr int64_t kSaturation = static_cast<int64_t>(MatteChannel::Saturation);

BENCHMARK(extractStrip)
    ->ArgNames({"mode", "channel", "scalar"})
    ->ArgsProduct({{plugInModeRGBColor}, {kLuminance, kCyan, kHue, kSaturation}, {0, 1}})
    ->ArgsProduct({{plugInModeCMYKColor}, {kLuminance, kRed, kCyan}, {0, 1}})
    ->ArgsProduct({{plugInModeGrayScale}, {kLuminance}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
