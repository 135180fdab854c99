// Host-kept memory blocks lent to a module through the handle procedures.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <unordered_map>

#include "pluginapi/handles.h"

namespace brivo::host {

class HandleTable {
  public:
    HandleTable();
    ~HandleTable();
    HandleTable(const HandleTable&) = delete;
    HandleTable& operator=(const HandleTable&) = delete;

    // The procedure table for a FilterRecord. The procedures act on the table bound
    // with CallBinding<HandleTable>; outside a binding they fail safely.
    HandleProcs* procs() noexcept { return &procs_; }

    // Host-side operations, also used by the procedures.
    Handle create(int32_t size);        // zeroed block; null for a negative size or no memory
    void dispose(Handle handle);        // unknown or null handles are ignored
    int32_t size(Handle handle) const;  // 0 for unknown or null
    char* lock(Handle handle);          // null for unknown or null, or a planned failure
    void unlock(Handle handle);         // an unlocked or unknown handle is left alone
    bool contains(Handle handle) const;
    // The block's bytes, for the host to read or plant contents; empty for unknown handles.
    std::span<char> contents(Handle handle);

    int64_t liveHandles() const { return static_cast<int64_t>(blocks_.size()); }
    int64_t outstandingLocks() const;

    // The next `count` creations (or locks) fail as if memory were short.
    void failNextCreates(int count) { failingCreates_ = count; }
    void failNextLocks(int count) { failingLocks_ = count; }

  private:
    struct Block;
    Block* find(Handle handle) const;

    HandleProcs procs_;
    std::unordered_map<Handle, std::unique_ptr<Block>> blocks_;
    int failingCreates_ = 0;
    int failingLocks_ = 0;
};

}  // namespace brivo::host
