// The scaler: filter weights, contribution lists, nearest-pixel maps, size
// requests, layouts and the alpha plane, and the fast passes checked byte for
// byte against a plain reading of the two-pass algorithm.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "image/error.h"
#include "imageops/resample_filters.h"
#include "imageops/scaler.h"
#include "support/test_support.h"

using namespace pix;

namespace {

std::vector<std::pair<int, int>> entries(const ContributionTable& t, int i) {
    std::vector<std::pair<int, int>> out;
    for (const Contribution& c : t.list(i)) out.emplace_back(c.index, c.weight);
    return out;
}

using Entries = std::vector<std::pair<int, int>>;

// ---- reference: the algorithm as written, one pixel and one channel at a time
uint8_t refDivide(int32_t sum, int32_t wsum) {
    int64_t q = wsum != 0 ? int64_t(sum) / wsum : int64_t(uint32_t(sum) >> 8);
    return uint8_t(q < 0 ? 0 : q > 255 ? 255 : q);
}

// Scales a plane of `ch` bytes per pixel (w x h) to dw x dh with a filter.
std::vector<uint8_t> refFiltered(const std::vector<uint8_t>& src, int w, int h, int ch, int dw, int dh, int code) {
    const ContributionTable tx = buildContributions(code, w, dw);
    std::vector<uint8_t> work(size_t(dw) * ch * h);
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < dw; ++i) {
            const auto list = tx.dstSize ? tx.list(i) : std::vector<Contribution>{};
            for (int c = 0; c < ch; ++c) {
                int32_t sum = 0, wsum = 0;
                for (const Contribution& e : list) {
                    wsum += e.weight;
                    sum += e.weight * src[(size_t(y) * w + e.index) * ch + c];
                }
                work[(size_t(y) * dw + i) * ch + c] = refDivide(sum, wsum);
            }
        }
    const ContributionTable ty = buildContributions(code, h, dh);
    std::vector<uint8_t> out(size_t(dw) * ch * dh);
    for (int y = 0; y < dh; ++y) {
        const auto list = ty.list(y);
        for (int x = 0; x < dw; ++x)
            for (int c = 0; c < ch; ++c) {
                int32_t sum = 0, wsum = 0;
                for (const Contribution& e : list) {
                    wsum += e.weight;
                    sum += e.weight * work[(size_t(e.index) * dw + x) * ch + c];
                }
                out[(size_t(y) * dw + x) * ch + c] = refDivide(sum, wsum);
            }
    }
    return out;
}

Image randomImage(int w, int h, uint32_t seed, bool withAlpha) {
    std::mt19937 rng(seed);
    Image img;
    img.allocate(w, h, Layout::Bgr24);
    for (auto& b : img.pixels) b = uint8_t(rng());
    if (withAlpha) {
        img.alpha.resize(size_t(w) * h);
        for (auto& a : img.alpha) a = uint8_t(rng() % 3 == 0 ? 0 : rng());
    }
    return img;
}

}  // namespace

TEST(Scaler, FilterCodesFromTheProfileValue) {
    const std::pair<const char*, int> cases[] = {
        {"triangle", 1}, {"Hermite", 2}, {" BELL\t", 3}, {"bspline", 4}, {"Lanczos3", 5},
        {"none", 0},     {"", 0},        {"lanczos", 0}, {"b-spline", 0}, {"lanczos3x", 0},
    };
    for (const auto& [text, code] : cases) EXPECT_EQ(filterCode(text), code) << text;
}

TEST(Scaler, KernelValuesAndBranches) {
    EXPECT_EQ(filterKernel(kFilterTriangle, 0.25), 0.75);
    EXPECT_EQ(filterKernel(kFilterTriangle, -1.0), 0.0);
    EXPECT_EQ(filterKernel(kFilterHermite, 0.5), 0.5);
    EXPECT_EQ(filterKernel(kFilterBell, 0.5), 0.5);  // second branch: 0.5 * (0.5 - 1.5)^2
    EXPECT_EQ(filterKernel(kFilterBell, 0.0), 0.75);
    EXPECT_DOUBLE_EQ(filterKernel(kFilterBSpline, 1.0), 1.0 / 6);  // second branch
    EXPECT_DOUBLE_EQ(filterKernel(kFilterBSpline, 0.0), 2.0 / 3);
    EXPECT_EQ(filterKernel(kFilterBSpline, 2.0), 0.0);
    EXPECT_EQ(filterKernel(kFilterLanczos3, 0.0), 1.0);
    EXPECT_LT(std::abs(filterKernel(kFilterLanczos3, 1.0)), 1e-15);
    EXPECT_LT(filterKernel(kFilterLanczos3, 1.5), 0.0);  // negative lobe
    EXPECT_EQ(filterKernel(kFilterLanczos3, 3.0), 0.0);
}

TEST(Scaler, WeightsAtTheSameSize) {
    struct Case {
        int code;
        Entries middle, first;
    };
    const Case cases[] = {
        {kFilterTriangle, {{5, 256}}, {{0, 256}}},
        {kFilterHermite, {{5, 256}}, {{0, 256}}},
        {kFilterLanczos3, {{5, 256}}, {{0, 256}}},
        {kFilterBell, {{4, 32}, {5, 192}, {6, 32}}, {{1, 32}, {0, 192}, {1, 32}}},
        {kFilterBSpline, {{4, 43}, {5, 171}, {6, 43}}, {{1, 43}, {0, 171}, {1, 43}}},
    };
    for (const Case& c : cases) {
        const ContributionTable t = buildContributions(c.code, 11, 11);
        EXPECT_EQ(entries(t, 5), c.middle) << c.code;
        EXPECT_EQ(entries(t, 0), c.first) << c.code;
        EXPECT_EQ(t.weightSum[5], c.code == kFilterBSpline ? 257 : 256);
    }
}

TEST(Scaler, ReducingFourToTwoWithTriangle) {
    EXPECT_EQ(axisScale(4, 2), 1.0 / 3);
    const ContributionTable t = buildContributions(kFilterTriangle, 4, 2);
    EXPECT_EQ(entries(t, 0), (Entries{{2, 28}, {1, 57}, {0, 85}, {1, 57}, {2, 28}}));
    EXPECT_EQ(t.weightSum[0], 255);
    // A list never holds more than trunc(2w + 1) entries (w = 3 here).
    EXPECT_LE(t.list(1).size(), 7u);
}

TEST(Scaler, EnlargingTwoPixelsToThreeWithTriangle) {
    Image img = pixtest::makeImage(2, 1, [](int x, int) { return x ? 0xFFFFFFu : 0u; });
    resample(img, 3, 1, kFilterTriangle);
    ASSERT_EQ(img.width, 3);
    EXPECT_EQ(img.row(0)[0], 0);
    EXPECT_EQ(img.row(0)[3], 127);  // (128*0 + 128*255) / 256 truncated
    EXPECT_EQ(img.row(0)[6], 255);
}

TEST(Scaler, SameSizeCallsSoftenOnlyWithBellAndBSpline) {
    const Image src = pixtest::photoImage(23, 17);
    for (int code = 1; code <= 5; ++code) {
        Image img = src;
        resample(img, 0, 0, code);
        ASSERT_EQ(img.width, 23);
        ASSERT_EQ(img.height, 17);
        if (code == kFilterBell || code == kFilterBSpline) EXPECT_NE(img.pixels, src.pixels) << code;
        else EXPECT_EQ(img.pixels, src.pixels) << code;
    }
    // The first pixel under bell: (32 p1 + 192 p0 + 32 p1) / 256 along the row.
    Image row = pixtest::makeImage(3, 1, [](int x, int) { return x == 0 ? 0x000064u : x == 1 ? 0x0000C8u : 0u; });
    resample(row, 0, 0, kFilterBell);
    EXPECT_EQ(row.row(0)[0], (32 * 200 + 192 * 100 + 32 * 200) / 256);
}

TEST(Scaler, NearestPixelColumnMaps) {
    EXPECT_EQ(nearestMap(4, 2), (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(nearestMap(3, 2), (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(nearestMap(2, 4), (std::vector<int32_t>{0, 0, 1, 1}));
    EXPECT_EQ(nearestMap(5, 5), (std::vector<int32_t>{0, 1, 2, 3, 4}));

    Image img = pixtest::makeImage(4, 2, [](int x, int y) { return uint32_t(10 * x + 100 * y); });
    resample(img, 2, 1, kFilterNone);
    ASSERT_EQ(img.width, 2);
    ASSERT_EQ(img.height, 1);
    EXPECT_EQ(img.row(0)[0], 0);
    EXPECT_EQ(img.row(0)[3], 20);
}

TEST(Scaler, SizeRequests) {
    struct Case {
        int W, H, w, h;
        bool acts;
        TargetSize out;
    };
    const Case cases[] = {
        {400, 200, 0, 0, true, {400, 200}},    {400, 200, -1, 300, true, {600, 300}},
        {400, 200, -5, -5, false, {}},         {400, 200, 300, -1, true, {300, 150}},
        {400, 200, -30, 7, true, {30, 7}},     {400, 200, -1, 0, true, {1, 200}},  // W*0/H = 0 -> 1
        {400, 200, 1, -1, true, {1, 1}},       {400, 200, -1, -1, false, {}},
    };
    for (const Case& c : cases) {
        TargetSize t;
        EXPECT_EQ(resolveSizeRequest(c.W, c.H, c.w, c.h, t), c.acts) << c.w << "," << c.h;
        if (c.acts) {
            EXPECT_EQ(t, c.out) << c.w << "," << c.h;
        }
    }
    Image img = pixtest::photoImage(5, 4);
    const Image before = img;
    resample(img, -5, -5, kFilterLanczos3);
    EXPECT_EQ(img.pixels, before.pixels);
}

TEST(Scaler, BilevelStaysBilevelOnlyWithoutFilter) {
    for (int width : {13, 8, 21}) {
        const Image src = pixtest::randomBilevel(width, 9, 7u + width);
        Image img = src;
        resample(img, 2 * width, 9, kFilterNone);
        ASSERT_EQ(img.layout, Layout::Bilevel);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 2 * width; ++x) ASSERT_EQ(img.bit(x, y), src.bit(x / 2, y));
        for (int code = 1; code <= 5; ++code) {
            Image g = src;
            resample(g, width + 3, 5, code);
            ASSERT_EQ(g.layout, Layout::Bgr24);
            for (size_t i = 0; i < g.pixels.size(); i += 3) {
                ASSERT_EQ(g.pixels[i], g.pixels[i + 1]);
                ASSERT_EQ(g.pixels[i], g.pixels[i + 2]);
            }
            // The gray equals the 8-bit scaling of the bits read as 0 / 255.
            std::vector<uint8_t> plane(size_t(width) * 9);
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < width; ++x) plane[size_t(y) * width + x] = src.bit(x, y) ? 255 : 0;
            const auto expect = refFiltered(plane, width, 9, 1, width + 3, 5, code);
            for (size_t i = 0; i < expect.size(); ++i) ASSERT_EQ(g.pixels[3 * i], expect[i]) << code << " " << i;
        }
    }
}

TEST(Scaler, TransparentPixelsBecomeMidGray) {
    for (int code = 0; code <= 5; ++code) {
        Image img = pixtest::photoImage(9, 7);
        img.alpha.assign(9 * 7, 0);
        resample(img, 5, 11, code);
        ASSERT_EQ(img.alpha.size(), 5u * 11);
        for (uint8_t a : img.alpha) ASSERT_EQ(a, 0);
        for (uint8_t b : img.pixels) ASSERT_EQ(b, 128) << code;
    }
}

TEST(Scaler, UniformStaysUniformUnderEveryFilterAndSize) {
    const int sizes[][2] = {{1, 1}, {2, 3}, {3, 2}, {5, 5}, {7, 4}, {16, 9}, {31, 40}, {97, 13}};
    for (int code = 0; code <= 5; ++code)
        for (const auto& s : sizes)
            for (uint32_t colour : {0x000000u, 0xFFFFFFu, 0x80FF01u}) {
                Image img = pixtest::makeImage(9, 13, [&](int, int) { return colour; });
                resample(img, s[0], s[1], code);
                ASSERT_EQ(img.width, s[0]);
                const Image expect = pixtest::makeImage(s[0], s[1], [&](int, int) { return colour; });
                ASSERT_EQ(img.pixels, expect.pixels) << code << " " << s[0] << "x" << s[1];
            }
}

// The vectorised passes must give exactly the bytes of the plain algorithm,
// for colour, 1-bit and alpha, enlarging, reducing and mixed.
TEST(Scaler, FastPassesMatchThePlainAlgorithm) {
    const int shapes[][4] = {
        {57, 41, 36, 19}, {20, 20, 20, 20}, {4, 3, 2, 7},    {1, 5, 9, 2},    {2, 2, 17, 3},
        {64, 48, 17, 13}, {3, 9, 40, 1},    {200, 3, 7, 30}, {33, 17, 67, 35}, {1, 1, 3, 3},
        {400, 300, 80, 60}, {80, 60, 160, 120},
    };
    uint32_t seed = 1;
    for (int code = 1; code <= 5; ++code)
        for (const auto& s : shapes) {
            Image img = randomImage(s[0], s[1], seed++, true);
            Image grayed = img;
            for (size_t i = 0; i < grayed.alpha.size(); ++i)
                if (grayed.alpha[i] == 0) grayed.pixels[3 * i] = grayed.pixels[3 * i + 1] = grayed.pixels[3 * i + 2] = 128;
            const auto colour = refFiltered(grayed.pixels, s[0], s[1], 3, s[2], s[3], code);
            const auto alpha = refFiltered(grayed.alpha, s[0], s[1], 1, s[2], s[3], code);
            resample(img, s[2], s[3], code);
            ASSERT_EQ(img.pixels, colour) << code << " " << s[0] << "x" << s[1] << "->" << s[2] << "x" << s[3];
            ASSERT_EQ(img.alpha, alpha) << code;
        }
}

TEST(Scaler, HugeReductionsAndTinySourcesStayInBounds) {
    // Beyond a 512-fold reduction every weight rounds to 0: the weight-sum-0
    // branch gives 0.
    Image wide = pixtest::makeImage(2000, 3, [](int, int) { return 0xFFFFFFu; });
    resample(wide, 3, 3, kFilterTriangle);
    EXPECT_EQ(wide.row(0)[0], 0);
    for (int code = 0; code <= 5; ++code) {
        Image one = pixtest::makeImage(1, 1, [](int, int) { return 0x123456u; });
        resample(one, 5, 4, code);
        for (size_t i = 0; i < one.pixels.size(); i += 3) ASSERT_EQ(one.pixels[i], 0x56);
    }
}

TEST(Scaler, AbsurdTargetsFailWithAnErrorAndKeepTheImage) {
    Image img = pixtest::photoImage(40, 30);
    const Image before = img;
    EXPECT_THROW(resample(img, 100000, 75000, kFilterLanczos3), Error);
    EXPECT_THROW(resample(img, 100000, 75000, kFilterNone), Error);
    EXPECT_EQ(img.width, 40);
    EXPECT_EQ(img.pixels, before.pixels);
}

// Extended precision decides ties and truncations that plain doubles get
// otherwise: the bell weight 97.4999... (double: 97.5, rounded to 98) and the
// "3x" nearest map, where 3 * (1/3 as a double) stays just below 1.
TEST(Scaler, ExtendedPrecisionPinsWeightsAndColumns) {
    const ContributionTable t = buildContributions(kFilterBell, 57, 36);
    EXPECT_EQ(entries(t, 1), (Entries{{0, 20}, {1, 97}, {2, 110}, {3, 31}}));
    EXPECT_EQ(entries(t, 2), (Entries{{1, 1}, {2, 45}, {3, 117}, {4, 80}, {5, 11}}));
    EXPECT_EQ(nearestMap(4, 12), (std::vector<int32_t>{0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3}));
}
