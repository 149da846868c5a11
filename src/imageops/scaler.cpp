#include "imageops/scaler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imageops/resample_filters.h"

#if defined(__SSE2__)
#include <emmintrin.h>
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

// A float quotient truncates exactly like the integer one as long as the
// divisor is at most 2^16 and the sum below 2^24 (the float keeps every
// integer and no quotient within 1/d of the next integer rounds up to it);
// sums beyond that range clamp to 0 or 255 either way.
inline bool fastDivisor(int32_t d) { return d > 0 && d <= 65536; }

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

// Quotients clamped to 0..255 for a divisor accepted by fastDivisor.
inline __m128i divClamp(__m128i sums, __m128 divisor) {
    __m128 q = _mm_div_ps(_mm_cvtepi32_ps(sums), divisor);
    q = _mm_min_ps(_mm_max_ps(q, _mm_setzero_ps()), _mm_set1_ps(255.0f));
    return _mm_cvttps_epi32(q);
}
#endif

// Horizontal pass: every source row into the work raster (width tab.dstSize,
// one byte per channel). The row is first spread into 16-bit planes, one per
// channel, covering every (unmirrored) position the lists read, so that each
// list is a contiguous dot product.
void horizontalPass(const PlaneView& src, const ContributionTable& tab, uint8_t* work) {
    const int ch = src.channels;
    const int32_t dw = tab.dstSize;
    const size_t workStride = size_t(dw) * size_t(ch);
    if (tab.taps == 0) {  // every list empty: sums and weight sums are 0
        std::fill(work, work + workStride * size_t(src.height), uint8_t(0));
        return;
    }
    const int32_t span = tab.hi - tab.lo;
    std::vector<int32_t> column(static_cast<size_t>(span));
    for (int32_t p = 0; p < span; ++p) column[size_t(p)] = mirrorIndex(int64_t(tab.lo) + p, src.width);
    // The positions that map onto themselves, filled by a straight copy.
    const int32_t inner0 = std::max(0, -tab.lo), inner1 = std::min(span, src.width - tab.lo);
    std::vector<int16_t> planes(size_t(span) * size_t(ch));
    std::vector<uint8_t> gray(src.bits ? size_t(src.width) : 0);

    for (int32_t y = 0; y < src.height; ++y) {
        const uint8_t* row = src.data + size_t(y) * src.stride;
        if (src.bits) {
            for (int32_t x = 0; x < src.width; ++x) gray[size_t(x)] = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
            row = gray.data();
        }
        if (ch == 1) {
            int16_t* p0 = planes.data();
            for (int32_t p = 0; p < inner0; ++p) p0[p] = row[column[size_t(p)]];
            for (int32_t p = inner0; p < inner1; ++p) p0[p] = row[p + tab.lo];
            for (int32_t p = std::max(inner0, inner1); p < span; ++p) p0[p] = row[column[size_t(p)]];
        } else {
            int16_t* pb = planes.data();
            int16_t* pg = pb + span;
            int16_t* pr = pg + span;
            auto put = [&](int32_t p, const uint8_t* px) {
                pb[p] = px[0];
                pg[p] = px[1];
                pr[p] = px[2];
            };
            for (int32_t p = 0; p < inner0; ++p) put(p, row + 3 * size_t(column[size_t(p)]));
            for (int32_t p = inner0; p < inner1; ++p) put(p, row + 3 * size_t(p + tab.lo));
            for (int32_t p = std::max(inner0, inner1); p < span; ++p) put(p, row + 3 * size_t(column[size_t(p)]));
        }

        uint8_t* out = work + size_t(y) * workStride;
        const int32_t taps = tab.taps;
#if PIX_SCALER_SSE2
        if (ch == 3) {
            const int16_t* pb = planes.data();
            const int16_t* pg = pb + span;
            const int16_t* pr = pg + span;
            for (int32_t i = 0; i < dw; ++i) {
                const int16_t* w = tab.weights.data() + size_t(i) * size_t(taps);
                const size_t off = size_t(tab.first[size_t(i)] - tab.lo);
                const __m128i s = hsum4(dot(pb + off, w, taps), dot(pg + off, w, taps), dot(pr + off, w, taps),
                                        _mm_setzero_si128());
                const int32_t d = tab.weightSum[size_t(i)];
                uint8_t* o = out + 3 * size_t(i);
                if (fastDivisor(d)) {
                    const __m128i q = divClamp(s, _mm_set1_ps(float(d)));
                    const __m128i b = _mm_packus_epi16(_mm_packs_epi32(q, q), _mm_setzero_si128());
                    const uint32_t v = uint32_t(_mm_cvtsi128_si32(b));
                    o[0] = uint8_t(v);
                    o[1] = uint8_t(v >> 8);
                    o[2] = uint8_t(v >> 16);
                } else {
                    alignas(16) int32_t sums[4];
                    _mm_store_si128(reinterpret_cast<__m128i*>(sums), s);
                    for (int c = 0; c < 3; ++c) o[c] = divideClamp(sums[c], d);
                }
            }
            continue;
        }
        {
            const int16_t* p0 = planes.data();
            int32_t i = 0;
            for (; i + 4 <= dw; i += 4) {
                const int16_t* w = tab.weights.data() + size_t(i) * size_t(taps);
                const int32_t* f = tab.first.data() + i;
                const __m128i s = hsum4(dot(p0 + (f[0] - tab.lo), w, taps), dot(p0 + (f[1] - tab.lo), w + taps, taps),
                                        dot(p0 + (f[2] - tab.lo), w + 2 * taps, taps),
                                        dot(p0 + (f[3] - tab.lo), w + 3 * taps, taps));
                alignas(16) int32_t sums[4];
                _mm_store_si128(reinterpret_cast<__m128i*>(sums), s);
                for (int k = 0; k < 4; ++k) out[i + k] = divideClamp(sums[k], tab.weightSum[size_t(i + k)]);
            }
            for (; i < dw; ++i) {
                const __m128i s = hsum4(dot(p0 + (tab.first[size_t(i)] - tab.lo),
                                            tab.weights.data() + size_t(i) * size_t(taps), taps),
                                        _mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128());
                out[i] = divideClamp(_mm_cvtsi128_si32(s), tab.weightSum[size_t(i)]);
            }
        }
#else
        for (int32_t i = 0; i < dw; ++i) {
            const int16_t* w = tab.weights.data() + size_t(i) * size_t(taps);
            const size_t off = size_t(tab.first[size_t(i)] - tab.lo);
            for (int c = 0; c < ch; ++c) {
                const int16_t* a = planes.data() + size_t(c) * size_t(span) + off;
                int32_t sum = 0;
                for (int32_t t = 0; t < taps; ++t) sum += int32_t(w[t]) * a[t];
                out[size_t(i) * size_t(ch) + size_t(c)] = divideClamp(sum, tab.weightSum[size_t(i)]);
            }
        }
#endif
    }
}

// acc[x] += wa * a[x] + wb * b[x] over one row of n bytes.
void accumulatePair(int32_t* acc, const uint8_t* a, const uint8_t* b, int32_t wa, int32_t wb, size_t n) {
    size_t x = 0;
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
        const __m128 dv = _mm_set1_ps(float(d));
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

// Vertical pass: the work raster (rows of n bytes, src height rows) into the
// target rows; with expandGray every byte becomes three equal bytes.
void verticalPass(const uint8_t* work, size_t n, const ContributionTable& tab, uint8_t* dst, size_t dstStride,
                  bool expandGray) {
    std::vector<int32_t> acc(n);
    std::vector<uint8_t> grayRow(expandGray ? n : 0);
    std::vector<const uint8_t*> rows;
    std::vector<int32_t> weights;
    for (int32_t y = 0; y < tab.dstSize; ++y) {
        rows.clear();
        weights.clear();
        for (int32_t t = 0; t < tab.taps; ++t) {
            const int16_t w = tab.weights[size_t(y) * size_t(tab.taps) + size_t(t)];
            if (w == 0) continue;
            rows.push_back(work + size_t(mirrorIndex(int64_t(tab.first[size_t(y)]) + t, tab.srcSize)) * n);
            weights.push_back(w);
        }
        std::fill(acc.begin(), acc.end(), 0);
        size_t k = 0;
        for (; k + 1 < rows.size(); k += 2) accumulatePair(acc.data(), rows[k], rows[k + 1], weights[k], weights[k + 1], n);
        if (k < rows.size()) accumulatePair(acc.data(), rows[k], rows[k], weights[k], 0, n);

        uint8_t* out = dst + size_t(y) * dstStride;
        if (!expandGray) {
            divideRow(acc.data(), tab.weightSum[size_t(y)], out, n);
        } else {
            divideRow(acc.data(), tab.weightSum[size_t(y)], grayRow.data(), n);
            for (size_t x = 0; x < n; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = grayRow[x];
        }
    }
}

// Filtered scaling of one plane into dst (dw x dh, `outChannels` bytes per pixel).
void filteredScale(const PlaneView& src, int32_t dw, int32_t dh, int code, uint8_t* dst, bool expandGray) {
    checkImageSize(dw, src.height);  // the work raster
    const size_t n = size_t(dw) * size_t(src.channels);
    std::vector<uint8_t> work;
    {
        const ContributionTable tx = buildContributions(code, src.width, dw);
        work.resize(n * size_t(src.height));
        horizontalPass(src, tx, work.data());
    }
    const ContributionTable ty = buildContributions(code, src.height, dh);
    verticalPass(work.data(), n, ty, dst, expandGray ? 3 * n : n, expandGray);
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
