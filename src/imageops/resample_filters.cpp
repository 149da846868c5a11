#include "imageops/resample_filters.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <string>

#include "image/error.h"

namespace pix {

namespace {

constexpr long double kPi = 3.14159265358979323846264338327950288L;
constexpr long double kTwoThirds = 2.0L / 3.0L;
constexpr long double kOneSixth = 1.0L / 6.0L;

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
// The x87 instructions themselves: the filters have always taken the sine of
// the FPU (fsin; glibc's sinl differs from it in the last bit now and then,
// and is seven times slower), and frndint rounds in the FPU's mode, which
// nothing in the program moves from round-to-nearest-even.
inline long double fpuSin(long double x) {
    long double r;
    __asm__("fsin" : "=t"(r) : "0"(x));
    return r;
}
inline long double fpuRound(long double x) {
    long double r;
    __asm__("frndint" : "=t"(r) : "0"(x));
    return r;
}
#else
inline long double fpuSin(long double x) { return sinl(x); }
inline long double fpuRound(long double x) { return nearbyintl(x); }
#endif

// sin(pi t) / (pi t), with pi t rounded to a double first.
long double sinc(long double t) {
    if (t == 0) return 1.0L;
    const double x = double(kPi * t);
    return fpuSin(x) / x;
}

// Largest number of raw weights (zeros within a list's span included) one
// axis may need; only degenerate shapes (a 1-row image millions of pixels
// wide) come near it.
constexpr int64_t kMaxTableEntries = int64_t(1) << 26;

}  // namespace

int filterCode(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32) --e;
    std::string name(text.substr(b, e - b));
    for (char& ch : name)
        if (ch >= 'A' && ch <= 'Z') ch = char(ch - 'A' + 'a');
    if (name == "triangle") return kFilterTriangle;
    if (name == "hermite") return kFilterHermite;
    if (name == "bell") return kFilterBell;
    if (name == "bspline") return kFilterBSpline;
    if (name == "lanczos3") return kFilterLanczos3;
    return kFilterNone;
}

double filterSupport(int code) {
    switch (code) {
    case kFilterTriangle:
    case kFilterHermite: return 1.0;
    case kFilterBell: return 1.5;
    case kFilterBSpline: return 2.0;
    case kFilterLanczos3: return 3.0;
    default: return 0.0;
    }
}

double filterKernel(int code, double x) {
    const long double a = fabsl(x);
    switch (code) {
    case kFilterTriangle:
        return a < 1 ? double(1 - a) : 0.0;
    case kFilterHermite:
        return a < 1 ? double(a * a * (2 * a - 3) + 1) : 0.0;
    case kFilterBell:
        if (a < 0.5L) return double(0.75L - a * a);
        if (a < 1.5L) {
            const long double t = a - 1.5L;
            return double(0.5L * (t * t));
        }
        return 0.0;
    case kFilterBSpline:
        if (a < 1) {
            const long double a2 = a * a;
            return double(0.5L * a2 * a - a2 + kTwoThirds);
        }
        if (a < 2) {
            const long double t = 2 - a;
            return double(t * t * kOneSixth * t);
        }
        return 0.0;
    case kFilterLanczos3:
        return a < 3 ? double(sinc(a) * sinc(a / 3)) : 0.0;
    default:
        return 0.0;
    }
}

long double roundHalfEven(long double v) { return fpuRound(v); }

double axisScale(int32_t src, int32_t dst) {
    if (src == 1 || dst == 1) return double(static_cast<long double>(dst) / src);
    return double(static_cast<long double>(dst - 1) / (src - 1));
}

int32_t mirrorIndex(int64_t j, int32_t size) {
    if (j < 0) j = -j;
    else if (j >= size) j = 2 * int64_t(size) - 1 - j;
    return int32_t(std::clamp<int64_t>(j, 0, size - 1));
}

std::vector<Contribution> ContributionTable::list(int32_t i) const {
    std::vector<Contribution> out;
    for (int32_t t = 0; t < taps; ++t) {
        const int16_t w = weights[size_t(i) * size_t(taps) + size_t(t)];
        if (w != 0) out.push_back({mirrorIndex(int64_t(first[size_t(i)]) + t, srcSize), w});
    }
    return out;
}

ContributionTable buildContributions(int code, int32_t src, int32_t dst) {
    ContributionTable tab;
    tab.srcSize = src;
    tab.dstSize = dst;
    tab.first.assign(size_t(dst), 0);
    tab.weightSum.assign(size_t(dst), 0);

    const double scale = axisScale(src, dst);
    const double support = filterSupport(code);
    const bool reducing = scale < 1;
    double width = support, factor = 1.0;
    if (reducing) {
        width = double(static_cast<long double>(support) / scale);
        factor = double(1.0L / scale);
        // Every kernel stays within [-1, 1], so below 1/512 of the source
        // density every weight k * 256 / f rounds to 0: all lists are empty.
        if (factor > 512) return tab;
    }
    if (int64_t(dst) * (int64_t(2 * width) + 3) > kMaxTableEntries)
        throw Error("Image size " + std::to_string(src) + " -> " + std::to_string(dst) +
                    " pixels is too large to resample");

    // First pass: raw weights of every list's span, zeros trimmed at both ends.
    std::vector<int32_t> raw;
    std::vector<int32_t> start(size_t(dst) + 1, 0), length(size_t(dst), 0);
    int32_t longest = 0;
    for (int32_t i = 0; i < dst; ++i) {
        const double c = double(static_cast<long double>(i) / scale);
        const int64_t jlo = int64_t(floorl(static_cast<long double>(c) - width));
        const int64_t jhi = int64_t(ceill(static_cast<long double>(c) + width));
        const size_t begin = raw.size();
        int64_t firstJ = 0;
        for (int64_t j = jlo; j <= jhi; ++j) {
            long double w;
            if (!reducing) {
                const double x = double(static_cast<long double>(c) - j);
                w = roundHalfEven(static_cast<long double>(filterKernel(code, x)) * 256);
            } else {
                const double x = double((static_cast<long double>(c) - j) / factor);
                w = roundHalfEven(static_cast<long double>(filterKernel(code, x)) * 256 / factor);
            }
            if (raw.size() == begin) {
                if (w == 0) continue;  // leading zeros
                firstJ = j;
            }
            raw.push_back(int32_t(w));
        }
        while (raw.size() > begin && raw.back() == 0) raw.pop_back();
        tab.first[size_t(i)] = int32_t(firstJ);
        start[size_t(i)] = int32_t(begin);
        length[size_t(i)] = int32_t(raw.size() - begin);
        longest = std::max(longest, length[size_t(i)]);
    }

    tab.taps = (longest + 7) / 8 * 8;
    if (tab.taps == 0) return tab;
    tab.weights.assign(size_t(dst) * size_t(tab.taps), 0);
    tab.lo = INT32_MAX;
    tab.hi = INT32_MIN;
    for (int32_t i = 0; i < dst; ++i) {
        int32_t sum = 0;
        int16_t* out = tab.weights.data() + size_t(i) * size_t(tab.taps);
        for (int32_t t = 0; t < length[size_t(i)]; ++t) {
            const int32_t w = raw[size_t(start[size_t(i)] + t)];
            // |k| <= 1, so |w| <= 256 always fits the 16-bit lanes.
            out[t] = int16_t(w);
            sum += w;
        }
        tab.weightSum[size_t(i)] = sum;
        tab.lo = std::min(tab.lo, tab.first[size_t(i)]);
        tab.hi = std::max(tab.hi, tab.first[size_t(i)] + tab.taps);
    }
    return tab;
}

}  // namespace pix
