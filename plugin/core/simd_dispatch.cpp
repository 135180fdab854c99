#include "core/simd_dispatch.h"

#include <cstdlib>
#include <cstring>

namespace brivo {

bool simdAllowed() {
    const char* value = std::getenv("BRIVO_NO_SIMD");
    return value == nullptr || std::strcmp(value, "1") != 0;
}

bool cpuHasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool hasAvx2 = __builtin_cpu_supports("avx2");
    return hasAvx2;
#else
    return false;
#endif
}

}  // namespace brivo
