// Memory for pixels: document planes, channel results and the buffers lent to a module.
//
// Large blocks are mapped directly, rounded up and aligned to 2 MiB and marked for transparent
// huge pages, so that filling a fresh plane costs a few huge-page faults instead of one fault
// per 4 KiB page. Small blocks come from malloc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace brivo::host {

// Huge-page size the large blocks are rounded and aligned to.
inline constexpr size_t kPixelPageBytes = size_t{2} << 20;

// Requests of at least this many bytes are mapped; smaller ones come from malloc. At this size
// a block fills half a huge page, so rounding costs at most as much again, and the share falls
// quickly with size (under 10% past 20 MiB). Smaller blocks are served from malloc's heap,
// whose pages are reused from call to call and faulted in only once.
inline constexpr size_t kPixelMapThreshold = size_t{1} << 20;

// Largest request served; anything larger (which no address space can hold) is refused
// before any size arithmetic can wrap.
inline constexpr size_t kPixelMaxBytes =
    static_cast<size_t>(std::numeric_limits<ptrdiff_t>::max()) - 2 * kPixelPageBytes;

// A block of at least `bytes` bytes aligned for any fundamental type, or null when memory is
// short or the request too large; never throws. Zero bytes yield a distinct block that must
// be freed too. Large blocks are 2 MiB aligned.
void* allocatePixelMemory(size_t bytes) noexcept;

// Gives back a block from allocatePixelMemory; `bytes` must be the size it was asked for.
// Null is ignored.
void freePixelMemory(void* block, size_t bytes) noexcept;

// Unmaps the freed large blocks kept for reuse (up to 32 blocks and 256 MiB in all are kept so
// that repeated requests of one size skip the mapping and the kernel's zeroing).
void releaseSparePixelMemory() noexcept;

// A stateless standard allocator over allocatePixelMemory; throws std::bad_alloc when memory
// is short.
template <class T>
class PixelAllocator {
  public:
    static_assert(alignof(T) <= alignof(std::max_align_t), "small blocks come from malloc");

    using value_type = T;
    using is_always_equal = std::true_type;
    using propagate_on_container_move_assignment = std::true_type;

    PixelAllocator() noexcept = default;
    template <class U>
    PixelAllocator(const PixelAllocator<U>&) noexcept {}

    T* allocate(size_t count) {
        if (count > kPixelMaxBytes / sizeof(T)) throw std::bad_array_new_length();
        void* block = allocatePixelMemory(count * sizeof(T));
        if (!block) throw std::bad_alloc();
        return static_cast<T*>(block);
    }

    void deallocate(T* block, size_t count) noexcept { freePixelMemory(block, count * sizeof(T)); }

    // Samples made without a value are left as they are: a plane sized to be filled is not
    // first cleared (large blocks would otherwise be written twice).
    template <class U>
    void construct(U* at) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(at)) U;
    }
    template <class U, class... Args>
    void construct(U* at, Args&&... args) {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
};

template <class T, class U>
bool operator==(const PixelAllocator<T>&, const PixelAllocator<U>&) noexcept {
    return true;
}

// The samples of one plane of a document or of a channel result.
using PlaneSamples = std::vector<uint8_t, PixelAllocator<uint8_t>>;

}  // namespace brivo::host
