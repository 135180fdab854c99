// Helpers shared by the benchmark programs: a memcpy reference measured in the same run,
// so each figure can be reported as a multiple of copying the same bytes.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>

namespace brivo::bench {

// Seconds one memcpy of bytes takes here (best of several runs, measured once per size).
double memcpySeconds(size_t bytes);

// Adds "MP/s" and "x_memcpy" counters to a finished benchmark whose iterations each
// processed megapixels and whose work compares with copying referenceBytes.
void reportThroughput(benchmark::State& state, double megapixels, size_t referenceBytes);

}  // namespace brivo::bench
