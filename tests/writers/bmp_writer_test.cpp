// The BMP writer: headers, palettes, bottom-up rows and the RLE8/RLE4 walk,
// checked with a strict run-length decoder, ImageMagick and Pillow.
#include <gtest/gtest.h>

#include <random>

#include "image/error.h"
#include "support/test_support.h"
#include "support/writer_support.h"
#include "writers/bmp_rle.h"
#include "writers/writers.h"

using namespace pixtest;

namespace {

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t le16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

// A strict decoder of one coded row: fails on anything but exact runs and
// absolute pieces of at least three pixels padded to 16 bits, within the row.
bool decodeRleRow(const std::vector<uint8_t>& code, size_t& at, int w, bool four, std::vector<uint8_t>& row) {
    row.clear();
    while (at + 1 < code.size()) {
        const uint8_t a = code[at], b = code[at + 1];
        at += 2;
        if (a > 0) {
            for (int i = 0; i < a; ++i) row.push_back(four ? (i % 2 ? b & 15 : b >> 4) : b);
        } else if (b == 0) {
            return int(row.size()) == w;
        } else if (b < 3) {
            return false;  // delta and end of bitmap do not belong inside a row
        } else {
            const size_t bytes = four ? (b + 1) / 2 : b;
            if (at + bytes + (bytes & 1) > code.size()) return false;
            for (int i = 0; i < b; ++i) row.push_back(four ? (i % 2 ? code[at + i / 2] & 15 : code[at + i / 2] >> 4) : code[at + i]);
            if (four && (b & 1) && (code[at + bytes - 1] & 15) != 0) return false;
            at += bytes;
            if (bytes & 1) {
                if (code[at] != 0) return false;
                ++at;
            }
        }
        if (int(row.size()) > w) return false;
    }
    return false;
}

std::vector<uint8_t> coded(const std::vector<uint8_t>& row, bool four) {
    std::vector<uint8_t> out;
    if (four) pix::bmpRle4Row(row.data(), int(row.size()), out);
    else pix::bmpRle8Row(row.data(), int(row.size()), out);
    out.insert(out.end(), {0, 0});
    return out;
}

}  // namespace

TEST(BmpRle, RowOf300EqualPixels) {
    EXPECT_EQ(coded(std::vector<uint8_t>(300, 5), true), (std::vector<uint8_t>{255, 0x55, 45, 0x55, 0, 0}));
    EXPECT_EQ(coded(std::vector<uint8_t>(300, 5), false), (std::vector<uint8_t>{255, 5, 45, 5, 0, 0}));
}

TEST(BmpRle, PiecesOfOneTwoAndMore) {
    // Literal pieces: one pixel, two pixels, five pixels (odd: padded).
    EXPECT_EQ(coded({1, 2, 2}, false), (std::vector<uint8_t>{1, 1, 2, 2, 0, 0}));
    EXPECT_EQ(coded({1, 2}, false), (std::vector<uint8_t>{1, 1, 1, 2, 0, 0}));
    EXPECT_EQ(coded({1, 2}, true), (std::vector<uint8_t>{2, 0x12, 0, 0}));
    EXPECT_EQ(coded({1, 2, 3, 4, 5}, false), (std::vector<uint8_t>{0, 5, 1, 2, 3, 4, 5, 0, 0, 0}));
    EXPECT_EQ(coded({1, 2, 3, 4, 5}, true), (std::vector<uint8_t>{0, 5, 0x12, 0x34, 0x50, 0, 0, 0}));
    EXPECT_EQ(coded({1, 2, 3, 4, 5, 6, 7}, true), (std::vector<uint8_t>{0, 7, 0x12, 0x34, 0x56, 0x70, 0, 0}));
    EXPECT_EQ(coded({7}, true), (std::vector<uint8_t>{1, 0x70, 0, 0}));
}

TEST(BmpRle, RandomRowsDecodeStrictly) {
    std::mt19937 rng(3);
    for (bool four : {false, true})
        for (int trial = 0; trial < 300; ++trial) {
            const int w = 1 + int(rng() % 900);
            std::vector<uint8_t> row;
            while (int(row.size()) < w) {
                const int run = rng() % 3 == 0 ? 1 + int(rng() % 300) : 1;
                const uint8_t v = uint8_t(rng() % (four ? 16 : 256));
                row.insert(row.end(), std::min<size_t>(run, size_t(w) - row.size()), v);
            }
            const std::vector<uint8_t> code = coded(row, four);
            size_t at = 0;
            std::vector<uint8_t> back;
            ASSERT_TRUE(decodeRleRow(code, at, w, four, back)) << "trial " << trial;
            ASSERT_EQ(at, code.size());
            ASSERT_EQ(back, row);
        }
}

TEST(BmpWriter, Rle4FileOfTwoColours) {
    // Top row colour A (index 0), bottom row colour B (index 1): the bottom
    // row comes first in the file.
    pix::Image img = withDepth(makeImage(300, 2, [](int, int y) { return y == 0 ? 0x102030u : 0x405060u; }), 4, 1);
    img.params.BmpRle = 1;
    const std::vector<uint8_t> b = encode(pix::writeBmp, img);
    ASSERT_GE(b.size(), 54u + 64u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(le32(b, 2), b.size());
    EXPECT_EQ(le32(b, 10), 54u + 64u);
    EXPECT_EQ(le32(b, 14), 40u);
    EXPECT_EQ(le16(b, 28), 4);
    EXPECT_EQ(le32(b, 30), 2u);  // RLE4
    EXPECT_EQ(le32(b, 34), b.size() - 118);
    EXPECT_EQ(le32(b, 38), 11811u);  // 300 dpi
    EXPECT_EQ(le32(b, 46), 16u);
    EXPECT_EQ(le32(b, 50), 16u);
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 54, b.begin() + 62),
              (std::vector<uint8_t>{0x30, 0x20, 0x10, 0, 0x60, 0x50, 0x40, 0}));
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 118, b.end()),
              (std::vector<uint8_t>{255, 0x11, 45, 0x11, 0, 0, 255, 0, 45, 0, 0, 0, 0, 1}));
}

// Every depth, with and without alpha, uncoded and coded: ImageMagick decodes
// every file (its RLE4 reader handles odd absolute pieces), Pillow all but
// RLE4 (Pillow 9.4 misreads odd absolute pieces there).
TEST(BmpWriter, DepthsDecodeInOtherPrograms) {
    struct Case {
        int bits, samples, colours, bpp;
        uint8_t rle;
    };
    const Case cases[] = {
        {1, 1, 2, 1, 1},  {4, 1, 13, 4, 0},  {4, 1, 13, 4, 1},  {8, 1, 190, 8, 0},
        {8, 1, 190, 8, 1}, {8, 3, 300, 24, 1}, {16, 1, 40, 8, 1}, {16, 3, 300, 24, 0},
    };
    TempDir dir;
    for (const Case& c : cases)
        for (bool alpha : {false, true}) {
            SCOPED_TRACE("bits " + std::to_string(c.bits) + " samples " + std::to_string(c.samples) + " rle " +
                         std::to_string(c.rle) + (alpha ? " alpha" : ""));
            pix::Image img = c.bits == 1
                                 ? makeImage(61, 23, [](int x, int y) { return (x * y) % 5 ? 0x0000FFu : 0xFF0000u; })
                                 : c.colours > 256 ? photoImage(61, 23) : blockImage(61, 23, c.colours);
            img = withDepth(img, c.bits, c.samples);
            img.params.BmpRle = c.rle;
            if (alpha) {
                img.alpha.assign(size_t(img.width) * img.height, 255);
                for (size_t i = 0; i < img.alpha.size(); i += 5) img.alpha[i] = uint8_t(i % 250);
            }
            const int bpp = c.bpp == 24 && alpha ? 32 : c.bpp;
            const std::vector<uint8_t> b = encode(pix::writeBmp, img);
            EXPECT_EQ(le16(b, 28), bpp);
            EXPECT_EQ(le32(b, 30), c.rle && (bpp == 4 || bpp == 8) ? (bpp == 8 ? 1u : 2u) : 0u);
            const std::string path = dir / "t.bmp";
            writeFile(path, b);
            const Rgb8 m = decodeWithMagick(path);
            ASSERT_EQ(m.width, img.width);
            ASSERT_EQ(m.rgb.size(), size_t(img.width) * img.height * 3);
            const bool viaPillow = !(bpp == 4 && c.rle);
            const PillowImage pil = viaPillow ? decodeWithPillow(path) : PillowImage{};
            if (viaPillow) {
                ASSERT_TRUE(pil.ok) << pil.error;
            }
            for (int y = 0; y < img.height; ++y)
                for (int x = 0; x < img.width; ++x) {
                    // Blue is darker than red, so blue is colour 0 of the bilevel image.
                    const uint32_t want = pixelAt(img, x, y);
                    const size_t i = size_t(y) * img.width + x;
                    const uint32_t got = uint32_t(m.rgb[3 * i]) << 16 | uint32_t(m.rgb[3 * i + 1]) << 8 | m.rgb[3 * i + 2];
                    ASSERT_EQ(got, want) << "ImageMagick " << x << "," << y;
                    if (viaPillow) {
                        const uint8_t* q = &pil.rgba[4 * i];
                        ASSERT_EQ(uint32_t(q[0]) << 16 | uint32_t(q[1]) << 8 | q[2], want) << "Pillow " << x << "," << y;
                    }
                }
            if (bpp == 32) {
                // Without BmpAlpha the fourth byte is 255 everywhere.
                EXPECT_EQ(b[54 + 3], 255);
                EXPECT_EQ(b[54 + 7], 255);
            }
        }
}

TEST(BmpWriter, AlphaStoredWhenAsked) {
    pix::Image img = withDepth(makeImage(3, 1, [](int x, int) { return 0x102030u * uint32_t(x + 1); }), 8, 3);
    img.alpha = {0, 128, 255};
    img.params.BmpAlpha = true;
    const std::vector<uint8_t> b = encode(pix::writeBmp, img);
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 54, b.end()),
              (std::vector<uint8_t>{0x30, 0x20, 0x10, 0, 0x60, 0x40, 0x20, 128, 0x90, 0x60, 0x30, 255}));
}

TEST(BmpWriter, SmallAndLargeHeaders) {
    TempDir dir;
    pix::Image img = withDepth(blockImage(20, 9, 6), 8, 1);
    img.params.BmpRle = 1;
    for (auto kind : {pix::BmpHeaderKindValue::Header12, pix::BmpHeaderKindValue::Header64}) {
        img.params.BmpHeaderKind = kind;
        const std::vector<uint8_t> b = encode(pix::writeBmp, img);
        const bool small = kind == pix::BmpHeaderKindValue::Header12;
        SCOPED_TRACE(small ? "12-byte header" : "64-byte header");
        EXPECT_EQ(le32(b, 14), small ? 12u : 64u);
        EXPECT_EQ(le32(b, 10), small ? 14u + 12 + 3 * 256 : 14u + 64 + 4 * 256);
        // ImageMagick reads 64-byte headers with 3-byte palette entries, as
        // OS/2 1.x files have them; Pillow reads the 4-byte entries written.
        writeFile(dir / "h.bmp", b);
        std::vector<uint8_t> rgb;
        if (small) {
            const Rgb8 m = decodeWithMagick(dir / "h.bmp");
            ASSERT_EQ(m.width, 20);
            rgb = m.rgb;
        } else {
            const PillowImage pil = decodeWithPillow(dir / "h.bmp");
            ASSERT_TRUE(pil.ok) << pil.error;
            for (size_t i = 0; i < pil.rgba.size(); i += 4) rgb.insert(rgb.end(), &pil.rgba[i], &pil.rgba[i] + 3);
        }
        ASSERT_EQ(rgb.size(), size_t(20 * 9 * 3));
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 20; ++x) {
                const size_t i = 3 * (size_t(y) * 20 + x);
                ASSERT_EQ(uint32_t(rgb[i]) << 16 | uint32_t(rgb[i + 1]) << 8 | rgb[i + 2], pixelAt(img, x, y));
            }
    }
}

TEST(BmpWriter, FullDiskLeavesNoFile) {
    TempDir dir;
    const pix::Image img = withDepth(photoImage(300, 200), 8, 3);
    FullDiskSink sink(5000);
    EXPECT_THROW(pix::writeBmp(img, sink), pix::Error);

    // A real full disk: a FileSink on a 64 KiB tmpfs (needs the right to mount).
    const std::string mnt = dir / "tiny";
    run("mkdir -p '" + mnt + "'");
    if (run("mount -t tmpfs -o size=64k tmpfs '" + mnt + "' 2>/dev/null") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
    std::string message;
    try {
        pix::saveimage(img, mnt + "/big.bmp");
    } catch (const pix::Error& e) {
        message = e.what();
    }
    std::string listing;
    run("ls -A '" + mnt + "'", &listing);
    run("umount '" + mnt + "'");
    EXPECT_NE(message.find("big.bmp"), std::string::npos) << message;
    EXPECT_EQ(listing, "");
}
