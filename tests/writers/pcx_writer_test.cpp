// The PCX writer: header, planes, run-length lines with the even-length pad
// and the trailing palette, checked byte by byte and with ImageMagick and
// Pillow.
#include <gtest/gtest.h>

#include "image/error.h"
#include "support/test_support.h"
#include "support/writer_support.h"
#include "writers/pcx_rle.h"
#include "writers/writers.h"

using namespace pixtest;

namespace {

std::vector<uint8_t> rle(const std::vector<uint8_t>& line) {
    std::vector<uint8_t> out;
    pix::pcxRleLine(line.data(), line.size(), out);
    return out;
}

uint16_t le16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

}  // namespace

TEST(PcxRle, RunsSinglesAndOddPad) {
    EXPECT_EQ(rle({1, 2, 3, 4}), (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(rle({7, 7, 7, 0xC5}), (std::vector<uint8_t>{0xC3, 7, 0xC1, 0xC5}));
    EXPECT_EQ(rle({9, 9, 9}), (std::vector<uint8_t>{0xC3, 9, 0}));  // odd: one 0 byte appended
    std::vector<uint8_t> long64(64, 0xFF);
    EXPECT_EQ(rle(long64), (std::vector<uint8_t>{0xFF, 0xFF, 0xC1, 0xFF}));  // 63 + 1
}

TEST(PcxWriter, EightBitFileByteForByte) {
    // Three pixels: a line of 3 bytes, padded to 4.
    pix::Image img = withDepth(makeImage(3, 2, [](int x, int y) { return y ? 0x0000FFu : x == 2 ? 0x00FF00u : 0xFF0000u; }), 8, 1);
    img.params.HorizontalDpi = 72;
    img.params.VerticalDpi = 96;
    const std::vector<uint8_t> b = encode(pix::writePcx, img);
    ASSERT_EQ(b.size(), 128u + 4 + 3 + 769);
    EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 16),
              (std::vector<uint8_t>{10, 5, 1, 8, 0, 0, 0, 0, 2, 0, 1, 0, 72, 0, 96, 0}));
    for (int i = 16; i < 64; ++i) ASSERT_EQ(b[size_t(i)], 0) << i;  // no 16-colour palette at 8 bits
    EXPECT_EQ(b[64], 0);
    EXPECT_EQ(b[65], 1);
    EXPECT_EQ(le16(b, 66), 4);
    EXPECT_EQ(le16(b, 68), 1);
    for (int i = 70; i < 128; ++i) ASSERT_EQ(b[size_t(i)], 0) << i;
    // Red, red, green -> indexes 0, 0, 1; then blue x3 -> index 2; each line
    // of 3 bytes gets one 0 byte.
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 128, b.begin() + 135), (std::vector<uint8_t>{0xC2, 0, 1, 0, 0xC3, 2, 0}));
    EXPECT_EQ(b[135], 12);
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 136, b.begin() + 145),
              (std::vector<uint8_t>{255, 0, 0, 0, 255, 0, 0, 0, 255}));
    EXPECT_EQ(b.back(), 0);
}

TEST(PcxWriter, DepthsDecodeInOtherPrograms) {
    struct Case {
        int bits, samples, planes, bitsPerPlane, colours;
    };
    const Case cases[] = {
        {1, 1, 1, 1, 2}, {4, 1, 1, 4, 11}, {8, 1, 1, 8, 170}, {8, 3, 3, 8, 0}, {16, 3, 3, 8, 0}, {16, 1, 1, 8, 40},
    };
    TempDir dir;
    for (const Case& c : cases)
        for (uint8_t rleOn : {1, 0})
            for (int w : {37, 38}) {
                SCOPED_TRACE("bits " + std::to_string(c.bits) + " samples " + std::to_string(c.samples) + " rle " +
                             std::to_string(rleOn) + " width " + std::to_string(w));
                pix::Image img = c.bits == 1 ? makeImage(w, 13, [](int x, int y) { return (x ^ y) & 2 ? 0x00C000u : 0x202080u; })
                                 : c.colours == 0 ? photoImage(w, 13)
                                                  : blockImage(w, 13, c.colours);
                img = withDepth(img, c.bits, c.samples);
                img.params.PcxRle = rleOn;
                const std::vector<uint8_t> b = encode(pix::writePcx, img);
                EXPECT_EQ(b[2], rleOn);
                EXPECT_EQ(b[3], c.bitsPerPlane);
                EXPECT_EQ(b[65], c.planes);
                const std::string path = dir / "t.pcx";
                writeFile(path, b);
                // Neither program uses the header palette of a 1-bit file:
                // Pillow reads bit 0 as black, 1 as white; ImageMagick the
                // other way round; the palette is checked in place. Pillow
                // has no 4-bit single-plane mode and reads every file as
                // run-length coded.
                const bool bilevel = c.bits == 1;
                if (bilevel) {
                    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 16, b.begin() + 22),
                              (std::vector<uint8_t>{0x20, 0x20, 0x80, 0x00, 0xC0, 0x00}));
                }
                const Rgb8 m = decodeWithMagick(path);
                ASSERT_EQ(m.width, w);
                ASSERT_EQ(m.rgb.size(), size_t(w) * 13 * 3);
                const bool viaPillow = c.bitsPerPlane != 4 && rleOn;
                const PillowImage pil = viaPillow ? decodeWithPillow(path) : PillowImage{};
                if (viaPillow) {
                    ASSERT_TRUE(pil.ok) << pil.error;
                }
                for (int y = 0; y < 13; ++y)
                    for (int x = 0; x < w; ++x) {
                        const size_t i = size_t(y) * w + x;
                        const uint32_t colour = pixelAt(img, x, y);
                        const uint32_t want = bilevel ? (colour == 0x202080u ? 0u : 0xFFFFFFu) : colour;
                        ASSERT_EQ(uint32_t(m.rgb[3 * i]) << 16 | uint32_t(m.rgb[3 * i + 1]) << 8 | m.rgb[3 * i + 2],
                                  bilevel ? want ^ 0xFFFFFFu : want)
                            << "ImageMagick " << x << "," << y;
                        if (viaPillow) {
                            const uint8_t* q = &pil.rgba[4 * i];
                            ASSERT_EQ(uint32_t(q[0]) << 16 | uint32_t(q[1]) << 8 | q[2], want) << "Pillow " << x << "," << y;
                        }
                    }
            }
}

TEST(PcxWriter, FullDiskIsAnError) {
    const pix::Image img = withDepth(photoImage(100, 100), 8, 3);
    FullDiskSink sink(3000);
    EXPECT_THROW(pix::writePcx(img, sink), pix::Error);
}
