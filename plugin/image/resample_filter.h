// The table of one-dimensional resampling kernels that the image scaler finds by name.
#pragma once

#include <string_view>

namespace brivo::fx {

// A kernel: x in filter units (0 at the centre), params the record's parameter block.
using FilterFunction = double (*)(double x, const void* params);

struct ResampleFilter {
    const char* name = nullptr;  // lookup key, compared exactly
    FilterFunction function = nullptr;
    double support = 0.0;          // half-width of the non-zero part, in filter units
    double blur = 1.0;             // widening factor
    bool cardinal = false;         // 1 at 0 and 0 at every other whole x
    const void* params = nullptr;  // passed to function, or null
};

// Coefficients of the piecewise cubic: p0 + p2 u² + p3 u³ below 1, q0 + q1 u + q2 u² + q3 u³
// from 1 to 2.
struct MitchellParams {
    double p0, p2, p3, q0, q1, q2, q3;
};

struct KaiserParams {
    double a;
    double reciprocalI0;  // 1 / I0(a)
};

// The first record named exactly name, or null. The first call prepares the table.
const ResampleFilter* findFilter(std::string_view name);

// The modified Bessel function of the first kind, order 0, by its power series (1e-7
// cut-off). Arguments whose squared quarter is not above 1e-7, NaN included, give 1.
double besselI0(double t);

}  // namespace brivo::fx
