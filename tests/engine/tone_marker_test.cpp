// Brightness, contrast, grayscale, negative and the processed marker.
#include <gtest/gtest.h>

#include <set>

#include "engine/processed_marker.h"
#include "imageops/tone.h"
#include "support/test_support.h"

using namespace pix;

namespace {
struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};
Rgb shifted(Rgb c, int dv) {
    hsv99Shift(c.r, c.g, c.b, 0, 0, dv);
    return c;
}
// Runs adjusthsv on a one-pixel image, so the whole-image path is what is checked.
Rgb brightnessOf(Rgb c, int dv) {
    Image img = pixtest::makeImage(1, 1, [&](int, int) { return uint32_t(c.r << 16 | c.g << 8 | c.b); });
    adjusthsv(img, 0, 0, dv);
    const uint8_t* p = img.row(0);
    return {p[2], p[1], p[0]};
}
}  // namespace

TEST(Brightness, WorkedNumbers) {
    const struct {
        Rgb in;
        int dv;
        Rgb out;
    } cases[] = {
        {{128, 128, 128}, 0, {129, 129, 129}}, {{1, 1, 1}, 0, {0, 0, 0}},         {{2, 2, 2}, 0, {3, 3, 3}},
        {{200, 100, 50}, 0, {201, 103, 52}},   {{10, 200, 30}, 0, {13, 201, 33}},  {{255, 0, 0}, 0, {255, 0, 0}},
        {{0, 0, 0}, 0, {0, 0, 0}},             {{255, 255, 255}, 0, {255, 255, 255}},
        {{0, 0, 0}, 10, {26, 26, 26}},         {{128, 128, 128}, 10, {155, 155, 155}},
        {{200, 100, 50}, 10, {227, 116, 59}},  {{255, 255, 255}, -10, {229, 229, 229}},
        {{200, 100, 50}, -10, {175, 90, 46}},  {{200, 100, 50}, 100, {255, 129, 64}},
        {{200, 100, 50}, -100, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shifted(c.in, c.dv), c.out) << c.in.r << "," << c.in.g << "," << c.in.b << " by " << c.dv;
        EXPECT_EQ(brightnessOf(c.in, c.dv), c.out);
    }
}

TEST(Brightness, GrayLevelsQuantiseToOneHundred) {
    int changed = 0;
    std::set<int> levels;
    for (int v = 0; v < 256; ++v) {
        const Rgb out = shifted({v, v, v}, 0);
        changed += out.r != v;
        levels.insert(out.r);
    }
    EXPECT_EQ(changed, 156);
    EXPECT_EQ(levels.size(), 100u);
}

TEST(Brightness, MemoisedImageMatchesPerPixelModel) {
    Image img = pixtest::photoImage(97, 61);
    Image expected = img;
    adjusthsv(img, 0, 0, 7);
    for (size_t i = 0; i < expected.pixels.size(); i += 3) {
        Rgb c{expected.pixels[i + 2], expected.pixels[i + 1], expected.pixels[i]};
        c = shifted(c, 7);
        ASSERT_EQ((Rgb{img.pixels[i + 2], img.pixels[i + 1], img.pixels[i]}), c) << i;
    }
}

TEST(Brightness, BilevelBecomesColour) {
    Image img;
    img.allocate(9, 3, Layout::Bilevel);
    img.row(1)[0] = 0x80;
    adjusthsv(img, 0, 0, 0);
    ASSERT_EQ(img.layout, Layout::Bgr24);
    EXPECT_EQ(img.row(1)[0], 255);
    EXPECT_EQ(img.row(1)[3], 0);
}

TEST(Contrast, FactorTable) {
    const std::pair<int, int32_t> cases[] = {{-100, 0},    {-99, 328},    {-50, 19195},  {-25, 32768},
                                             {-1, 58982},  {0, 65536},    {1, 72089},    {3, 85196},
                                             {5, 98304},   {50, 393216},  {100, 720896}, {-400, -65536}};
    for (auto [a, k] : cases) EXPECT_EQ(contrastFactor(a), k) << a;
}

TEST(Contrast, MeansTruncatePerRowAndStretch) {
    Image img = pixtest::makeImage(3, 1, [](int x, int) { return x == 2 ? 0x010000u : 0u; });
    EXPECT_EQ(channelMeans(img).r, 0);
    Image photo = pixtest::photoImage(50, 40);
    const Image before = photo;
    adjustcontrast(photo, 0);
    EXPECT_EQ(photo.pixels, before.pixels);
    adjustcontrast(photo, -100);
    const ChannelMeans m = channelMeans(before);
    for (size_t i = 0; i < photo.pixels.size(); i += 3) {
        ASSERT_EQ(photo.pixels[i], m.b);
        ASSERT_EQ(photo.pixels[i + 1], m.g);
        ASSERT_EQ(photo.pixels[i + 2], m.r);
    }
    // +10 doubles deviations about the mean; quot truncates toward zero.
    Image two = pixtest::makeImage(2, 1, [](int x, int) { return x ? 0x0A0A0Au : 0x070707u; });
    adjustcontrast(two, 10);  // mean 8: 7 -> 8 + (-1*2) = 6, 10 -> 8 + 4 = 12
    EXPECT_EQ(two.row(0)[0], 6);
    EXPECT_EQ(two.row(0)[3], 12);
}

TEST(GrayAndNegative, Levels) {
    EXPECT_EQ(grayLevel(255, 255, 255), 255);
    EXPECT_EQ(grayLevel(255, 0, 0), 53);
    EXPECT_EQ(grayLevel(0, 255, 0), 181);
    EXPECT_EQ(grayLevel(0, 0, 255), 20);
    EXPECT_EQ(grayLevel(128, 128, 128), 128);
    Image img = pixtest::makeImage(2, 1, [](int x, int) { return x ? 0xC86432u : 0xFF0000u; });
    converttogray(img);
    makenegative(img);
    EXPECT_EQ(img.row(0)[0], 255 - 53);
    EXPECT_EQ(img.row(0)[1], 255 - 53);
    EXPECT_EQ(img.row(0)[3], 255 - grayLevel(200, 100, 50));
}

TEST(ProcessedMarker, PayloadInLowBits) {
    Image img = pixtest::photoImage(60, 4);
    img.pixels[0] = 255;  // a 255 that must become even goes down to 254
    writeProcessedMarker(img);
    std::vector<uint8_t> bytes(21, 0);
    for (size_t i = 0; i < 168; ++i) bytes[i / 8] |= uint8_t((img.pixels[i] & 1) << (i % 8));
    const std::vector<uint8_t> expected = {0, 0, 0, 0, 13, 0, 0, 0, 'q', 'x', 'o', ' ', 'p', 'r', 'o',
                                           'c', 'e', 's', 's', 'e', 'd'};
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(img.pixels[0], 254);
}

TEST(ProcessedMarker, SmallAndBilevelImages) {
    Image img = pixtest::makeImage(3, 3, [](int, int) { return 0xFFFFFFu; });
    writeProcessedMarker(img);  // 27 bytes carry the first 27 bits: all zero but bit 26 (byte 3 is 0, 4 = 13)
    for (size_t i = 0; i < 27; ++i) EXPECT_EQ(img.pixels[i], 254) << i;
    Image bits;
    bits.allocate(70, 3, Layout::Bilevel);
    writeProcessedMarker(bits);
    EXPECT_EQ(bits.layout, Layout::Bgr24);
    EXPECT_EQ(bits.pixels[32], 1);  // bit 32 of the payload: the 1 of the length 13
}
