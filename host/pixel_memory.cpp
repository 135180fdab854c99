#include "host/pixel_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define BRIVO_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define BRIVO_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define BRIVO_POISON(address, size) ((void)(address), (void)(size))
#define BRIVO_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace brivo::host {

namespace {

size_t roundToPages(size_t bytes) {
    return (bytes + kPixelPageBytes - 1) & ~(kPixelPageBytes - 1);
}

// Maps `length` bytes (a multiple of kPixelPageBytes) starting on a kPixelPageBytes boundary.
// The kernel only promises page alignment, so the mapping is made longer by a huge page less
// one page, which always holds an aligned start, and the unaligned head and the excess tail
// are unmapped again: what stays mapped is exactly [start, start + length), which is what
// freePixelMemory unmaps.
void* mapAligned(size_t length) {
    static const auto pageBytes = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t mappedLength = length + kPixelPageBytes - pageBytes;
    void* mapped =
        mmap(nullptr, mappedLength, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    const auto raw = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t start = (raw + kPixelPageBytes - 1) & ~uintptr_t{kPixelPageBytes - 1};
    const size_t head = start - raw;
    const size_t tail = mappedLength - head - length;
    if (head > 0 && munmap(mapped, head) != 0) {
        munmap(mapped, mappedLength);
        return nullptr;
    }
    if (tail > 0 && munmap(reinterpret_cast<void*>(start + length), tail) != 0) {
        munmap(reinterpret_cast<void*>(start), mappedLength - head);
        return nullptr;
    }
    return reinterpret_cast<void*>(start);
}

}  // namespace

void* allocatePixelMemory(size_t bytes) noexcept {
    if (bytes > kPixelMaxBytes) return nullptr;
    if (bytes < kPixelMapThreshold) return std::malloc(bytes == 0 ? 1 : bytes);

    const size_t length = roundToPages(bytes);
    void* block = mapAligned(length);
    if (!block) return nullptr;
#ifdef MADV_HUGEPAGE
    // Fails where the kernel has no transparent huge pages; the block then works with small
    // pages, only more slowly.
    madvise(block, length, MADV_HUGEPAGE);
#endif
    // The rounding slack is not part of the block: let the address sanitizer catch overruns.
    BRIVO_POISON(static_cast<char*>(block) + bytes, length - bytes);
    return block;
}

void freePixelMemory(void* block, size_t bytes) noexcept {
    if (!block) return;
    if (bytes < kPixelMapThreshold) {
        std::free(block);
        return;
    }
    const size_t length = roundToPages(bytes);
    BRIVO_UNPOISON(block, length);
    munmap(block, length);
}

}  // namespace brivo::host
