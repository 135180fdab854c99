// Planes reserved whole grow row by row without moving, and the pages faulted in ahead of the
// rows placed stay within the lead, so a file that ends early costs about what it held.
#include "host/files/plane_growth.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <vector>

namespace brivo::host::image_codec {
namespace {

// Bytes of [data, data + bytes) that are resident.
size_t residentBytes(const uint8_t* data, size_t bytes) {
    const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> pages((bytes + page - 1) / page);
    EXPECT_EQ(mincore(const_cast<uint8_t*>(data), bytes, pages.data()), 0);
    size_t resident = 0;
    for (const unsigned char flags : pages) resident += (flags & 1) * page;
    return resident;
}

TEST(PlaneGrowth, PlanesGrowInPlaceAndOnlyTheLeadIsFaultedInAhead) {
    // 8192 x 4096 with alpha: four planes of 32 MiB, each worth warming.
    PlanarDocument document;
    document.width = 8192;
    document.height = 4096;
    document.planes.resize(3);
    const size_t width = 8192, placedRows = 300;
    std::vector<const uint8_t*> starts;
    {
        PlaneGrowth growth(document, true);
        for (size_t y = 0; y < placedRows; ++y) {
            growth.toRows(static_cast<int64_t>(y) + 1);
            for (PlaneSamples* plane :
                 {&document.planes[0], &document.planes[1], &document.planes[2], &document.alpha}) {
                ASSERT_EQ(plane->size(), (y + 1) * width);
                if (y == 0) starts.push_back(plane->data());
                std::fill_n(plane->data() + y * width, width, static_cast<uint8_t>(y));
            }
        }
    }  // the helper has stopped here
    size_t plane = 0;
    for (const PlaneSamples* samples :
         {&document.planes[0], &document.planes[1], &document.planes[2], &document.alpha}) {
        EXPECT_EQ(samples->data(), starts[plane++]) << "the plane moved";
        EXPECT_EQ(samples->capacity(), document.pixelCount());
        EXPECT_EQ((*samples)[(placedRows - 1) * width], static_cast<uint8_t>(placedRows - 1));
        const size_t resident = residentBytes(samples->data(), document.pixelCount());
        EXPECT_GE(resident, placedRows * width);
        // The rows placed, the lead, and the huge page the lead ends in.
        EXPECT_LE(resident, placedRows * width + PlaneGrowth::kWarmLeadBytes + kPixelPageBytes);
    }
}

TEST(PlaneGrowth, RowsBeyondTheHeightAndSmallPlanesAreHandled) {
    PlanarDocument document;
    document.width = 7;
    document.height = 5;
    document.planes.resize(1);
    PlaneGrowth growth(document, false);
    growth.toRows(3);
    EXPECT_EQ(document.planes[0].size(), 21u);
    EXPECT_TRUE(document.alpha.empty());
    growth.toRows(1000);
    EXPECT_EQ(document.planes[0].size(), 35u);
    growth.toRows(2);  // never shrinks
    EXPECT_EQ(document.planes[0].size(), 35u);
}

}  // namespace
}  // namespace brivo::host::image_codec
