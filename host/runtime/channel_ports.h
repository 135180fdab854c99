// The ChannelPorts suite over an in-memory document: one port per 8-bit channel.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "host/runtime/pixel_memory.h"
#include "pluginapi/channel_ports_suite.h"

namespace brivo::host {

class ChannelPorts {
  public:
    ChannelPorts();
    ~ChannelPorts();
    ChannelPorts(const ChannelPorts&) = delete;
    ChannelPorts& operator=(const ChannelPorts&) = delete;

    // The suite's function table; it serves the object bound with
    // CallBinding<ChannelPorts> and refuses every request outside a binding.
    const PSChannelPortsSuite2* table() const noexcept { return &table_; }

    // Serves width x height channels whose row-major samples stay readable, unchanged,
    // until the next attach or detach. Writes go to a result for each channel, made at its
    // first write, so reads keep seeing the channels as attached; rows that writes cover
    // whole are never copied from the attached samples.
    void attach(int32_t width, int32_t height, std::vector<std::span<const uint8_t>> channels);
    void detach();

    int32_t channelCount() const { return static_cast<int32_t>(channels_.size()); }
    PIChannelPort port(int32_t channel) const;
    // True once the channel has been written to; its result then holds the written samples.
    bool written(int32_t channel) const;
    // Moves the channel's result out (the attached samples with the writes applied).
    PlaneSamples takeResult(int32_t channel);

    // Host-side operations, also used by the table's functions.
    SPErr read(PIChannelPort port, int32_t level, VRect* rect, const PixelMemoryDesc* destination);
    SPErr write(PIChannelPort port, const VRect* rect, const PixelMemoryDesc* source);
    SPErr readScaled(PIChannelPort port, VRect* sourceRect, const PSScaling* scaling,
                     const PixelMemoryDesc* destination);

    int64_t reads() const { return reads_; }
    int64_t writes() const { return writes_; }
    int64_t scaledReads() const { return scaledReads_; }
    // Each read's channel index and rectangle, in order, since the last clearReadLog.
    const std::vector<std::pair<int32_t, VRect>>& readLog() const { return readLog_; }
    void clearReadLog() { readLog_.clear(); }

  private:
    struct Channel;
    Channel* find(PIChannelPort port);
    bool inside(const VRect& rect) const;
    void copySourceRow(Channel& channel, int32_t row) const;

    PSChannelPortsSuite2 table_;
    // Threads that share a large read or write; the module's call waits for all of them.
    int copyThreads_ = 1;
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<std::unique_ptr<Channel>> channels_;
    int64_t reads_ = 0;
    int64_t writes_ = 0;
    int64_t scaledReads_ = 0;
    std::vector<std::pair<int32_t, VRect>> readLog_;
};

}  // namespace brivo::host
