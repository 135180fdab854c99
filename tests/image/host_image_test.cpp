// Host images over the real Buffer suite: layout, byte accounting, shared ownership,
// rotation and the memory-failure paths.
#include "image/host_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <utility>

#include "core/errors.h"
#include "support/buffer_host.h"

namespace brivo {
namespace {

using test::BufferHost;

// The result code an allocation raises, or 0 when it succeeds.
int16_t allocationResult(HostDocument& document, const VRect& rect, int32_t planes,
                         int32_t bytesPerSample) {
    try {
        ImageHandle image =
            document.allocateBuffer(rect, planes, bytesPerSample, plugInModeGrayScale);
        return noErr;
    } catch (const HostResultError& error) {
        return error.code;
    }
}

TEST(HostImageLayout, RgbStoresFourInterleavedPlanes) {
    BufferHost host;
    HostDocument& document = *host.document;
    {
        ImageHandle image = document.allocateBuffer(VRect{5, 7, 7, 17}, 3, 1, plugInModeRGBColor);
        EXPECT_EQ(image->width(), 10);
        EXPECT_EQ(image->height(), 2);
        EXPECT_EQ(image->planeCount(), 4);
        EXPECT_EQ(image->pixelBytes, 4);
        EXPECT_EQ(image->rowBytes, 40);
        EXPECT_EQ(image->byteCount(), 80u);
        EXPECT_EQ(image->imageMode, plugInModeRGBColor);
        EXPECT_EQ(image->refCount, 1);
        EXPECT_EQ(document.bytesInUse(), 80);
        EXPECT_EQ(host.buffers.liveBytes(), 80u);
        EXPECT_EQ(host.buffers.liveBuffers(), 1);
        for (int32_t p = 0; p < 4; ++p) {
            const PlaneDesc& plane = image->planes[static_cast<size_t>(p)];
            EXPECT_EQ(plane.memory.data, image->data + p);
            EXPECT_EQ(plane.memory.rowBits, 320);
            EXPECT_EQ(plane.memory.colBits, 32);
            EXPECT_EQ(plane.memory.bitOffset, 0);
            EXPECT_EQ(plane.memory.depth, 8);
            EXPECT_EQ(plane.channelType, 0);
        }
        // The whole block is writable.
        image->clear();
    }
    EXPECT_EQ(document.bytesInUse(), 0);
    EXPECT_EQ(document.liveBuffers(), 0);
    EXPECT_EQ(host.buffers.liveBuffers(), 0);
}

TEST(HostImageLayout, SixteenBitGray) {
    BufferHost host;
    ImageHandle image = host.document->allocateBuffer(3, 3, 1, 2, plugInModeGrayScale);
    EXPECT_EQ(image->pixelBytes, 2);
    EXPECT_EQ(image->rowBytes, 6);
    EXPECT_EQ(image->planes.size(), 1u);
    EXPECT_EQ(image->planes[0].memory.depth, 16);
    EXPECT_EQ(image->planes[0].memory.colBits, 16);
    EXPECT_EQ(image->planes[0].memory.rowBits, 48);
    EXPECT_EQ(host.document->bytesInUse(), 18);

    ImageHandle same = image->makeSameFormat(4, 5);
    EXPECT_EQ(same->bytesPerSample, 2);
    EXPECT_EQ(same->planeCount(), 1);
    EXPECT_EQ(same->owner, host.document.operator->());
    EXPECT_EQ(host.document->bytesInUse(), 18 + 40);
}

TEST(HostImageHandle, SharedOwnershipFreesExactlyOnce) {
    BufferHost host;
    HostDocument& document = *host.document;
    ImageHandle first = document.allocateBuffer(4, 4, 1, 1, plugInModeGrayScale);
    HostImage* image = first.get();
    {
        ImageHandle copy(first);
        EXPECT_EQ(image->refCount, 2);
        ImageHandle assigned;
        assigned = copy;
        EXPECT_EQ(image->refCount, 3);
    }
    EXPECT_EQ(image->refCount, 1);
    EXPECT_EQ(document.liveBuffers(), 1);

    // Self-assignment, directly and through a reference, changes nothing.
    ImageHandle& alias = first;
    first = alias;
    EXPECT_EQ(first.get(), image);
    EXPECT_EQ(image->refCount, 1);

    // Assigning another buffer over the last handle frees the old one.
    ImageHandle other = document.allocateBuffer(2, 2, 1, 1, plugInModeGrayScale);
    EXPECT_EQ(document.bytesInUse(), 16 + 4);
    first = other;
    EXPECT_EQ(document.bytesInUse(), 4);
    EXPECT_EQ(other->refCount, 2);

    // Moves hand the reference on without counting it twice.
    ImageHandle moved(std::move(first));
    EXPECT_TRUE(first.empty());
    EXPECT_EQ(other->refCount, 2);
    other.release();
    other.release();  // a second release of an empty handle does nothing
    EXPECT_EQ(moved->refCount, 1);
    moved = ImageHandle();
    EXPECT_EQ(document.bytesInUse(), 0);
    EXPECT_EQ(document.liveBuffers(), 0);
    EXPECT_EQ(host.buffers.liveBuffers(), 0);
}

TEST(HostImageRotate, QuarterTurnsMoveEveryPixel) {
    BufferHost host;
    ImageHandle source = host.document->allocateBuffer(3, 2, 1, 1, plugInModeGrayScale);
    // 1 2 3
    // 4 5 6
    for (int32_t i = 0; i < 6; ++i) source->data[i] = static_cast<uint8_t>(i + 1);

    const struct {
        int32_t turns;
        int32_t width, height;
        uint8_t pixels[6];
    } cases[] = {
        {0, 3, 2, {1, 2, 3, 4, 5, 6}},
        {1, 2, 3, {3, 6, 2, 5, 1, 4}},  // counter-clockwise: top-left is the old top-right
        {2, 3, 2, {6, 5, 4, 3, 2, 1}},
        {3, 2, 3, {4, 1, 5, 2, 6, 3}},
        {-1, 2, 3, {4, 1, 5, 2, 6, 3}},
        {5, 2, 3, {3, 6, 2, 5, 1, 4}},
    };
    for (const auto& c : cases) {
        ImageHandle turned = source->rotated(c.turns);
        ASSERT_EQ(turned->width(), c.width) << c.turns;
        ASSERT_EQ(turned->height(), c.height) << c.turns;
        for (int32_t i = 0; i < 6; ++i)
            EXPECT_EQ(turned->data[i], c.pixels[i]) << c.turns << " at " << i;
        EXPECT_EQ(host.document->bytesInUse(), 12);
    }
    EXPECT_EQ(host.document->bytesInUse(), 6);
    EXPECT_EQ(host.buffers.liveBuffers(), 1);
}

TEST(HostImageCopy, CopyAndClearTouchExactlyTheBuffer) {
    BufferHost host;
    ImageHandle a = host.document->allocateBuffer(5, 3, 4, 1, plugInModeCMYKColor);
    ImageHandle b = a->makeSameFormat(5, 3);
    for (uint64_t i = 0; i < a->byteCount(); ++i) a->data[i] = static_cast<uint8_t>(i * 7 + 1);
    b->copyPixelsFrom(*a);
    for (uint64_t i = 0; i < b->byteCount(); ++i) ASSERT_EQ(b->data[i], a->data[i]);
    b->clear();
    for (uint64_t i = 0; i < b->byteCount(); ++i) ASSERT_EQ(b->data[i], 0);
}

TEST(HostImageFailure, BeyondTheBufferLimitGivesMemFullAndLeaksNothing) {
    BufferHost host;
    host.buffers.setLimit(100);
    ImageHandle kept = host.document->allocateBuffer(10, 6, 1, 1, plugInModeGrayScale);
    EXPECT_EQ(allocationResult(*host.document, VRect{0, 0, 10, 5}, 1, 1), memFullErr);
    EXPECT_EQ(host.document->bytesInUse(), 60);
    EXPECT_EQ(host.document->liveBuffers(), 1);
    EXPECT_EQ(host.buffers.liveBuffers(), 1);
    EXPECT_EQ(allocationResult(*host.document, VRect{0, 0, 10, 4}, 1, 1), noErr);
    kept.release();
    EXPECT_EQ(host.document->bytesInUse(), 0);
    EXPECT_EQ(host.document->liveBuffers(), 0);
    EXPECT_EQ(host.buffers.liveBuffers(), 0);
}

TEST(HostImageFailure, AbsurdSizesGiveMemFull) {
    BufferHost host;
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    const struct {
        VRect rect;
        int32_t planes;
        int32_t bytesPerSample;
    } cases[] = {
        {{0, 0, 1 << 30, 1 << 30}, 4, 1},  // more than the host can lend
        {{0, kMin, 1, kMax}, 1, 1},        // the width overflows 32 bits
        {{kMin, 0, kMax, 1}, 1, 1},        // so does the height
        {{0, 0, 2, kMax / 4}, 1, 1},       // the row's bit count overflows 32 bits
        {{0, 5, 2, 4}, 1, 1},              // negative width
        {{3, 0, 2, 4}, 1, 1},              // negative height
        {{0, 0, 2, 2}, 0, 1},              // no planes
        {{0, 0, 2, 2}, -3, 1},
        {{0, 0, 2, 2}, 1, 3},  // an unknown sample size
        {{0, 0, 2, 2}, 1, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(allocationResult(*host.document, c.rect, c.planes, c.bytesPerSample), memFullErr)
            << c.rect.top << "," << c.rect.left << "," << c.rect.bottom << "," << c.rect.right
            << " planes " << c.planes << " bytes " << c.bytesPerSample;
        EXPECT_EQ(host.document->bytesInUse(), 0);
        EXPECT_EQ(host.document->liveBuffers(), 0);
        EXPECT_EQ(host.buffers.liveBuffers(), 0);
    }
}

TEST(HostImageFailure, EmptyBufferHoldsNoMemory) {
    BufferHost host;
    ImageHandle empty = host.document->allocateBuffer(0, 7, 1, 1, plugInModeGrayScale);
    EXPECT_EQ(empty->byteCount(), 0u);
    EXPECT_EQ(host.document->bytesInUse(), 0);
    empty->clear();
    ImageHandle other = empty->makeSameFormat(0, 7);
    other->copyPixelsFrom(*empty);
    empty.release();
    other.release();
    EXPECT_EQ(host.document->liveBuffers(), 0);
    EXPECT_EQ(host.buffers.liveBuffers(), 0);
}

}  // namespace
}  // namespace brivo
