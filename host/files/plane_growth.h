#pragma once

// The planes of a document being decoded, grown as the file delivers rows. Each plane is
// reserved whole at the start, which costs memory only as rows land in it, so rows are never
// copied to a larger block. A helper thread faults the pages in a little ahead of the rows
// placed, so that the kernel's clearing of fresh pages (slow on some machines) runs beside
// the decoding rather than inside it; it keeps at most kWarmLeadBytes of each plane ahead,
// so a file that ends long before its declared size still costs about what it delivered.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "host/files/planar_document.h"

namespace brivo::host::image_codec {

class PlaneGrowth {
  public:
    // How far ahead of the rows placed the pages of each plane are faulted in.
    static constexpr size_t kWarmLeadBytes = size_t{4} << 20;

    // Reserves every colour plane, and alpha when withAlpha, at the document's full size.
    // Throws std::bad_alloc when the address space is short.
    PlaneGrowth(PlanarDocument& document, bool withAlpha);
    PlaneGrowth(const PlaneGrowth&) = delete;
    PlaneGrowth& operator=(const PlaneGrowth&) = delete;
    ~PlaneGrowth();

    // Makes room for the rows above `rows` (at most the document's height) in every plane.
    void toRows(int64_t rows);

  private:
    void warm(const std::stop_token& stop) noexcept;

    PlanarDocument& document_;
    bool withAlpha_;
    std::vector<uint8_t*> warmed_;  // the reserved planes whose pages the helper faults in
    std::mutex mutex_;
    std::condition_variable_any placed_;
    size_t placedBytes_ = 0;  // of each plane; guarded by mutex_
    std::jthread helper_;     // last: stopped and joined before the rest goes
};

}  // namespace brivo::host::image_codec
