#include "image/host_document.h"

#include <limits>
#include <new>

namespace brivo {

namespace {

PixelMemoryDesc planeAtRow(const PlaneDesc& plane, int32_t rowBytes, int32_t row) {
    PixelMemoryDesc memory = plane.memory;
    memory.data = static_cast<uint8_t*>(memory.data) + static_cast<size_t>(row) * rowBytes;
    return memory;
}

}  // namespace

HostDocument::HostDocument(const FilterRecord* filterRecord)
    : filterRecord_(filterRecord),
      bufferSuite_(filterRecord->sSPBasic, kPSBufferSuite, kPSBufferSuiteVersion1),
      channels_(targetChannels(filterRecord)) {}

HostDocument::~HostDocument() = default;

std::vector<const ReadChannelDesc*> HostDocument::targetChannels(const FilterRecord* record) {
    std::vector<const ReadChannelDesc*> list;
    const ReadImageDocumentDesc* info = record->documentInfo;
    if (info == nullptr) return list;
    const ReadChannelDesc* first = info->targetCompositeChannels != nullptr
                                       ? info->targetCompositeChannels
                                       : info->alphaChannels;
    // A hostile list could loop; no document has more than a few dozen channels.
    constexpr size_t kMaxChannels = 64;
    for (const ReadChannelDesc* channel = first; channel != nullptr && list.size() < kMaxChannels;
         channel = channel->next)
        list.push_back(channel);
    return list;
}

ImageHandle HostDocument::allocateBuffer(const VRect& rect, int32_t planes, int32_t bytesPerSample,
                                         uint16_t imageMode) {
    if (planes == 3) planes = 4;
    const int64_t width = static_cast<int64_t>(rect.right) - rect.left;
    const int64_t height = static_cast<int64_t>(rect.bottom) - rect.top;
    if (width < 0 || height < 0 || planes < 1 || (bytesPerSample != 1 && bytesPerSample != 2))
        throwMemoryFull();
    if (height > std::numeric_limits<int32_t>::max()) throwMemoryFull();  // height() is 32-bit
    const int64_t pixelBytes = static_cast<int64_t>(planes) * bytesPerSample;
    const int64_t rowBytes = width * pixelBytes;
    // Row strides travel as 32-bit bit counts in the host's plane descriptions.
    if (rowBytes * 8 > std::numeric_limits<int32_t>::max()) throwMemoryFull();
    const uint64_t size = static_cast<uint64_t>(rowBytes) * static_cast<uint64_t>(height);
    if (height != 0 && size / static_cast<uint64_t>(height) != static_cast<uint64_t>(rowBytes))
        throwMemoryFull();

    HostImage* image = new HostImage();
    image->owner = this;
    image->bounds = rect;
    image->bytesPerSample = bytesPerSample;
    image->pixelBytes = static_cast<int32_t>(pixelBytes);
    image->rowBytes = static_cast<int32_t>(rowBytes);
    image->imageMode = imageMode;
    image->data = nullptr;
    image->refCount = 0;
    image->planes.resize(static_cast<size_t>(planes));
    ImageHandle handle(image);  // from here on the handle frees the image on any throw
    bytesInUse_ += static_cast<int64_t>(size);
    ++liveBuffers_;

    if (size != 0) {
        image->data = static_cast<uint8_t*>(bufferSuite_->New(size));
        if (image->data == nullptr) throwMemoryFull();
    }
    for (int32_t p = 0; p < planes; ++p) {
        PlaneDesc& plane = image->planes[static_cast<size_t>(p)];
        plane.memory.data = image->data == nullptr ? nullptr : image->data + p * bytesPerSample;
        plane.memory.rowBits = static_cast<int32_t>(rowBytes * 8);
        plane.memory.colBits = static_cast<int32_t>(pixelBytes * 8);
        plane.memory.bitOffset = 0;
        plane.memory.depth = bytesPerSample * 8;
        plane.channelType = 0;
    }
    return handle;
}

ImageHandle HostDocument::allocateBuffer(int32_t width, int32_t height, int32_t planes,
                                         int32_t bytesPerSample, uint16_t imageMode) {
    return allocateBuffer(VRect{0, 0, height, width}, planes, bytesPerSample, imageMode);
}

void HostDocument::destroyBuffer(HostImage* image) noexcept {
    bytesInUse_ -= static_cast<int64_t>(image->byteCount());
    --liveBuffers_;
    if (image->data != nullptr) bufferSuite_->Dispose(image->data);
    delete image;
}

VRect HostDocument::imageBounds() const {
    return VRect{0, 0, filterRecord_->imageSize.v, filterRecord_->imageSize.h};
}

VRect HostDocument::filterRect() const {
    return filterRecord_->filterRect;
}

void HostDocument::readPixels(HostImage& buffer, const VRect& rect) {
    SuiteHolder<PSChannelPortsSuite2> ports(filterRecord_->sSPBasic, kPSChannelPortsSuite,
                                            kPSChannelPortsSuiteVersion2);
    if (rect.right - rect.left > buffer.width() || rect.bottom - rect.top > buffer.height() ||
        channelCount() > buffer.planeCount())
        throw SuiteError{kSPBadParameterError};
    for (int32_t i = 0; i < channelCount(); ++i) {
        PlaneDesc& plane = buffer.planes[static_cast<size_t>(i)];
        plane.channelType = channels_[static_cast<size_t>(i)]->channelType;
        VRect area = rect;
        checkSuiteStatus(ports->ReadPixelsFromLevel(channels_[static_cast<size_t>(i)]->port, 0,
                                                    &area, &plane.memory));
    }
}

void HostDocument::readScaledPixels(HostImage& buffer, const PSScaling& scaling) {
    const VRect& target = scaling.destinationRect;
    const VRect& bounds = buffer.bounds;
    if (target.top != bounds.top || target.left != bounds.left || target.bottom != bounds.bottom ||
        target.right != bounds.right)
        buffer.clear();
    SuiteHolder<PSChannelPortsSuite2> ports(filterRecord_->sSPBasic, kPSChannelPortsSuite,
                                            kPSChannelPortsSuiteVersion2);
    if (channelCount() > buffer.planeCount()) throw SuiteError{kSPBadParameterError};
    for (int32_t i = 0; i < channelCount(); ++i) {
        PlaneDesc& plane = buffer.planes[static_cast<size_t>(i)];
        plane.channelType = channels_[static_cast<size_t>(i)]->channelType;
        VRect source = scaling.sourceRect;
        checkSuiteStatus(ports->ReadScaledPixels(channels_[static_cast<size_t>(i)]->port, &source,
                                                 &scaling, &plane.memory));
    }
}

void HostDocument::writePixels(const HostImage& buffer, int32_t firstRow, const VRect& rect) {
    SuiteHolder<PSChannelPortsSuite2> ports(filterRecord_->sSPBasic, kPSChannelPortsSuite,
                                            kPSChannelPortsSuiteVersion2);
    if (firstRow < 0 || rect.right - rect.left > buffer.width() ||
        firstRow + (rect.bottom - rect.top) > buffer.height() ||
        channelCount() > buffer.planeCount())
        throw SuiteError{kSPBadParameterError};
    for (int32_t i = 0; i < channelCount(); ++i) {
        const PixelMemoryDesc memory =
            planeAtRow(buffer.planes[static_cast<size_t>(i)], buffer.rowBytes, firstRow);
        checkSuiteStatus(
            ports->WriteBasePixels(channels_[static_cast<size_t>(i)]->port, &rect, &memory));
    }
}

}  // namespace brivo
