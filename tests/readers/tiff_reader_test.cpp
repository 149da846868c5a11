// The TIFF reader against ImageMagick's decode of files made by ImageMagick,
// Pillow and libtiff's tools: first page, layouts, recorded tags and the
// resolution rule.
#include <gtest/gtest.h>

#include "image/error.h"
#include "support/library_readers_support.h"

using namespace pixtest;

namespace {

struct TiffCase {
    const char* file;
    pix::Layout layout;
    int bits, samples;
    int tol;
};

const TiffCase kCases[] = {
    {"tiff_rgb_lzw.tif", pix::Layout::Bgr24, 8, 3, 0},
    {"tiff_g4_miniswhite.tif", pix::Layout::Bilevel, 1, 1, 0},
    {"tiff_1bit_minisblack.tif", pix::Layout::Bilevel, 1, 1, 0},  // tags 258 and 277 absent
    {"tiff_gray8_packbits.tif", pix::Layout::Bgr24, 8, 1, 0},
    {"tiff_palette4.tif", pix::Layout::Bgr24, 4, 1, 0},
    {"tiff_palette1.tif", pix::Layout::Bgr24, 1, 1, 0},  // one bit, but a palette: 24-bit
    {"tiff_rgb16_zip.tif", pix::Layout::Bgr24, 16, 3, 1},
    {"tiff_rgb_planar.tif", pix::Layout::Bgr24, 8, 3, 0},
    {"tiff_rgb_tiled.tif", pix::Layout::Bgr24, 8, 3, 0},
    {"tiff_bilevel_tiled.tif", pix::Layout::Bilevel, 1, 1, 0},
    {"tiff_cmyk.tif", pix::Layout::Bgr24, 8, 4, 1},
    {"tiff_ycbcr_jpeg.tif", pix::Layout::Bgr24, 8, 3, 3},  // two YCbCr-to-RGB conversions
    {"tiff_rgba.tif", pix::Layout::Bgr24, 8, 4, 0},
    {"tiff_two_pages.tif", pix::Layout::Bgr24, 8, 3, 0},
};

TEST(TiffReader, EveryVariantMatchesImageMagick) {
    for (const TiffCase& c : kCases) {
        SCOPED_TRACE(c.file);
        pix::Image img = readFixture(pix::readTiff, c.file);
        EXPECT_EQ(img.layout, c.layout);
        EXPECT_EQ(img.params.BitsPerSample, c.bits);
        EXPECT_EQ(img.params.SamplesPerPixel, c.samples);
        EXPECT_FALSE(img.hasAlpha());
        expectPixelsNear(img, decodeWithMagick(dataPath(c.file)), c.tol, c.file);
    }
}

TEST(TiffReader, BilevelPagesKeepTheirBitsWhiteSet) {
    // Pillow: white where x * y % 5 == 0 (min-is-black).
    pix::Image img = readFixture(pix::readTiff, "tiff_1bit_minisblack.tif");
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) EXPECT_EQ(img.bit(x, y), (x * y) % 5 == 0) << x << "," << y;
    // min-is-white: the black rectangle 2,1 - 6,4 on white.
    pix::Image g4 = readFixture(pix::readTiff, "tiff_g4_miniswhite.tif");
    for (int y = 0; y < g4.height; ++y)
        for (int x = 0; x < g4.width; ++x)
            EXPECT_EQ(g4.bit(x, y), !(x >= 2 && x <= 6 && y >= 1 && y <= 4)) << x << "," << y;
    // Padding bits of each row stay clear.
    EXPECT_EQ(g4.row(0)[1] & 0x07, 0);
}

TEST(TiffReader, FirstPageIsTaken) {
    pix::Image img = readFixture(pix::readTiff, "tiff_two_pages.tif");
    EXPECT_EQ(img.width, 5);
    EXPECT_EQ(img.height, 4);
    EXPECT_EQ(img.row(0)[1], 128);  // green
}

TEST(TiffReader, ResolutionRoundedFromTheUnit) {
    struct {
        const char* file;
        int x, y;  // as the reader leaves it; 0: none, the load makes it 300
    } cases[] = {
        {"tiff_res_cm.tif", 300, 120},  // 118.11 and 47.3 per cm
        {"tiff_res_inch.tif", 200, 200},
        {"tiff_1bit_minisblack.tif", 200, 200},
        {"tiff_rgb_lzw.tif", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        pix::Image img = readFixture(pix::readTiff, c.file);
        EXPECT_EQ(img.xdpi, c.x);
        EXPECT_EQ(img.ydpi, c.y);
        pix::Image loaded;
        ASSERT_TRUE(pix::loadImage(dataPath(c.file), loaded));
        EXPECT_EQ(loaded.params.HorizontalDpi, c.x ? c.x : 300);
        EXPECT_EQ(loaded.params.VerticalDpi, c.y ? c.y : 300);
    }
}

// A little-endian TIFF of one uncompressed 8-bit gray strip of w x h whose
// data is only `have` bytes long.
std::vector<uint8_t> grayTiff(uint32_t w, uint32_t h, uint32_t have) {
    std::vector<uint8_t> d = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto u16 = [&](uint32_t v) { d.push_back(uint8_t(v)), d.push_back(uint8_t(v >> 8)); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    const uint32_t dataAt = 8 + 2 + 8 * 12 + 4;
    const uint32_t tags[8][3] = {{256, 4, w},      {257, 4, h},    {258, 3, 8},       {259, 3, 1},
                                 {262, 3, 1},      {273, 4, dataAt}, {278, 4, h},     {279, 4, w * h}};
    u16(8);
    for (const auto& t : tags) {
        u16(t[0]), u16(t[1]), u32(1);
        if (t[1] == 3) u16(t[2]), u16(0);
        else u32(t[2]);
    }
    u32(0);
    for (uint32_t i = 0; i < have; ++i) d.push_back(uint8_t(i * 7));
    return d;
}

TEST(TiffReader, DamagedFilesRaiseOrKeepWhatWasDecoded) {
    // Library messages about the damage must not reach stderr.
    testing::internal::CaptureStderr();
    try {
        readBytes(pix::readTiff, grayTiff(100000, 100000, 16));
        FAIL() << "accepted";
    } catch (const pix::Error& e) {
        EXPECT_NE(std::string(e.what()).find("100000 x 100000"), std::string::npos) << e.what();
    }
    // The complete tiny file reads; its data cut short keeps the rows read.
    pix::Image whole = readBytes(pix::readTiff, grayTiff(4, 3, 12));
    EXPECT_EQ(whole.row(2)[9], uint8_t(11 * 7));
    try {
        pix::Image cut = readBytes(pix::readTiff, grayTiff(4, 3, 6));
        EXPECT_EQ(cut.row(0)[9], uint8_t(3 * 7));
    } catch (const pix::Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("TIFF: ", 0), 0u) << e.what();
    }
    EXPECT_THROW(readBytes(pix::readTiff, {'I', 'I', 42, 0}), pix::Error);
    EXPECT_THROW(readBytes(pix::readTiff, {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0}), pix::Error);

    for (const char* name : {"tiff_rgb_lzw.tif", "tiff_g4_miniswhite.tif", "tiff_rgb_tiled.tif"}) {
        const std::vector<uint8_t> full = readFile(dataPath(name));
        for (size_t n = 0; n < full.size(); n += 3) {
            std::vector<uint8_t> cut(full.begin(), full.begin() + long(n));
            try {
                pix::Image img = readBytes(pix::readTiff, cut);
                EXPECT_EQ(img.pixels.size(), img.stride() * size_t(img.height));
            } catch (const pix::Error& e) {
                EXPECT_EQ(std::string(e.what()).rfind("TIFF: ", 0), 0u) << e.what();
            }
        }
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
