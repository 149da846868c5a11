// The PCX reader against ImageMagick's decode of files made by ImageMagick
// and Pillow, plus hand-made files for what those tools do not write (1 bit
// in 4 planes, 2 and 4 bits, raw data, an offset window, damaged data).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/error.h"
#include "readers/readers.h"
#include "support/reader_compare_support.h"
#include "support/test_support.h"

using namespace pixtest;

namespace {

struct PcxCase {
    const char* file;
    pix::Layout layout;
    int bits, samples;
    int xdpi, ydpi;
    bool alpha;
    // ImageMagick paints 1-bit files with the header palette, which Pillow
    // leaves black for both entries: Pillow's own decode is the reference.
    bool pillow = false;
};

TEST(PcxReader, FixturesMatchImageMagick) {
    const PcxCase cases[] = {
        {"pcx_rgb24.pcx", pix::Layout::Bgr24, 8, 3, 150, 75, false},
        {"pcx_pal8.pcx", pix::Layout::Bgr24, 8, 1, 0, 0, false},
        {"pcx_alpha.pcx", pix::Layout::Bgr24, 8, 4, 0, 0, true},
        {"pcx_pil_rgb.pcx", pix::Layout::Bgr24, 8, 3, 100, 100, false},
        {"pcx_pil_p.pcx", pix::Layout::Bgr24, 8, 1, 100, 100, false},
        {"pcx_pil_1.pcx", pix::Layout::Bilevel, 1, 1, 100, 100, false, true},
    };
    for (const PcxCase& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = dataPath(c.file);
        pix::Image img;
        img.params.BitsPerSample = 99;
        img.params.SamplesPerPixel = 99;
        const std::vector<uint8_t> bytes = readFile(path);
        pix::readPcx(bytes.data(), bytes.size(), img);
        EXPECT_EQ(img.layout, c.layout);
        EXPECT_EQ(img.params.BitsPerSample, c.bits);
        EXPECT_EQ(img.params.SamplesPerPixel, c.samples);
        EXPECT_EQ(img.xdpi, c.xdpi);
        EXPECT_EQ(img.ydpi, c.ydpi);
        EXPECT_EQ(img.hasAlpha(), c.alpha);
        EXPECT_EQ(maxChannelDiff(img, c.pillow ? decodeRgbWithPillow(path) : decodeWithMagick(path)), 0);
    }
}

TEST(PcxReader, AlphaPlaneMatchesImageMagick) {
    const std::string path = dataPath("pcx_alpha.pcx");
    const pix::Image img = readPath(pix::readPcx, path);
    std::string alpha;
    ASSERT_EQ(run("/usr/bin/convert '" + path + "' -alpha extract -depth 8 gray:- 2>/dev/null", &alpha), 0);
    EXPECT_EQ(std::string(img.alpha.begin(), img.alpha.end()), alpha);
}

struct PcxHeader {
    int bits = 8, planes = 1;
    int xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    int bpl = 0;
    int encoding = 1;
    int hdpi = 72, vdpi = 72;
    std::vector<uint8_t> palette = {};  // up to 16 RGB entries
};

std::vector<uint8_t> makePcx(const PcxHeader& h, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> b = {0x0A, 5, uint8_t(h.encoding), uint8_t(h.bits)};
    for (int v : {h.xmin, h.ymin, h.xmax, h.ymax, h.hdpi, h.vdpi}) put16(b, uint32_t(v));
    std::vector<uint8_t> pal = h.palette;
    pal.resize(48);
    b.insert(b.end(), pal.begin(), pal.end());
    b.push_back(0);
    b.push_back(uint8_t(h.planes));
    put16(b, uint32_t(h.bpl));
    put16(b, 1);
    b.resize(128);
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

// PCX run-length coding of a whole pixel stream, runs continuing across
// scan lines wherever equal bytes meet.
std::vector<uint8_t> pcxRle(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < raw.size();) {
        size_t n = 1;
        while (i + n < raw.size() && raw[i + n] == raw[i] && n < 63) ++n;
        if (n > 1 || raw[i] >= 0xC0) out.push_back(uint8_t(0xC0 | n));
        out.push_back(raw[i]);
        i += n;
    }
    return out;
}

const std::vector<uint8_t> kEga = {0,    0,    0,    0,    0,    0xAA, 0,    0xAA, 0,    0,    0xAA, 0xAA,
                                   0xAA, 0,    0,    0xAA, 0,    0xAA, 0xAA, 0x55, 0,    0xAA, 0xAA, 0xAA,
                                   0x55, 0x55, 0x55, 0x55, 0x55, 0xFF, 0x55, 0xFF, 0x55, 0x55, 0xFF, 0xFF,
                                   0xFF, 0x55, 0x55, 0xFF, 0x55, 0xFF, 0xFF, 0xFF, 0x55, 0xFF, 0xFF, 0xFF};

uint32_t egaColour(unsigned i) { return uint32_t(kEga[3 * i]) << 16 | uint32_t(kEga[3 * i + 1]) << 8 | kEga[3 * i + 2]; }

Rgb8 magickDecodeOf(const std::vector<uint8_t>& bytes) {
    TempDir dir;
    writeFile(dir / "t.pcx", bytes);
    return decodeWithMagick(dir / "t.pcx");
}

// 1 bit in 4 planes: the header's 16 colours, recorded as 4 bits, 1 sample.
TEST(PcxReader, OneBitFourPlanesUsesHeaderPalette) {
    const int w = 10, h = 3, bpl = 2;
    auto index = [](int x, int y) { return unsigned(y == 1 ? 15 - x % 16 : (x + 5 * y) % 16); };
    std::vector<uint8_t> raw;
    for (int y = 0; y < h; ++y)
        for (int p = 0; p < 4; ++p)
            for (int i = 0; i < bpl; ++i) {
                uint8_t byte = 0;
                for (int k = 0; k < 8; ++k) {
                    const int x = 8 * i + k;
                    if (x < w && ((index(x, y) >> p) & 1)) byte |= uint8_t(0x80 >> k);
                }
                raw.push_back(byte);
            }
    const std::vector<uint8_t> bytes =
        makePcx({.bits = 1, .planes = 4, .xmax = w - 1, .ymax = h - 1, .bpl = bpl, .palette = kEga}, pcxRle(raw));
    const pix::Image img = readBytes(pix::readPcx, bytes);
    EXPECT_EQ(img.layout, pix::Layout::Bgr24);
    EXPECT_EQ(img.params.BitsPerSample, 4);
    EXPECT_EQ(img.params.SamplesPerPixel, 1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) EXPECT_EQ(rgbAt(img, x, y), egaColour(index(x, y))) << x << "," << y;
    EXPECT_EQ(maxChannelDiff(img, magickDecodeOf(bytes)), 0);
}

// 2 and 4 bits in 1 plane, stored raw (encoding 0), with padded lines.
TEST(PcxReader, PackedIndicesRawData) {
    // 4 bits, 5 pixels: 0 1 2 3 4 / 15 14 13 12 11, 4 bytes a line.
    const std::vector<uint8_t> b4 = makePcx({.bits = 4, .xmax = 4, .ymax = 1, .bpl = 4, .encoding = 0, .palette = kEga},
                                            {0x01, 0x23, 0x40, 0, 0xFE, 0xDC, 0xB0, 0});
    const pix::Image i4 = readBytes(pix::readPcx, b4);
    EXPECT_EQ(i4.params.BitsPerSample, 4);
    EXPECT_EQ(i4.params.SamplesPerPixel, 1);
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(rgbAt(i4, x, 0), egaColour(unsigned(x)));
        EXPECT_EQ(rgbAt(i4, x, 1), egaColour(unsigned(15 - x)));
    }
    EXPECT_EQ(maxChannelDiff(i4, magickDecodeOf(b4)), 0);

    // 2 bits, 6 pixels: 0 1 2 3 3 2, the first four header colours.
    const std::vector<uint8_t> b2 =
        makePcx({.bits = 2, .xmax = 5, .ymax = 0, .bpl = 2, .encoding = 0, .palette = kEga}, {0x1B, 0xE0});
    const pix::Image i2 = readBytes(pix::readPcx, b2);
    EXPECT_EQ(i2.params.BitsPerSample, 2);
    const unsigned want[6] = {0, 1, 2, 3, 3, 2};
    for (int x = 0; x < 6; ++x) EXPECT_EQ(rgbAt(i2, x, 0), egaColour(want[x])) << x;
}

// The window may start anywhere: only its size counts. Horizontal
// resolution 0 makes both directions take the default.
TEST(PcxReader, WindowOffsetAndResolutionRules) {
    std::vector<uint8_t> bytes = readFile(dataPath("pcx_pil_rgb.pcx"));
    const pix::Image plain = readBytes(pix::readPcx, bytes);
    auto set16 = [&](size_t at, int v) {
        bytes[at] = uint8_t(v);
        bytes[at + 1] = uint8_t(v >> 8);
    };
    set16(4, 300);  // xmin
    set16(6, 20);   // ymin
    set16(8, 306);  // xmax
    set16(10, 24);  // ymax
    set16(12, 0);   // horizontal resolution
    set16(14, 200);
    const pix::Image moved = readBytes(pix::readPcx, bytes);
    ASSERT_EQ(moved.width, plain.width);
    ASSERT_EQ(moved.height, plain.height);
    EXPECT_EQ(moved.pixels, plain.pixels);
    EXPECT_EQ(maxChannelDiff(moved, magickDecodeOf(bytes)), 0);
    EXPECT_EQ(moved.xdpi, 0);
    EXPECT_EQ(moved.ydpi, 0);

    TempDir dir;
    writeFile(dir / "m.pcx", bytes);
    pix::Image loaded;
    ASSERT_TRUE(pix::loadImage(dir / "m.pcx", loaded));
    EXPECT_EQ(loaded.params.HorizontalDpi, 300);
    EXPECT_EQ(loaded.params.VerticalDpi, 300);
}

// 8 bits in 1 plane without the trailing palette: a gray ramp.
TEST(PcxReader, MissingPaletteGivesGrayRamp) {
    const std::vector<uint8_t> bytes =
        makePcx({.xmax = 3, .ymax = 0, .bpl = 4, .encoding = 0}, {0, 0x40, 0xC7, 0xFF});
    const pix::Image img = readBytes(pix::readPcx, bytes);
    EXPECT_EQ(rgbAt(img, 0, 0), 0x000000u);
    EXPECT_EQ(rgbAt(img, 1, 0), 0x404040u);
    EXPECT_EQ(rgbAt(img, 2, 0), 0xC7C7C7u);
    EXPECT_EQ(rgbAt(img, 3, 0), 0xFFFFFFu);
}

TEST(PcxReader, TruncatedDataKeepsDecodedRowsAndLeavesBackground) {
    const std::vector<uint8_t> full = readFile(dataPath("pcx_pil_rgb.pcx"));
    const pix::Image whole = readBytes(pix::readPcx, full);
    // Decode until the stream breaks off, then find how many rows made it.
    const pix::Image part = readBytes(pix::readPcx, std::vector<uint8_t>(full.begin(), full.begin() + 128 + 40));
    ASSERT_EQ(part.width, 7);
    ASSERT_EQ(part.height, 5);
    int rows = 0;
    while (rows < 5 && rgbAt(part, 0, rows) == rgbAt(whole, 0, rows) && rgbAt(part, 6, rows) == rgbAt(whole, 6, rows))
        ++rows;
    EXPECT_GE(rows, 1);
    EXPECT_LT(rows, 5);
    for (int y = rows; y < 5; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(rgbAt(part, x, y), 0xFFFFFFu) << x << "," << y;

    const std::vector<uint8_t> mono = readFile(dataPath("pcx_pil_1.pcx"));
    const pix::Image mpart = readBytes(pix::readPcx, std::vector<uint8_t>(mono.begin(), mono.begin() + 132));  // one line
    EXPECT_TRUE(mpart.bit(12, 4));  // the bottom row was not reached: white
}

TEST(PcxReader, DamagedHeadersRaiseErrors) {
    const PcxHeader good{.xmax = 1, .ymax = 1, .bpl = 2, .encoding = 0};
    const std::vector<uint8_t> px(4, 7);
    const std::vector<uint8_t> valid = makePcx(good, px);
    auto with = [&](auto change) {
        PcxHeader h = good;
        change(h);
        return makePcx(h, px);
    };
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* message;
    } cases[] = {
        {"not a PCX", {'B', 'M', 0, 0}, "Not a PCX file"},
        {"empty", {}, "Not a PCX file"},
        {"header cut", std::vector<uint8_t>(valid.begin(), valid.begin() + 60), "truncated"},
        {"3 bits", with([](PcxHeader& h) { h.bits = 3; }), "not supported"},
        {"8 bits 2 planes", with([](PcxHeader& h) { h.planes = 2; }), "not supported"},
        {"encoding 2", with([](PcxHeader& h) { h.encoding = 2; }), "encoding"},
        {"window", with([](PcxHeader& h) { h.xmin = 5; }), "window"},
        {"bytes per line", with([](PcxHeader& h) { h.bpl = 0; }), "bytes per line"},
        {"huge", with([](PcxHeader& h) { h.xmax = h.ymax = 65535; }), "not supported"},
        {"no pixels", makePcx(good, {}), "no pixel data"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        pix::Image img;
        try {
            pix::readPcx(c.bytes.data(), c.bytes.size(), img);
            ADD_FAILURE() << "no error";
        } catch (const pix::Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

TEST(PcxReader, EveryPrefixOfEveryFixtureIsSafe) {
    for (const char* f : {"pcx_rgb24.pcx", "pcx_pal8.pcx", "pcx_alpha.pcx", "pcx_pil_1.pcx"}) {
        const std::vector<uint8_t> bytes = readFile(dataPath(f));
        for (size_t n = 0; n <= bytes.size(); ++n) {
            std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + n);
            pix::Image img;
            try {
                pix::readPcx(cut.data(), cut.size(), img);
                EXPECT_EQ(img.pixels.size(), img.stride() * size_t(img.height));
            } catch (const pix::Error&) {
            }
        }
    }
}

}  // namespace
