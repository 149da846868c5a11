#include "imageops/scaler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imageops/resample_filters.h"

#if defined(__SSE2__)
#include <immintrin.h>
#define PIX_SCALER_SSE2 1
#endif

namespace pix {

namespace {

int32_t saturate32(int64_t v) { return int32_t(std::clamp<int64_t>(v, -INT32_MAX, INT32_MAX)); }

// One output byte from a channel sum and its list's weight sum: the quotient
// truncated toward zero and clamped; with a weight sum of 0 the sum read as
// unsigned and shifted right by 8 (a negative sum ends as 255).
inline uint8_t divideClamp(int32_t sum, int32_t weightSum) {
    const int64_t q = weightSum != 0 ? int64_t(sum) / weightSum : int64_t(uint32_t(sum) >> 8);
    return uint8_t(std::clamp<int64_t>(q, 0, 255));
}

// Fast exact division: for a divisor 0 < d <= 8192, trunc((n + 0.5) * (1/d))
// in floats equals the truncated quotient n / d wherever it lies in 0..255:
// (n + 0.5) / d stays at least 0.5/d >= 2^-14 away from every integer, and
// the two float roundings move a value below 256 by at most 2^-15. Sums that
// give quotients outside 0..255 clamp to 0 or 255 either way (their sign and
// size survive the float conversion).
inline bool fastDivisor(int32_t d) { return d > 0 && d <= 8192; }

// A plane of pixels as the passes read it: `channels` bytes per pixel, or
// one bit per pixel (a set bit reads 255).
struct PlaneView {
    const uint8_t* data;
    size_t stride;
    int32_t width, height;
    int channels;  // 1 or 3
    bool bits;
};

#if PIX_SCALER_SSE2
inline __m128i dot(const int16_t* a, const int16_t* w, int32_t taps) {
    __m128i acc = _mm_setzero_si128();
    for (int32_t t = 0; t < taps; t += 8)
        acc = _mm_add_epi32(acc, _mm_madd_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + t)),
                                                _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + t))));
    return acc;
}

// [sum(a), sum(b), sum(c), sum(d)]
inline __m128i hsum4(__m128i a, __m128i b, __m128i c, __m128i d) {
    const __m128i ab = _mm_add_epi32(_mm_unpacklo_epi32(a, b), _mm_unpackhi_epi32(a, b));
    const __m128i cd = _mm_add_epi32(_mm_unpacklo_epi32(c, d), _mm_unpackhi_epi32(c, d));
    return _mm_add_epi32(_mm_unpacklo_epi64(ab, cd), _mm_unpackhi_epi64(ab, cd));
}

// Quotients clamped to 0..255 for divisors accepted by fastDivisor, given
// as their float reciprocals.
inline __m128i divClamp(__m128i sums, __m128 reciprocal) {
    __m128 q = _mm_mul_ps(_mm_add_ps(_mm_cvtepi32_ps(sums), _mm_set1_ps(0.5f)), reciprocal);
    q = _mm_min_ps(_mm_max_ps(q, _mm_setzero_ps()), _mm_set1_ps(255.0f));
    return _mm_cvttps_epi32(q);
}
#endif

#if PIX_SCALER_SSE2 && defined(__GNUC__)
#define PIX_SCALER_SSSE3 1
// pshufb masks that pick channel c of pixels 8h..8h+7 of a 48-byte block of
// 16 BGR pixels out of its 16-byte part j, as 16-bit lanes (0x80: zero).
struct SpreadMasks {
    alignas(16) int8_t m[3][2][2][16];  // [channel][half][part h or h+1]
};
constexpr SpreadMasks makeSpreadMasks() {
    SpreadMasks s{};
    for (int c = 0; c < 3; ++c)
        for (int h = 0; h < 2; ++h)
            for (int k = 0; k < 2; ++k)
                for (int lane = 0; lane < 8; ++lane) {
                    const int byte = 3 * (8 * h + lane) + c, part = h + k;
                    const bool here = byte >= 16 * part && byte < 16 * part + 16;
                    s.m[c][h][k][2 * lane] = here ? int8_t(byte - 16 * part) : int8_t(-128);
                    s.m[c][h][k][2 * lane + 1] = int8_t(-128);
                }
    return s;
}
constexpr SpreadMasks kSpreadMasks = makeSpreadMasks();

__attribute__((target("ssse3"))) int32_t spreadBgrSsse3(const uint8_t* px, int32_t count, int16_t* b, int16_t* g,
                                                         int16_t* r) {
    int16_t* planes[3] = {b, g, r};
    int32_t x = 0;
    for (; x + 16 <= count; x += 16, px += 48) {
        const __m128i part[3] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(px)),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + 16)),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + 32))};
        for (int c = 0; c < 3; ++c)
            for (int h = 0; h < 2; ++h) {
                const __m128i* m = reinterpret_cast<const __m128i*>(kSpreadMasks.m[c][h]);
                const __m128i v = _mm_or_si128(_mm_shuffle_epi8(part[h], _mm_load_si128(m)),
                                               _mm_shuffle_epi8(part[h + 1], _mm_load_si128(m + 1)));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(planes[c] + x + 8 * h), v);
            }
    }
    return x;
}

bool haveSsse3() {
    static const bool yes = __builtin_cpu_supports("ssse3");
    return yes;
}
#endif

// Pixels [0, count) of a 24-bit row into three 16-bit planes.
void spreadBgr(const uint8_t* px, int32_t count, int16_t* b, int16_t* g, int16_t* r) {
    int32_t x = 0;
#if PIX_SCALER_SSSE3
    if (haveSsse3()) x = spreadBgrSsse3(px, count, b, g, r);
#endif
    for (; x < count; ++x) {
        b[x] = px[3 * size_t(x)];
        g[x] = px[3 * size_t(x) + 1];
        r[x] = px[3 * size_t(x) + 2];
    }
}

// One channel of one row of the horizontal pass: outputs [i, dw) from the
// 16-bit plane pl (position p of the lists at pl[p - tab.lo]).
#if PIX_SCALER_SSE2
// Four outputs' sums to bytes.
inline void storeFour(__m128i sums, const int32_t* d, const float* reciprocal, uint8_t* o) {
    if (fastDivisor(d[0]) && fastDivisor(d[1]) && fastDivisor(d[2]) && fastDivisor(d[3])) {
        const __m128i q = divClamp(sums, _mm_loadu_ps(reciprocal));
        const uint32_t v = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(q, q), q)));
        std::memcpy(o, &v, 4);
    } else {
        alignas(16) int32_t s[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(s), sums);
        for (int k = 0; k < 4; ++k) o[k] = divideClamp(s[k], d[k]);
    }
}

int32_t channelRowSse2(const int16_t* pl, const ContributionTable& tab, const float* reciprocal, uint8_t* o) {
    const int32_t taps = tab.taps, dw = tab.dstSize;
    int32_t i = 0;
    for (; i + 4 <= dw; i += 4) {
        const int16_t* w = tab.weights.data() + size_t(i) * size_t(taps);
        const int32_t* f = tab.first.data() + i;
        const __m128i s = hsum4(dot(pl + (f[0] - tab.lo), w, taps), dot(pl + (f[1] - tab.lo), w + taps, taps),
                                dot(pl + (f[2] - tab.lo), w + 2 * taps, taps),
                                dot(pl + (f[3] - tab.lo), w + 3 * taps, taps));
        storeFour(s, tab.weightSum.data() + i, reciprocal + i, o + i);
    }
    return i;
}
#endif

#if PIX_SCALER_SSSE3
// The same with 256-bit multiply-adds where the processor has them (the
// integer sums are the same whatever the lane width).
__attribute__((target("avx2"))) inline __m128i dotAvx2(const int16_t* a, const int16_t* w, int32_t taps) {
    __m256i acc = _mm256_setzero_si256();
    int32_t t = 0;
    for (; t + 16 <= taps; t += 16)
        acc = _mm256_add_epi32(acc, _mm256_madd_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + t)),
                                                      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + t))));
    __m128i s = _mm_add_epi32(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
    if (t < taps)
        s = _mm_add_epi32(s, _mm_madd_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + t)),
                                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + t))));
    return s;
}

__attribute__((target("avx2"))) int32_t channelRowAvx2(const int16_t* pl, const ContributionTable& tab,
                                                       const float* reciprocal, uint8_t* o) {
    const int32_t taps = tab.taps, dw = tab.dstSize;
    int32_t i = 0;
    for (; i + 4 <= dw; i += 4) {
        const int16_t* w = tab.weights.data() + size_t(i) * size_t(taps);
        const int32_t* f = tab.first.data() + i;
        const __m128i s = hsum4(dotAvx2(pl + (f[0] - tab.lo), w, taps), dotAvx2(pl + (f[1] - tab.lo), w + taps, taps),
                                dotAvx2(pl + (f[2] - tab.lo), w + 2 * taps, taps),
                                dotAvx2(pl + (f[3] - tab.lo), w + 3 * taps, taps));
        storeFour(s, tab.weightSum.data() + i, reciprocal + i, o + i);
    }
    return i;
}

bool haveAvx2() {
    static const bool yes = __builtin_cpu_supports("avx2");
    return yes;
}
#endif

// The horizontal pass, one source row at a time, into a work row of
// tab.dstSize bytes per channel. The row is first spread into 16-bit planes,
// one per channel, covering every (unmirrored) position the lists read, so
// that each list is a contiguous dot product. A work row keeps its channels
// as planes one after the other: the values are those of the filter's work
// raster, only their order in memory differs.
class RowResampler {
public:
    RowResampler(const PlaneView& src, const ContributionTable& tab) : src_(src), tab_(tab) {
        if (tab.taps == 0) return;
        span_ = tab.hi - tab.lo;
        column_.resize(size_t(span_));
        for (int32_t p = 0; p < span_; ++p) column_[size_t(p)] = mirrorIndex(int64_t(tab.lo) + p, src.width);
        // The positions that map onto themselves, filled by a straight copy.
        inner0_ = std::max(0, -tab.lo);
        inner1_ = std::max(inner0_, std::min(span_, src.width - tab.lo));
        planes_.resize(size_t(span_) * size_t(src.channels));
        if (src.bits) gray_.resize(size_t(src.width));
        reciprocal_.resize(size_t(tab.dstSize));
        for (int32_t i = 0; i < tab.dstSize; ++i)
            reciprocal_[size_t(i)] = 1.0f / float(tab.weightSum[size_t(i)]);
    }

    void run(int32_t y, uint8_t* out) {
        const int ch = src_.channels;
        const ContributionTable& tab = tab_;
        const int32_t dw = tab.dstSize;
        if (tab.taps == 0) {  // every list empty: sums and weight sums are 0
            std::fill(out, out + size_t(dw) * size_t(ch), uint8_t(0));
            return;
        }
        const uint8_t* row = src_.data + size_t(y) * src_.stride;
        if (src_.bits) {
            for (int32_t x = 0; x < src_.width; ++x)
                gray_[size_t(x)] = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
            row = gray_.data();
        }
        for (int c = 0; c < ch; ++c) {
            int16_t* pl = planes_.data() + size_t(c) * size_t(span_);
            for (int32_t p = 0; p < inner0_; ++p) pl[p] = row[size_t(column_[size_t(p)]) * size_t(ch) + size_t(c)];
            for (int32_t p = inner1_; p < span_; ++p) pl[p] = row[size_t(column_[size_t(p)]) * size_t(ch) + size_t(c)];
        }
        if (ch == 1) {
            for (int32_t p = inner0_; p < inner1_; ++p) planes_[size_t(p)] = row[p + tab.lo];
        } else {
            int16_t* pb = planes_.data();
            spreadBgr(row + 3 * size_t(inner0_ + tab.lo), inner1_ - inner0_, pb + inner0_, pb + span_ + inner0_,
                      pb + 2 * size_t(span_) + inner0_);
        }

        const int32_t taps = tab.taps;
        for (int c = 0; c < ch; ++c) {
            const int16_t* pl = planes_.data() + size_t(c) * size_t(span_);
            uint8_t* o = out + size_t(c) * size_t(dw);
            int32_t i = 0;
#if PIX_SCALER_SSSE3
            if (haveAvx2()) i = channelRowAvx2(pl, tab, reciprocal_.data(), o);
            else i = channelRowSse2(pl, tab, reciprocal_.data(), o);
#elif PIX_SCALER_SSE2
            i = channelRowSse2(pl, tab, reciprocal_.data(), o);
#endif
            for (; i < dw; ++i) {
                const int16_t* w = tab.weights.data() + size_t(i) * size_t(taps);
                const int16_t* a = pl + (tab.first[size_t(i)] - tab.lo);
                int32_t sum = 0;
                for (int32_t t = 0; t < taps; ++t) sum += int32_t(w[t]) * a[t];
                o[i] = divideClamp(sum, tab.weightSum[size_t(i)]);
            }
        }
    }

private:
    const PlaneView& src_;
    const ContributionTable& tab_;
    int32_t span_ = 0, inner0_ = 0, inner1_ = 0;
    std::vector<int32_t> column_;
    std::vector<int16_t> planes_;
    std::vector<uint8_t> gray_;
    std::vector<float> reciprocal_;
};

#if PIX_SCALER_SSSE3
// acc[x] += wa * a[x] + wb * b[x] for x in [0, n - n % 32), 256 bits wide.
__attribute__((target("avx2"))) size_t accumulatePairAvx2(int32_t* acc, const uint8_t* a, const uint8_t* b,
                                                          int32_t wa, int32_t wb, size_t n) {
    const __m256i wv = _mm256_set1_epi32(int32_t((uint32_t(uint16_t(wb)) << 16) | uint16_t(wa)));
    const __m256i zero = _mm256_setzero_si256();
    size_t x = 0;
    for (; x + 32 <= n; x += 32) {
        // Lanes of 128 bits: unpacking interleaves within each half, so the
        // four products below cover x + 0..7, 16..23, 8..15 and 24..31.
        const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + x));
        const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + x));
        const __m256i lo = _mm256_unpacklo_epi8(va, vb), hi = _mm256_unpackhi_epi8(va, vb);
        const __m256i p0 = _mm256_madd_epi16(_mm256_unpacklo_epi8(lo, zero), wv);  // x+0..3 | x+16..19
        const __m256i p1 = _mm256_madd_epi16(_mm256_unpackhi_epi8(lo, zero), wv);  // x+4..7 | x+20..23
        const __m256i p2 = _mm256_madd_epi16(_mm256_unpacklo_epi8(hi, zero), wv);  // x+8..11 | x+24..27
        const __m256i p3 = _mm256_madd_epi16(_mm256_unpackhi_epi8(hi, zero), wv);  // x+12..15 | x+28..31
        __m256i* q = reinterpret_cast<__m256i*>(acc + x);
        _mm256_storeu_si256(q, _mm256_add_epi32(_mm256_loadu_si256(q), _mm256_permute2x128_si256(p0, p1, 0x20)));
        _mm256_storeu_si256(q + 1, _mm256_add_epi32(_mm256_loadu_si256(q + 1), _mm256_permute2x128_si256(p2, p3, 0x20)));
        _mm256_storeu_si256(q + 2, _mm256_add_epi32(_mm256_loadu_si256(q + 2), _mm256_permute2x128_si256(p0, p1, 0x31)));
        _mm256_storeu_si256(q + 3, _mm256_add_epi32(_mm256_loadu_si256(q + 3), _mm256_permute2x128_si256(p2, p3, 0x31)));
    }
    return x;
}
#endif

// acc[x] += wa * a[x] + wb * b[x] over one row of n bytes.
void accumulatePair(int32_t* acc, const uint8_t* a, const uint8_t* b, int32_t wa, int32_t wb, size_t n) {
    size_t x = 0;
#if PIX_SCALER_SSSE3
    if (haveAvx2()) x = accumulatePairAvx2(acc, a, b, wa, wb, n);
#endif
#if PIX_SCALER_SSE2
    const __m128i wv = _mm_set1_epi32(int32_t((uint32_t(uint16_t(wb)) << 16) | uint16_t(wa)));
    const __m128i zero = _mm_setzero_si128();
    for (; x + 16 <= n; x += 16) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
        const __m128i lo = _mm_unpacklo_epi8(va, vb), hi = _mm_unpackhi_epi8(va, vb);
        __m128i* p = reinterpret_cast<__m128i*>(acc + x);
        _mm_storeu_si128(p, _mm_add_epi32(_mm_loadu_si128(p), _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), wv)));
        _mm_storeu_si128(p + 1, _mm_add_epi32(_mm_loadu_si128(p + 1), _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), wv)));
        _mm_storeu_si128(p + 2, _mm_add_epi32(_mm_loadu_si128(p + 2), _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), wv)));
        _mm_storeu_si128(p + 3, _mm_add_epi32(_mm_loadu_si128(p + 3), _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), wv)));
    }
#endif
    for (; x < n; ++x) acc[x] += wa * a[x] + wb * b[x];
}

// out[x] = divideClamp(acc[x], d) over n values.
void divideRow(const int32_t* acc, int32_t d, uint8_t* out, size_t n) {
    size_t x = 0;
#if PIX_SCALER_SSE2
    if (fastDivisor(d)) {
        const __m128 dv = _mm_set1_ps(1.0f / float(d));
        for (; x + 16 <= n; x += 16) {
            const __m128i* p = reinterpret_cast<const __m128i*>(acc + x);
            const __m128i q0 = divClamp(_mm_loadu_si128(p), dv), q1 = divClamp(_mm_loadu_si128(p + 1), dv);
            const __m128i q2 = divClamp(_mm_loadu_si128(p + 2), dv), q3 = divClamp(_mm_loadu_si128(p + 3), dv);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                             _mm_packus_epi16(_mm_packs_epi32(q0, q1), _mm_packs_epi32(q2, q3)));
        }
    }
#endif
    for (; x < n; ++x) out[x] = divideClamp(acc[x], d);
}

// Filtered scaling of one plane into dst (dw x dh; 3 bytes a pixel for a
// colour source or with expandGray, else 1). The horizontal pass runs row by
// row on demand into a ring of work rows just deep enough for one output
// row's list: every output row still combines work rows that were rounded
// and clamped once, exactly as a whole work raster would hold them, while
// the rows stay in the cache and no raster of W' x H is allocated.
void filteredScale(const PlaneView& src, int32_t dw, int32_t dh, int code, uint8_t* dst, bool expandGray) {
    const ContributionTable tx = buildContributions(code, src.width, dw);
    const ContributionTable ty = buildContributions(code, src.height, dh);
    const size_t n = size_t(dw) * size_t(src.channels);
    const size_t dstStride = (expandGray ? 3 : 1) * n;

    // Ring depth: the widest range of work rows that one output row reads.
    int32_t depth = 1;
    for (int32_t y = 0; y < dh; ++y) {
        int32_t lo = INT32_MAX, hi = INT32_MIN;
        for (int32_t t = 0; t < ty.taps; ++t) {
            if (ty.weights[size_t(y) * size_t(ty.taps) + size_t(t)] == 0) continue;
            const int32_t r = mirrorIndex(int64_t(ty.first[size_t(y)]) + t, src.height);
            lo = std::min(lo, r);
            hi = std::max(hi, r);
        }
        if (lo <= hi) depth = std::max(depth, hi - lo + 1);
    }
    std::vector<uint8_t> ring(size_t(depth) * n);
    std::vector<int32_t> held(size_t(depth), -1);
    RowResampler horizontal(src, tx);
    auto workRow = [&](int32_t r) -> const uint8_t* {
        const size_t slot = size_t(r % depth);
        uint8_t* row = ring.data() + slot * n;
        if (held[slot] != r) {
            horizontal.run(r, row);
            held[slot] = r;
        }
        return row;
    };

    std::vector<int32_t> acc(n);
    std::vector<uint8_t> planar(n);
    std::vector<const uint8_t*> rows;
    std::vector<int32_t> weights;
    for (int32_t y = 0; y < dh; ++y) {
        rows.clear();
        weights.clear();
        for (int32_t t = 0; t < ty.taps; ++t) {
            const int16_t w = ty.weights[size_t(y) * size_t(ty.taps) + size_t(t)];
            if (w == 0) continue;
            // The rows of one list lie within `depth` consecutive rows, so
            // they occupy distinct slots and none evicts another.
            rows.push_back(workRow(mirrorIndex(int64_t(ty.first[size_t(y)]) + t, src.height)));
            weights.push_back(w);
        }
        std::fill(acc.begin(), acc.end(), 0);
        size_t k = 0;
        for (; k + 1 < rows.size(); k += 2) accumulatePair(acc.data(), rows[k], rows[k + 1], weights[k], weights[k + 1], n);
        if (k < rows.size()) accumulatePair(acc.data(), rows[k], rows[k], weights[k], 0, n);

        uint8_t* out = dst + size_t(y) * dstStride;
        if (src.channels == 1 && !expandGray) {
            divideRow(acc.data(), ty.weightSum[size_t(y)], out, n);
            continue;
        }
        divideRow(acc.data(), ty.weightSum[size_t(y)], planar.data(), n);
        if (expandGray) {
            for (size_t x = 0; x < n; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = planar[x];
        } else {
            const uint8_t* pb = planar.data();
            const uint8_t* pg = pb + dw;
            const uint8_t* pr = pg + dw;
            for (int32_t x = 0; x < dw; ++x) {
                out[3 * size_t(x)] = pb[x];
                out[3 * size_t(x) + 1] = pg[x];
                out[3 * size_t(x) + 2] = pr[x];
            }
        }
    }
}

void nearestScale(const PlaneView& src, int32_t dw, int32_t dh, uint8_t* dst, size_t dstStride) {
    const std::vector<int32_t> cols = nearestMap(src.width, dw);
    const std::vector<int32_t> rows = nearestMap(src.height, dh);
    for (int32_t y = 0; y < dh; ++y) {
        const uint8_t* in = src.data + size_t(rows[size_t(y)]) * src.stride;
        uint8_t* out = dst + size_t(y) * dstStride;
        if (src.bits) {
            std::fill(out, out + dstStride, uint8_t(0));
            for (int32_t x = 0; x < dw; ++x) {
                const int32_t c = cols[size_t(x)];
                if ((in[c >> 3] >> (7 - (c & 7))) & 1) out[x >> 3] |= uint8_t(0x80 >> (x & 7));
            }
        } else if (src.channels == 3) {
            for (int32_t x = 0; x < dw; ++x) std::memcpy(out + 3 * size_t(x), in + 3 * size_t(cols[size_t(x)]), 3);
        } else {
            for (int32_t x = 0; x < dw; ++x) out[x] = in[cols[size_t(x)]];
        }
    }
}

}  // namespace

bool resolveSizeRequest(int32_t W, int32_t H, int32_t width, int32_t height, TargetSize& out) {
    if (width < 0 && height < 0) return false;
    // Products and absolute values in 64 bits; sizes beyond the 32-bit range
    // saturate and are refused when the target is allocated.
    int64_t w;
    if (width == -1) w = H != 0 ? int64_t(W) * height / H : 0;
    else if (width == 0) w = W;
    else w = width < 0 ? -int64_t(width) : width;
    const int32_t rw = std::max<int32_t>(1, saturate32(w));
    int64_t h;
    if (height == -1) h = W != 0 ? int64_t(H) * rw / W : 0;
    else if (height == 0) h = H;
    else h = height < 0 ? -int64_t(height) : height;
    out.width = rw;
    out.height = std::max<int32_t>(1, saturate32(h));
    return true;
}

std::vector<int32_t> nearestMap(int32_t srcSize, int32_t dstSize) {
    const double ratio = double(static_cast<long double>(srcSize) / dstSize);
    std::vector<int32_t> map(size_t(std::max(dstSize, 0)));
    for (int32_t x = 0; x < dstSize; ++x)
        map[size_t(x)] = int32_t(std::clamp<long double>(truncl(static_cast<long double>(x) * ratio), 0, srcSize - 1));
    return map;
}

void resample(Image& img, int32_t width, int32_t height, int code) {
    if (img.width <= 0 || img.height <= 0) return;
    TargetSize t;
    if (!resolveSizeRequest(img.width, img.height, width, height, t)) return;
    if (code < kFilterTriangle || code > kFilterLanczos3) code = kFilterNone;

    // Fully transparent pixels lend mid-gray, not whatever colour they hide.
    const bool alpha = img.hasAlpha() && img.alpha.size() == size_t(img.width) * size_t(img.height);
    if (img.layout == Layout::Bgr24 && alpha)
        for (size_t i = 0; i < img.alpha.size(); ++i)
            if (img.alpha[i] == 0) std::memset(img.pixels.data() + 3 * i, 128, 3);

    checkImageSize(t.width, t.height);
    const bool bilevel = img.layout == Layout::Bilevel;
    const Layout outLayout = bilevel && code != kFilterNone ? Layout::Bgr24 : img.layout;
    const size_t outStride = Image::rowBytes(outLayout, t.width);
    std::vector<uint8_t> pixels(outStride * size_t(t.height));
    const PlaneView colour{img.pixels.data(), img.stride(), img.width, img.height, bilevel ? 1 : 3, bilevel};
    if (code == kFilterNone) nearestScale(colour, t.width, t.height, pixels.data(), outStride);
    else filteredScale(colour, t.width, t.height, code, pixels.data(), bilevel);

    std::vector<uint8_t> plane;
    if (alpha) {
        plane.resize(size_t(t.width) * size_t(t.height));
        const PlaneView a{img.alpha.data(), size_t(img.width), img.width, img.height, 1, false};
        if (code == kFilterNone) nearestScale(a, t.width, t.height, plane.data(), size_t(t.width));
        else filteredScale(a, t.width, t.height, code, plane.data(), false);
    }

    img.width = t.width;
    img.height = t.height;
    img.layout = outLayout;
    img.pixels.swap(pixels);
    img.alpha.swap(plane);
}

}  // namespace pix
