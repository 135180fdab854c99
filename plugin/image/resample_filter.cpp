#include "image/resample_filter.h"

#include <array>
#include <cmath>
#include <numbers>

namespace brivo::fx {

namespace {

constexpr double kPi = std::numbers::pi;

double boxKernel(double x, const void*) {
    return (x >= -0.5 && x < 0.5) ? 1.0 : 0.0;
}

double triangleKernel(double x, const void*) {
    if (x >= -1.0 && x < 0.0) return 1.0 + x;
    if (x >= 0.0 && x < 1.0) return 1.0 - x;
    return 0.0;
}

double quadraticKernel(double x, const void*) {
    if (x >= -1.5 && x < -0.5) return 0.5 * (x + 1.5) * (x + 1.5);
    if (x >= -0.5 && x < 0.5) return 0.75 - x * x;
    if (x >= 0.5 && x < 1.5) return 0.5 * (x - 1.5) * (x - 1.5);
    return 0.0;
}

double cubicBSplineKernel(double x, const void*) {
    const double u = std::fabs(x);
    if (u < 1.0) return (3.0 * u * u * u - 6.0 * u * u + 4.0) / 6.0;
    if (u < 2.0) return (2.0 - u) * (2.0 - u) * (2.0 - u) / 6.0;
    return 0.0;
}

double catmullRomKernel(double x, const void*) {
    const double u = std::fabs(x);
    if (u < 1.0) return (3.0 * u * u * u - 5.0 * u * u + 2.0) / 2.0;
    if (u < 2.0) return (-u * u * u + 5.0 * u * u - 8.0 * u + 4.0) / 2.0;
    return 0.0;
}

double mitchellKernel(double x, const void* params) {
    const auto& m = *static_cast<const MitchellParams*>(params);
    const double u = std::fabs(x);
    if (u < 1.0) return m.p0 + m.p2 * u * u + m.p3 * u * u * u;
    if (u < 2.0) return m.q0 + m.q1 * u + m.q2 * u * u + m.q3 * u * u * u;
    return 0.0;
}

double gaussianKernel(double x, const void*) {
    return std::sqrt(2.0 / kPi) * std::exp(-2.0 * x * x);
}

double sincKernel(double x, const void*) {
    if (x == 0.0) return 1.0;
    return std::sin(kPi * x) / (kPi * x);
}

double zeroKernel(double, const void*) {
    return 0.0;
}

double hanningKernel(double x, const void*) {
    return 0.5 + 0.5 * std::cos(kPi * x);
}

double hammingKernel(double x, const void*) {
    return 0.54 + 0.46 * std::cos(kPi * x);
}

double blackmanKernel(double x, const void*) {
    return 0.42 + 0.5 * std::cos(kPi * x) + 0.08 * std::cos(2.0 * kPi * x);
}

// Beyond ±1 the root is NaN, and the series gives 1 for it.
double kaiserKernel(double x, const void* params) {
    const auto& k = *static_cast<const KaiserParams*>(params);
    return besselI0(k.a * std::sqrt(1.0 - x * x)) * k.reciprocalI0;
}

MitchellParams mitchellParams(double b, double c) {
    return MitchellParams{
        (6.0 - 2.0 * b) / 6.0,
        (12.0 * b + 6.0 * c - 18.0) / 6.0,
        (12.0 - 9.0 * b - 6.0 * c) / 6.0,
        (8.0 * b + 24.0 * c) / 6.0,
        (-12.0 * b - 48.0 * c) / 6.0,
        (6.0 * b + 30.0 * c) / 6.0,
        (-b - 6.0 * c) / 6.0,
    };
}

constexpr size_t kTableRoom = 30;

struct FilterTable {
    std::array<ResampleFilter, kTableRoom> records{};
    size_t count = 0;
    MitchellParams mitchell{};
    KaiserParams kaiser{};

    FilterTable() {
        records = {{
            {"point", boxKernel, 0.0, 1.0, true, nullptr},
            {"box", boxKernel, 0.5, 1.0, true, nullptr},
            {"triangle", triangleKernel, 1.0, 1.0, true, nullptr},
            {"quadratic", quadraticKernel, 1.5, 1.0, false, nullptr},
            {"cubic", cubicBSplineKernel, 2.0, 1.0, false, nullptr},
            {"catrom", catmullRomKernel, 2.0, 1.0, true, nullptr},
            {"mitchell", mitchellKernel, 2.0, 1.0, false, nullptr},
            {"gaussian", gaussianKernel, 1.25, 1.0, false, nullptr},
            {"sinc", sincKernel, 4.0, 1.0, true, nullptr},
            {"bessel", zeroKernel, 3.2383, 1.0, false, nullptr},
            {"hanning", hanningKernel, 1.0, 1.0, true, nullptr},
            {"hamming", hammingKernel, 1.0, 1.0, true, nullptr},
            {"blackman", blackmanKernel, 1.0, 1.0, true, nullptr},
            {"kaiser", kaiserKernel, 1.0, 1.0, true, nullptr},
        }};
        while (count < records.size() && records[count].name != nullptr) ++count;

        mitchell = mitchellParams(1.0 / 3.0, 1.0 / 3.0);
        constexpr double kaiserA = 6.5;
        kaiser = KaiserParams{kaiserA, 1.0 / besselI0(kaiserA)};
        for (size_t i = 0; i < count; ++i) {
            const std::string_view name = records[i].name;
            if (name == "mitchell") records[i].params = &mitchell;
            if (name == "kaiser") records[i].params = &kaiser;
        }
    }
};

const FilterTable& filterTable() {
    static const FilterTable table;
    return table;
}

}  // namespace

double besselI0(double t) {
    const double y = t * t / 4.0;
    if (!(y > 1e-7)) return 1.0;
    double sum = 1.0;
    double term = y;
    double k = 2.0;
    do {
        sum += term;
        term *= y / (k * k);
        k += 1.0;
        // A huge argument overflows the terms; the series has no finite value then.
        if (std::isinf(sum)) return sum;
    } while (term > 1e-7);
    return sum;
}

const ResampleFilter* findFilter(std::string_view name) {
    const FilterTable& table = filterTable();
    for (size_t i = 0; i < table.count; ++i) {
        if (name == table.records[i].name) return &table.records[i];
    }
    return nullptr;
}

}  // namespace brivo::fx
