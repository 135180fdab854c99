#include "host/runtime/pixel_memory.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <new>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace brivo::host {
namespace {

constexpr size_t kMiB = size_t{1} << 20;

uintptr_t addressOf(const void* block) {
    return reinterpret_cast<uintptr_t>(block);
}

// Writes a pattern over every byte of the block and reads it back.
bool holdsPatternOverFullLength(void* block, size_t bytes) {
    auto* samples = static_cast<uint8_t*>(block);
    for (size_t i = 0; i < bytes; ++i) samples[i] = static_cast<uint8_t>(i * 7 + 3);
    for (size_t i = 0; i < bytes; ++i)
        if (samples[i] != static_cast<uint8_t>(i * 7 + 3)) return false;
    return true;
}

struct Mapping {
    uintptr_t start = 0;
    uintptr_t end = 0;
    bool operator==(const Mapping&) const = default;
};

// The address ranges mapped in this process, from /proc.
std::vector<Mapping> mappings() {
    std::ifstream maps("/proc/self/maps");
    std::vector<Mapping> out;
    std::string line;
    while (std::getline(maps, line)) {
        Mapping mapping;
        char dash = 0;
        std::istringstream(line) >> std::hex >> mapping.start >> dash >> mapping.end;
        out.push_back(mapping);
    }
    return out;
}

// The kernel's flags for the mapping that holds `address` ("rd wr mr ..."), empty when none.
std::string vmFlagsOf(const void* address) {
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        Mapping range;
        char dash = 0;
        if (std::istringstream(line) >> std::hex >> range.start >> dash >> range.end &&
            dash == '-') {
            inside = range.start <= addressOf(address) && addressOf(address) < range.end;
        } else if (inside && line.starts_with("VmFlags:")) {
            return line.substr(8) + " ";
        }
    }
    return {};
}

TEST(PixelMemory, SmallBlocksAreWritableOverTheirFullLength) {
    for (size_t bytes : {size_t{1}, size_t{17}, size_t{4096}, kPixelMapThreshold - 1}) {
        void* block = allocatePixelMemory(bytes);
        ASSERT_NE(block, nullptr) << bytes;
        EXPECT_EQ(addressOf(block) % alignof(std::max_align_t), 0u) << bytes;
        EXPECT_TRUE(holdsPatternOverFullLength(block, bytes)) << bytes;
        freePixelMemory(block, bytes);
    }
}

TEST(PixelMemory, LargeBlocksAreHugePageAlignedAndWritable) {
    for (size_t bytes : {kPixelMapThreshold, kPixelPageBytes - 1, kPixelPageBytes,
                         kPixelPageBytes + 1, 5 * kMiB + 3, size_t{24'000'000}}) {
        void* block = allocatePixelMemory(bytes);
        ASSERT_NE(block, nullptr) << bytes;
        EXPECT_EQ(addressOf(block) % kPixelPageBytes, 0u) << bytes;
        EXPECT_TRUE(holdsPatternOverFullLength(block, bytes)) << bytes;
        freePixelMemory(block, bytes);
    }
}

// Whole huge pages for the block's body; small pages where it ends inside a huge page, so
// that filling the block costs its size, not its rounded size.
TEST(PixelMemory, LargeBlocksAskForHugePagesWhereTheyFillThem) {
    if (!std::ifstream("/sys/kernel/mm/transparent_hugepage/enabled"))
        GTEST_SKIP() << "this kernel has no transparent huge pages";
    releaseSparePixelMemory();  // a fresh mapping: a kept block holds its last user's pages
    const size_t bytes = 5 * kMiB;
    auto* block = static_cast<char*>(allocatePixelMemory(bytes));
    ASSERT_NE(block, nullptr);
    EXPECT_NE(vmFlagsOf(block).find(" hg "), std::string::npos) << vmFlagsOf(block);
    EXPECT_NE(vmFlagsOf(block + 4 * kMiB - 1).find(" hg "), std::string::npos);
    EXPECT_NE(vmFlagsOf(block + bytes - 1).find(" nh "), std::string::npos)
        << vmFlagsOf(block + bytes - 1);

    std::fill_n(block, bytes, 1);
    std::vector<unsigned char> pages(6 * kMiB / 4096);
    ASSERT_EQ(mincore(block, 6 * kMiB, pages.data()), 0);
    EXPECT_LE(std::count_if(pages.begin(), pages.end(), [](unsigned char p) { return p & 1; }),
              static_cast<ptrdiff_t>(bytes / 4096))
        << "the rounding slack was filled";
    freePixelMemory(block, bytes);
}

TEST(PixelMemory, FreeLeavesNoAlignmentSlackMapped) {
    // A block is cut out of a larger mapping; where the kernel puts that mapping decides
    // whether slack is unmapped before the block, after it, or both, and neither the block
    // nor any slack may stay mapped once it is freed. A freed block leaves a hole that the next one
    // of the same size reuses, so pinning a few pages at the top of that hole shifts the next
    // mapping's alignment and gives each kind of trim.
    const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t bytes = 3 * kMiB + 5;
    const size_t length = 4 * kMiB;  // what the block is rounded up to
    for (size_t pinnedPages : {size_t{0}, size_t{1}, size_t{7}, kPixelPageBytes / page - 1}) {
        void* previous = allocatePixelMemory(bytes);
        ASSERT_NE(previous, nullptr);
        freePixelMemory(previous, bytes);
        releaseSparePixelMemory();
        const size_t pinBytes = pinnedPages * page;
        void* pin = MAP_FAILED;
        if (pinBytes > 0)
            pin = mmap(static_cast<char*>(previous) + length - pinBytes, pinBytes, PROT_NONE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);

        const std::vector<Mapping> before = mappings();
        void* block = allocatePixelMemory(bytes);
        ASSERT_NE(block, nullptr);
        static_cast<uint8_t*>(block)[bytes - 1] = 1;
        freePixelMemory(block, bytes);
        releaseSparePixelMemory();
        const uintptr_t low = addressOf(block) - kPixelPageBytes;
        const uintptr_t high = addressOf(block) + length + kPixelPageBytes;
        for (const Mapping& now : mappings()) {
            if (now.start >= high || now.end <= low) continue;
            EXPECT_NE(std::find(before.begin(), before.end(), now), before.end())
                << pinnedPages << " pinned pages: " << std::hex << now.start << "-" << now.end
                << " left mapped beside " << block;
        }
        if (pin != MAP_FAILED) munmap(pin, pinBytes);
    }
}

TEST(PixelMemory, FreedLargeBlocksAreLentAgainForTheSameLength) {
    releaseSparePixelMemory();
    const size_t bytes = 5 * kMiB + 3;
    void* first = allocatePixelMemory(bytes);
    ASSERT_NE(first, nullptr);
    freePixelMemory(first, bytes);
    // Another request that rounds to the same length gets the kept block, whole.
    void* again = allocatePixelMemory(6 * kMiB);
    EXPECT_EQ(again, first);
    std::memset(again, 7, 6 * kMiB);
    // One of another length does not.
    void* other = allocatePixelMemory(3 * kMiB);
    EXPECT_NE(other, first);
    freePixelMemory(other, 3 * kMiB);
    freePixelMemory(again, 6 * kMiB);
    releaseSparePixelMemory();
    for (const Mapping& m : mappings())
        EXPECT_FALSE(m.start <= addressOf(first) && addressOf(first) < m.end);
}

TEST(PixelMemory, KeptBlocksAreBounded) {
    releaseSparePixelMemory();
    // Twelve blocks of 32 MiB freed at once: at most 256 MiB of them may stay mapped.
    std::vector<void*> blocks;
    for (int i = 0; i < 12; ++i) blocks.push_back(allocatePixelMemory(32 * kMiB));
    for (void* block : blocks) ASSERT_NE(block, nullptr);
    for (void* block : blocks) freePixelMemory(block, 32 * kMiB);
    size_t stillMapped = 0;
    for (void* block : blocks)
        for (const Mapping& m : mappings())
            if (m.start <= addressOf(block) && addressOf(block) < m.end) ++stillMapped;
    EXPECT_LE(stillMapped, 8u);
    releaseSparePixelMemory();
}

TEST(PixelMemory, ZeroBytesGiveDistinctFreeableBlocks) {
    void* first = allocatePixelMemory(0);
    void* second = allocatePixelMemory(0);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    freePixelMemory(first, 0);
    freePixelMemory(second, 0);
    freePixelMemory(nullptr, 0);
    freePixelMemory(nullptr, 5 * kMiB);
}

TEST(PixelMemory, OversizedRequestsAreRefusedWithoutWrapping) {
    constexpr size_t most = std::numeric_limits<size_t>::max();
    // Sizes whose rounding up to whole huge pages, or whose alignment slack, would wrap.
    for (size_t bytes :
         {most, most - 1, most - kPixelPageBytes + 2, most - 2 * kPixelPageBytes,
          static_cast<size_t>(std::numeric_limits<ptrdiff_t>::max()), kPixelMaxBytes + 1})
        EXPECT_EQ(allocatePixelMemory(bytes), nullptr) << bytes;
    // Within the accepted range but beyond any address space: the mapping fails cleanly.
    EXPECT_EQ(allocatePixelMemory(size_t{1} << 60), nullptr);
}

#if defined(__SANITIZE_ADDRESS__)
TEST(PixelMemoryDeathTest, OverrunPastALargeBlockIsReported) {
    const size_t bytes = kPixelPageBytes + 3;
    auto* block = static_cast<volatile uint8_t*>(allocatePixelMemory(bytes));
    ASSERT_NE(block, nullptr);
    block[bytes - 1] = 1;
    EXPECT_DEATH(block[bytes] = 1, "use-after-poison");
    freePixelMemory(const_cast<uint8_t*>(block), bytes);
}
#endif

TEST(PixelAllocator, VectorGrowsAcrossTheMappingThreshold) {
    PlaneSamples samples;
    const size_t count = 3 * kMiB + 7;
    for (size_t i = 0; i < count; ++i) samples.push_back(static_cast<uint8_t>(i % 251));
    ASSERT_EQ(samples.size(), count);
    EXPECT_EQ(addressOf(samples.data()) % kPixelPageBytes, 0u);
    for (size_t i = 0; i < count; ++i)
        ASSERT_EQ(samples[i], static_cast<uint8_t>(i % 251)) << "sample " << i;
    samples.resize(10);
    samples.shrink_to_fit();
    EXPECT_EQ(samples[9], 9);
}

TEST(PixelAllocator, CopiesAreIndependentAndMovesKeepTheBlock) {
    PlaneSamples original(2 * kMiB + 1, 40);
    original.back() = 41;

    PlaneSamples copy = original;
    ASSERT_NE(copy.data(), original.data());
    EXPECT_EQ(copy, original);
    copy[0] = 0;
    EXPECT_EQ(original[0], 40);

    const uint8_t* block = original.data();
    PlaneSamples moved = std::move(original);
    EXPECT_EQ(moved.data(), block);
    EXPECT_EQ(moved.back(), 41);

    PlaneSamples assigned(16, 1);
    assigned = std::move(moved);
    EXPECT_EQ(assigned.data(), block);
    EXPECT_EQ(assigned.size(), 2 * kMiB + 1);

    std::vector<PlaneSamples> planes(3, PlaneSamples(kMiB + 3, 9));
    planes.push_back(std::move(assigned));  // the outer vector's growth moves each plane
    EXPECT_EQ(planes[3].data(), block);
    EXPECT_EQ(planes[0].back(), 9);
}

TEST(PixelAllocator, RefusesCountsWhoseByteSizeWouldWrap) {
    constexpr size_t most = std::numeric_limits<size_t>::max();
    // (most / 4 + 2) * 4 wraps round to a few bytes.
    EXPECT_THROW(PixelAllocator<uint32_t>().allocate(most / 4 + 2), std::bad_alloc);
    EXPECT_THROW(PixelAllocator<uint8_t>().allocate(kPixelMaxBytes + 1), std::bad_alloc);
    EXPECT_THROW(PixelAllocator<uint8_t>().allocate(size_t{1} << 60), std::bad_alloc);
    PlaneSamples samples;
    EXPECT_THROW(samples.reserve(samples.max_size()), std::bad_alloc);
    EXPECT_TRUE(samples.empty());
}

TEST(PixelAllocator, IsStatelessAndRebinds) {
    PixelAllocator<uint8_t> bytes;
    PixelAllocator<uint32_t> words(bytes);
    EXPECT_TRUE(bytes == PixelAllocator<uint8_t>());
    EXPECT_TRUE(words == bytes);
    // 2^20 words are 4 MiB: all of it must be usable, not just 2^20 bytes.
    uint32_t* block = words.allocate(kMiB);
    ASSERT_NE(block, nullptr);
    block[kMiB - 1] = 7;
    words.deallocate(block, kMiB);
}

}  // namespace
}  // namespace brivo::host
