#include "host/runtime/buffer_suite.h"

#include <cstdint>

#include "host/runtime/pixel_memory.h"
#include "host/runtime/procedure_guard.h"

namespace brivo::host {

namespace {

void* newBuffer(uint64_t size) noexcept {
    return guardValue<BufferSuite>(static_cast<void*>(nullptr),
                                   [&](BufferSuite& suite) { return suite.allocate(size); });
}

void disposeBuffer(void* buffer) noexcept {
    guardAction<BufferSuite>([&](BufferSuite& suite) { suite.release(buffer); });
}

uint64_t bufferSpace() noexcept {
    return guardValue<BufferSuite>(uint64_t{0}, [](BufferSuite& suite) { return suite.space(); });
}

}  // namespace

BufferSuite::BufferSuite(uint64_t limitBytes)
    : table_{&newBuffer, &disposeBuffer, &bufferSpace}, limit_(limitBytes) {}

BufferSuite::~BufferSuite() {
    for (const auto& [block, size] : blocks_) freePixelMemory(block, static_cast<size_t>(size));
}

void* BufferSuite::allocate(uint64_t size) {
    // No block can be larger than the address space can index.
    if (size > space() || size > static_cast<uint64_t>(PTRDIFF_MAX)) return nullptr;
    // A zero-byte request still yields a distinct block, so it can be told apart from
    // a refusal and given back.
    void* block = allocatePixelMemory(static_cast<size_t>(size));
    if (!block) return nullptr;
    try {
        blocks_.emplace(block, size);
    } catch (...) {
        freePixelMemory(block, static_cast<size_t>(size));
        throw;
    }
    liveBytes_ += size;
    return block;
}

void BufferSuite::release(void* buffer) {
    auto it = blocks_.find(buffer);
    if (it == blocks_.end()) return;
    liveBytes_ -= it->second;
    freePixelMemory(it->first, static_cast<size_t>(it->second));
    blocks_.erase(it);
}

uint64_t BufferSuite::space() const {
    return liveBytes_ >= limit_ ? 0 : limit_ - liveBytes_;
}

}  // namespace brivo::host
