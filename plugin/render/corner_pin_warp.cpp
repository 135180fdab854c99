#include "render/corner_pin_warp.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/simd_dispatch.h"
#include "render/shape_coordinates.h"

namespace brivo {
namespace {

// A 3 × 3 matrix acting on column vectors (x, y, w).
struct Matrix3 {
    float m[3][3];
};

// Maps the unit square's corners (0, 0), (1, 0), (1, 1), (0, 1) onto the four points:
// affine when the opposite sides are parallel, projective otherwise. False when the
// points span no area, so that no mapping exists.
bool squareToQuad(const float x[4], const float y[4], Matrix3& forward) {
    const float px = x[0] - x[1] + x[2] - x[3];
    const float py = y[0] - y[1] + y[2] - y[3];
    if (px > -1e-13 && px < 1e-13 && py > -1e-13 && py < 1e-13) {
        forward = Matrix3{{{x[1] - x[0], x[2] - x[1], x[0]},
                           {y[1] - y[0], y[2] - y[1], y[0]},
                           {0.0f, 0.0f, 1.0f}}};
    } else {
        const float dx1 = x[1] - x[2];
        const float dx2 = x[3] - x[2];
        const float dy1 = y[1] - y[2];
        const float dy2 = y[3] - y[2];
        const float del = dx1 * dy2 - dx2 * dy1;
        if (del == 0.0f) return false;
        const float g = (px * dy2 - dx2 * py) / del;
        const float h = (dx1 * py - px * dy1) / del;
        forward = Matrix3{{{x[1] - x[0] + g * x[1], x[3] - x[0] + h * x[3], x[0]},
                           {y[1] - y[0] + g * y[1], y[3] - y[0] + h * y[3], y[0]},
                           {g, h, 1.0f}}};
    }
    const auto& m = forward.m;
    const float determinant = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                              m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                              m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    return std::isfinite(determinant) && determinant != 0.0f;
}

// The adjugate: the inverse up to a scale, which the homogeneous divide removes.
Matrix3 adjugate(const Matrix3& forward) {
    const auto& m = forward.m;
    return Matrix3{{{m[1][1] * m[2][2] - m[1][2] * m[2][1], m[0][2] * m[2][1] - m[0][1] * m[2][2],
                     m[0][1] * m[1][2] - m[0][2] * m[1][1]},
                    {m[1][2] * m[2][0] - m[1][0] * m[2][2], m[0][0] * m[2][2] - m[0][2] * m[2][0],
                     m[0][2] * m[1][0] - m[0][0] * m[1][2]},
                    {m[1][0] * m[2][1] - m[1][1] * m[2][0], m[0][1] * m[2][0] - m[0][0] * m[2][1],
                     m[0][0] * m[1][1] - m[0][1] * m[1][0]}}};
}

void scalarMapPixels(const PixelView& source, const PixelView& destination, const float a[3][3]) {
    for (int32_t row = 0; row < destination.height; ++row)
        mapCornerPinColumns(source, a, row, destination.row(row), 0, destination.width);
}

constexpr CornerPinKernels kScalarKernels{&scalarMapPixels};

}  // namespace

// Bilinear sample of source at (u·w, v·h), u and v in [0, 1).
uint8_t sampleCornerPinSource(const PixelView& source, float u, float v) {
    const int32_t w = source.width;
    const int32_t h = source.height;
    const float sx = u * static_cast<float>(w);
    const float sy = v * static_cast<float>(h);
    // u just below 1 can round to w in single precision; stay on the last pixel.
    const int32_t x0 = std::min(static_cast<int32_t>(sx), w - 1);
    const int32_t y0 = std::min(static_cast<int32_t>(sy), h - 1);
    const int32_t x1 = std::min(x0 + 1, w - 1);
    const int32_t y1 = std::min(y0 + 1, h - 1);
    const float fx = sx - static_cast<float>(x0);
    const float fy = sy - static_cast<float>(y0);
    const float s00 = *source.at(x0, y0);
    const float s10 = *source.at(x1, y0);
    const float s01 = *source.at(x0, y1);
    const float s11 = *source.at(x1, y1);
    const float value =
        (s00 * (1.0f - fx) + s10 * fx) * (1.0f - fy) + (s01 * (1.0f - fx) + s11 * fx) * fy;
    return static_cast<uint8_t>(std::clamp(value, 0.0f, 255.0f));
}

void mapCornerPinColumns(const PixelView& source, const float a[3][3], int32_t row, uint8_t* out,
                         int32_t first, int32_t last) {
    const float fy = static_cast<float>(row);
    for (int32_t column = first; column < last; ++column) {
        const float fx = static_cast<float>(column);
        const float mappedU = (a[0][0] * fx + a[0][1] * fy) + a[0][2];
        const float mappedV = (a[1][0] * fx + a[1][1] * fy) + a[1][2];
        const float mappedW = (a[2][0] * fx + a[2][1] * fy) + a[2][2];
        if (mappedW == 0.0f) continue;  // a point at infinity
        const float u = mappedU / mappedW;
        const float v = mappedV / mappedW;
        if (u >= 0.0f && u < 1.0f && v >= 0.0f && v < 1.0f)
            out[column] = sampleCornerPinSource(source, u, v);
    }
}

const CornerPinKernels& scalarCornerPinKernels() {
    return kScalarKernels;
}

const CornerPinKernels& cornerPinKernels() {
#if defined(__x86_64__) || defined(__i386__)
    if (simdAllowed() && cpuHasAvx2()) return avx2CornerPinKernels();
#endif
    return kScalarKernels;
}

void cornerPinWarp(const PixelView& source, const PixelView& destination,
                   const CornerPoint corners[4]) {
    for (int32_t y = 0; y < destination.height; ++y)
        std::memset(destination.row(y), 0, static_cast<size_t>(destination.width));
    const int32_t w = source.width;
    const int32_t h = source.height;
    if (w <= 0 || h <= 0) return;

    float x[4];
    float y[4];
    for (int32_t i = 0; i < 4; ++i) {
        if (!std::isfinite(corners[i].x) || !std::isfinite(corners[i].y)) return;
        x[i] = static_cast<float>(pixelCoordinate(w * corners[i].x));
        y[i] = static_cast<float>(pixelCoordinate(h * corners[i].y));
    }
    Matrix3 forward;
    if (!squareToQuad(x, y, forward)) return;
    const Matrix3 inverse = adjugate(forward);
    cornerPinKernels().mapPixels(source, destination, inverse.m);
}

}  // namespace brivo
