// Pixel coordinates derived from unchecked parameters (positions, corner pins, displaced
// sample points): truncated toward zero and saturated well inside the 32-bit range, so
// that sums and differences of a few of them cannot overflow.
#pragma once

#include <cmath>
#include <cstdint>

namespace brivo {

inline constexpr int32_t kPixelCoordinateLimit = 1 << 30;

// truncate(value), saturated to ±2^30; NaN gives 0.
inline int32_t pixelCoordinate(double value) {
    if (std::isnan(value)) return 0;
    if (value <= -static_cast<double>(kPixelCoordinateLimit)) return -kPixelCoordinateLimit;
    if (value >= static_cast<double>(kPixelCoordinateLimit)) return kPixelCoordinateLimit;
    return static_cast<int32_t>(value);
}

}  // namespace brivo
