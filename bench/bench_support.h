// Helpers shared by the benchmark programs: a memcpy reference measured in the same run,
// so each figure can be reported as a multiple of copying the same bytes, and a test
// document.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>

#include <string_view>

#include "host/files/planar_document.h"
#include "pluginapi/descriptor_parameters.h"

namespace brivo::bench {

// Seconds one memcpy of bytes takes here (best of several runs, measured once per size).
double memcpySeconds(size_t bytes);

// Adds "MP/s" and "x_memcpy" counters to a finished benchmark whose iterations each
// processed megapixels and whose work compares with copying referenceBytes.
void reportThroughput(benchmark::State& state, double megapixels, size_t referenceBytes);

// An RGB document with the broad ramps and fine noise of a photograph, the same for
// every run.
host::PlanarDocument photographLike(int32_t width, int32_t height);

// The descriptor key of a field's component, from the module's catalog, as any host finds
// it.
DescriptorKeyID catalogKey(const char* modulePath, std::string_view field, size_t component = 0);

}  // namespace brivo::bench
