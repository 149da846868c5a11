// The BMP reader against ImageMagick's decode of files made by ImageMagick
// and Pillow, plus hand-made files for what those tools do not write (RLE4,
// 5-6-5 bit fields in a 40-byte header, top-down rows, damaged data).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/error.h"
#include "readers/readers.h"
#include "support/reader_compare_support.h"
#include "support/test_support.h"

using namespace pixtest;

namespace {

struct BmpCase {
    const char* file;
    pix::Layout layout;
    int bits, samples;
    int xdpi, ydpi;  // as the reader states them; 0 = none (the load makes it 300)
    bool alpha;
    int tolerance = 0;  // 16-bit: the tools round a few 5- and 6-bit values the other way
};

// Every fixture in tests/data/README.md, decoded pixel for pixel like
// ImageMagick decodes it, with the recorded depth and resolution.
TEST(BmpReader, FixturesMatchImageMagick) {
    const BmpCase cases[] = {
        {"bmp_rgb24_v5.bmp", pix::Layout::Bgr24, 8, 3, 72, 72, false},
        {"bmp_pal8.bmp", pix::Layout::Bgr24, 8, 1, 0, 0, false},
        {"bmp_rle8.bmp", pix::Layout::Bgr24, 8, 1, 0, 0, false},
        {"bmp_pal4.bmp", pix::Layout::Bgr24, 4, 1, 0, 0, false},
        {"bmp_bw1.bmp", pix::Layout::Bilevel, 1, 1, 0, 0, false},
        {"bmp_pil_1.bmp", pix::Layout::Bilevel, 1, 1, 96, 96, false},
        {"bmp_pil_p.bmp", pix::Layout::Bgr24, 8, 1, 96, 96, false},
        {"bmp_os2_24.bmp", pix::Layout::Bgr24, 8, 3, 0, 0, false},
        {"bmp_os2_pal.bmp", pix::Layout::Bgr24, 4, 1, 0, 0, false},
        {"bmp_rgb565.bmp", pix::Layout::Bgr24, 5, 3, 0, 0, false, 1},
        {"bmp_rgb555.bmp", pix::Layout::Bgr24, 5, 3, 0, 0, false, 1},
        {"bmp_alpha32.bmp", pix::Layout::Bgr24, 8, 4, 0, 0, true},
        {"bmp_pil_rgbx32.bmp", pix::Layout::Bgr24, 8, 4, 96, 96, false},
    };
    for (const BmpCase& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = dataPath(c.file);
        pix::Image img;
        img.params.BitsPerSample = 99;
        img.params.SamplesPerPixel = 99;
        const std::vector<uint8_t> bytes = readFile(path);
        pix::readBmp(bytes.data(), bytes.size(), img);
        EXPECT_EQ(img.layout, c.layout);
        EXPECT_EQ(img.params.BitsPerSample, c.bits);
        EXPECT_EQ(img.params.SamplesPerPixel, c.samples);
        EXPECT_EQ(img.xdpi, c.xdpi);
        EXPECT_EQ(img.ydpi, c.ydpi);
        EXPECT_EQ(img.hasAlpha(), c.alpha);
        const int diff = maxChannelDiff(img, decodeWithMagick(path));
        EXPECT_GE(diff, 0);
        EXPECT_LE(diff, c.tolerance);
    }
}

TEST(BmpReader, AlphaPlaneMatchesImageMagick) {
    const std::string path = dataPath("bmp_alpha32.bmp");
    const pix::Image img = readPath(pix::readBmp, path);
    std::string alpha;
    ASSERT_EQ(run("/usr/bin/convert '" + path + "' -alpha extract -depth 8 gray:- 2>/dev/null", &alpha), 0);
    ASSERT_EQ(img.alpha.size(), alpha.size());
    EXPECT_EQ(std::string(img.alpha.begin(), img.alpha.end()), alpha);
    EXPECT_TRUE(img.hasTransparency());

    // The same bitmap with every alpha sample 0 is read as opaque, not as
    // an invisible picture.
    std::vector<uint8_t> bytes = readFile(path);
    for (size_t i = 138 + 3; i < bytes.size(); i += 4) bytes[i] = 0;
    const pix::Image opaque = readBytes(pix::readBmp, bytes);
    EXPECT_FALSE(opaque.hasAlpha());
    EXPECT_EQ(opaque.pixels, img.pixels);
    EXPECT_EQ(opaque.params.SamplesPerPixel, 4);
}

// The 12-byte header has no resolution fields: the load gives 300 dpi.
TEST(BmpReader, CoreHeaderLoadsAtDefaultResolution) {
    pix::Image img;
    img.xdpi = img.ydpi = 72;
    ASSERT_TRUE(pix::loadImage(dataPath("bmp_os2_24.bmp"), img));
    EXPECT_EQ(img.params.HorizontalDpi, 300);
    EXPECT_EQ(img.params.VerticalDpi, 300);
    EXPECT_EQ(img.xdpi, 300);
    EXPECT_NE(pix::findReader("a/b.DIB"), nullptr);
    EXPECT_NE(pix::findReader("a/b.rle"), nullptr);
}

// A 40-byte-header BMP: optional extra bytes (bit-field masks, palette)
// between the header and the pixels.
std::vector<uint8_t> makeBmp(int32_t w, int32_t h, int bits, uint32_t compression, const std::vector<uint8_t>& extra,
                             const std::vector<uint8_t>& pixels, int32_t ppmX = 0, int32_t ppmY = 0,
                             uint32_t colours = 0) {
    std::vector<uint8_t> b = {'B', 'M'};
    const uint32_t offset = 14 + 40 + uint32_t(extra.size());
    put32(b, offset + uint32_t(pixels.size()));
    put32(b, 0);
    put32(b, offset);
    put32(b, 40);
    put32(b, uint32_t(w));
    put32(b, uint32_t(h));
    put16(b, 1);
    put16(b, uint32_t(bits));
    put32(b, compression);
    put32(b, uint32_t(pixels.size()));
    put32(b, uint32_t(ppmX));
    put32(b, uint32_t(ppmY));
    put32(b, colours);
    put32(b, 0);
    b.insert(b.end(), extra.begin(), extra.end());
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

std::vector<uint8_t> palette(const std::vector<uint32_t>& rgb) {
    std::vector<uint8_t> p;
    for (uint32_t c : rgb) put32(p, c);  // 0x00RRGGBB stores as B, G, R, 0
    return p;
}

// ImageMagick's decode of hand-made bytes. It warns about RLE bitmaps that
// end before every pixel is set (and fails identify), so convert is asked
// directly and the size is taken from our own decode.
Rgb8 magickDecodeOf(const std::vector<uint8_t>& bytes, const pix::Image& img) {
    TempDir dir;
    writeFile(dir / "t.bmp", bytes);
    std::string raw;
    run("/usr/bin/convert '" + (dir / "t.bmp") + "' -depth 8 rgb:- 2>/dev/null", &raw);
    return Rgb8{img.width, img.height, std::vector<uint8_t>(raw.begin(), raw.end())};
}

Rgb8 pillowDecodeOf(const std::vector<uint8_t>& bytes, const pix::Image& img) {
    TempDir dir;
    writeFile(dir / "t.bmp", bytes);
    std::string raw;
    run("/usr/bin/python3 -c \"import sys; from PIL import Image; "
        "sys.stdout.buffer.write(Image.open('" + (dir / "t.bmp") + "').convert('RGB').tobytes())\"",
        &raw);
    return Rgb8{img.width, img.height, std::vector<uint8_t>(raw.begin(), raw.end())};
}

const std::vector<uint8_t> kEga = {
    0, 0, 0, 0, 0xAA, 0, 0, 0, 0, 0xAA, 0, 0, 0xAA, 0xAA, 0, 0, 0, 0, 0xAA, 0, 0xAA, 0, 0xAA, 0, 0, 0x55, 0xAA, 0,
    0xAA, 0xAA, 0xAA, 0, 0x55, 0x55, 0x55, 0, 0xFF, 0x55, 0x55, 0, 0x55, 0xFF, 0x55, 0, 0xFF, 0xFF, 0x55, 0,
    0x55, 0x55, 0xFF, 0, 0xFF, 0x55, 0xFF, 0, 0x55, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0};

TEST(BmpReader, Rle4RunsAbsoluteDeltaAndClipping) {
    const std::vector<uint8_t>& pal = kEga;
    const std::vector<uint8_t> rle = {
        9, 0x12,              // bottom row: a run of 9 clipped to the 6 pixels of the row
        0, 0,                 // end of line
        0, 5, 0x34, 0x56, 0x70, 0,  // absolute run of 5 pixels, padded to 16 bits
        2, 0xEE,              // 1 pixel more fits the row, the second is clipped
        0, 2, 2, 1,           // delta: 2 right (off the row), 1 up
        3, 0xF8,              // top row from x = 6: clipped entirely
        0, 0,                 // end of line: on to the top row, left alone
        0, 1};
    const std::vector<uint8_t> bytes = makeBmp(6, 4, 4, 2, pal, rle, 0, 0, 16);
    const pix::Image img = readBytes(pix::readBmp, bytes);
    EXPECT_EQ(img.params.BitsPerSample, 4);
    EXPECT_EQ(img.params.SamplesPerPixel, 1);
    // Bottom row 1,2,1,2,1,2; next 3,4,5,6,7,14; rows the delta skipped take entry 0.
    const uint32_t want[4][6] = {{0, 0, 0, 0, 0, 0},
                                 {0, 0, 0, 0, 0, 0},
                                 {0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA, 0xFFFF55},
                                 {0x0000AA, 0x00AA00, 0x0000AA, 0x00AA00, 0x0000AA, 0x00AA00}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(rgbAt(img, x, y), want[y][x]) << x << "," << y;

    // ImageMagick wraps overrunning runs into the next row instead of
    // clipping them; on a stream without overruns it agrees with us.
    const std::vector<uint8_t> plain = {6, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 1, 0xE0, 0, 0, 0, 2, 1, 1, 2, 0xAB, 0, 1};
    const std::vector<uint8_t> pb = makeBmp(6, 4, 4, 2, pal, plain, 0, 0, 16);
    const pix::Image pimg = readBytes(pix::readBmp, pb);
    EXPECT_EQ(maxChannelDiff(pimg, magickDecodeOf(pb, pimg)), 0);
}

TEST(BmpReader, Rle8DeltaAndEndOfLine) {
    const std::vector<uint8_t> pal = palette({0x102030, 0xFF0000, 0x00FF00, 0x0000FF});
    const std::vector<uint8_t> rle = {3, 1, 0, 2, 1, 1, 1, 3, 0, 0, 0, 3, 2, 1, 2, 0, 0, 1};
    const std::vector<uint8_t> bytes = makeBmp(5, 3, 8, 1, pal, rle, 0, 0, 4);
    const pix::Image img = readBytes(pix::readBmp, bytes);
    // Bottom row 1,1,1, a delta to (4, 1) with entry 0 in between, 3 there,
    // end of line, an absolute run 2,1,2 (one pad byte), end of bitmap.
    EXPECT_EQ(rgbAt(img, 0, 2), 0xFF0000u);
    EXPECT_EQ(rgbAt(img, 3, 2), 0x102030u);
    EXPECT_EQ(rgbAt(img, 0, 1), 0x102030u);
    EXPECT_EQ(rgbAt(img, 4, 1), 0x0000FFu);
    EXPECT_EQ(rgbAt(img, 0, 0), 0x00FF00u);
    EXPECT_EQ(rgbAt(img, 1, 0), 0xFF0000u);
    EXPECT_EQ(rgbAt(img, 3, 0), 0x102030u);
    EXPECT_EQ(maxChannelDiff(img, magickDecodeOf(bytes, img)), 0);
}

TEST(BmpReader, BitFields565And32BitMasksIn40ByteHeader) {
    std::vector<uint8_t> masks;
    put32(masks, 0xF800);
    put32(masks, 0x07E0);
    put32(masks, 0x001F);
    std::vector<uint8_t> px;
    for (uint32_t v : {0xF800u, 0x07E0u, 0x001Fu, 0x8410u}) put16(px, v);
    const std::vector<uint8_t> b16 = makeBmp(2, 2, 16, 3, masks, px);
    const pix::Image img = readBytes(pix::readBmp, b16);
    EXPECT_EQ(img.params.BitsPerSample, 5);
    EXPECT_EQ(img.params.SamplesPerPixel, 3);
    EXPECT_EQ(rgbAt(img, 0, 1), 0xFF0000u);
    EXPECT_EQ(rgbAt(img, 1, 1), 0x00FF00u);
    EXPECT_EQ(rgbAt(img, 0, 0), 0x0000FFu);
    EXPECT_EQ(rgbAt(img, 1, 0), 0x848284u);
    // 5 and 6 bits are scaled to the nearest 8-bit value; ImageMagick and
    // Pillow each round a few values the other way.
    EXPECT_LE(maxChannelDiff(img, magickDecodeOf(b16, img)), 1);
    EXPECT_LE(maxChannelDiff(img, pillowDecodeOf(b16, img)), 1);

    // Masks in an unusual order and position: R in the top byte, B in the second.
    std::vector<uint8_t> m32;
    put32(m32, 0xFF000000);
    put32(m32, 0x000000FF);
    put32(m32, 0x00FF0000);
    std::vector<uint8_t> p32;
    put32(p32, 0x11330022);  // R 0x11, G 0x22, B 0x33
    const pix::Image i32 = readBytes(pix::readBmp, makeBmp(1, 1, 32, 3, m32, p32));
    EXPECT_EQ(rgbAt(i32, 0, 0), 0x112233u);
    EXPECT_FALSE(i32.hasAlpha());
    EXPECT_EQ(i32.params.BitsPerSample, 8);
    EXPECT_EQ(i32.params.SamplesPerPixel, 4);
}

TEST(BmpReader, TopDownRowsAndResolutionRounding) {
    // 2 x 2, 24 bits, rows padded to 8 bytes; the first stored row is red.
    const std::vector<uint8_t> px = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0};
    const pix::Image down = readBytes(pix::readBmp, makeBmp(2, -2, 24, 0, {}, px, 11811, 2500));
    EXPECT_EQ(rgbAt(down, 0, 0), 0xFF0000u);
    EXPECT_EQ(rgbAt(down, 1, 1), 0x0000FFu);
    const pix::Image up = readBytes(pix::readBmp, makeBmp(2, 2, 24, 0, {}, px, -5, 0));
    EXPECT_EQ(rgbAt(up, 0, 0), 0x0000FFu);
    EXPECT_EQ(rgbAt(up, 1, 1), 0xFF0000u);
    // 11811 px/m is 299.9994 dpi -> 300; 2500 px/m is exactly 63.5 -> 64 (half to even).
    EXPECT_EQ(down.xdpi, 300);
    EXPECT_EQ(down.ydpi, 64);
    EXPECT_EQ(up.xdpi, 0);
    EXPECT_EQ(up.ydpi, 0);
    EXPECT_EQ(down.params.BitsPerSample, 8);
    EXPECT_EQ(down.params.SamplesPerPixel, 3);
}

// A 1-bit palette of white then black: the set bits of the result still mean
// white, so the picture is the same as with black then white.
TEST(BmpReader, OneBitPaletteOrderDecidesWhite) {
    std::vector<uint8_t> bytes = readFile(dataPath("bmp_bw1.bmp"));
    const pix::Image normal = readBytes(pix::readBmp, bytes);
    ASSERT_EQ(bytes.size(), 62u + 5 * 4);
    for (int i = 0; i < 4; ++i) std::swap(bytes[54 + i], bytes[58 + i]);
    for (size_t i = 62; i < bytes.size(); ++i) bytes[i] = uint8_t(~bytes[i]);
    const pix::Image swapped = readBytes(pix::readBmp, bytes);
    ASSERT_EQ(swapped.layout, pix::Layout::Bilevel);
    for (int y = 0; y < normal.height; ++y)
        for (int x = 0; x < normal.width; ++x) EXPECT_EQ(swapped.bit(x, y), normal.bit(x, y)) << x << "," << y;
    TempDir dir;
    writeFile(dir / "s.bmp", bytes);
    EXPECT_EQ(maxChannelDiff(swapped, decodeWithMagick(dir / "s.bmp")), 0);
}

TEST(BmpReader, TruncatedPixelDataKeepsDecodedRowsAndLeavesBackground) {
    const std::vector<uint8_t> full = readFile(dataPath("bmp_pal8.bmp"));
    const pix::Image whole = readBytes(pix::readBmp, full);
    // 7 pixels take 8 bytes a row; keep the two bottom rows and half a third.
    std::vector<uint8_t> cut(full.begin(), full.begin() + 1078 + 2 * 8 + 4);
    const pix::Image part = readBytes(pix::readBmp, cut);
    ASSERT_EQ(part.width, 7);
    ASSERT_EQ(part.height, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(rgbAt(part, x, y), y >= 3 ? rgbAt(whole, x, y) : 0xFFFFFFu);
    EXPECT_EQ(part.params.BitsPerSample, 8);

    // A broken-off RLE8 stream keeps what it decoded, the rest is background.
    const std::vector<uint8_t> rle = readFile(dataPath("bmp_rle8.bmp"));
    const pix::Image rwhole = readBytes(pix::readBmp, rle);
    const pix::Image rpart = readBytes(pix::readBmp, std::vector<uint8_t>(rle.begin(), rle.begin() + 1078 + 12));
    EXPECT_EQ(rgbAt(rpart, 0, 4), rgbAt(rwhole, 0, 4));
    EXPECT_EQ(rgbAt(rpart, 6, 0), 0xFFFFFFu);
}

TEST(BmpReader, DamagedHeadersRaiseErrors) {
    const std::vector<uint8_t> ok = makeBmp(2, 2, 24, 0, {}, std::vector<uint8_t>(16, 0));
    auto withField = [&](size_t at, uint32_t v, size_t width) {
        std::vector<uint8_t> b = ok;
        for (size_t i = 0; i < width; ++i) b[at + i] = uint8_t(v >> (8 * i));
        return b;
    };
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* message;
    } cases[] = {
        {"not a bitmap", {'G', 'I', 'F', '8', '9', 'a'}, "Not a BMP file"},
        {"empty", {}, "Not a BMP file"},
        {"header cut", std::vector<uint8_t>(ok.begin(), ok.begin() + 30), "truncated"},
        {"header size", withField(14, 200, 4), "header size"},
        {"zero width", withField(18, 0, 4), "invalid"},
        {"huge", withField(18, 0x7FFFFFFF, 4), "not supported"},
        {"bit count 7", withField(28, 7, 2), "bits per pixel"},
        {"RLE8 with 24 bits", withField(30, 1, 4), "not supported"},
        {"embedded PNG", withField(30, 5, 4), "PNG"},
        {"no pixels", std::vector<uint8_t>(ok.begin(), ok.begin() + 54), "no pixel data"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        pix::Image img;
        try {
            pix::readBmp(c.bytes.data(), c.bytes.size(), img);
            ADD_FAILURE() << "no error";
        } catch (const pix::Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

// Every prefix of every fixture either decodes or raises pix::Error; the
// sanitizer build checks that no byte outside the data is read.
TEST(BmpReader, EveryPrefixOfEveryFixtureIsSafe) {
    for (const char* f : {"bmp_rgb24_v5.bmp", "bmp_rle8.bmp", "bmp_pal4.bmp", "bmp_bw1.bmp", "bmp_os2_pal.bmp",
                          "bmp_rgb565.bmp", "bmp_alpha32.bmp"}) {
        const std::vector<uint8_t> bytes = readFile(dataPath(f));
        for (size_t n = 0; n <= bytes.size(); ++n) {
            std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + n);  // exact size: overreads are caught
            pix::Image img;
            try {
                pix::readBmp(cut.data(), cut.size(), img);
                EXPECT_EQ(img.pixels.size(), img.stride() * size_t(img.height));
            } catch (const pix::Error&) {
            }
        }
    }
}

}  // namespace
