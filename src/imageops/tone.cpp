#include "imageops/tone.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

namespace pix {

namespace {

// 0..255 -> 0..99 and back, rounded; the exact quotients are never halfway.
struct ScaleTables {
    std::array<uint8_t, 256> down{};
    std::array<uint8_t, 100> up{};
    ScaleTables() {
        for (int v = 0; v < 256; ++v) down[v] = uint8_t((v * 99 * 2 + 255) / (2 * 255));
        for (int v = 0; v < 100; ++v) up[v] = uint8_t((v * 255 * 2 + 99) / (2 * 99));
    }
};

const ScaleTables& scaleTables() {
    static const ScaleTables tables;  // constant data, built once
    return tables;
}

// The model on 0..99 channels (r, g, b), returning 0..99 channels.
void shift99(int& r, int& g, int& b, int dh, int ds, int dv) {
    const int mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const int d = mx - mn;
    const int v = mx;
    const int s = mx > 0 ? d * 99 / mx : 0;
    int h = 0;
    if (s != 0) {
        if (r == mx)
            h = (g - b) * 60 / d;
        else if (g == mx)
            h = (b - r) * 60 / d + 120;
        else
            h = (r - g) * 60 / d + 240;
        if (h < 0) h += 360;
    }
    int h2 = h + dh;
    if (h2 < 0)
        h2 += 360;
    else if (h2 > 359)
        h2 -= 360;
    const int s2 = std::clamp(s + ds, 0, 99);
    const int v2 = std::clamp(v + dv, 0, 99);
    if (s2 == 0) {
        r = g = b = v2;
        return;
    }
    const int hh = h2 == 360 ? 0 : h2;
    const int f = hh % 60, sector = hh / 60;
    const int p = v2 - (v2 * s2) / 99;
    const int q = v2 - (v2 * s2 * f) / 5940;
    const int t = v2 - (v2 * s2 * (60 - f)) / 5940;
    switch (sector) {
        case 0: r = v2, g = t, b = p; break;
        case 1: r = q, g = v2, b = p; break;
        case 2: r = p, g = v2, b = t; break;
        case 3: r = p, g = q, b = v2; break;
        case 4: r = t, g = p, b = v2; break;
        default: r = v2, g = p, b = q; break;
    }
}

}  // namespace

void hsv99Shift(int& r, int& g, int& b, int dh, int ds, int dv) {
    const ScaleTables& t = scaleTables();
    int r9 = t.down[r], g9 = t.down[g], b9 = t.down[b];
    shift99(r9, g9, b9, dh, ds, dv);
    r = t.up[r9];
    g = t.up[g9];
    b = t.up[b9];
}

void adjusthsv(Image& img, int dh, int ds, int dv) {
    img.toBgr24();
    const ScaleTables& t = scaleTables();
    // Every pixel's result depends only on its three 0..99 channels, so the
    // results are kept in a table of 100^3 entries filled as colours appear:
    // bit 31 marks a filled entry, the low 24 bits hold B, G, R in byte order.
    // The index is a sum of three per-channel tables, so no multiplication is
    // left in the loop.
    std::unique_ptr<uint32_t[]> memo(new uint32_t[100 * 100 * 100]());
    uint32_t keyB[256], keyG[256], keyR[256];
    for (int v = 0; v < 256; ++v) {
        keyB[v] = t.down[v];
        keyG[v] = t.down[v] * 100u;
        keyR[v] = t.down[v] * 10000u;
    }
    auto result = [&](const uint8_t* px) {
        const uint32_t key = keyB[px[0]] + keyG[px[1]] + keyR[px[2]];
        uint32_t slot = memo[key];
        if (!slot) {
            int r = t.down[px[2]], g = t.down[px[1]], b = t.down[px[0]];
            shift99(r, g, b, dh, ds, dv);
            slot = 0x80000000u | uint32_t(t.up[b]) | uint32_t(t.up[g]) << 8 | uint32_t(t.up[r]) << 16;
            memo[key] = slot;
        }
        return slot;
    };
    const size_t n = size_t(img.width) * size_t(img.height);
    uint8_t* px = img.pixels.data();
    for (size_t i = 0; i < n; ++i, px += 3) {
        const uint32_t v = result(px);
        px[0] = uint8_t(v);
        px[1] = uint8_t(v >> 8);
        px[2] = uint8_t(v >> 16);
    }
}

ChannelMeans channelMeans(const Image& img) {
    int64_t total[3] = {0, 0, 0};
    if (img.width <= 0 || img.height <= 0) return {};
    for (int32_t y = 0; y < img.height; ++y) {
        const uint8_t* p = img.row(y);
        int64_t sum[3] = {0, 0, 0};
        for (int32_t x = 0; x < img.width; ++x, p += 3) {
            sum[0] += p[0];
            sum[1] += p[1];
            sum[2] += p[2];
        }
        for (int c = 0; c < 3; ++c) total[c] += sum[c] / img.width;
    }
    ChannelMeans m;
    m.b = int(total[0] / img.height);
    m.g = int(total[1] / img.height);
    m.r = int(total[2] / img.height);
    return m;
}

int32_t contrastFactor(int amount) {
    const double f = amount >= 0 ? 1.0 + amount / 10.0 : 1.0 - std::sqrt(double(-amount)) / 10.0;
    return int32_t(std::trunc(f * 65536.0));
}

void adjustcontrast(Image& img, int amount) {
    img.toBgr24();
    const int32_t k = contrastFactor(amount);
    if (k == 65536) return;  // the tables would be the identity
    const ChannelMeans m = channelMeans(img);
    uint8_t table[3][256];
    const int means[3] = {m.b, m.g, m.r};
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i) {
            // The product is a 32-bit signed integer, as the stretch defines it.
            const int32_t prod = int32_t(uint32_t(int64_t(i - means[c]) * k));
            table[c][i] = uint8_t(std::clamp(means[c] + prod / 65536, 0, 255));
        }
    uint8_t* p = img.pixels.data();
    const size_t n = size_t(img.width) * size_t(img.height);
    for (size_t i = 0; i < n; ++i, p += 3) {
        p[0] = table[0][p[0]];
        p[1] = table[1][p[1]];
        p[2] = table[2][p[2]];
    }
}

void converttogray(Image& img) {
    if (img.layout != Layout::Bgr24) return;
    uint8_t* p = img.pixels.data();
    const size_t n = size_t(img.width) * size_t(img.height);
    for (size_t i = 0; i < n; ++i, p += 3) p[0] = p[1] = p[2] = uint8_t(grayLevel(p[2], p[1], p[0]));
}

void makenegative(Image& img) {
    for (uint8_t& v : img.pixels) v = uint8_t(~v);
}

}  // namespace pix
