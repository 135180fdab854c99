// The integer rules every render kernel shares: truncating division by 255, byte
// saturation, and float-to-integer conversions that cannot overflow.
#pragma once

#include <cmath>
#include <cstdint>

namespace brivo {

// Truncating division of a non-negative value by 255.
constexpr uint32_t divide255(uint32_t value) {
    return value / 255u;
}

// Sum of two bytes shifted right by one.
constexpr uint8_t halfSum(uint8_t a, uint8_t b) {
    return static_cast<uint8_t>((static_cast<uint32_t>(a) + b) >> 1);
}

// d + amount, saturated at 255.
constexpr uint8_t addSaturated(uint8_t d, uint32_t amount) {
    return static_cast<uint8_t>(amount >= 255u - d ? 255u : d + amount);
}

// d - amount, saturated at 0.
constexpr uint8_t subtractSaturated(uint8_t d, uint32_t amount) {
    return static_cast<uint8_t>(amount >= d ? 0u : d - amount);
}

// One screen of c over d: d + c - d * c / 255, saturated at 255.
constexpr uint8_t screenByte(uint8_t d, uint8_t c) {
    return addSaturated(d, c - divide255(static_cast<uint32_t>(d) * c));
}

// An index reduced to its low 8 bits.
constexpr uint8_t lowByte(int32_t value) {
    return static_cast<uint8_t>(value & 0xFF);
}

// Truncates toward zero and saturates to the 32-bit range; NaN gives 0.
inline int32_t truncateToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value <= -2147483648.0) return INT32_MIN;
    if (value >= 2147483647.0) return INT32_MAX;
    return static_cast<int32_t>(value);
}

// Truncates toward zero and saturates to 0..65535; NaN gives 0.
inline uint16_t truncateToUint16(double value) {
    if (std::isnan(value) || value <= 0.0) return 0;
    if (value >= 65535.0) return 65535;
    return static_cast<uint16_t>(value);
}

}  // namespace brivo
