#include "render/corner_pin_warp.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/simd_dispatch.h"
#include "core/worker_pool.h"
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

// Destination columns tested together for reaching the source's bounds.
constexpr int32_t kColumnBlock = 256;

// Unit round-off of single precision, and the factor by which the bound on the rounding
// of the pixel loop's mapping is widened before it is trusted.
constexpr double kFloatRounding = 1.0 / (1 << 24);
constexpr double kRoundingSafety = 16.0;

constexpr CornerPinKernels kScalarKernels{&mapCornerPinColumns};

}  // namespace

// Bilinear sample of source at (u·w, v·h), u and v in [0, 1).
uint8_t sampleCornerPinSource(const ShapeWindow& source, float u, float v) {
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
    const float s00 = source.pixel(x0, y0);
    const float s10 = source.pixel(x1, y0);
    const float s01 = source.pixel(x0, y1);
    const float s11 = source.pixel(x1, y1);
    const float value =
        (s00 * (1.0f - fx) + s10 * fx) * (1.0f - fy) + (s01 * (1.0f - fx) + s11 * fx) * fy;
    return static_cast<uint8_t>(std::clamp(value, 0.0f, 255.0f));
}

void mapCornerPinColumns(const ShapeWindow& source, const float a[3][3], int32_t row, int32_t first,
                         int32_t last, uint8_t* out) {
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
            out[column - first] = sampleCornerPinSource(source, u, v);
    }
}

const CornerPinKernels& cornerPinKernels() {
    return selectKernels(kScalarKernels, BRIVO_AVX2_KERNELS(avx2CornerPinKernels));
}

bool cornerPinInverse(const CornerPoint corners[4], int32_t width, int32_t height,
                      float inverse[3][3]) {
    if (width <= 0 || height <= 0) return false;
    float x[4];
    float y[4];
    for (int32_t i = 0; i < 4; ++i) {
        if (!std::isfinite(corners[i].x) || !std::isfinite(corners[i].y)) return false;
        x[i] = static_cast<float>(pixelCoordinate(width * corners[i].x));
        y[i] = static_cast<float>(pixelCoordinate(height * corners[i].y));
    }
    Matrix3 forward;
    if (!squareToQuad(x, y, forward)) return false;
    const Matrix3 adjugated = adjugate(forward);
    std::memcpy(inverse, adjugated.m, sizeof adjugated.m);
    return true;
}

bool CornerPinWarp::setUp(const ShapeWindow& source, const CornerPoint corners[4]) {
    source_ = source;
    rows_.clear();
    extent_ = VRect{0, 0, 0, 0};
    const int32_t w = source.width;
    const int32_t h = source.height;
    if (!cornerPinInverse(corners, w, h, inverse_)) return false;
    // A source with no pixel inside its bounds is 0 everywhere, and so is its warp.
    if (source.boundsWidth() <= 0 || source.boundsHeight() <= 0) return true;

    std::vector<Columns> columns(static_cast<size_t>(h));
    int32_t top = h;
    int32_t bottom = 0;
    int32_t left = w;
    int32_t right = 0;
    for (int32_t row = 0; row < h; ++row) {
        const Columns reached = reachableColumns(row);
        columns[static_cast<size_t>(row)] = reached;
        if (reached.first >= reached.end) continue;
        top = std::min(top, row);
        bottom = row + 1;
        left = std::min(left, reached.first);
        right = std::max(right, reached.end);
    }
    if (top >= bottom) return true;
    extent_ = VRect{top, left, bottom, right};
    rows_.assign(columns.begin() + top, columns.begin() + bottom);
    return true;
}

// The pixel loop maps column x of a row to u = U / W with U = (a00·x + a01·y) + a02 in
// single precision (V and W likewise). Along a row where W keeps its sign, the exact
// quotient is monotonic, so its values at a block's two ends bound it over the block; the
// rounded quotient differs from the exact one by at most e below. A block is skipped
// only when even the widened range cannot reach a pixel beside the bounds.
bool CornerPinWarp::mayReachBounds(int32_t row, int32_t first, int32_t last) const {
    const auto& a = inverse_;
    const double y = row;
    const auto mapped = [&](int i, double x) {
        return static_cast<double>(a[i][0]) * x + static_cast<double>(a[i][1]) * y +
               static_cast<double>(a[i][2]);
    };
    const auto magnitude = [&](int i, double x) {
        return std::fabs(a[i][0] * x) + std::fabs(a[i][1] * y) + std::fabs(a[i][2]);
    };
    const double x0 = first;
    const double x1 = last;
    const double w0 = mapped(2, x0);
    const double w1 = mapped(2, x1);
    if (!((w0 > 0.0 && w1 > 0.0) || (w0 < 0.0 && w1 < 0.0))) return true;  // a pole, or NaN
    const double errorScale = kRoundingSafety * 3.0 * kFloatRounding;
    const double sizeW = std::max(magnitude(2, x0), magnitude(2, x1));
    const double smallestW = std::min(std::fabs(w0), std::fabs(w1)) - errorScale * sizeW;
    if (!(smallestW > 0.0)) return true;
    // The rounding moves a quotient q by at most errorScale · (size + |q| · sizeW) / |W|
    // (plus a last rounding). Only small relative errors are trusted: then a quotient
    // beyond ±4 stays beyond ±3.5, outside every range tested below, and e bounds the
    // error of the others.
    const double relativeW = errorScale * sizeW / smallestW;
    if (!(relativeW < 0.05)) return true;
    const auto outside = [&](int i, double low, double high) {
        const double absolute =
            errorScale * std::max(magnitude(i, x0), magnitude(i, x1)) / smallestW;
        if (!(absolute < 0.25)) return false;
        const double e = absolute + 4.0 * relativeW + 4.0 * errorScale;
        const double q0 = mapped(i, x0) / w0;
        const double q1 = mapped(i, x1) / w1;
        return std::max(q0, q1) + e < low || std::min(q0, q1) - e > high;
    };
    // A sample at s = q · size has a neighbour in [begin, end) only if s lies in
    // [begin - 1, end); two more pixels each way cover the rounding of q · size.
    const double width = source_.width;
    const double height = source_.height;
    const VRect& b = source_.bounds;
    if (outside(0, (b.left - 3.0) / width, (b.right + 2.0) / width)) return false;
    if (outside(1, (b.top - 3.0) / height, (b.bottom + 2.0) / height)) return false;
    return true;
}

CornerPinWarp::Columns CornerPinWarp::reachableColumns(int32_t row) const {
    const int32_t width = source_.width;
    if (!mayReachBounds(row, 0, width - 1)) return Columns{};
    Columns reached{width, 0};
    for (int32_t first = 0; first < width; first += kColumnBlock) {
        const int32_t last = std::min(first + kColumnBlock, width) - 1;
        if (!mayReachBounds(row, first, last)) continue;
        reached.first = std::min(reached.first, first);
        reached.end = last + 1;
    }
    return reached.first < reached.end ? reached : Columns{};
}

void CornerPinWarp::draw(const PixelView& destination, int32_t left, int32_t top) const {
    const CornerPinKernels& kernels = cornerPinKernels();
    const int32_t firstRow = std::max(extent_.top, top);
    const int32_t endRow = std::min(extent_.bottom, top + destination.height);
    forEachBand(endRow - firstRow, 1, kRowsPerBand, [&](int32_t, int32_t bandTop, int32_t bandEnd) {
        for (int32_t row = firstRow + bandTop; row < firstRow + bandEnd; ++row) {
            const Columns& reached = rows_[static_cast<size_t>(row - extent_.top)];
            const int32_t first = std::max(reached.first, left);
            const int32_t end = std::min(reached.end, left + destination.width);
            if (first >= end) continue;
            kernels.mapColumns(source_, inverse_, row, first, end,
                               destination.row(row - top) + (first - left));
        }
    });
}

void cornerPinWarp(const ShapeWindow& source, const PixelView& destination,
                   const CornerPoint corners[4]) {
    for (int32_t y = 0; y < destination.height; ++y)
        std::memset(destination.row(y), 0, static_cast<size_t>(destination.width));
    CornerPinWarp warp;
    if (warp.setUp(source, corners)) warp.draw(destination, 0, 0);
}

}  // namespace brivo
