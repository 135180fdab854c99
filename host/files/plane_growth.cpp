#include "host/files/plane_growth.h"

#include <sys/mman.h>

#include <algorithm>
#include <system_error>

#include "host/runtime/pixel_memory.h"

namespace brivo::host::image_codec {
namespace {

// Pages are faulted in this many bytes at a time: one huge page.
constexpr size_t kWarmStepBytes = kPixelPageBytes;
// Planes smaller than this are not worth a thread.
constexpr size_t kLeastWarmedPlaneBytes = size_t{8} << 20;

}  // namespace

PlaneGrowth::PlaneGrowth(PlanarDocument& document, bool withAlpha)
    : document_(document), withAlpha_(withAlpha) {
    const size_t full = document.pixelCount();
    const auto reserve = [&](PlaneSamples& plane) {
        plane.reserve(full);
        // Only whole pages can be faulted in: large planes are mapped on page boundaries.
        const auto address = reinterpret_cast<uintptr_t>(plane.data());
        if (full >= kLeastWarmedPlaneBytes && address % kPixelPageBytes == 0)
            warmed_.push_back(plane.data());
    };
    for (PlaneSamples& plane : document.planes) reserve(plane);
    if (withAlpha) reserve(document.alpha);
    if (warmed_.empty()) return;
    try {
        helper_ = std::jthread([this](const std::stop_token& stop) { warm(stop); });
    } catch (const std::system_error&) {
        // Without a helper the decoder faults the pages in itself.
    }
}

PlaneGrowth::~PlaneGrowth() = default;

void PlaneGrowth::toRows(int64_t rows) {
    const size_t width = static_cast<size_t>(document_.width);
    const size_t needed = static_cast<size_t>(std::min<int64_t>(rows, document_.height)) * width;
    for (PlaneSamples& plane : document_.planes)
        if (plane.size() < needed) plane.resize(needed);
    if (withAlpha_ && document_.alpha.size() < needed) document_.alpha.resize(needed);
    if (helper_.joinable()) {
        {
            const std::lock_guard lock(mutex_);
            placedBytes_ = needed;
        }
        placed_.notify_one();
    }
}

void PlaneGrowth::warm(const std::stop_token& stop) noexcept {
    const size_t full = document_.pixelCount();
    for (size_t start = 0; start < full; start += kWarmStepBytes) {
        const size_t end = std::min(full, start + kWarmStepBytes);
        {
            std::unique_lock lock(mutex_);
            if (!placed_.wait(lock, stop, [&] { return placedBytes_ + kWarmLeadBytes >= end; }))
                return;
        }
        // The plane's block is reserved and its pages are only faulted in, never written;
        // a kernel without this advice leaves the faults to the decoder.
        for (uint8_t* plane : warmed_)
            if (madvise(plane + start, end - start, MADV_POPULATE_WRITE) != 0) return;
    }
}

}  // namespace brivo::host::image_codec
