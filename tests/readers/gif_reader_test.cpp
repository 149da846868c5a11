// The GIF reader against ImageMagick's decode: the first image, its own or
// the global table, the bilevel rule and the alpha plane of the transparent
// index.
#include <gtest/gtest.h>

#include "image/error.h"
#include "support/library_readers_support.h"

using namespace pixtest;

namespace {

struct GifCase {
    const char* file;
    pix::Layout layout;
    int bits;
    bool alpha;
};

const GifCase kCases[] = {
    {"gif_black_white.gif", pix::Layout::Bilevel, 1, false},
    // Two entries that are not black then white: 24-bit, still 1 bit recorded.
    {"gif_red_yellow.gif", pix::Layout::Bgr24, 1, false},
    {"gif_trans_interlaced.gif", pix::Layout::Bgr24, 3, true},
    {"gif_local_table.gif", pix::Layout::Bgr24, 2, true},
    {"gif_two_frames.gif", pix::Layout::Bgr24, 1, false},
};

TEST(GifReader, EveryVariantMatchesImageMagick) {
    for (const GifCase& c : kCases) {
        SCOPED_TRACE(c.file);
        pix::Image img = readFixture(pix::readGif, c.file);
        EXPECT_EQ(img.layout, c.layout);
        EXPECT_EQ(img.params.BitsPerSample, c.bits);
        EXPECT_EQ(img.params.SamplesPerPixel, 1);
        EXPECT_EQ(img.xdpi, 300);
        EXPECT_EQ(img.ydpi, 300);
        expectPixelsNear(img, decodeWithMagick(dataPath(c.file)), 0, c.file);
        ASSERT_EQ(img.hasAlpha(), c.alpha);
        if (c.alpha) {
            EXPECT_EQ(img.alpha, alphaWithMagick(dataPath(c.file)));
        }
    }
}

TEST(GifReader, LocalTableAndTransparentIndexOfTheFirstImage) {
    // Local table red, green, blue, yellow over a black/white global table;
    // pixel (x, y) has index (x + y) % 4, index 2 transparent.
    pix::Image img = readFixture(pix::readGif, "gif_local_table.gif");
    ASSERT_EQ(img.width, 6);
    ASSERT_EQ(img.height, 3);
    const uint32_t bgr[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};  // 0xRRGGBB
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) {
            const int i = (x + y) % 4;
            const uint8_t* p = img.row(y) + 3 * x;
            EXPECT_EQ(p[0] | p[1] << 8 | p[2] << 16, int(bgr[i])) << x << "," << y;
            EXPECT_EQ(img.alpha[size_t(y) * 6 + x], i == 2 ? 0 : 255);
        }
}

TEST(GifReader, FirstFrameOnly) {
    pix::Image img = readFixture(pix::readGif, "gif_two_frames.gif");
    ASSERT_EQ(img.width, 5);
    ASSERT_EQ(img.height, 4);
    const uint8_t* p = img.row(3) + 12;
    EXPECT_EQ(p[2], 0);  // navy, not orange
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(p[0], 128);
}

std::vector<uint8_t> gifHeader(uint16_t w, uint16_t h) {
    return {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255,
            0x2C, 0, 0, 0, 0, uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8), 0};
}

TEST(GifReader, DamagedFilesRaiseOrKeepWhatWasDecoded) {
    // Library messages about the damage must not reach stderr.
    testing::internal::CaptureStderr();
    // 65535 x 65535 stated, a few bytes of data: refused before allocating.
    std::vector<uint8_t> huge = gifHeader(65535, 65535);
    for (uint8_t b : {2, 2, 0x4C, 0x01, 0}) huge.push_back(b);
    try {
        readBytes(pix::readGif, huge);
        FAIL() << "accepted";
    } catch (const pix::Error& e) {
        EXPECT_NE(std::string(e.what()).find("65535 x 65535"), std::string::npos) << e.what();
    }
    EXPECT_THROW(readBytes(pix::readGif, gifHeader(4, 4)), pix::Error);  // no image data
    EXPECT_THROW(readBytes(pix::readGif, {'G', 'I', 'F'}), pix::Error);
    const std::vector<uint8_t> noImage = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, ';'};
    EXPECT_THROW(readBytes(pix::readGif, noImage), pix::Error);

    for (const char* name : {"gif_trans_interlaced.gif", "gif_local_table.gif"}) {
        const std::vector<uint8_t> whole = readFile(dataPath(name));
        for (size_t n = 0; n < whole.size(); ++n) {
            std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(n));
            try {
                pix::Image img = readBytes(pix::readGif, cut);
                EXPECT_EQ(img.pixels.size(), img.stride() * size_t(img.height));
                EXPECT_EQ(img.alpha.size(), size_t(img.width) * size_t(img.height));
            } catch (const pix::Error& e) {
                EXPECT_EQ(std::string(e.what()).rfind("GIF: ", 0), 0u) << e.what();
            }
        }
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
