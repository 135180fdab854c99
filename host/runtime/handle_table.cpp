#include "host/runtime/handle_table.h"

#include <algorithm>
#include <new>

#include "host/runtime/procedure_guard.h"

namespace brivo::host {

struct HandleTable::Block {
    int32_t size;
    std::unique_ptr<char[]> bytes;  // at least one byte, so a lock never yields null
    int32_t locks = 0;
};

namespace {

Handle newHandle(int32_t size) noexcept {
    return guardValue<HandleTable>(Handle{nullptr},
                                   [&](HandleTable& table) { return table.create(size); });
}

void disposeHandle(Handle handle) noexcept {
    guardAction<HandleTable>([&](HandleTable& table) { table.dispose(handle); });
}

int32_t handleSize(Handle handle) noexcept {
    return guardValue<HandleTable>(int32_t{0},
                                   [&](HandleTable& table) { return table.size(handle); });
}

char* lockHandle(Handle handle, uint8_t /*moveHigh*/) noexcept {
    return guardValue<HandleTable>(static_cast<char*>(nullptr),
                                   [&](HandleTable& table) { return table.lock(handle); });
}

void unlockHandle(Handle handle) noexcept {
    guardAction<HandleTable>([&](HandleTable& table) { table.unlock(handle); });
}

}  // namespace

HandleTable::HandleTable()
    : procs_{1, 5, &newHandle, &disposeHandle, &handleSize, &lockHandle, &unlockHandle} {}

HandleTable::~HandleTable() = default;

Handle HandleTable::create(int32_t size) {
    if (size < 0) return nullptr;
    if (failingCreates_ > 0) {
        --failingCreates_;
        return nullptr;
    }
    auto block = std::make_unique<Block>();
    block->size = size;
    block->bytes.reset(new (std::nothrow) char[std::max<int32_t>(size, 1)]());
    if (!block->bytes) return nullptr;
    // The block's own address serves as the opaque handle value.
    auto handle = reinterpret_cast<Handle>(block.get());
    blocks_.emplace(handle, std::move(block));
    return handle;
}

void HandleTable::dispose(Handle handle) {
    blocks_.erase(handle);
}

HandleTable::Block* HandleTable::find(Handle handle) const {
    auto it = blocks_.find(handle);
    return it == blocks_.end() ? nullptr : it->second.get();
}

bool HandleTable::contains(Handle handle) const {
    return find(handle) != nullptr;
}

int32_t HandleTable::size(Handle handle) const {
    const Block* block = find(handle);
    return block ? block->size : 0;
}

char* HandleTable::lock(Handle handle) {
    Block* block = find(handle);
    if (!block) return nullptr;
    if (failingLocks_ > 0) {
        --failingLocks_;
        return nullptr;
    }
    ++block->locks;
    return block->bytes.get();
}

void HandleTable::unlock(Handle handle) {
    Block* block = find(handle);
    if (block && block->locks > 0) --block->locks;
}

std::span<char> HandleTable::contents(Handle handle) {
    Block* block = find(handle);
    if (!block) return {};
    return {block->bytes.get(), static_cast<size_t>(block->size)};
}

int64_t HandleTable::outstandingLocks() const {
    int64_t total = 0;
    for (const auto& [handle, block] : blocks_) total += block->locks;
    return total;
}

}  // namespace brivo::host
