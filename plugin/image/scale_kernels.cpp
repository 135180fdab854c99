#include "image/scale_kernels.h"

#include <type_traits>

#include "core/simd_dispatch.h"

namespace brivo::fx {

namespace {

// The fixed-point rules of one sample depth: Wide holds the x-first sums, midShift brings a
// first-pass sum to the intermediate value, outShift brings a second-pass sum to a sample.
template <typename Pixel>
struct DepthFormat;

template <>
struct DepthFormat<uint8_t> {
    using Wide = uint32_t;
    static constexpr int midShift = 8;
    static constexpr int outShift = 20;
    static constexpr int32_t maxValue = 255;
};

template <>
struct DepthFormat<uint16_t> {
    using Wide = uint64_t;
    static constexpr int midShift = 16;
    static constexpr int outShift = 12;
    static constexpr int32_t maxValue = 32768;
};

// Adds w × v to a sum that wraps in its own width.
template <typename U, typename V>
U multiplyAdd(U sum, V v, int32_t w) {
    return static_cast<U>(sum + static_cast<U>(v) * static_cast<U>(w));
}

// Divides a wrapped sum, read as signed, by 2^shift, rounding to nearest.
template <typename U>
std::make_signed_t<U> roundingShift(U sum, int shift) {
    return static_cast<std::make_signed_t<U>>(static_cast<U>(sum + (U{1} << (shift - 1)))) >> shift;
}

// Limits a signed result to the samples' range.
template <typename Pixel, typename S>
Pixel clampSample(S v) {
    constexpr S maxValue = DepthFormat<Pixel>::maxValue;
    return static_cast<Pixel>(v < 0 ? 0 : (v > maxValue ? maxValue : v));
}

template <typename Pixel, typename Mid, int Channels>
void filterRowX(const Pixel* source, const WeightTableSet& x, int32_t begin, int32_t end,
                Mid* out) {
    using Format = DepthFormat<Pixel>;
    using Wide = typename Format::Wide;
    for (int32_t j = begin; j < end; ++j) {
        const Pixel* p = source + static_cast<size_t>(x.first[j]) * Channels;
        const int32_t* w = x.weightsOf(j);
        for (int c = 0; c < Channels; ++c) {
            Wide sum = 0;
            for (int32_t k = 0; k < x.taps[j]; ++k)
                sum = multiplyAdd(sum, p[k * Channels + c], w[k]);
            out[static_cast<size_t>(j) * Channels + c] =
                static_cast<Mid>(roundingShift(sum, Format::midShift));
        }
    }
}

template <typename Pixel, typename Mid>
void combineRowsY(const Mid* const* rows, const int32_t* weights, int32_t taps, size_t begin,
                  size_t end, Pixel* out) {
    using Format = DepthFormat<Pixel>;
    using Wide = typename Format::Wide;
    for (size_t i = begin; i < end; ++i) {
        Wide sum = 0;
        for (int32_t t = 0; t < taps; ++t) sum = multiplyAdd(sum, rows[t][i], weights[t]);
        out[i] = clampSample<Pixel>(roundingShift(sum, Format::outShift));
    }
}

template <typename Pixel, typename Sum>
void sumRowsY(const Pixel* const* rows, const int32_t* weights, int32_t taps, size_t begin,
              size_t end, Sum* sums) {
    using Wide = std::make_unsigned_t<Sum>;
    for (size_t i = begin; i < end; ++i) {
        Wide sum = 0;
        for (int32_t t = 0; t < taps; ++t) sum = multiplyAdd(sum, rows[t][i], weights[t]);
        sums[i] = static_cast<Sum>(sum);
    }
}

// The sums are truncated (shifted without rounding) before they are weighted.
template <typename Pixel, typename Sum, int Channels>
void filterSumsX(const Sum* sums, const WeightTableSet& x, int32_t begin, int32_t end, Pixel* out) {
    using Format = DepthFormat<Pixel>;
    using Wide = std::make_unsigned_t<Sum>;
    for (int32_t j = begin; j < end; ++j) {
        const Sum* p = sums + static_cast<size_t>(x.first[j]) * Channels;
        const int32_t* w = x.weightsOf(j);
        for (int c = 0; c < Channels; ++c) {
            Wide sum = 0;
            for (int32_t k = 0; k < x.taps[j]; ++k) {
                sum = multiplyAdd(sum, p[k * Channels + c] >> Format::midShift, w[k]);
            }
            out[static_cast<size_t>(j) * Channels + c] =
                clampSample<Pixel>(roundingShift(sum, Format::outShift));
        }
    }
}

template <typename Pixel, typename Mid>
constexpr XFirstKernels<Pixel, Mid> xFirstKernels[2] = {
    {filterRowX<Pixel, Mid, 1>, combineRowsY<Pixel, Mid>},
    {filterRowX<Pixel, Mid, 4>, combineRowsY<Pixel, Mid>},
};

template <typename Pixel, typename Sum, int Channels>
constexpr YFirstKernels<Pixel, Sum> yFirstKernels = {sumRowsY<Pixel, Sum>,
                                                     filterSumsX<Pixel, Sum, Channels>};

}  // namespace

const ScaleKernels& scalarScaleKernels() {
    static const ScaleKernels table = {
        {xFirstKernels<uint8_t, int16_t>[0], xFirstKernels<uint8_t, int16_t>[1]},
        {xFirstKernels<uint16_t, int32_t>[0], xFirstKernels<uint16_t, int32_t>[1]},
        {yFirstKernels<uint8_t, int32_t, 1>, yFirstKernels<uint8_t, int32_t, 4>},
        yFirstKernels<uint16_t, int32_t, 1>,
        yFirstKernels<uint16_t, int64_t, 4>,
    };
    return table;
}

const ScaleKernels& scaleKernels() {
    return selectKernels(scalarScaleKernels(), BRIVO_AVX2_KERNELS(avx2ScaleKernels));
}

}  // namespace brivo::fx
