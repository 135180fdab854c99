// Vector passes for 8-bit and 16-bit samples. Every sample column of a region is a line of
// its own, so neighbouring sample columns are filtered side by side while walking down the
// rows in memory order: the running sums of a whole row of sample columns move one row at a
// time, with no transpose. Rows become such columns by transposing small groups of pixels of
// a band of rows as the walk along them needs them. The walk moves 32-byte blocks at either
// depth; only the sums differ (Sums16 and Sums32 for 8-bit samples, DeepSums for 16-bit).
// Several passes run together: each pass reads the rows the one before it has just written
// into a small ring, so the image is read and written once per group of passes.
// Sums are the same exact integers as in the line filter, so the bytes are identical.
// This file is compiled for AVX2 as a whole, so it instantiates no shared inline templates
// (a linker could pick such a copy for code that runs on any CPU).
#include <immintrin.h>

#include <cstring>

#include "image/box_blur.h"

namespace brivo {

namespace {

constexpr int32_t kBlock = 32;       // byte columns per vector block
constexpr int32_t kBandBytes = 256;  // bytes of one transposed pixel of a band of rows
constexpr int32_t kMaxStages = 4;    // passes run together
constexpr int32_t kAlign = 64;
constexpr int32_t kPrefetchBytes = 512;  // bytes ahead along a band's rows to fetch
// Column chunks: rows of the chunk ahead of the walk to fetch (at least two rows), whole rows
// while the rings they need stay in the L2 cache, and narrower chunks otherwise.
constexpr int32_t kPrefetchColumnBytes = 48 * 1024;
constexpr size_t kWholeRowRingBytes = 384 * 1024;
constexpr size_t kChunkRingBytes = 128 * 1024;
constexpr int32_t kLeastChunk = 2048;
// Rings of up to about two line lengths for a band of rows, or a column chunk's rings.
constexpr size_t kScratchPerLinePixel = 256;

// Whole-tap sums fit 16-bit lanes up to this r (255 * (2r - 1) < 2^16), and a signed 16-bit
// multiply-add up to kMaxRadius16Signed (255 * (2r - 1) < 2^15).
constexpr int32_t kMaxRadius16 = 128;
constexpr int32_t kMaxRadius16Signed = 64;
// Inner sums of 16-bit samples fit 32-bit lanes up to this r (65535 * (2r - 1) < 2^32).
constexpr int32_t kMaxRadiusDeep = 32769;

// How a whole window's sum becomes its output.
enum class Whole {
    kPartial,  // S = 256 * inner + partial * outer, times the reciprocal
    kPlain,    // no partial taps: S = 256 * inner, times the reciprocal
    kMagic,    // no partial taps, inner sums in 16 bits: a 16-bit multiply-high and a shift
    kSplit,    // no partial taps, inner sums in 16 bits: the product in 16-bit halves
};

// The constants of one line, broadcast. For 16-bit samples reciprocal, twiceReciprocal, bias,
// biasHigh (bias >> 16), partial, partialHigh and partialLow hold 64-bit lanes (see
// weightsOf16), and the rest is unused.
struct Weights {
    __m256i reciprocal;     // whole windows: S * reciprocal + bias, shifted right by 23
    __m256i reciprocal256;  // reciprocal * 256, for S = 256 * inner when there is no partial
    __m256i bias;
    __m256i fullPartial;  // 16-bit pairs (256, partial)
    __m256i partial;      // partial in each 32-bit lane
    __m256i magic;        // 16-bit multiplier of kMagic
    __m128i magicShift;
    __m256i twiceReciprocal;  // kSplit: 2 * reciprocal, and the two parts of bias / 256
    __m256i biasHigh;
    __m256i biasCarry;
    __m256i partialHigh;  // 16-bit samples: partial * reciprocal >> 15
    __m256i partialLow;   // and its low 15 bits
    __m256d divisor;      // the weight of a window cut by an end of the line
    Whole whole;
};

// Without partial taps a whole window's output depends on its inner sum x alone:
// f(x) = (256 * x * reciprocal + bias) >> 23. Looks for a multiplier m < 2^16 and a shift
// s with f(x) = (x * m) >> (16 + s) for every sum a window can hold. f and that form are
// both stepwise rising, so they agree when each output value starts at the same x; the
// bounds that gives on m are intersected, and the choice is then checked at every x.
bool findMagic(const BoxLine& line, uint32_t& multiplier, int32_t& shift) {
    if (line.partial != 0 || line.r < 1 || line.r > kMaxRadius16) return false;
    const uint64_t q = line.reciprocal << 8;
    const uint64_t bias = line.bias;
    const uint64_t top = 255u * static_cast<uint64_t>(2 * line.r - 1);
    auto f = [&](uint64_t x) { return (x * q + bias) >> 23; };
    if (q == 0 || f(0) != 0) return false;
    const uint64_t highest = f(top);
    for (int32_t s = 15; s >= 0; --s) {
        const uint64_t unit = uint64_t{1} << (16 + s);
        uint64_t lo = 1;
        uint64_t hi = ((highest + 1) * unit - 1) / top;  // nothing beyond f(top)
        if (hi > 65535) hi = 65535;
        for (uint64_t v = 1; v <= highest && lo <= hi; ++v) {
            // x_v, the first x with f(x) >= v, must be the first with x * m >= v * unit.
            const uint64_t at = (v << 23) - bias;  // f(0) = 0, so bias < v << 23
            const uint64_t x = (at + q - 1) / q;
            const uint64_t least = (v * unit + x - 1) / x;
            if (least > lo) lo = least;
            if (x > 1 && (v * unit - 1) / (x - 1) < hi) hi = (v * unit - 1) / (x - 1);
        }
        if (lo > hi) continue;
        for (uint64_t x = 0; x <= top; ++x) {
            if (((x * lo) >> (16 + s)) != f(x)) return false;
        }
        multiplier = static_cast<uint32_t>(lo);
        shift = s;
        return true;
    }
    return false;
}

Weights weightsOf(const BoxLine& line) {
    Weights w;
    const auto reciprocal = static_cast<int32_t>(line.reciprocal);
    w.reciprocal = _mm256_set1_epi32(reciprocal);
    w.reciprocal256 = _mm256_set1_epi32(reciprocal << 8);
    w.bias = _mm256_set1_epi32(static_cast<int32_t>(line.bias));
    w.fullPartial = _mm256_set1_epi32(static_cast<int32_t>(line.full | (line.partial << 16)));
    w.partial = _mm256_set1_epi32(static_cast<int32_t>(line.partial));
    w.divisor = _mm256_set1_pd(1.0);
    uint32_t multiplier = 0;
    int32_t shift = 0;
    if (line.partial != 0) {
        w.whole = Whole::kPartial;
    } else if (findMagic(line, multiplier, shift)) {
        w.whole = Whole::kMagic;
    } else if (line.r >= 2 && line.r <= kMaxRadius16) {
        w.whole = Whole::kSplit;
    } else {
        w.whole = Whole::kPlain;
    }
    w.magic = _mm256_set1_epi16(static_cast<int16_t>(multiplier));
    w.magicShift = _mm_cvtsi32_si128(shift);
    // (256 x R + bias) >> 23 = (x R + b) >> 15 with b = bias >> 8, as x R is whole. With
    // b = h * 2^15 + l that is h + (x * 2R >> 16) + 1 where (x * 2R mod 2^16) + 2l carries.
    const uint64_t b = line.bias >> 8;
    const uint64_t twiceLow = 2 * (b & 0x7FFF);
    w.twiceReciprocal = _mm256_set1_epi16(static_cast<int16_t>(2 * line.reciprocal));
    w.biasHigh = _mm256_set1_epi16(static_cast<int16_t>(b >> 15));
    // u + 2l carries exactly when u + (2l - 1) saturates; u is even, so 0 never does.
    w.biasCarry = _mm256_set1_epi16(static_cast<int16_t>(twiceLow == 0 ? 0 : twiceLow - 1));
    return w;
}

// Whole windows of 16-bit samples: S * reciprocal + bias, shifted right by 47, taken apart
// in DeepSums::wholeQuotient.
Weights weightsOf16(const BoxLine& line) {
    Weights w;
    w.reciprocal = _mm256_set1_epi64x(static_cast<int64_t>(line.reciprocal));
    w.twiceReciprocal = _mm256_set1_epi64x(static_cast<int64_t>(2 * line.reciprocal));
    w.bias = _mm256_set1_epi64x(static_cast<int64_t>(line.bias));
    w.biasHigh = _mm256_set1_epi64x(static_cast<int64_t>(line.bias >> 16));
    w.partial = _mm256_set1_epi64x(line.partial);
    const uint64_t scaledPartial = line.partial * line.reciprocal;
    w.partialHigh = _mm256_set1_epi64x(static_cast<int64_t>(scaledPartial >> 15));
    w.partialLow = _mm256_set1_epi64x(static_cast<int64_t>(scaledPartial & 0x7FFF));
    w.divisor = _mm256_set1_pd(1.0);
    w.whole = line.partial != 0 ? Whole::kPartial : Whole::kPlain;
    return w;
}

// Truncating S / W. Both are below 2^31, so the correctly rounded double quotient never
// reaches the next integer and truncates to the integer quotient.
inline __m256i divide(__m256i sum, __m256d weight) {
    const __m128i low =
        _mm256_cvttpd_epi32(_mm256_div_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(sum)), weight));
    const __m128i high = _mm256_cvttpd_epi32(
        _mm256_div_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(sum, 1)), weight));
    return _mm256_set_m128i(high, low);
}

inline __m256i wholeQuotient(__m256i product, const Weights& w) {
    return _mm256_srli_epi32(_mm256_add_epi32(product, w.bias), 23);
}

// A block of 32 samples is widened in unpack order: words lo = bytes 0-7 and 16-23, hi = bytes
// 8-15 and 24-31; dwords 0, 1 from lo and 2, 3 from hi. Packing with saturation in the same
// order restores the byte order, so no lane ever crosses.
inline __m256i wordsLow(__m256i v) {
    return _mm256_unpacklo_epi8(v, _mm256_setzero_si256());
}
inline __m256i wordsHigh(__m256i v) {
    return _mm256_unpackhi_epi8(v, _mm256_setzero_si256());
}
inline __m256i dwordsLow(__m256i words) {
    return _mm256_unpacklo_epi16(words, _mm256_setzero_si256());
}
inline __m256i dwordsHigh(__m256i words) {
    return _mm256_unpackhi_epi16(words, _mm256_setzero_si256());
}
inline __m256i packBlock(__m256i q0, __m256i q1, __m256i q2, __m256i q3) {
    return _mm256_packus_epi16(_mm256_packus_epi32(q0, q1), _mm256_packus_epi32(q2, q3));
}
inline __m256i loadBlock(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// Inner sums (the whole taps) of a block in 16-bit lanes: two vectors per block.
struct Sums16 {
    static constexpr int32_t kVectors = 2;

    static void add(__m256i* s, const uint8_t* row) {
        const __m256i v = loadBlock(row);
        s[0] = _mm256_add_epi16(s[0], wordsLow(v));
        s[1] = _mm256_add_epi16(s[1], wordsHigh(v));
    }

    // One output block; updates the sums for the next output.
    template <Whole kWhole, bool kEdge>
    static __m256i step(__m256i* s, const uint8_t* leaving, const uint8_t* lowered,
                        const uint8_t* entering, const Weights& w) {
        const __m256i in = loadBlock(entering);
        const __m256i inLo = wordsLow(in);
        const __m256i inHi = wordsHigh(in);
        const __m256i lo = s[0];
        const __m256i hi = s[1];
        __m256i result;
        if constexpr (kEdge) {
            // Sums may use all 16 bits here: widen first, then add the outer taps.
            const __m256i out = loadBlock(leaving);
            const __m256i outerLo = _mm256_add_epi16(wordsLow(out), inLo);
            const __m256i outerHi = _mm256_add_epi16(wordsHigh(out), inHi);
            auto quotient = [&](__m256i inner, __m256i outer) {
                return divide(_mm256_add_epi32(_mm256_slli_epi32(inner, 8),
                                               _mm256_madd_epi16(outer, w.partial)),
                              w.divisor);
            };
            result = packBlock(quotient(dwordsLow(lo), dwordsLow(outerLo)),
                               quotient(dwordsHigh(lo), dwordsHigh(outerLo)),
                               quotient(dwordsLow(hi), dwordsLow(outerHi)),
                               quotient(dwordsHigh(hi), dwordsHigh(outerHi)));
        } else if constexpr (kWhole == Whole::kPartial) {
            // S = 256 * inner + partial * outer from (inner, outer) pairs in one multiply-add.
            const __m256i out = loadBlock(leaving);
            const __m256i outerLo = _mm256_add_epi16(wordsLow(out), inLo);
            const __m256i outerHi = _mm256_add_epi16(wordsHigh(out), inHi);
            auto quotient = [&](__m256i pairs) {
                return wholeQuotient(
                    _mm256_mullo_epi32(_mm256_madd_epi16(pairs, w.fullPartial), w.reciprocal), w);
            };
            result = packBlock(quotient(_mm256_unpacklo_epi16(lo, outerLo)),
                               quotient(_mm256_unpackhi_epi16(lo, outerLo)),
                               quotient(_mm256_unpacklo_epi16(hi, outerHi)),
                               quotient(_mm256_unpackhi_epi16(hi, outerHi)));
        } else if constexpr (kWhole == Whole::kPlain) {
            auto quotient = [&](__m256i inner) {
                return wholeQuotient(_mm256_mullo_epi32(inner, w.reciprocal256), w);
            };
            result = packBlock(quotient(dwordsLow(lo)), quotient(dwordsHigh(lo)),
                               quotient(dwordsLow(hi)), quotient(dwordsHigh(hi)));
        } else if constexpr (kWhole == Whole::kMagic) {
            auto quotient = [&](__m256i inner) {
                return _mm256_srl_epi16(_mm256_mulhi_epu16(inner, w.magic), w.magicShift);
            };
            result = _mm256_packus_epi16(quotient(lo), quotient(hi));
        } else {
            auto quotient = [&](__m256i inner) {
                const __m256i carried = _mm256_cmpeq_epi16(
                    _mm256_adds_epu16(_mm256_mullo_epi16(inner, w.twiceReciprocal), w.biasCarry),
                    _mm256_set1_epi16(-1));
                return _mm256_sub_epi16(
                    _mm256_add_epi16(_mm256_mulhi_epu16(inner, w.twiceReciprocal), w.biasHigh),
                    carried);
            };
            result = _mm256_packus_epi16(quotient(lo), quotient(hi));
        }
        const __m256i low = loadBlock(lowered);
        s[0] = _mm256_sub_epi16(_mm256_add_epi16(lo, inLo), wordsLow(low));
        s[1] = _mm256_sub_epi16(_mm256_add_epi16(hi, inHi), wordsHigh(low));
        return result;
    }
};

// Inner sums in 32-bit lanes, for boxes too wide for 16 bits: four vectors per block.
struct Sums32 {
    static constexpr int32_t kVectors = 4;

    static void widen(const uint8_t* row, __m256i d[4]) {
        const __m256i v = loadBlock(row);
        const __m256i lo = wordsLow(v);
        const __m256i hi = wordsHigh(v);
        d[0] = dwordsLow(lo);
        d[1] = dwordsHigh(lo);
        d[2] = dwordsLow(hi);
        d[3] = dwordsHigh(hi);
    }

    static void add(__m256i* s, const uint8_t* row) {
        __m256i d[4];
        widen(row, d);
        for (int k = 0; k < 4; ++k) s[k] = _mm256_add_epi32(s[k], d[k]);
    }

    template <Whole kWhole, bool kEdge>
    static __m256i step(__m256i* s, const uint8_t* leaving, const uint8_t* lowered,
                        const uint8_t* entering, const Weights& w) {
        static_assert(kWhole == Whole::kPartial || kWhole == Whole::kPlain,
                      "32-bit sums take the reciprocal");
        __m256i in[4];
        widen(entering, in);
        __m256i q[4];
        if constexpr (kEdge || kWhole == Whole::kPartial) {
            __m256i out[4];
            widen(leaving, out);
            for (int k = 0; k < 4; ++k) {
                // Outer sums stay below 2^16, so the 16-bit multiply-add is the exact product.
                const __m256i sum =
                    _mm256_add_epi32(_mm256_slli_epi32(s[k], 8),
                                     _mm256_madd_epi16(_mm256_add_epi32(out[k], in[k]), w.partial));
                if constexpr (kEdge) {
                    q[k] = divide(sum, w.divisor);
                } else {
                    q[k] = wholeQuotient(_mm256_mullo_epi32(sum, w.reciprocal), w);
                }
            }
        } else {
            for (int k = 0; k < 4; ++k) {
                q[k] = wholeQuotient(_mm256_mullo_epi32(s[k], w.reciprocal256), w);
            }
        }
        __m256i low[4];
        widen(lowered, low);
        for (int k = 0; k < 4; ++k) s[k] = _mm256_sub_epi32(_mm256_add_epi32(s[k], in[k]), low[k]);
        return packBlock(q[0], q[1], q[2], q[3]);
    }
};

// Sums of 16-bit samples. A block's 16 samples are split into even and odd ones in 32-bit
// lanes, so the inner sums are two vectors. A window's output is formed in 64-bit lanes from
// the low halves of those (even and odd again), and lands in the high half. The multiplies
// read only low halves, so moving a high half down is a shuffle, which leaves the shift
// units to the arithmetic.
struct DeepSums {
    // The inner sums, then the split samples of the row that leaves the window next: the
    // row lowered now, so each row is split twice rather than three times.
    static constexpr int32_t kVectors = 4;

    static __m256i even(__m256i v) { return _mm256_and_si256(v, _mm256_set1_epi32(0xFFFF)); }
    static __m256i odd(__m256i v) {
        const __m256i highWords =
            _mm256_setr_epi8(2, 3, -1, -1, 6, 7, -1, -1, 10, 11, -1, -1, 14, 15, -1, -1,  //
                             2, 3, -1, -1, 6, 7, -1, -1, 10, 11, -1, -1, 14, 15, -1, -1);
        return _mm256_shuffle_epi8(v, highWords);
    }
    static __m256i highHalves(__m256i v) { return _mm256_shuffle_epi32(v, 0xF5); }

    static void add(__m256i* s, const uint8_t* row) {
        const __m256i v = loadBlock(row);
        s[0] = _mm256_add_epi32(s[0], even(v));
        s[1] = _mm256_add_epi32(s[1], odd(v));
    }

    // Truncating S / W for S = 65536 * inner + partial * outer < 2^52, which becomes a double
    // exactly through the bit pattern of 2^52. As S / W < 2^16 and W < 2^34, the rounded
    // quotient truncates like S / W.
    static __m256i divide(__m256i inner, __m256i outer, const Weights& w) {
        const __m256i lowHalves = _mm256_and_si256(inner, _mm256_set1_epi64x(0xFFFFFFFF));
        const __m256i sum =
            _mm256_add_epi64(_mm256_slli_epi64(lowHalves, 16), _mm256_mul_epu32(outer, w.partial));
        const __m256d twoTo52 = _mm256_set1_pd(4503599627370496.0);
        const __m256d s = _mm256_sub_pd(
            _mm256_castsi256_pd(_mm256_or_si256(sum, _mm256_castpd_si256(twoTo52))), twoTo52);
        const __m128i q = _mm256_cvttpd_epi32(_mm256_div_pd(s, w.divisor));
        return _mm256_slli_epi64(_mm256_cvtepu32_epi64(q), 32);
    }

    // (S * reciprocal + bias) >> 47 is the high half of T = (S * reciprocal + bias) >> 15.
    // With partial * reciprocal = 32768 * ph + pl that is
    //   T = inner * 2 reciprocal + outer * ph + ((outer * pl + bias) >> 15),
    // each product of factors below 2^32 (the reciprocal is below 2^31 when partial > 0).
    // Without partial taps, T's high half is that of (inner * reciprocal + (bias >> 16)) * 2.
    template <Whole kWhole>
    static __m256i wholeQuotient(__m256i inner, __m256i outer, const Weights& w) {
        if constexpr (kWhole == Whole::kPlain) {
            return _mm256_slli_epi64(
                _mm256_add_epi64(_mm256_mul_epu32(inner, w.reciprocal), w.biasHigh), 1);
        } else {
            const __m256i low = _mm256_srli_epi64(
                _mm256_add_epi64(_mm256_mul_epu32(outer, w.partialLow), w.bias), 15);
            return _mm256_add_epi64(_mm256_add_epi64(_mm256_mul_epu32(inner, w.twiceReciprocal),
                                                     _mm256_mul_epu32(outer, w.partialHigh)),
                                    low);
        }
    }

    template <Whole kWhole, bool kEdge>
    static __m256i step(__m256i* s, const uint8_t* /*leaving: cached*/, const uint8_t* lowered,
                        const uint8_t* entering, const Weights& w) {
        static_assert(kWhole == Whole::kPartial || kWhole == Whole::kPlain,
                      "16-bit samples take the reciprocal");
        constexpr bool kOuter = kEdge || kWhole == Whole::kPartial;
        const __m256i in = loadBlock(entering);
        const __m256i inner[2] = {s[0], s[1]};
        const __m256i entered[2] = {even(in), odd(in)};
        __m256i outer[2] = {};
        if constexpr (kOuter) {
            outer[0] = _mm256_add_epi32(entered[0], s[2]);
            outer[1] = _mm256_add_epi32(entered[1], s[3]);
        }
        auto quotient = [&](__m256i x, __m256i o) {
            if constexpr (kEdge) {
                return divide(x, o, w);
            } else {
                return wholeQuotient<kWhole>(x, o, w);
            }
        };
        // Quotients of the even and the odd samples, each in 32-bit lanes.
        __m256i q[2];
        for (int h = 0; h < 2; ++h) {
            const __m256i low = quotient(inner[h], outer[h]);
            const __m256i high = quotient(highHalves(inner[h]), highHalves(outer[h]));
            q[h] = _mm256_blend_epi32(highHalves(low), high, 0xAA);
        }
        const __m256i low = loadBlock(lowered);
        s[2] = even(low);
        s[3] = odd(low);
        s[0] = _mm256_sub_epi32(_mm256_add_epi32(inner[0], entered[0]), s[2]);
        s[1] = _mm256_sub_epi32(_mm256_add_epi32(inner[1], entered[1]), s[3]);
        return _mm256_or_si256(q[0], _mm256_slli_epi32(q[1], 16));
    }
};

// The rows one output row of one pass reads and writes.
struct StepRows {
    const uint8_t* leaving;   // offset -r
    const uint8_t* lowered;   // offset -(r - 1): leaves the whole taps after this output
    const uint8_t* entering;  // offset +r
    uint8_t* out;
    int32_t outBytes;  // bytes of out to write; the rest of the last block is dropped
};

template <class Sums, Whole kWhole, bool kEdge>
void stepRow(__m256i* sums, const StepRows& rows, int32_t blocks, const Weights& w) {
    // Locals, so stores through out are not taken to change the pointers.
    const uint8_t* const leaving = rows.leaving;
    const uint8_t* const lowered = rows.lowered;
    const uint8_t* const entering = rows.entering;
    uint8_t* const out = rows.out;
    const int32_t whole = rows.outBytes / kBlock < blocks ? rows.outBytes / kBlock : blocks;
    for (int32_t b = 0; b < whole; ++b) {
        const int32_t x = b * kBlock;
        const __m256i v = Sums::template step<kWhole, kEdge>(sums + b * Sums::kVectors, leaving + x,
                                                             lowered + x, entering + x, w);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), v);
    }
    for (int32_t b = whole; b < blocks; ++b) {
        const int32_t x = b * kBlock;
        alignas(32) uint8_t last[kBlock];
        _mm256_store_si256(
            reinterpret_cast<__m256i*>(last),
            Sums::template step<kWhole, kEdge>(sums + b * Sums::kVectors, leaving + x, lowered + x,
                                               entering + x, w));
        if (rows.outBytes > x) std::memcpy(out + x, last, static_cast<size_t>(rows.outBytes - x));
    }
}

// Scratch for one group of passes. A row of zeros stands in for taps outside the line. Pass
// s > 0 reads the rows of pass s - 1 from rings[s] (2r + 1 rows); the first pass reads its
// input from the caller's ends, which may keep it in `first`; `out` holds output rows for
// ends that collect them.
struct Workspace {
    const uint8_t* zero = nullptr;
    uint8_t* rings[kMaxStages] = {};
    __m256i* sums[kMaxStages] = {};
    uint8_t* first = nullptr;
    uint8_t* out = nullptr;
    int32_t width = 0;  // bytes of one ring row, a multiple of kBlock
    int32_t stages = 0;
};

inline uint8_t* alignUp(uint8_t* p) {
    const auto address = reinterpret_cast<uintptr_t>(p);
    return p + ((kAlign - address % kAlign) % kAlign);
}

inline size_t rowsBytes(int32_t rows, int32_t width) {
    return static_cast<size_t>(rows) * static_cast<size_t>(width) + kAlign;
}

// Lays out a workspace for `stages` passes in [scratch, scratch + bytes): false when it does
// not fit.
bool carve(uint8_t* scratch, size_t bytes, int32_t r, int32_t width, int32_t sumVectors,
           int32_t stages, int32_t firstRows, int32_t outRows, Workspace& ws) {
    const int32_t sumRows = width / kBlock * sumVectors;  // 32-byte vectors
    const size_t need = kAlign + rowsBytes(1, width) + rowsBytes(firstRows, width) +
                        rowsBytes(outRows, width) +
                        static_cast<size_t>(stages) * rowsBytes(sumRows, kBlock) +
                        static_cast<size_t>(stages - 1) * rowsBytes(2 * r + 1, width);
    if (width < kBlock || need > bytes) return false;
    uint8_t* p = alignUp(scratch);
    std::memset(p, 0, static_cast<size_t>(width));
    ws.zero = p;
    p = alignUp(p + width);
    ws.first = p;
    p = alignUp(p + static_cast<size_t>(firstRows) * static_cast<size_t>(width));
    ws.out = p;
    p = alignUp(p + static_cast<size_t>(outRows) * static_cast<size_t>(width));
    for (int32_t s = 0; s < stages; ++s) {
        ws.sums[s] = reinterpret_cast<__m256i*>(p);
        p = alignUp(p + static_cast<size_t>(sumRows) * kBlock);
        if (s > 0) {
            ws.rings[s] = p;
            p = alignUp(p + static_cast<size_t>(2 * r + 1) * static_cast<size_t>(width));
        }
    }
    ws.width = width;
    ws.stages = stages;
    return true;
}

// Runs `passes` passes (at most kMaxStages) over n rows of `blocks` vector blocks. Walking
// t along the line, pass s emits its row t - s * r, the first one whose window pass s - 1 has
// completed, into the ring of pass s + 1, which is large enough that no row still to be read
// is overwritten. The ends give the first pass its input rows and take the last pass's
// output rows:
//   need(j)      makes input rows up to j readable;
//   row(j, slot) input row j, which an own ring of ringRows() rows keeps at `slot`;
//   out(i)       where output row i goes, outBytes() bytes of it; done(i) once it is there.
template <class Sums, Whole kWhole, class Ends>
void runPasses(Ends& ends, const BoxLine& line, Weights& w, const Workspace& ws, int32_t passes,
               int32_t n, int32_t blocks) {
    if (passes > kMaxStages) passes = kMaxStages;
    const int32_t r = line.r;
    const int32_t ringRows = 2 * r + 1;
    const ptrdiff_t width = ws.width;
    struct Slots {
        int32_t rows;   // rows of the ring the pass reads
        int32_t enter;  // ring slots of the rows at offsets +r, -r and -(r - 1)
        int32_t leave;
        int32_t lower;
        int32_t written;  // slot of the next output row in the next pass's ring
    };
    Slots slots[kMaxStages];
    auto advance = [](int32_t& slot, int32_t rows) {
        if (++slot == rows) slot = 0;
    };

    auto emit = [&](int32_t s, int32_t i) {
        Slots& slot = slots[s];
        __m256i* sums = ws.sums[s];
        auto input = [&](int32_t j, int32_t at) -> const uint8_t* {
            return s == 0 ? ends.row(j, at) : ws.rings[s] + at * width;
        };
        if (i == 0) {
            slot.rows = s == 0 ? ends.ringRows() : ringRows;
            for (int32_t v = 0; v < blocks * Sums::kVectors; ++v) sums[v] = _mm256_setzero_si256();
            for (int32_t j = 0; j < r; ++j) {
                const uint8_t* row = input(j, j);
                for (int32_t b = 0; b < blocks; ++b) {
                    Sums::add(sums + b * Sums::kVectors, row + b * kBlock);
                }
            }
            slot.enter = r;
            slot.leave = slot.rows - r;
            slot.lower = slot.rows - r + 1 == slot.rows ? 0 : slot.rows - r + 1;
            slot.written = 0;
        }
        StepRows rows;
        rows.entering = i + r < n ? input(i + r, slot.enter) : ws.zero;
        rows.leaving = i - r >= 0 ? input(i - r, slot.leave) : ws.zero;
        rows.lowered = i - r + 1 >= 0 ? input(i - r + 1, slot.lower) : ws.zero;
        const bool last = s + 1 == passes;
        if (last) {
            rows.out = ends.out(i);
            rows.outBytes = ends.outBytes();
        } else {
            rows.out = ws.rings[s + 1] + slot.written * width;
            rows.outBytes = blocks * kBlock;
        }
        if (i <= r || i >= n - r) {
            // A window cut by an end of the line (or the first whole one): exact division.
            const int32_t firstInner = i - r + 1 > 0 ? i - r + 1 : 0;
            const int32_t lastInner = i + r - 1 < n - 1 ? i + r - 1 : n - 1;
            const uint64_t weight =
                uint64_t{line.full} * static_cast<uint64_t>(lastInner - firstInner + 1) +
                uint64_t{line.partial} * static_cast<uint64_t>((i - r >= 0) + (i + r < n));
            w.divisor = _mm256_set1_pd(static_cast<double>(weight));
            stepRow<Sums, Whole::kPartial, true>(sums, rows, blocks, w);
        } else {
            stepRow<Sums, kWhole, false>(sums, rows, blocks, w);
        }
        advance(slot.enter, slot.rows);
        advance(slot.leave, slot.rows);
        advance(slot.lower, slot.rows);
        advance(slot.written, ringRows);
        if (last) ends.done(i);
    };

    for (int32_t t = 0; t < n + (passes - 1) * r; ++t) {
        if (t < n) ends.need(t + r < n ? t + r : n - 1);
        for (int32_t s = 0; s < passes; ++s) {
            const int32_t i = t - s * r;
            if (i < 0) break;
            if (i < n) emit(s, i);
        }
    }
}

bool fitsSums16(const BoxLine& line) {
    return line.r <= (line.partial != 0 ? kMaxRadius16Signed : kMaxRadius16);
}

template <int32_t kSampleBytes>
int32_t sumVectorsOf(const BoxLine& line) {
    if constexpr (kSampleBytes == 2) return DeepSums::kVectors;
    return fitsSums16(line) ? Sums16::kVectors : Sums32::kVectors;
}

template <int32_t kSampleBytes>
Weights weightsFor(const BoxLine& line) {
    if constexpr (kSampleBytes == 2) return weightsOf16(line);
    return weightsOf(line);
}

// The vector passes take every 8-bit line, and 16-bit lines whose inner sums fit 32 bits.
template <int32_t kSampleBytes>
bool vectorFits(const BoxLine& line) {
    return kSampleBytes == 1 || line.r <= kMaxRadiusDeep;
}

// All passes, in groups of at most ws.stages, each group through runPasses with fresh ends.
template <int32_t kSampleBytes, class MakeEnds>
void runAllPasses(const BoxLine& line, Weights& w, int64_t passes, const Workspace& ws, int32_t n,
                  int32_t blocks, MakeEnds makeEnds) {
    for (int64_t done = 0; done < passes;) {
        const int32_t group =
            passes - done < ws.stages ? static_cast<int32_t>(passes - done) : ws.stages;
        auto ends = makeEnds(group);
        if constexpr (kSampleBytes == 2) {
            if (w.whole == Whole::kPartial) {
                runPasses<DeepSums, Whole::kPartial>(ends, line, w, ws, group, n, blocks);
            } else {
                runPasses<DeepSums, Whole::kPlain>(ends, line, w, ws, group, n, blocks);
            }
        } else if (!fitsSums16(line)) {
            if (w.whole == Whole::kPartial) {
                runPasses<Sums32, Whole::kPartial>(ends, line, w, ws, group, n, blocks);
            } else {
                runPasses<Sums32, Whole::kPlain>(ends, line, w, ws, group, n, blocks);
            }
        } else if (w.whole == Whole::kPartial) {
            runPasses<Sums16, Whole::kPartial>(ends, line, w, ws, group, n, blocks);
        } else if (w.whole == Whole::kPlain) {
            runPasses<Sums16, Whole::kPlain>(ends, line, w, ws, group, n, blocks);
        } else if (w.whole == Whole::kSplit) {
            runPasses<Sums16, Whole::kSplit>(ends, line, w, ws, group, n, blocks);
        } else {
            runPasses<Sums16, Whole::kMagic>(ends, line, w, ws, group, n, blocks);
        }
        done += group;
    }
}

size_t scratchOf(const BoxPass& pass) {
    const size_t least = kScratchPerLinePixel * static_cast<size_t>(pass.n);
    return pass.scratchBytes > least ? pass.scratchBytes : least;
}

int32_t firstStages(const BoxPass& pass) {
    return pass.passes < kMaxStages ? static_cast<int32_t>(pass.passes) : kMaxStages;
}

// --- Columns: whole rows of byte columns, read and written in place. ---

// A chunk of `bytes` byte columns, rows `stride` apart. The first pass reads the chunk itself
// (`direct`: whole blocks only, and a later pass to write it), or copies of its rows.
struct ColumnEnds {
    uint8_t* first;
    ptrdiff_t stride;
    int32_t bytes;
    int32_t n;
    bool direct;
    uint8_t* ring;
    ptrdiff_t width;
    int32_t rows;
    int32_t have = 0;  // input rows made readable
    int32_t slot = 0;  // ring slot of row `have`

    int32_t ringRows() const { return rows; }
    void need(int32_t j) {
        for (; have <= j; ++have) {
            if (direct) {
                // The hardware prefetcher falls behind on rows this far apart.
                const int32_t rowsAhead =
                    kPrefetchColumnBytes / bytes > 2 ? kPrefetchColumnBytes / bytes : 2;
                if (have + rowsAhead < n) {
                    const uint8_t* ahead = first + (have + rowsAhead) * stride;
                    for (int32_t x = 0; x < bytes; x += 64) {
                        _mm_prefetch(reinterpret_cast<const char*>(ahead + x), _MM_HINT_T0);
                    }
                }
            } else {
                std::memcpy(ring + slot * width, first + have * stride, static_cast<size_t>(bytes));
                if (++slot == rows) slot = 0;
            }
        }
    }
    const uint8_t* row(int32_t j, int32_t at) const {
        return direct ? first + j * stride : ring + at * width;
    }
    uint8_t* out(int32_t i) const { return first + i * stride; }
    int32_t outBytes() const { return bytes; }
    void done(int32_t) {}
};

// Filters byte columns [x, x + bytes) in chunks as wide as the scratch and the cache allow.
template <int32_t kSampleBytes>
void filterColumns(const BoxPass& pass, int32_t x, int32_t bytes, bool wholeBlocks) {
    const int32_t r = pass.line.r;
    const int32_t vectors = sumVectorsOf<kSampleBytes>(pass.line);
    const size_t scratchBytes = scratchOf(pass);
    Workspace ws;
    bool carved = false;
    for (int32_t stages = firstStages(pass); stages >= 1 && !carved; --stages) {
        // A group of one pass reads copies, and so does a chunk of partial blocks.
        const bool copies = !wholeBlocks || stages == 1 || pass.passes % stages == 1;
        int32_t width = (bytes + kBlock - 1) / kBlock * kBlock;
        const size_t rings = static_cast<size_t>(stages - (copies ? 0 : 1)) * (2 * r + 1);
        if (rings * static_cast<size_t>(width) > kWholeRowRingBytes) {
            const auto fit = static_cast<int32_t>(kChunkRingBytes / rings) / kBlock * kBlock;
            const int32_t chunk = fit > kLeastChunk ? fit : kLeastChunk;
            if (width > chunk) width = chunk;
        }
        while (width >= kBlock && !carved) {
            carved = carve(pass.scratch, scratchBytes, r, width, vectors, stages,
                           copies ? 2 * r + 1 : 0, 0, ws);
            width = width / 2 / kBlock * kBlock;
        }
    }
    if (!carved) {
        // Not reached with the promised scratch, in which one pass over a block always fits.
        constexpr auto filterLine = kSampleBytes == 1 ? filterLine8 : filterLine16;
        for (int64_t p = 0; p < pass.passes; ++p) {
            for (int32_t k = x; k < x + bytes; k += kSampleBytes) {
                filterLine(pass.origin + k, pass.n, pass.pixelStep, 1, pass.line, pass.scratch);
            }
        }
        return;
    }
    Weights w = weightsFor<kSampleBytes>(pass.line);
    for (int32_t at = x; at < x + bytes; at += ws.width) {
        const int32_t chunk = x + bytes - at < ws.width ? x + bytes - at : ws.width;
        const int32_t blocks = (chunk + kBlock - 1) / kBlock;
        runAllPasses<kSampleBytes>(pass.line, w, pass.passes, ws, pass.n, blocks,
                                   [&](int32_t group) {
                                       return ColumnEnds{pass.origin + at,
                                                         pass.pixelStep,
                                                         chunk,
                                                         pass.n,
                                                         group >= 2 && chunk % kBlock == 0,
                                                         ws.first,
                                                         ws.width,
                                                         2 * r + 1};
                                   });
    }
}

// Columns of pixels packed side by side; others go to the scalar pass.
template <int32_t kSampleBytes>
void columnPass(const BoxPass& pass, BoxBlurKernels::Pass scalar) {
    if (pass.line.r < 1) return;
    if (pass.lineStep != pass.lanes * kSampleBytes || !vectorFits<kSampleBytes>(pass.line)) {
        scalar(pass);
        return;
    }
    // Whole blocks are read in place; the last few byte columns go through copies.
    const int32_t bytes = pass.lines * pass.lanes * kSampleBytes;
    const int32_t whole = bytes / kBlock * kBlock;
    if (whole > 0) filterColumns<kSampleBytes>(pass, 0, whole, true);
    if (bytes > whole) filterColumns<kSampleBytes>(pass, whole, bytes - whole, false);
}

void columns8(const BoxPass& pass) {
    columnPass<1>(pass, scalarBoxBlurKernels().columns8);
}

void columns16(const BoxPass& pass) {
    columnPass<2>(pass, scalarBoxBlurKernels().columns16);
}

// --- Rows: a band of rows, transposed a group of pixels at a time. ---

// The 8-bit sample tiles stay out of line: inlined into the loops over tiles they spill
// registers. The smaller 16-bit sample tiles below inline without spilling.
[[gnu::noinline]] void transposeDwords8x8(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst,
                                          ptrdiff_t dstStride) {
    __m256i in[8];
    for (int k = 0; k < 8; ++k) {
        in[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + k * srcStride));
    }
    __m256i t[8];
    for (int k = 0; k < 8; k += 2) {
        t[k] = _mm256_unpacklo_epi32(in[k], in[k + 1]);
        t[k + 1] = _mm256_unpackhi_epi32(in[k], in[k + 1]);
    }
    __m256i u[8];
    for (int k = 0; k < 8; k += 4) {
        u[k] = _mm256_unpacklo_epi64(t[k], t[k + 2]);
        u[k + 1] = _mm256_unpackhi_epi64(t[k], t[k + 2]);
        u[k + 2] = _mm256_unpacklo_epi64(t[k + 1], t[k + 3]);
        u[k + 3] = _mm256_unpackhi_epi64(t[k + 1], t[k + 3]);
    }
    for (int c = 0; c < 4; ++c) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + c * dstStride),
                            _mm256_permute2x128_si256(u[c], u[c + 4], 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + (c + 4) * dstStride),
                            _mm256_permute2x128_si256(u[c], u[c + 4], 0x31));
    }
}

[[gnu::noinline]] void transposeBytes16x16(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst,
                                           ptrdiff_t dstStride) {
    // v[k]: row k in the low half, row k + 8 in the high half; each half is then an 8 x 16
    // transpose of its own.
    __m256i v[8];
    for (int k = 0; k < 8; ++k) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k * srcStride));
        const __m128i high =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + (k + 8) * srcStride));
        v[k] = _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
    }
    // a[m], a[m + 4]: rows 2m, 2m + 1 as byte pairs, columns 0-7 and 8-15.
    __m256i a[8];
    for (int m = 0; m < 4; ++m) {
        a[m] = _mm256_unpacklo_epi8(v[2 * m], v[2 * m + 1]);
        a[m + 4] = _mm256_unpackhi_epi8(v[2 * m], v[2 * m + 1]);
    }
    // b[2q + j]: rows 4j .. 4j + 3 as 32-bit units, columns 4q .. 4q + 3.
    __m256i b[8];
    for (int h = 0; h < 2; ++h) {
        for (int j = 0; j < 2; ++j) {
            b[4 * h + j] = _mm256_unpacklo_epi16(a[4 * h + 2 * j], a[4 * h + 2 * j + 1]);
            b[4 * h + 2 + j] = _mm256_unpackhi_epi16(a[4 * h + 2 * j], a[4 * h + 2 * j + 1]);
        }
    }
    // c[p]: columns 2p and 2p + 1, rows 0-7 (low half) and 8-15 (high half) as 64-bit units;
    // reordered, the low half is column 2p and the high half column 2p + 1.
    for (int q = 0; q < 4; ++q) {
        const __m256i pair[2] = {_mm256_unpacklo_epi32(b[2 * q], b[2 * q + 1]),
                                 _mm256_unpackhi_epi32(b[2 * q], b[2 * q + 1])};
        for (int h = 0; h < 2; ++h) {
            const int column = 4 * q + 2 * h;
            const __m256i columns = _mm256_permute4x64_epi64(pair[h], 0xD8);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + column * dstStride),
                             _mm256_castsi256_si128(columns));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + (column + 1) * dstStride),
                             _mm256_extracti128_si256(columns, 1));
        }
    }
}

inline void transposeWords8x8(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst,
                              ptrdiff_t dstStride) {
    __m128i in[8];
    for (int k = 0; k < 8; ++k) {
        in[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k * srcStride));
    }
    // a[k], a[k + 1] (k even): rows k and k + 1 as 32-bit pairs, columns 0-3 and 4-7.
    __m128i a[8];
    for (int k = 0; k < 8; k += 2) {
        a[k] = _mm_unpacklo_epi16(in[k], in[k + 1]);
        a[k + 1] = _mm_unpackhi_epi16(in[k], in[k + 1]);
    }
    // b[4h + m]: rows 4h .. 4h + 3 as 64-bit units, columns 2m and 2m + 1.
    __m128i b[8];
    for (int h = 0; h < 2; ++h) {
        for (int j = 0; j < 2; ++j) {
            b[4 * h + 2 * j] = _mm_unpacklo_epi32(a[4 * h + j], a[4 * h + 2 + j]);
            b[4 * h + 2 * j + 1] = _mm_unpackhi_epi32(a[4 * h + j], a[4 * h + 2 + j]);
        }
    }
    for (int m = 0; m < 4; ++m) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * m * dstStride),
                         _mm_unpacklo_epi64(b[m], b[m + 4]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + (2 * m + 1) * dstStride),
                         _mm_unpackhi_epi64(b[m], b[m + 4]));
    }
}

inline void transposeQwords4x4(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst,
                               ptrdiff_t dstStride) {
    __m256i in[4];
    for (int k = 0; k < 4; ++k) {
        in[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + k * srcStride));
    }
    // t[2j + h]: rows 2j and 2j + 1, columns h and h + 2.
    __m256i t[4];
    for (int j = 0; j < 2; ++j) {
        t[2 * j] = _mm256_unpacklo_epi64(in[2 * j], in[2 * j + 1]);
        t[2 * j + 1] = _mm256_unpackhi_epi64(in[2 * j], in[2 * j + 1]);
    }
    for (int h = 0; h < 2; ++h) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + h * dstStride),
                            _mm256_permute2x128_si256(t[h], t[h + 2], 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + (h + 2) * dstStride),
                            _mm256_permute2x128_si256(t[h], t[h + 2], 0x31));
    }
}

// Rows and columns of the square tile transposed at once for elements of kElement bytes.
template <int32_t kElement>
constexpr int32_t kTileOf = kElement == 1   ? 16
                            : kElement == 8 ? 4
                                            : 8;

// dst element (c, k) = src element (k, c) for a rows x cols matrix of kElement-byte elements,
// in tiles of kTile x kTile; a tile cut by the matrix's edge goes through a padded copy.
template <int32_t kElement>
void transpose(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride,
               int32_t rows, int32_t cols) {
    constexpr int32_t kTile = kTileOf<kElement>;
    constexpr int32_t kTileBytes = kTile * kElement;
    auto tile = [](const uint8_t* from, ptrdiff_t fromStride, uint8_t* to, ptrdiff_t toStride) {
        if constexpr (kElement == 1) {
            transposeBytes16x16(from, fromStride, to, toStride);
        } else if constexpr (kElement == 2) {
            transposeWords8x8(from, fromStride, to, toStride);
        } else if constexpr (kElement == 4) {
            transposeDwords8x8(from, fromStride, to, toStride);
        } else {
            transposeQwords4x4(from, fromStride, to, toStride);
        }
    };
    alignas(32) uint8_t in[kTile * kTileBytes];
    alignas(32) uint8_t out[kTile * kTileBytes];
    for (int32_t k = 0; k < rows; k += kTile) {
        const int32_t tileRows = rows - k < kTile ? rows - k : kTile;
        for (int32_t c = 0; c < cols; c += kTile) {
            const int32_t tileCols = cols - c < kTile ? cols - c : kTile;
            const uint8_t* from = src + k * srcStride + c * kElement;
            uint8_t* to = dst + c * dstStride + k * kElement;
            const bool cut = tileRows < kTile || tileCols < kTile;
            if (cut) {
                std::memset(in, 0, sizeof(in));
                for (int32_t m = 0; m < tileRows; ++m) {
                    std::memcpy(in + m * kTileBytes, from + m * srcStride,
                                static_cast<size_t>(tileCols * kElement));
                }
            }
            tile(cut ? in : from, cut ? kTileBytes : srcStride, cut ? out : to,
                 cut ? kTileBytes : dstStride);
            if (cut) {
                for (int32_t m = 0; m < tileCols; ++m) {
                    std::memcpy(to + m * dstStride, out + m * kTileBytes,
                                static_cast<size_t>(tileRows * kElement));
                }
            }
        }
    }
}

// A band of `rows` image rows, n pixels of kElement bytes each. Pixels are transposed in
// groups of kGroup into the first pass's ring, one band-wide row per pixel, and the last
// pass's rows are collected kGroup at a time and transposed back.
template <int32_t kElement>
struct RowEnds {
    static constexpr int32_t kGroup = kTileOf<kElement>;
    uint8_t* first;
    ptrdiff_t lineStep;
    int32_t rows;
    int32_t n;
    uint8_t* ring;
    int32_t ringRowCount;  // a multiple of kGroup, so a group never wraps
    uint8_t* outRows;      // kGroup rows
    ptrdiff_t width;
    int32_t blocks;  // vector blocks the band's rows fill
    int32_t have = 0;

    int32_t ringRows() const { return ringRowCount; }
    void need(int32_t j) {
        for (; have <= j; have += kGroup) {
            const int32_t count = n - have < kGroup ? n - have : kGroup;
            // Many rows read side by side are too many streams for the hardware prefetcher.
            const int32_t at = have * kElement;
            if (at % 64 == 0 && at + kPrefetchBytes < n * kElement) {
                for (int32_t k = 0; k < rows; ++k) {
                    _mm_prefetch(
                        reinterpret_cast<const char*>(first + k * lineStep + at + kPrefetchBytes),
                        _MM_HINT_T0);
                }
            }
            transpose<kElement>(first + have * kElement, lineStep,
                                ring + (have % ringRowCount) * width, width, rows, count);
        }
    }
    const uint8_t* row(int32_t, int32_t at) const { return ring + at * width; }
    uint8_t* out(int32_t i) const { return outRows + (i % kGroup) * width; }
    int32_t outBytes() const { return blocks * kBlock; }
    void done(int32_t i) {
        if (i % kGroup == kGroup - 1 || i == n - 1) {
            const int32_t start = i - i % kGroup;
            transpose<kElement>(outRows, width, first + start * kElement, lineStep, i - start + 1,
                                rows);
        }
    }
};

// Rows of the ring the first pass reads: its window of 2r + 1 rows and the rest of the group
// that brought the newest of them, rounded up to whole groups so that no group wraps.
int32_t bandRingRows(int32_t r, int32_t group) {
    const int32_t least = 2 * r + group;
    return (least + group - 1) / group * group;
}

template <int32_t kSampleBytes, int32_t kElement>
bool filterRows(const BoxPass& pass) {
    constexpr int32_t kGroup = RowEnds<kElement>::kGroup;
    const int32_t r = pass.line.r;
    const int32_t firstRows = bandRingRows(r, kGroup);
    Workspace ws;
    bool carved = false;
    // The widest band, and as many passes together, as the scratch allows.
    for (int32_t width = kBandBytes; width >= kBlock && !carved; width /= 2) {
        for (int32_t stages = firstStages(pass); stages >= 1 && !carved; --stages) {
            carved = carve(pass.scratch, scratchOf(pass), r, width,
                           sumVectorsOf<kSampleBytes>(pass.line), stages, firstRows, kGroup, ws);
        }
    }
    if (!carved) return false;
    Weights w = weightsFor<kSampleBytes>(pass.line);
    const int32_t bandRows = ws.width / kElement;
    for (int32_t y = 0; y < pass.lines; y += bandRows) {
        const int32_t rows = pass.lines - y < bandRows ? pass.lines - y : bandRows;
        // A short band takes only the blocks its rows fill; lanes of missing rows in the last
        // block are filtered as zeros and never written back.
        const int32_t blocks = (rows * kElement + kBlock - 1) / kBlock;
        if (rows < bandRows) {
            std::memset(ws.first, 0, static_cast<size_t>(firstRows) * ws.width);
        }
        runAllPasses<kSampleBytes>(pass.line, w, pass.passes, ws, pass.n, blocks, [&](int32_t) {
            return RowEnds<kElement>{pass.origin + y * pass.lineStep,
                                     pass.lineStep,
                                     rows,
                                     pass.n,
                                     ws.first,
                                     firstRows,
                                     ws.out,
                                     ws.width,
                                     blocks};
        });
    }
    return true;
}

// Rows of one or four samples to a pixel, pixels packed side by side; others go to the
// scalar pass.
template <int32_t kSampleBytes>
void rowPass(const BoxPass& pass, BoxBlurKernels::Pass scalar) {
    if (pass.line.r < 1) return;
    bool done = false;
    if (pass.pixelStep == pass.lanes * kSampleBytes && vectorFits<kSampleBytes>(pass.line)) {
        if (pass.lanes == 1) done = filterRows<kSampleBytes, kSampleBytes>(pass);
        if (pass.lanes == 4) done = filterRows<kSampleBytes, 4 * kSampleBytes>(pass);
    }
    if (!done) scalar(pass);
}

void rows8(const BoxPass& pass) {
    rowPass<1>(pass, scalarBoxBlurKernels().rows8);
}

void rows16(const BoxPass& pass) {
    rowPass<2>(pass, scalarBoxBlurKernels().rows16);
}

}  // namespace

const BoxBlurKernels& avx2BoxBlurKernels() {
    static const BoxBlurKernels kernels{rows8, columns8, rows16, columns16, kScratchPerLinePixel};
    return kernels;
}

}  // namespace brivo
