#include "render/curve.h"

#include <cstddef>
#include <limits>

namespace brivo {

void Curve::setPoints(const double (*pairs)[2], int32_t count) {
    points.clear();
    if (pairs != nullptr && count > 0) {
        points.reserve(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i) points.push_back({pairs[i][0], pairs[i][1], 0.0});
    }
    needsSolve = true;
    clampOutput = true;
    interpolation = points.size() > 2 ? 1 : 0;
}

double Curve::clamped(double value) const {
    if (!clampOutput) return value;
    if (value < 0.0) return 0.0;
    if (value > 1.0) return 1.0;
    return value;
}

double Curve::evaluate(double x) {
    if (points.empty()) return clamped(x);
    if (x <= points.front().x) return clamped(points.front().y);
    if (x >= points.back().x) return clamped(points.back().y);

    for (size_t i = 0; i + 1 < points.size(); ++i) {
        const CurvePoint& p0 = points[i];
        const CurvePoint& p1 = points[i + 1];
        if (!(x > p0.x && x <= p1.x)) continue;

        if (interpolation == 0 || points.size() == 2) {
            return clamped(p0.y + (p1.y - p0.y) * (x - p0.x) / (p1.x - p0.x));
        }
        if (needsSolve) solveNaturalSpline();
        const double h = p1.x - p0.x;
        const double d = x - p0.x;
        const double m0 = p0.secondDerivative;
        const double m1 = p1.secondDerivative;
        const double b = (p1.y - p0.y) / h - (2.0 * m0 + m1) * h / 6.0;
        const double c = m0 / 2.0;
        const double e = (m1 - m0) / (6.0 * h);
        return clamped(p0.y + d * (b + d * (c + e * d)));
    }
    return std::numeric_limits<double>::quiet_NaN();
}

// Second derivatives with zero at both ends; the interior rows
//   h(i-1) M(i-1) + 2 (h(i-1) + h(i)) M(i) + h(i) M(i+1)
//     = 6 ((y(i+1) - y(i)) / h(i) - (y(i) - y(i-1)) / h(i-1))
// form a tridiagonal system, solved by forward elimination and back substitution.
void Curve::solveNaturalSpline() {
    const size_t n = points.size();
    for (CurvePoint& p : points) p.secondDerivative = 0.0;
    if (n >= 3) {
        std::vector<double> diagonal(n, 0.0);
        std::vector<double> rhs(n, 0.0);
        for (size_t i = 1; i + 1 < n; ++i) {
            const double hPrev = points[i].x - points[i - 1].x;
            const double h = points[i + 1].x - points[i].x;
            diagonal[i] = 2.0 * (hPrev + h);
            rhs[i] = 6.0 * ((points[i + 1].y - points[i].y) / h -
                            (points[i].y - points[i - 1].y) / hPrev);
        }
        for (size_t i = 2; i + 1 < n; ++i) {
            const double hPrev = points[i].x - points[i - 1].x;
            const double factor = hPrev / diagonal[i - 1];
            diagonal[i] = diagonal[i] - factor * hPrev;
            rhs[i] = rhs[i] - factor * rhs[i - 1];
        }
        for (size_t i = n - 2; i >= 1; --i) {
            const double h = points[i + 1].x - points[i].x;
            points[i].secondDerivative =
                (rhs[i] - h * points[i + 1].secondDerivative) / diagonal[i];
        }
    }
    needsSolve = false;
}

}  // namespace brivo
