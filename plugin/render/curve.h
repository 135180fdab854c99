// A function of one variable through control points: linear between two points, a
// natural cubic spline through more, optionally clamped to [0, 1].
#pragma once

#include <cstdint>
#include <vector>

namespace brivo {

struct CurvePoint {
    double x = 0.0;
    double y = 0.0;
    double secondDerivative = 0.0;
};

class Curve {
  public:
    // Replaces the points with count (x, y) pairs; x must not decrease. Clamps the
    // output from now on. A null pairs pointer or a count below 1 leaves no points.
    void setPoints(const double (*pairs)[2], int32_t count);

    // The curve's value at x. Solves the spline first when the points changed. An x
    // that falls in no interval (NaN, or NaN among the points) gives NaN.
    double evaluate(double x);

  private:
    void solveNaturalSpline();
    double clamped(double value) const;

    std::vector<CurvePoint> points;
    int32_t interpolation = 0;  // 0 linear, 1 natural cubic spline
    bool needsSolve = true;
    bool clampOutput = false;
};

}  // namespace brivo
