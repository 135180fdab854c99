// How every engine chooses its kernels. Each engine has a table of plain scalar kernels and,
// on x86, a sibling table of AVX2 kernels (compiled from its *_avx2.cpp file with their own
// flags). selectKernels gives the AVX2 table when it was compiled in, the CPU offers AVX2 and
// the environment does not ask for the scalar reference (BRIVO_NO_SIMD=1), so any run can be
// repeated on the plain code path.
#pragma once

#include <type_traits>

#if defined(__x86_64__) || defined(__i386__)
// The engine's AVX2 table getter, or null where the AVX2 files are not compiled.
#define BRIVO_AVX2_KERNELS(getter) (&(getter))
#else
#define BRIVO_AVX2_KERNELS(getter) nullptr
#endif

namespace brivo {

// False when BRIVO_NO_SIMD is "1". Read on every call: a process may switch to the reference
// path at any time and every engine follows at its next selection.
bool simdAllowed();

// Whether the CPU runs AVX2 instructions; asked once, as the answer cannot change.
bool cpuHasAvx2();

template <class Kernels>
using KernelsGetter = const Kernels& (*)();

// The table an engine runs now: avx2() when the path is allowed and available, else scalar.
// Nothing is cached here; avx2() may build its table once, since its contents never change.
template <class Kernels>
const Kernels& selectKernels(const Kernels& scalar,
                             std::type_identity_t<KernelsGetter<Kernels>> avx2) {
    if (avx2 != nullptr && simdAllowed() && cpuHasAvx2()) return avx2();
    return scalar;
}

}  // namespace brivo
