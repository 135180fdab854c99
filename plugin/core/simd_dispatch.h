// What the engines' function tables may use: the CPU's vector extensions, unless the
// environment asks for the scalar reference (BRIVO_NO_SIMD=1), so any run can be repeated
// on the plain code path.
#pragma once

#include <cstdlib>
#include <cstring>

namespace brivo {

// False when BRIVO_NO_SIMD is set to "1".
inline bool simdAllowed() {
    const char* value = std::getenv("BRIVO_NO_SIMD");
    return value == nullptr || std::strcmp(value, "1") != 0;
}

inline bool cpuHasAvx2() {
    return __builtin_cpu_supports("avx2");
}

}  // namespace brivo
