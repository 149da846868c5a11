#include "imageops/resize_geometry.h"

#include <algorithm>
#include <cmath>

namespace pix {

namespace {
// A ratio of two integers: extended-precision quotient stored as a double.
double ratio(int32_t num, int32_t den) { return double(static_cast<long double>(num) / den); }
}  // namespace

int32_t roundToInt32(long double v) {
    if (std::isnan(v)) return 0;
    const long double r = nearbyintl(v);  // round-to-nearest-even mode
    if (r >= INT32_MAX) return INT32_MAX;
    if (r <= -INT32_MAX) return -INT32_MAX;
    return int32_t(r);
}

bool fixedFactorSize(std::string_view method, int32_t W, int32_t H, TargetSize& out) {
    const long double w = W, h = H;
    if (method == "1/4x") out = {roundToInt32(w / 4), roundToInt32(h / 4)};
    else if (method == "1/3x") out = {roundToInt32(w / 3), roundToInt32(h / 3)};
    else if (method == "1/2x") out = {roundToInt32(w / 2), roundToInt32(h / 2)};
    else if (method == "3/4x") out = {roundToInt32(w * 0.75L), roundToInt32(h * 0.75L)};
    else if (method == "2x") out = {roundToInt32(w * 2), roundToInt32(h * 2)};
    else if (method == "3x") out = {roundToInt32(w * 3), roundToInt32(h * 3)};
    else if (method == "4x") out = {roundToInt32(w * 4), roundToInt32(h * 4)};
    else return false;
    return true;
}

TargetSize portraitBox(int32_t W, int32_t H, int32_t width, int32_t height, bool keepRatioTrue) {
    if (keepRatioTrue && H > W) return {height, width};
    return {width, height};
}

TargetSize shrinkToFit(int32_t W, int32_t H, int32_t tw, int32_t th) {
    if (tw == 0) tw = W;
    if (th == 0) th = H;
    int32_t w = W, h = H;
    if (w > tw) {
        const double r = ratio(tw, w);
        h = roundToInt32(static_cast<long double>(h) * r);
        w = tw;
    }
    if (h > th) {
        const double r = ratio(th, h);
        w = roundToInt32(static_cast<long double>(w) * r);
        h = th;
    }
    return {w, h};
}

TargetSize growToCover(int32_t W, int32_t H, int32_t tw, int32_t th) {
    if (tw == 0) tw = W;
    if (th == 0) th = H;
    int32_t w = W, h = H;
    if (w < tw && tw > 0) {
        const double r = ratio(tw, w);
        h = roundToInt32(static_cast<long double>(h) * r);
        w = tw;
    }
    if (h < th && th > 0) {
        const double r = ratio(th, h);
        w = roundToInt32(static_cast<long double>(w) * r);
        h = th;
    }
    return {w, h};
}

bool percentDownSize(int32_t W, int32_t H, int32_t p, TargetSize& out) {
    if (p >= 99) return false;
    // 100 - p in 64 bits: no percentage can overflow it.
    const long double f = static_cast<long double>(100 - int64_t(p)) / 100;
    out = {roundToInt32(W * f), roundToInt32(H * f)};
    return true;
}

TargetSize percentUpSize(int32_t W, int32_t H, int32_t p) {
    const long double f = static_cast<long double>(100 + int64_t(p)) / 100;
    return {roundToInt32(W * f), roundToInt32(H * f)};
}

TargetSize boundsSize(int32_t W, int32_t H, const SizeBounds& b, bool keepRatioTrue) {
    if (!keepRatioTrue) {
        int32_t w = W, h = H;
        if (b.maxWidth > 0) w = std::min(w, b.maxWidth);
        if (b.maxHeight > 0) h = std::min(h, b.maxHeight);
        return {std::max(w, b.minWidth), std::max(h, b.minHeight)};
    }
    TargetSize t{W, H};
    if (W < b.minWidth || H < b.minHeight)
        t = growToCover(W, H, std::max(b.minWidth, 0), std::max(b.minHeight, 0));
    // growToCover never gives a dimension below 1 from a positive size; guard
    // anyway so the shrink's ratios never divide by 0.
    if (t.width > 0 && t.height > 0)
        t = shrinkToFit(t.width, t.height, std::max(b.maxWidth, 0), std::max(b.maxHeight, 0));
    return t;
}

}  // namespace pix
