// The per-run link to the host's document: allocates every HostImage from the Buffer
// suite, keeps the running total of their bytes, and moves pixels through the
// ChannelPorts suite.
#pragma once

#include <cstdint>
#include <vector>

#include "buffer_suite.h"
#include "core/suite_holder.h"
#include "filter_record.h"
#include "image/host_image.h"

namespace brivo {

class HostDocument {
  public:
    // Acquires the Buffer suite for the document's life (freeing pixels must never
    // fail), and counts the target channels. Throws SuiteError when it is refused.
    explicit HostDocument(const FilterRecord* filterRecord);
    ~HostDocument();
    HostDocument(const HostDocument&) = delete;
    HostDocument& operator=(const HostDocument&) = delete;

    // A new buffer of rect's size; 3 planes are stored as 4. Throws -108 when the host
    // cannot lend the memory or the size cannot be represented.
    ImageHandle allocateBuffer(const VRect& rect, int32_t planes, int32_t bytesPerSample,
                               uint16_t imageMode);
    ImageHandle allocateBuffer(int32_t width, int32_t height, int32_t planes,
                               int32_t bytesPerSample, uint16_t imageMode);

    VRect imageBounds() const;
    VRect filterRect() const;
    int32_t channelCount() const { return static_cast<int32_t>(channels_.size()); }
    int64_t bytesInUse() const { return bytesInUse_; }
    int32_t liveBuffers() const { return liveBuffers_; }
    const FilterRecord* filterRecord() const { return filterRecord_; }

    // Fills buffer from its pixel (0, 0) with the document's pixels of rect, one plane
    // per target channel. Throws SuiteError when a read fails.
    void readPixels(HostImage& buffer, const VRect& rect);
    // Resamples scaling.sourceRect into buffer (cleared first unless its bounds equal the
    // destination rectangle).
    void readScaledPixels(HostImage& buffer, const PSScaling& scaling);
    // Writes buffer rows firstRow.. onward to rect of every target channel.
    void writePixels(const HostImage& buffer, int32_t firstRow, const VRect& rect);

  private:
    friend class ImageHandle;
    void destroyBuffer(HostImage* image) noexcept;
    static std::vector<const ReadChannelDesc*> targetChannels(const FilterRecord* record);

    const FilterRecord* filterRecord_;
    SuiteHolder<PSBufferSuite1> bufferSuite_;
    std::vector<const ReadChannelDesc*> channels_;
    int64_t bytesInUse_ = 0;
    int32_t liveBuffers_ = 0;
};

}  // namespace brivo
