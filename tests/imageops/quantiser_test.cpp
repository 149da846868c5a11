#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <tuple>
#include <vector>

#include "imageops/box_splitting_quantiser.h"
#include "imageops/neural_quantiser.h"
#include "imageops/palette_quantiser.h"
#include "support/test_support.h"

namespace {

using pix::PaletteQuantiser;
using pix::RgbColour;
using Method = PaletteQuantiser::Method;

uint32_t rgb(int r, int g, int b) { return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }

RgbColour colourAt(const pix::Image& img, int x, int y) {
    const uint8_t* p = img.row(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

// Every pixel's index names a filled entry; returns the mean absolute error per channel.
double checkEveryPixelMapsToAFilledEntry(const PaletteQuantiser& q, const pix::Image& img) {
    const int filled = int(q.palette().size());
    EXPECT_GE(filled, 1);
    EXPECT_LE(filled, q.size());
    double err = 0;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const RgbColour c = colourAt(img, x, y);
            const int i = q.lookup(c.r, c.g, c.b);
            if (i < 0 || i >= filled) {
                ADD_FAILURE() << "pixel " << x << "," << y << " maps to " << i << " of " << filled;
                return 1e9;
            }
            const RgbColour& e = q.palette()[size_t(i)];
            err += std::abs(e.r - c.r) + std::abs(e.g - c.g) + std::abs(e.b - c.b);
        }
    return err / (3.0 * img.width * img.height);
}

TEST(GrayRamp, IndexesAndEntries) {
    // Ten gray levels, fewer than 16: the gray ramp still wins over the exact list.
    const int levels[] = {0, 15, 16, 17, 100, 128, 200, 239, 240, 255};
    const pix::Image img = pixtest::makeImage(10, 2, [&](int x, int) { return rgb(levels[x], levels[x], levels[x]); });
    const PaletteQuantiser q16(img, 16);
    EXPECT_EQ(q16.method(), Method::GrayRamp);
    EXPECT_TRUE(q16.isGray());
    ASSERT_EQ(q16.palette().size(), 16u);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(q16.palette()[i], (RgbColour{uint8_t(16 * i), uint8_t(16 * i), uint8_t(16 * i)}));
    EXPECT_EQ(q16.lookup(100, 100, 100), 6);
    EXPECT_EQ(q16.palette()[6].r, 96);
    EXPECT_EQ(q16.lookup(255, 255, 255), 15);
    EXPECT_EQ(q16.palette()[15].r, 240);
    const int expect16[] = {0, 0, 1, 1, 6, 8, 12, 14, 15, 15};
    for (int k = 0; k < 10; ++k) EXPECT_EQ(q16.lookup(levels[k], levels[k], levels[k]), expect16[k]) << levels[k];

    const PaletteQuantiser q256(img, 256);
    EXPECT_EQ(q256.method(), Method::GrayRamp);
    ASSERT_EQ(q256.palette().size(), 256u);
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(q256.lookup(uint8_t(v), uint8_t(v), uint8_t(v)), v);
        EXPECT_EQ(q256.palette()[v].g, v);
    }

    // A ramp that does not divide 256: entry i = floor(256 i / 10), index floor(v * 10 / 256).
    const PaletteQuantiser q10(img, 10);
    const int entries10[] = {0, 25, 51, 76, 102, 128, 153, 179, 204, 230};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(q10.palette()[i].b, entries10[i]);
    EXPECT_EQ(q10.lookup(255, 255, 255), 9);
    EXPECT_EQ(q10.lookup(25, 25, 25), 0);
    EXPECT_EQ(q10.lookup(26, 26, 26), 1);
}

TEST(ExactList, FirstMetOrderAndMissingColours) {
    // Ten colours, not gray, each met first at a known place, repeated afterwards.
    const uint32_t colours[] = {rgb(200, 10, 10), rgb(0, 0, 0),   rgb(10, 200, 10), rgb(255, 255, 255),
                                rgb(1, 2, 3),     rgb(3, 2, 1),   rgb(128, 0, 255), rgb(0, 128, 255),
                                rgb(77, 77, 76),  rgb(9, 99, 199)};
    const pix::Image img = pixtest::makeImage(7, 5, [&](int x, int y) {
        const int k = y * 7 + x;
        return colours[k < 10 ? k : (k * 3) % 10];
    });
    for (int n : {10, 16, 256}) {
        SCOPED_TRACE(n);
        const PaletteQuantiser q(img, n);
        EXPECT_EQ(q.method(), Method::ExactList);
        EXPECT_FALSE(q.isGray());
        ASSERT_EQ(q.palette().size(), 10u);
        for (int k = 0; k < 10; ++k) {
            const RgbColour c{uint8_t(colours[k] >> 16), uint8_t(colours[k] >> 8), uint8_t(colours[k])};
            EXPECT_EQ(q.palette()[k], c);
            EXPECT_EQ(q.lookup(c.r, c.g, c.b), k);
        }
        EXPECT_EQ(q.lookup(200, 10, 11), -1);
        EXPECT_EQ(q.lookup(255, 255, 254), -1);
        checkEveryPixelMapsToAFilledEntry(q, img);
    }
    // One colour more than N: no longer the exact list.
    EXPECT_EQ(PaletteQuantiser(img, 9).method(), Method::BoxSplitting);
}

TEST(ExactList, HashedLookupMatchesALinearSearchForAFullList) {
    // 256 distinct colours (many sharing hash neighbourhoods) in a scrambled order.
    std::vector<uint32_t> order;
    for (int i = 0; i < 256; ++i) order.push_back(rgb((i * 37) & 255, i & 0xF0, (i * 11) & 255) ^ (uint32_t(i) << 8 & 0xF00));
    std::set<uint32_t> distinct(order.begin(), order.end());
    ASSERT_EQ(distinct.size(), 256u);
    const pix::Image img = pixtest::makeImage(64, 8, [&](int x, int y) { return order[(y * 64 + x) % 256]; });
    const PaletteQuantiser q(img, 256);
    ASSERT_EQ(q.method(), Method::ExactList);
    ASSERT_EQ(q.palette().size(), 256u);
    for (int i = 0; i < 256; ++i) {
        const RgbColour c{uint8_t(order[i] >> 16), uint8_t(order[i] >> 8), uint8_t(order[i])};
        int linear = -1;
        for (int k = 0; k < 256 && linear < 0; ++k)
            if (q.palette()[k] == c) linear = k;
        EXPECT_EQ(linear, i);
        EXPECT_EQ(q.lookup(c.r, c.g, c.b), linear);
    }
    // 257 colours: beyond the list.
    const pix::Image more = pixtest::makeImage(257, 1, [&](int x, int) { return x < 256 ? order[x] : rgb(1, 1, 0); });
    EXPECT_EQ(PaletteQuantiser(more, 256).method(), Method::Neural);
}

TEST(BoxSplitting, HandComputedSplits) {
    // Red bins 0 (two pixels), 2 (one) and 6 (one); green and blue all in bin 0.
    // Box 0: mean 2, error (40 - 4 * 2^2) / 4 = 6. Red axis: start rnd(1) = 1, end rnd(17) = 17;
    // scores 2/2 * (2 - 0)^2 = 4 at bin 1, then 3/1 * (2 - 0.5)^2 = 6.75 at bin 2: cut after bin 2.
    // Green and blue cannot be split (all pixels in the first bin). The lower part
    // (bins 0..2, mean 2/3) has error 2/3 and splits after bin 0; the upper part is bin 6.
    const uint32_t colours[] = {rgb(0, 0, 0), rgb(1, 0, 0), rgb(17, 0, 0), rgb(50, 0, 0)};
    const pix::Image img = pixtest::makeImage(4, 1, [&](int x, int) { return colours[x]; });
    const PaletteQuantiser q(img, 3);
    ASSERT_EQ(q.method(), Method::BoxSplitting);
    EXPECT_EQ(q.palette(), (std::vector<RgbColour>{{0, 0, 0}, {48, 0, 0}, {16, 0, 0}}));
    EXPECT_EQ(q.lookup(0, 0, 0), 0);
    EXPECT_EQ(q.lookup(7, 7, 7), 0);
    EXPECT_EQ(q.lookup(17, 0, 0), 2);
    EXPECT_EQ(q.lookup(50, 0, 0), 1);

    // With two colours allowed the first split alone: bins 0..2 average to rnd(2/3) = 1.
    const PaletteQuantiser q2(img, 2);
    EXPECT_EQ(q2.palette(), (std::vector<RgbColour>{{8, 0, 0}, {48, 0, 0}}));
    EXPECT_EQ(q2.lookup(17, 0, 0), 0);

    // One box, never split: its means 0.5, 2.5 and 5.5 round to the even bins 0, 2 and 6.
    const pix::Image halves = pixtest::makeImage(2, 2, [](int x, int) { return x ? rgb(8, 24, 48) : rgb(0, 16, 40); });
    const PaletteQuantiser q1(halves, 1);
    ASSERT_EQ(q1.method(), Method::BoxSplitting);
    EXPECT_EQ(q1.palette(), (std::vector<RgbColour>{{0, 16, 48}}));
    EXPECT_EQ(q1.lookup(8, 24, 48), 0);
}

TEST(BoxSplitting, StopsEarlyWithOneEntryPerOccupiedCell) {
    // Eight 5-bit cells, several colours in each (more than 16 colours in all):
    // splitting ends with every cell its own box, its entry the cell's corner.
    const int cells[8][3] = {{31, 31, 31}, {0, 0, 0}, {31, 0, 0}, {0, 31, 0},
                             {0, 0, 31},   {10, 20, 30}, {16, 16, 0}, {5, 9, 12}};
    const pix::Image img = pixtest::makeImage(40, 10, [&](int x, int y) {
        const int* c = cells[x % 8];
        const int lo = (x / 8 + y) % 8;
        return rgb(c[0] * 8 + lo, c[1] * 8 + (7 - lo), c[2] * 8 + lo / 2);
    });
    const PaletteQuantiser q(img, 16);
    ASSERT_EQ(q.method(), Method::BoxSplitting);
    ASSERT_EQ(q.palette().size(), 8u);
    std::set<std::tuple<int, int, int>> got, want;
    for (const RgbColour& c : q.palette()) got.insert({c.r, c.g, c.b});
    for (const auto& c : cells) want.insert({c[0] * 8, c[1] * 8, c[2] * 8});
    EXPECT_EQ(got, want);
    // Pure white is (248, 248, 248).
    EXPECT_EQ(q.palette()[q.lookup(255, 255, 255)], (RgbColour{248, 248, 248}));
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const RgbColour c = colourAt(img, x, y);
            const RgbColour& e = q.palette()[q.lookup(c.r, c.g, c.b)];
            ASSERT_EQ(e, (RgbColour{uint8_t(c.r & 0xF8), uint8_t(c.g & 0xF8), uint8_t(c.b & 0xF8)}));
        }
}

TEST(NeuralQuantiser, SamplingFactor) {
    const std::pair<int64_t, int> cases[] = {{1, 1},        {1999, 1},     {2000, 2},     {76000, 8},
                                             {224000, 22},  {1000000, 30}, {12000000, 30}};
    for (const auto& [pixels, f] : cases) EXPECT_EQ(pix::neuralSamplingFactor(pixels), f) << pixels;
}

TEST(NeuralQuantiser, SearchFindsTheNearestEntry) {
    const pix::Image img = pixtest::photoImage(160, 120);
    const pix::NeuralQuantiser q(img, 256);
    ASSERT_EQ(q.palette().size(), 256u);
    // The search stops early on both sides of the green index but still finds the
    // least sum of channel differences.
    for (int i = 0; i < 20000; ++i) {
        const uint32_t c = uint32_t(i) * 2654435761u;
        const uint8_t r = uint8_t(c >> 24), g = uint8_t(c >> 16), b = uint8_t(c >> 8);
        const int k = q.search(r, g, b);
        ASSERT_GE(k, 0);
        ASSERT_LT(k, 256);
        int best = 1 << 30;
        for (const RgbColour& e : q.palette())
            best = std::min(best, std::abs(e.r - r) + std::abs(e.g - g) + std::abs(e.b - b));
        const RgbColour& e = q.palette()[size_t(k)];
        ASSERT_EQ(std::abs(e.r - r) + std::abs(e.g - g) + std::abs(e.b - b), best);
    }
}

// The fast lookup gives the search's index, ties included, for a grid over the
// whole colour cube and for every pixel of the image.
void expectLookupEqualsSearch(const pix::NeuralQuantiser& q, const pix::Image& img, int step) {
    // Every step-th value of each channel, and 255.
    auto v = [step](int i) { return uint8_t(std::min(i * step, 255)); };
    const int last = (255 + step - 1) / step;
    for (int r = 0; r <= last; ++r)
        for (int g = 0; g <= last; ++g)
            for (int b = 0; b <= last; ++b)
                ASSERT_EQ(q.lookup(v(r), v(g), v(b)), q.search(v(r), v(g), v(b))) << r << "," << g << "," << b;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const RgbColour c = colourAt(img, x, y);
            ASSERT_EQ(q.lookup(c.r, c.g, c.b), q.search(c.r, c.g, c.b)) << x << "," << y;
        }
}

TEST(NeuralQuantiser, LookupAnswersAsTheSearch) {
    const pix::Image photo = pixtest::photoImage(160, 120);
    expectLookupEqualsSearch(pix::NeuralQuantiser(photo, 256), photo, 7);
    expectLookupEqualsSearch(pix::NeuralQuantiser(photo, 128), photo, 11);
    // 300 colours close together: many neurons end equal or untouched, so
    // lookups meet many equally near entries.
    const pix::Image close = pixtest::makeImage(30, 10, [](int x, int y) { return rgb(100 + x % 6, 120 + y, 90 + x / 6); });
    expectLookupEqualsSearch(pix::NeuralQuantiser(close, 256), close, 13);
    // Two colours far apart in a large image of mostly one colour.
    const pix::Image two = pixtest::makeImage(64, 64, [](int x, int y) {
        return x == 0 ? rgb(y, 255 - y, 3 * y) : (x + y) % 2 ? rgb(10, 10, 200) : rgb(240, 240, 20);
    });
    expectLookupEqualsSearch(pix::NeuralQuantiser(two, 256), two, 13);
}

uint32_t fnv(uint32_t h, uint32_t v) { return (h ^ v) * 16777619u; }

TEST(NeuralQuantiser, PinnedPalettesAndLookups) {
    // An image from integer arithmetic only (100 x 80: sampling factor 3). The
    // figures below agree with a straight transcription of Dekker's published
    // NeuQuant code (with the rounding unbias) run on the same pixels.
    const pix::Image img = pixtest::makeImage(100, 80, [](int x, int y) {
        const uint32_t r = uint32_t(x * 2 + y) & 255, g = uint32_t(x * y / 16 + 40) & 255,
                       b = uint32_t((x * 5) ^ (y * 3)) & 255;
        return r << 16 | g << 8 | b;
    });
    struct Pin {
        int n;
        uint32_t paletteHash, lookupHash;
        RgbColour first, last;
        int white, black;
    };
    const Pin pins[] = {
        {128, 2797243231u, 1364060101u, {182, 15, 29}, {179, 241, 157}, 24, 65},
        {256, 4048912321u, 1544943579u, {150, 202, 79}, {11, 226, 44}, 207, 117},
    };
    for (const Pin& pin : pins) {
        SCOPED_TRACE(pin.n);
        const pix::NeuralQuantiser q(img, pin.n);
        ASSERT_EQ(q.palette().size(), size_t(pin.n));
        uint32_t h = 2166136261u;
        for (const RgbColour& e : q.palette()) h = fnv(fnv(fnv(h, e.r), e.g), e.b);
        EXPECT_EQ(h, pin.paletteHash);
        uint32_t l = 2166136261u;
        for (int c = 0; c < (1 << 24); c += 4099) l = fnv(l, uint32_t(q.lookup(uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c))));
        EXPECT_EQ(l, pin.lookupHash);
        EXPECT_EQ(q.palette().front(), pin.first);
        EXPECT_EQ(q.palette().back(), pin.last);
        EXPECT_EQ(q.lookup(255, 255, 255), pin.white);
        EXPECT_EQ(q.lookup(0, 0, 0), pin.black);
    }
}

TEST(NeuralQuantiser, TinyImagesStayInsideTheImage) {
    // Fewer pixels than one sampling step: the walk wraps around without leaving the image.
    for (int w : {129, 200, 499, 502}) {
        const pix::Image img = pixtest::makeImage(w, 1, [](int x, int) { return rgb(x, 255 - x, (x * 7) & 255); });
        const PaletteQuantiser q(img, 128);
        EXPECT_EQ(q.method(), Method::Neural);
        EXPECT_EQ(q.palette().size(), 128u);
        checkEveryPixelMapsToAFilledEntry(q, img);
    }
}

TEST(PaletteQuantiser, EveryPixelOfAPhotoMapsToAFilledEntry) {
    pix::Image img = pixtest::photoImage(320, 240);
    // A white patch: white stays white-ish as (248, 248, 248) in the box-splitting palette.
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x) std::fill_n(img.row(y) + 3 * x, 3, uint8_t(255));
    const pix::Image before = img;

    const PaletteQuantiser q16(img, 16);
    EXPECT_EQ(q16.method(), Method::BoxSplitting);
    EXPECT_EQ(q16.size(), 16);
    EXPECT_EQ(q16.palette().size(), 16u);
    EXPECT_EQ(q16.palette()[q16.lookup(255, 255, 255)], (RgbColour{248, 248, 248}));
    EXPECT_LT(checkEveryPixelMapsToAFilledEntry(q16, img), 20.0);

    for (int n : {128, 255, 256}) {
        SCOPED_TRACE(n);
        const PaletteQuantiser q(img, n);
        EXPECT_EQ(q.method(), Method::Neural);
        EXPECT_EQ(q.palette().size(), size_t(n));
        EXPECT_LT(checkEveryPixelMapsToAFilledEntry(q, img), 6.0);
    }
    EXPECT_EQ(PaletteQuantiser(img, 127).method(), Method::BoxSplitting);
    EXPECT_EQ(img.pixels, before.pixels);
}

TEST(PaletteQuantiser, MovesAndOddInputs) {
    // A bilevel image reads as black and white: the gray ramp.
    pix::Image bits;
    bits.allocate(9, 2, pix::Layout::Bilevel);
    bits.row(0)[0] = 0xA5;
    PaletteQuantiser q(bits, 16);
    EXPECT_TRUE(q.isGray());
    EXPECT_EQ(q.lookup(255, 255, 255), 15);
    // The quantisers on their own read it the same way.
    const pix::BoxSplittingQuantiser boxes(bits, 16);
    EXPECT_EQ(boxes.palette()[boxes.lookup(255, 255, 255)], (RgbColour{248, 248, 248}));
    EXPECT_EQ(boxes.palette()[boxes.lookup(0, 0, 0)], (RgbColour{0, 0, 0}));
    const pix::NeuralQuantiser neural(bits, 128);
    EXPECT_EQ(neural.lookup(255, 255, 255), neural.search(255, 255, 255));

    // Moving keeps the lookup data.
    PaletteQuantiser moved(pixtest::photoImage(64, 64), 16);
    const std::vector<RgbColour> pal = moved.palette();
    const int white = moved.lookup(250, 250, 250);
    q = std::move(moved);
    EXPECT_EQ(q.method(), Method::BoxSplitting);
    EXPECT_EQ(q.palette(), pal);
    EXPECT_EQ(q.lookup(250, 250, 250), white);

    // Counts out of range are held to 1..256.
    EXPECT_EQ(PaletteQuantiser(pixtest::photoImage(20, 20), 0).size(), 1);
    EXPECT_EQ(PaletteQuantiser(pixtest::photoImage(20, 20), 1000).size(), 256);
}

}  // namespace
