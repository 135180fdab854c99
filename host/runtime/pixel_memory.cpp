#include "host/runtime/pixel_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <vector>

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

// Freed large blocks kept for the next request of the same rounded length: a filter asks for
// the same strip and plane sizes again and again, and a kept block needs neither a new mapping
// nor the kernel's zeroing of its pages. Bounded in count and bytes; emptied when a mapping
// fails, so kept blocks never cause a refusal.
class SpareBlocks {
  public:
    // A kept block of exactly `length` bytes, or null.
    void* take(size_t length) noexcept {
        const std::lock_guard lock(mutex_);
        for (size_t i = 0; i < blocks_.size(); ++i) {
            if (blocks_[i].length != length) continue;
            void* block = blocks_[i].start;
            keptBytes_ -= length;
            blocks_.erase(blocks_.begin() + static_cast<ptrdiff_t>(i));
            return block;
        }
        return nullptr;
    }

    // Keeps the block when there is room; false when the caller must unmap it.
    bool keep(void* block, size_t length) noexcept {
        const std::lock_guard lock(mutex_);
        if (blocks_.size() >= kMaxBlocks || keptBytes_ + length > kMaxBytes) return false;
        blocks_.push_back(Block{block, length});
        keptBytes_ += length;
        return true;
    }

    void release() noexcept {
        const std::lock_guard lock(mutex_);
        // Unpoisoned first: the next mapping at these addresses (a library's, say) is clean.
        for (const Block& block : blocks_) {
            BRIVO_UNPOISON(block.start, block.length);
            munmap(block.start, block.length);
        }
        blocks_.clear();
        keptBytes_ = 0;
    }

  private:
    static constexpr size_t kMaxBlocks = 32;
    static constexpr size_t kMaxBytes = size_t{256} << 20;
    struct Block {
        void* start;
        size_t length;
    };
    std::mutex mutex_;
    std::vector<Block> blocks_ = std::vector<Block>(0);
    size_t keptBytes_ = 0;
};

SpareBlocks& spareBlocks() noexcept {
    // Never destroyed: blocks may be freed by other static destructors at exit.
    static SpareBlocks* const spares = new SpareBlocks;
    return *spares;
}

// A fresh mapping of `length` bytes for a block of `bytes`, marked for huge pages; kept blocks
// are given back first when the address space or memory is short.
void* mapBlock(size_t length, size_t bytes) noexcept {
    void* block = mapAligned(length);
    if (!block) {
        spareBlocks().release();
        block = mapAligned(length);
        if (!block) return nullptr;
    }
#ifdef MADV_HUGEPAGE
    // Fails where the kernel has no transparent huge pages; the block then works with small
    // pages, only more slowly.
    madvise(block, length, MADV_HUGEPAGE);
    // The huge page the block ends in is left to small pages: filled as a huge page, the
    // rounding slack would cost up to a whole huge page of memory per block.
    const size_t whole = bytes & ~(kPixelPageBytes - 1);
    if (whole < length) madvise(static_cast<char*>(block) + whole, length - whole, MADV_NOHUGEPAGE);
#endif
    return block;
}

}  // namespace

void releaseSparePixelMemory() noexcept {
    spareBlocks().release();
}

void* allocatePixelMemory(size_t bytes) noexcept {
    if (bytes > kPixelMaxBytes) return nullptr;
    if (bytes < kPixelMapThreshold) return std::malloc(bytes == 0 ? 1 : bytes);

    const size_t length = roundToPages(bytes);
    void* block = spareBlocks().take(length);
    if (!block) block = mapBlock(length, bytes);
    if (!block) return nullptr;
    BRIVO_UNPOISON(block, bytes);
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
    // A kept block stays poisoned until it is lent again.
    BRIVO_POISON(block, length);
    if (spareBlocks().keep(block, length)) return;
    BRIVO_UNPOISON(block, length);
    munmap(block, length);
}

}  // namespace brivo::host
