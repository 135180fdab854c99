#include "render/shape_rotation.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "render/pixel_math.h"

namespace brivo {
namespace {

constexpr float kPi = 3.1415927f;
constexpr float kHalfDegree = 0.0027777778f;  // 1 / 360
constexpr float kDegree = 0.0055555557f;      // 1 / 180
// Angles beyond this are reduced to one turn first, so normalising stays short.
constexpr float kLargeAngle = 1e6f;

// Sub-pixel shifts carry a 12-bit fraction.
constexpr int32_t kFractionOne = 4096;
constexpr int32_t kFractionHalf = 2048;
constexpr int32_t kFractionShift = 12;

// A line of pixels `step` bytes apart.
struct Line {
    uint8_t* first;
    ptrdiff_t step;
    int32_t length;
    uint8_t& operator[](int32_t i) const { return first[static_cast<ptrdiff_t>(i) * step]; }
};

// Writes from (shifted by the non-negative amount s, less a whole offset) into to.
// The whole part of s moves the line; its fraction F blends each pixel with the one
// before it, and one more pixel past the end receives the remainder of the last.
// Positions outside to are dropped.
void shiftLine(const Line& from, const Line& to, float s, int32_t offset, bool interpolate) {
    const int32_t whole = truncateToInt32(s);
    const int32_t fraction =
        truncateToInt32((s - static_cast<float>(whole)) * static_cast<float>(kFractionOne));
    const int64_t start = static_cast<int64_t>(whole) - offset;
    const auto inside = [&](int64_t position) { return position >= 0 && position < to.length; };
    if (!interpolate) {
        for (int32_t i = 0; i < from.length; ++i) {
            if (inside(start + i)) to[static_cast<int32_t>(start + i)] = from[i];
        }
        return;
    }
    uint32_t previous = 0;
    for (int32_t i = 0; i < from.length; ++i) {
        const uint32_t pixel = from[i];
        if (inside(start + i)) {
            to[static_cast<int32_t>(start + i)] =
                static_cast<uint8_t>((pixel * static_cast<uint32_t>(kFractionOne - fraction) +
                                      previous * static_cast<uint32_t>(fraction) + kFractionHalf) >>
                                     kFractionShift);
        }
        previous = pixel;
    }
    const int64_t tail = start + from.length;
    if (fraction > 0 && inside(tail)) {
        to[static_cast<int32_t>(tail)] = static_cast<uint8_t>(
            (previous * static_cast<uint32_t>(fraction) + kFractionHalf) >> kFractionShift);
    }
}

Line rowOf(const HostImage& image, int32_t y) {
    return Line{image.data + static_cast<ptrdiff_t>(y) * image.rowBytes, 1, image.width()};
}

Line columnOf(const HostImage& image, int32_t x) {
    return Line{image.data + x, image.rowBytes, image.height()};
}

// truncate(sum + 0.999999): a float sum rounded up to whole pixels, in double.
int32_t paddedSize(float sum) {
    return truncateToInt32(static_cast<double>(sum) + 0.999999);
}

ImageHandle blankImage(const HostImage& like, int32_t width, int32_t height) {
    ImageHandle image = like.makeSameFormat(std::max(width, 0), std::max(height, 0));
    image->clear();
    return image;
}

// Splits the clockwise angle into counter-clockwise quarter turns and a remaining
// angle in [-45, 45]. False for a non-finite angle.
bool splitAngle(float angle, float& theta, int32_t& quarterTurns) {
    theta = -angle;
    if (!std::isfinite(theta)) return false;
    if (std::fabs(theta) > kLargeAngle) theta = std::fmod(theta, 360.0f);
    while (theta < -45.0f) theta += 360.0f;
    quarterTurns = 0;
    while (theta > 45.0f) {
        theta -= 90.0f;
        ++quarterTurns;
    }
    return true;
}

// tan and sin of a float argument, evaluated in double and rounded once to float: the
// float nearest the exact value, whichever float functions the platform's library has.
float tanOf(float x) {
    return static_cast<float>(std::tan(static_cast<double>(x)));
}

float sinOf(float x) {
    return static_cast<float>(std::sin(static_cast<double>(x)));
}

}  // namespace

bool rotationSteps(float angle, RotationSteps& steps) {
    if (!splitAngle(angle, steps.theta, steps.quarterTurns)) return false;
    steps.a = -tanOf((kPi * steps.theta) * kHalfDegree);
    steps.b = sinOf((kPi * steps.theta) * kDegree);
    return true;
}

ImageHandle rotateImage(const HostImage& image, float angle, int32_t interpolate) {
    RotationSteps steps;
    if (!rotationSteps(angle, steps)) return image.rotated(0);
    ImageHandle turned = image.rotated(steps.quarterTurns % 4);

    if (steps.a == 0.0f || steps.b == 0.0f) return turned;
    const float a = std::fabs(steps.a);
    const float b = std::fabs(steps.b);
    const bool positive = steps.theta > 0.0f;
    const bool blend = interpolate == 1;
    const int32_t w = turned->width();
    const int32_t h = turned->height();

    // Pass 1: rows move right.
    const int32_t width1 = paddedSize(static_cast<float>(h) * a + static_cast<float>(w));
    ImageHandle pass1 = blankImage(*turned, width1, h);
    for (int32_t y = 0; y < h; ++y) {
        const float s = positive ? a * static_cast<float>(y) : a * static_cast<float>(h - y);
        shiftLine(rowOf(*turned, y), rowOf(*pass1, y), s, 0, blend);
    }
    turned.release();

    // Pass 2: columns move down, less the rows that only the slant added.
    const int32_t e = truncateToInt32(static_cast<float>(width1 - w) * b);
    const int32_t tall = paddedSize(static_cast<float>(width1) * b + static_cast<float>(h));
    const int32_t height2 = tall - 2 * e;
    ImageHandle pass2 = blankImage(*pass1, width1, height2);
    for (int32_t x = 0; x < width1; ++x) {
        const float s = positive ? b * static_cast<float>(width1 - x) : b * static_cast<float>(x);
        shiftLine(columnOf(*pass1, x), columnOf(*pass2, x), s, e, blend);
    }
    pass1.release();

    // Pass 3: rows move right again.
    const int32_t f = truncateToInt32(static_cast<float>(tall - e - h) * a);
    const int32_t width3 =
        paddedSize(static_cast<float>(height2) * a + static_cast<float>(width1)) - 2 * f;
    ImageHandle pass3 = blankImage(*pass2, width3, height2);
    for (int32_t y = 0; y < height2; ++y) {
        const float s = positive ? a * static_cast<float>(y) : a * static_cast<float>(height2 - y);
        shiftLine(rowOf(*pass2, y), rowOf(*pass3, y), s, f, blend);
    }
    return pass3;
}

}  // namespace brivo
