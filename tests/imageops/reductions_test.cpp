#include "imageops/reductions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

using pix::RgbColour;

uint32_t rgb(int r, int g, int b) { return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }

// The image's bits as '0'/'1' text, one string per row.
std::vector<std::string> bitRows(const pix::Image& bits) {
    std::vector<std::string> rows;
    for (int y = 0; y < bits.height; ++y) {
        std::string s;
        for (int x = 0; x < bits.width; ++x) s += bits.bit(x, y) ? '1' : '0';
        rows.push_back(s);
    }
    return rows;
}

// A two-row image whose pixels are `first` except where the pattern has 'x'.
pix::Image twoColours(uint32_t first, uint32_t second, const std::vector<std::string>& pattern) {
    return pixtest::makeImage(int(pattern[0].size()), int(pattern.size()),
                              [&](int x, int y) { return pattern[y][x] == 'x' ? second : first; });
}

struct TieCase {
    const char* what;
    uint32_t first, second;
    bool firstIsDark;  // the colour met first gets bit 0
};

TEST(TwoColourReduction, DarkerRoundedGraySumGetsBitZeroAndTiesGoToTheFirstColour) {
    const TieCase cases[] = {
        // 21.2 and 21.4 both round to 21: a tie, the first colour gets bit 0, in either order.
        {"tie (96,0,13) first", rgb(96, 0, 13), rgb(100, 0, 5), true},
        {"tie (100,0,5) first", rgb(100, 0, 5), rgb(96, 0, 13), true},
        // Red 53.55 -> 54 and blue 20.4 -> 20: blue is dark whichever comes first.
        {"red then blue", rgb(255, 0, 0), rgb(0, 0, 255), false},
        {"blue then red", rgb(0, 0, 255), rgb(255, 0, 0), true},
        // 22.5 rounds to even 22, like 22.3: a tie (rounding half up would make the second darker).
        {"half to even", rgb(0, 30, 15), rgb(4, 30, 2), true},
        // 22.9 -> 23 against 22.3 -> 22: the second is darker (truncating would call it a tie).
        {"rounded, not truncated", rgb(0, 30, 20), rgb(4, 30, 2), false},
        {"black and white", rgb(255, 255, 255), rgb(0, 0, 0), false},
    };
    const std::vector<std::string> pattern = {"..x.xxx...", "x........x"};
    for (const TieCase& c : cases) {
        SCOPED_TRACE(c.what);
        const pix::Image img = twoColours(c.first, c.second, pattern);
        const auto r = pix::twoColourReduction(img);
        ASSERT_TRUE(r.has_value());
        EXPECT_TRUE(r->twoColour);
        const uint32_t dark = c.firstIsDark ? c.first : c.second, light = c.firstIsDark ? c.second : c.first;
        EXPECT_EQ(r->colour0, (RgbColour{uint8_t(dark >> 16), uint8_t(dark >> 8), uint8_t(dark)}));
        EXPECT_EQ(r->colour1, (RgbColour{uint8_t(light >> 16), uint8_t(light >> 8), uint8_t(light)}));
        ASSERT_EQ(r->bits.layout, pix::Layout::Bilevel);
        ASSERT_EQ(r->bits.width, 10);
        ASSERT_EQ(r->bits.height, 2);
        const std::vector<std::string> expect =
            c.firstIsDark ? std::vector<std::string>{"0010111000", "1000000001"}
                          : std::vector<std::string>{"1101000111", "0111111110"};
        EXPECT_EQ(bitRows(r->bits), expect);
        // The padding bits of each row's last byte stay clear.
        for (int y = 0; y < 2; ++y) EXPECT_EQ(r->bits.row(y)[1] & 0x3F, 0);
    }
}

TEST(TwoColourReduction, AnswersNoForOneOrThreeColours) {
    EXPECT_FALSE(pix::twoColourReduction(pixtest::makeImage(5, 4, [](int, int) { return rgb(9, 8, 7); })));
    // The third colour in the last pixel of the last row.
    EXPECT_FALSE(pix::twoColourReduction(pixtest::makeImage(5, 4, [](int x, int y) {
        return x == 4 && y == 3 ? rgb(1, 2, 3) : (x + y) % 2 ? rgb(255, 0, 0) : rgb(0, 0, 255);
    })));
    // Three colours in the first row.
    EXPECT_FALSE(pix::twoColourReduction(pixtest::makeImage(3, 3, [](int x, int) { return rgb(x, 0, 0); })));
}

TEST(TwoColourReduction, ReadsABilevelImageAsBlackAndWhite) {
    pix::Image bilevel;
    bilevel.allocate(4, 2, pix::Layout::Bilevel);
    bilevel.row(0)[0] = 0x90;
    bilevel.row(1)[0] = 0x60;
    const auto r = pix::twoColourReduction(bilevel);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->colour0, (RgbColour{0, 0, 0}));
    EXPECT_EQ(bitRows(r->bits), (std::vector<std::string>{"1001", "0110"}));
}

TEST(MeanThresholdReduction, SingleColourIsAllWhite) {
    const pix::Image img = pixtest::makeImage(9, 3, [](int, int) { return rgb(77, 140, 3); });
    EXPECT_FALSE(pix::twoColourReduction(img));
    const pix::BilevelImage r = pix::bilevelFor(img);
    EXPECT_FALSE(r.twoColour);
    EXPECT_EQ(r.colour0, (RgbColour{0, 0, 0}));
    EXPECT_EQ(r.colour1, (RgbColour{255, 255, 255}));
    for (const std::string& row : bitRows(r.bits)) EXPECT_EQ(row, "111111111");
}

TEST(MeanThresholdReduction, PixelAtTheThresholdIsWhite) {
    // Row means: red (0+90+180)/3 = 90 and (90+90+91)/3 = 90 (truncated), so mR = 90;
    // green and blue the same way; T = (21*90 + 71*90 + 8*90) div 100 = 90.
    // Gray levels: 0, 90, 180 in row 0; 90, 90, (21*91+71*90+8*90) div 100 = 90 in row 1.
    const pix::Image img = pixtest::makeImage(3, 2, [](int x, int y) {
        if (y == 0) return rgb(90 * x, 90 * x, 90 * x);
        return x == 2 ? rgb(91, 90, 90) : rgb(90, 90, 90);
    });
    const pix::BilevelImage r = pix::bilevelFor(img);
    EXPECT_FALSE(r.twoColour);
    EXPECT_EQ(bitRows(r.bits), (std::vector<std::string>{"011", "111"}));

    // One more gray level below the threshold turns black: (89,90,90) has gray level 89.
    const pix::Image img2 = pixtest::makeImage(4, 1, [](int x, int) {
        const uint32_t c[] = {rgb(0, 0, 0), rgb(89, 90, 90), rgb(90, 90, 90), rgb(181, 180, 180)};
        return c[x];
    });
    // Means: red (0+89+90+181)/4 = 90, green and blue (0+90+90+180)/4 = 90: T = 90.
    EXPECT_EQ(bitRows(pix::meanThresholdReduction(img2).bits), (std::vector<std::string>{"0011"}));
}

TEST(MeanThresholdReduction, MatchesAnIndependentThresholdOnAPhoto) {
    const pix::Image img = pixtest::photoImage(203, 61);
    // Channel means with per-row truncation, then the gray level of the means.
    long tot[3] = {0, 0, 0};
    for (int y = 0; y < img.height; ++y) {
        long s[3] = {0, 0, 0};
        for (int x = 0; x < img.width; ++x)
            for (int c = 0; c < 3; ++c) s[c] += img.row(y)[3 * x + c];
        for (int c = 0; c < 3; ++c) tot[c] += s[c] / img.width;
    }
    const int mb = int(tot[0] / img.height), mg = int(tot[1] / img.height), mr = int(tot[2] / img.height);
    const int t = (21 * mr + 71 * mg + 8 * mb) / 100;
    const pix::BilevelImage r = pix::bilevelFor(img);
    EXPECT_FALSE(r.twoColour);
    int white = 0;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const uint8_t* p = img.row(y) + 3 * x;
            const bool expectWhite = (21 * p[2] + 71 * p[1] + 8 * p[0]) / 100 >= t;
            ASSERT_EQ(r.bits.bit(x, y), expectWhite) << x << "," << y;
            white += expectWhite;
        }
    EXPECT_GT(white, 0);
    EXPECT_LT(white, img.width * img.height);
}

}  // namespace
