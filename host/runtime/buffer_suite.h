// The Buffer suite: pixel memory lent to a module, exact sizes, under a byte limit.
#pragma once

#include <cstdint>
#include <limits>
#include <unordered_map>

#include "pluginapi/buffer_suite.h"

namespace brivo::host {

class BufferSuite {
  public:
    static constexpr uint64_t unlimited = std::numeric_limits<uint64_t>::max();

    explicit BufferSuite(uint64_t limitBytes = unlimited);
    ~BufferSuite();
    BufferSuite(const BufferSuite&) = delete;
    BufferSuite& operator=(const BufferSuite&) = delete;

    // The suite's function table; it serves the object bound with
    // CallBinding<BufferSuite> and lends nothing outside a binding.
    const PSBufferSuite1* table() const noexcept { return &table_; }

    // Host-side operations, also used by the table's functions.
    void* allocate(uint64_t size);  // null past the limit or when memory is short
    void release(void* buffer);     // blocks this suite did not lend are ignored
    uint64_t space() const;

    // Lowering the limit below what is lent only refuses later requests.
    void setLimit(uint64_t limitBytes) { limit_ = limitBytes; }
    uint64_t limit() const { return limit_; }
    int64_t liveBuffers() const { return static_cast<int64_t>(blocks_.size()); }
    uint64_t liveBytes() const { return liveBytes_; }

  private:
    PSBufferSuite1 table_;
    uint64_t limit_;
    uint64_t liveBytes_ = 0;
    std::unordered_map<void*, uint64_t> blocks_;
};

}  // namespace brivo::host
