// The PNG writer's image data: a 6000 x 4000 RGB photograph-like document filtered and
// compressed at the fastest, default and smallest settings, on one thread and on two. The
// compressed size is reported beside the speed, since the settings trade one for the other.
#include <benchmark/benchmark.h>

#include <span>

#include "bench_support.h"
#include "host/files/image_codec_support.h"
#include "host/files/png_image_data.h"

namespace {

using brivo::host::PlanarDocument;
namespace codec = brivo::host::image_codec;

const PlanarDocument& document() {
    static const PlanarDocument photograph = brivo::bench::photographLike(6000, 4000);
    return photograph;
}

void encode(benchmark::State& state) {
    const PlanarDocument& image = document();
    const auto setting = static_cast<int>(state.range(0));
    const auto threads = static_cast<int>(state.range(1));
    const size_t pixelBytes = image.planes.size();
    const size_t rowBytes = static_cast<size_t>(image.width) * pixelBytes;
    size_t compressed = 0;
    for (auto _ : state) {
        compressed = 0;
        codec::compressPngImageData(
            static_cast<size_t>(image.height), rowBytes, pixelBytes, setting, threads,
            [&](size_t y, uint8_t* row) { codec::gatherRow(image, y, false, false, row); },
            [&](std::span<const uint8_t> bytes, size_t) { compressed += bytes.size(); });
    }
    brivo::bench::reportThroughput(state, image.pixelCount() / 1e6,
                                   image.pixelCount() * pixelBytes);
    state.counters["MB_out"] = static_cast<double>(compressed) / 1e6;
}

}  // namespace

BENCHMARK(encode)
    ->ArgNames({"setting", "threads"})
    ->ArgsProduct({{1, 6, 9}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
