// Quarter turns, half turn and mirrors: the 3 x 2 table, 1-bit rows of any
// width, the alpha plane, and the step's keyword matching.
#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "engine/steps.h"
#include "image/error.h"
#include "imageops/orientation.h"
#include "support/test_support.h"

using namespace pix;

namespace {

// Pixels named by letters: a b c / d e f, each letter its own colour.
Image letters() {
    return pixtest::makeImage(3, 2, [](int x, int y) { return uint32_t('a' + y * 3 + x); });
}

std::vector<std::string> rowsOf(const Image& img) {
    std::vector<std::string> rows;
    for (int y = 0; y < img.height; ++y) {
        std::string r;
        for (int x = 0; x < img.width; ++x) r += char(img.row(y)[3 * x]);
        rows.push_back(r);
    }
    return rows;
}

}  // namespace

TEST(Orientation, TheThreeByTwoTable) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"left90", {"cf", "be", "ad"}},  {"right90", {"da", "eb", "fc"}}, {"rotate180", {"fed", "cba"}},
        {"flipdown", {"def", "abc"}},    {"flipleft", {"cba", "fed"}},    {"  left90\t", {"cf", "be", "ad"}},
        {"Left90", {"abc", "def"}},      {"LEFT90", {"abc", "def"}},      {"rotateleft90", {"abc", "def"}},
        {"rotateright90", {"abc", "def"}},
    };
    for (const auto& [value, rows] : cases) {
        Image img = letters();
        orientationStep(value, img);
        EXPECT_EQ(rowsOf(img), rows) << value;
    }
}

TEST(Orientation, BilevelRowsOfAnyWidth) {
    for (int w : {13, 8, 1, 17, 24}) {
        const Image src = pixtest::randomBilevel(w, 5, uint32_t(w));
        Image flipped = src;
        mirror(flipped, MirrorAxis::Vertical);
        ASSERT_EQ(flipped.layout, Layout::Bilevel);
        ASSERT_EQ(flipped.width, w);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < w; ++x) ASSERT_EQ(flipped.bit(x, y), src.bit(w - 1 - x, y)) << w;

        Image turned = src;
        rotate(turned, 90);
        ASSERT_EQ(turned.layout, Layout::Bilevel);
        ASSERT_EQ(turned.width, 5);
        ASSERT_EQ(turned.height, w);
        for (int y = 0; y < w; ++y)
            for (int x = 0; x < 5; ++x) ASSERT_EQ(turned.bit(x, y), src.bit(w - 1 - y, x));

        Image half = src;
        rotate(half, 180);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < w; ++x) ASSERT_EQ(half.bit(x, y), src.bit(w - 1 - x, 4 - y));
        // The padding bits past the width stay clear.
        for (const Image* img : {&flipped, &turned, &half}) {
            if (img->width % 8 == 0) continue;
            for (int y = 0; y < img->height; ++y)
                ASSERT_EQ(img->row(y)[img->stride() - 1] & ((1 << (8 - img->width % 8)) - 1), 0);
        }
    }
}

TEST(Orientation, ATurnAndItsInverseRestoreTheImageWithItsAlpha) {
    Image colour = pixtest::photoImage(7, 4);
    colour.alpha.resize(28);
    for (int i = 0; i < 28; ++i) colour.alpha[size_t(i)] = uint8_t(9 * i);
    const Image bits = pixtest::randomBilevel(13, 6, 3);
    const std::pair<const char*, const char*> pairs[] = {
        {"left90", "right90"}, {"right90", "left90"}, {"rotate180", "rotate180"},
        {"flipdown", "flipdown"}, {"flipleft", "flipleft"},
    };
    for (const Image* src : std::initializer_list<const Image*>{&colour, &bits}) {
        for (const auto& [there, back] : pairs) {
            Image img = *src;
            orientationStep(there, img);
            if (src == &colour) {
                EXPECT_NE(img.pixels, src->pixels) << there;
            }
            orientationStep(back, img);
            EXPECT_EQ(img.width, src->width);
            EXPECT_EQ(img.pixels, src->pixels) << there;
            EXPECT_EQ(img.alpha, src->alpha) << there;
        }
    }
}

TEST(Orientation, AlphaMovesWithThePicture) {
    // Alpha equal to the blue byte before the move must still equal it after.
    Image img = pixtest::photoImage(5, 3);
    img.alpha.resize(15);
    for (int i = 0; i < 15; ++i) img.alpha[size_t(i)] = img.pixels[3 * size_t(i)];
    for (const char* v : {"left90", "right90", "rotate180", "flipdown", "flipleft"}) {
        Image t = img;
        orientationStep(v, t);
        for (size_t i = 0; i < t.alpha.size(); ++i) ASSERT_EQ(t.alpha[i], t.pixels[3 * i]) << v;
    }
}

TEST(Orientation, OnlyQuarterAnglesAreOffered) {
    Image img = letters();
    rotate(img, -90);
    EXPECT_EQ(rowsOf(img), (std::vector<std::string>{"da", "eb", "fc"}));
    rotate(img, 450);
    EXPECT_EQ(rowsOf(img), (std::vector<std::string>{"abc", "def"}));
    EXPECT_THROW(rotate(img, 45), Error);
}
