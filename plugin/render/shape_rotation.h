// Turns a one-channel 8-bit image by any angle: whole quarter turns first, then the rest
// (at most 45° either way) by three shears, each a sub-pixel shift of every line.
#pragma once

#include <cstdint>

#include "image/host_image.h"

namespace brivo {

// A clockwise turn by some angle, split into counter-clockwise quarter turns and three
// shears by the remaining angle theta in [-45, 45] degrees: rows by a = -tan(theta / 2),
// columns by b = sin(theta).
struct RotationSteps {
    int32_t quarterTurns = 0;
    float theta = 0.0f;
    float a = 0.0f;
    float b = 0.0f;
};

// The steps of a clockwise turn by angle degrees; false for a non-finite angle.
bool rotationSteps(float angle, RotationSteps& steps);

// A new image holding image turned clockwise (as displayed) by angle degrees; it grows to
// hold the turned corners. interpolate 1 blends neighbouring pixels in the shears, any
// other value shifts whole pixels. A non-finite angle gives an unturned copy.
ImageHandle rotateImage(const HostImage& image, float angle, int32_t interpolate);

}  // namespace brivo
