// The PNG reader against ImageMagick's decode of files made by Pillow and
// ImageMagick: layout, recorded depth, alpha plane and resolution.
#include <gtest/gtest.h>

#include <zlib.h>

#include "image/error.h"
#include "support/library_readers_support.h"

using namespace pixtest;

namespace {

struct PngCase {
    const char* file;
    pix::Layout layout;
    int bits, samples;
    bool alpha;
    int tol;  // 16-bit files: rounding to 8 bits may differ by one
};

const PngCase kCases[] = {
    {"png_rgb8.png", pix::Layout::Bgr24, 8, 3, false, 0},
    {"png_rgb8_interlaced.png", pix::Layout::Bgr24, 8, 3, false, 0},
    {"png_rgba8.png", pix::Layout::Bgr24, 8, 4, true, 0},
    {"png_gray1.png", pix::Layout::Bilevel, 1, 1, false, 0},
    {"png_gray2.png", pix::Layout::Bgr24, 2, 1, false, 0},
    {"png_gray8.png", pix::Layout::Bgr24, 8, 1, false, 0},
    {"png_palette.png", pix::Layout::Bgr24, 2, 1, false, 0},
    // A tRNS chunk also gives an alpha plane, so its transparency is kept.
    {"png_palette_trns.png", pix::Layout::Bgr24, 2, 1, true, 0},
    {"png_graya8.png", pix::Layout::Bgr24, 8, 2, true, 0},
    {"png_graya16.png", pix::Layout::Bgr24, 16, 2, true, 1},
    {"png_rgb16.png", pix::Layout::Bgr24, 16, 3, false, 1},
};

TEST(PngReader, EveryVariantMatchesImageMagick) {
    for (const PngCase& c : kCases) {
        SCOPED_TRACE(c.file);
        pix::Image img = readFixture(pix::readPng, c.file);
        EXPECT_EQ(img.layout, c.layout);
        EXPECT_EQ(img.params.BitsPerSample, c.bits);
        EXPECT_EQ(img.params.SamplesPerPixel, c.samples);
        expectPixelsNear(img, decodeWithMagick(dataPath(c.file)), c.tol, c.file);
        ASSERT_EQ(img.hasAlpha(), c.alpha);
        if (c.alpha) {
            const std::vector<uint8_t> ref = alphaWithMagick(dataPath(c.file));
            EXPECT_EQ(img.alpha, ref);
            EXPECT_TRUE(img.hasTransparency());
        }
    }
}

TEST(PngReader, OneBitGrayIsBilevelWithSetBitsWhite) {
    // Made by Pillow with white where (x + y) % 3 == 0.
    pix::Image img = readFixture(pix::readPng, "png_gray1.png");
    ASSERT_EQ(img.layout, pix::Layout::Bilevel);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) EXPECT_EQ(img.bit(x, y), (x + y) % 3 == 0) << x << "," << y;
}

TEST(PngReader, ResolutionFromPhysInMetres) {
    struct {
        const char* file;
        int dpi;  // as the reader leaves it; 0: none, the load makes it 300
    } cases[] = {
        {"png_rgb8.png", 300},             // 11811 px/m = 299.9994 dpi
        {"png_rgb8_interlaced.png", 72},   // 2834 px/m = 71.98 dpi
        {"png_gray8.png", 0},              // no pHYs
        {"png_phys_unit0.png", 0},         // unit unknown: an aspect ratio only
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        pix::Image img = readFixture(pix::readPng, c.file);
        EXPECT_EQ(img.xdpi, c.dpi);
        EXPECT_EQ(img.ydpi, c.dpi);
        pix::Image loaded;
        ASSERT_TRUE(pix::loadImage(dataPath(c.file), loaded));
        EXPECT_EQ(loaded.xdpi, c.dpi ? c.dpi : 300);
        EXPECT_EQ(loaded.params.VerticalDpi, c.dpi ? c.dpi : 300);
    }
}

// A PNG whose IHDR states w x h, with a correct CRC, then the start of an
// image data chunk that breaks off.
std::vector<uint8_t> pngHeaderOnly(uint32_t w, uint32_t h) {
    std::vector<uint8_t> d = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (uint32_t v : {w, h})
        for (int s = 24; s >= 0; s -= 8) d.push_back(uint8_t(v >> s));
    for (uint8_t b : {8, 2, 0, 0, 0}) d.push_back(b);
    const uLong crc = crc32(0, d.data() + 12, 17);
    for (int s = 24; s >= 0; s -= 8) d.push_back(uint8_t(crc >> s));
    const uint8_t idat[8] = {0, 0, 0, 0x20, 'I', 'D', 'A', 'T'};
    d.insert(d.end(), idat, idat + 8);
    return d;
}

TEST(PngReader, DamagedFilesRaiseOrKeepWhatWasDecoded) {
    // Library messages about the damage must not reach stderr.
    testing::internal::CaptureStderr();
    try {
        readBytes(pix::readPng, pngHeaderOnly(100000, 100000));
        FAIL() << "a stated size of 10^10 pixels was accepted";
    } catch (const pix::Error& e) {
        EXPECT_NE(std::string(e.what()).find("100000 x 100000"), std::string::npos) << e.what();
    }
    // Within the size limit, but far more than the data could inflate to.
    try {
        readBytes(pix::readPng, pngHeaderOnly(16000, 16000));
        FAIL() << "accepted";
    } catch (const pix::Error& e) {
        EXPECT_NE(std::string(e.what()).find("too short for an image of 16000 x 16000"), std::string::npos)
            << e.what();
    }
    EXPECT_THROW(readBytes(pix::readPng, pngHeaderOnly(5, 5)), pix::Error);
    EXPECT_THROW(readBytes(pix::readPng, {0x89, 'P', 'N', 'G'}), pix::Error);
    EXPECT_THROW(readBytes(pix::readPng, {}), pix::Error);

    // Every cut of a real file either raises an error or yields the image
    // size with what was decoded.
    const std::vector<uint8_t> whole = readFile(dataPath("png_rgba8.png"));
    for (size_t n = 0; n < whole.size(); ++n) {
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(n));
        try {
            pix::Image img = readBytes(pix::readPng, cut);
            EXPECT_EQ(img.width, 7);
            EXPECT_EQ(img.pixels.size(), img.stride() * size_t(img.height));
        } catch (const pix::Error& e) {
            EXPECT_NE(std::string(e.what()).find("PNG"), std::string::npos);
        }
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
