// Every depth the engine can ask for (and the 2- and 16-bit depths an input
// leaves with "AsIs") times every TIFF compression, written through the
// writer table and read back by libtiff: tags, strip layout and pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include <tiffio.h>

#include "imageops/palette_quantiser.h"
#include "imageops/reductions.h"
#include "support/test_support.h"
#include "support/tiff_support.h"
#include "writers/writers.h"

namespace {

using pixtest::TiffData;

struct Depth {
    const char* name;
    int bits, samples;
};
constexpr Depth kDepths[] = {{"1", 1, 1}, {"4", 4, 1}, {"8", 8, 1}, {"24", 8, 3}, {"asis2", 2, 1}, {"asis16", 16, 1}};

struct Compression {
    const char* name;
    uint8_t code;
    uint16_t tag;  // what a bilevel image gets
};
constexpr Compression kCompressions[] = {{"none", 0, 1},    {"packbits", 8, 32773}, {"lzw", 5, 5},
                                         {"huffman", 1, 2}, {"g3", 3, 3},           {"g4", 4, 4}};

// A photo-like image and an all-gray one, both with a width that is no
// multiple of 8 and a few hard edges.
pix::Image testImage(bool gray) {
    pix::Image photo = pixtest::photoImage(203, 61);
    if (!gray) return photo;
    return pixtest::makeImage(203, 61, [](int x, int y) {
        const uint32_t v = uint32_t((x * 5 + y * 3 + (x / 17) * 40) & 255);
        return v << 16 | v << 8 | v;
    });
}

bool isCcittTag(uint16_t t) { return t == 2 || t == 3 || t == 4; }

void checkCase(const Depth& depth, const Compression& comp, bool gray) {
    SCOPED_TRACE(std::string("depth ") + depth.name + ", " + comp.name + (gray ? ", gray image" : ", photo"));
    pix::Image img = testImage(gray);
    img.params.BitsPerSample = depth.bits;
    img.params.SamplesPerPixel = depth.samples;
    img.params.TiffCompression = comp.code;
    img.params.HorizontalDpi = 150;
    img.params.VerticalDpi = 150;
    const pix::Image before = img;

    pixtest::TempDir dir;
    const std::string path = dir / "out.tif";
    ASSERT_TRUE(pix::saveimage(img, path));
    EXPECT_EQ(img.pixels, before.pixels);

    // What the writer should have made of it.
    enum { Bilevel, Gray, Palette, Rgb } kind;
    std::optional<pix::PaletteQuantiser> q;
    if (depth.samples == 1 && depth.bits == 1) {
        kind = Bilevel;
    } else if (depth.samples == 1) {
        q.emplace(img, std::min(1 << std::min(depth.bits, 8), 256));
        kind = q->isGray() ? Gray : Palette;
    } else {
        kind = Rgb;
    }
    uint16_t tag = comp.tag;
    if (kind != Bilevel && (isCcittTag(tag))) tag = 1;
    const int bits = kind == Bilevel ? 1 : kind == Rgb ? 8 : (kind == Palette && depth.bits == 16) ? 8 : depth.bits;

    // tiffinfo reads the directory without errors and names the compression.
    std::string info;
    EXPECT_EQ(pixtest::run("tiffinfo '" + path + "' 2>&1", &info), 0);
    EXPECT_EQ(info.find("Error"), std::string::npos) << info;
    static const char* const kSchemes[] = {"", "None", "CCITT RLE", "CCITT Group 3", "CCITT Group 4",
                                           "LZW"};
    const std::string scheme = tag <= 5 ? kSchemes[tag] : "PackBits";
    EXPECT_NE(info.find("Compression Scheme: " + scheme + "\n"), std::string::npos) << info;

    const TiffData d = pixtest::readTiff(path);
    ASSERT_TRUE(d.opened);
    EXPECT_EQ(d.errors, "");
    EXPECT_EQ(d.width, 203u);
    EXPECT_EQ(d.height, 61u);
    EXPECT_EQ(d.compression, tag);
    EXPECT_EQ(d.bitsPerSample, bits);
    EXPECT_EQ(d.samplesPerPixel, kind == Rgb ? 3 : 1);
    const int photometric = kind == Bilevel ? (isCcittTag(tag) ? 0 : 1) : kind == Gray ? 1 : kind == Palette ? 3 : 2;
    EXPECT_EQ(d.photometric, photometric);
    EXPECT_EQ(d.predictor, (kind == Rgb && tag == 5) ? 2 : 1);
    EXPECT_EQ(d.hasFillOrder, isCcittTag(tag));
    if (tag == 3) {
        EXPECT_TRUE(d.hasT4);
        EXPECT_EQ(d.t4Options, 1u);
    }
    if (tag == 4) {
        EXPECT_TRUE(d.hasT6);
    }
    EXPECT_EQ(d.strips, 1u);
    EXPECT_EQ(d.rowsPerStrip, 61u);
    EXPECT_FLOAT_EQ(d.xres, 150.f);
    EXPECT_TRUE(d.extraSamples.empty());

    // Rows as stored.
    ASSERT_EQ(d.rows.size(), 61u);
    std::optional<pix::BilevelImage> bilevel;
    if (kind == Bilevel) bilevel = pix::bilevelFor(img);
    int mismatches = 0;
    for (int y = 0; y < 61 && mismatches < 5; ++y) {
        const std::vector<uint8_t>& row = d.rows[y];
        for (int x = 0; x < 203 && mismatches < 5; ++x) {
            const uint8_t* p = img.row(y) + 3 * x;
            const uint8_t r = p[2], g = p[1], b = p[0];
            unsigned got = 0, want = 0;
            switch (kind) {
                case Bilevel:
                    got = pixtest::packedSample(row, x, 1);
                    want = bilevel->bits.bit(x, y) ^ (isCcittTag(tag) ? 1 : 0);
                    break;
                case Rgb:
                    got = unsigned(row[3 * x]) << 16 | row[3 * x + 1] << 8 | row[3 * x + 2];
                    want = unsigned(r) << 16 | g << 8 | b;
                    break;
                default:
                    if (bits == 16) {
                        got = row[2 * x] | row[2 * x + 1] << 8;
                        want = unsigned(q->lookup(r, g, b)) * 257;
                    } else {
                        got = pixtest::packedSample(row, x, bits);
                        want = unsigned(q->lookup(r, g, b));
                    }
                    break;
            }
            if (got != want) {
                ADD_FAILURE() << "pixel " << x << "," << y << " stored " << got << ", expected " << want;
                ++mismatches;
            }
        }
    }

    // The rendering libtiff makes of it: colours where the kind fixes them.
    ASSERT_TRUE(d.rgbaOk);
    for (int y = 0; y < 61; y += 7)
        for (int x = 0; x < 203; x += 5) {
            const uint8_t* p = img.row(y) + 3 * x;
            const uint32_t px = d.rgba[size_t(y) * 203 + x];
            const unsigned R = TIFFGetR(px), G = TIFFGetG(px), B = TIFFGetB(px);
            if (kind == Rgb) {
                ASSERT_EQ(R << 16 | G << 8 | B, unsigned(p[2]) << 16 | p[1] << 8 | p[0]) << x << "," << y;
            } else if (kind == Bilevel) {
                ASSERT_EQ(R, bilevel->bits.bit(x, y) ? 255u : 0u) << x << "," << y;
            } else if (kind == Palette) {
                const pix::RgbColour c = q->palette()[size_t(q->lookup(p[2], p[1], p[0]))];
                ASSERT_EQ(R << 16 | G << 8 | B, unsigned(c.r) << 16 | c.g << 8 | c.b) << x << "," << y;
            }
        }
}

TEST(TiffMatrix, EveryDepthWithEveryCompression) {
    for (const Depth& depth : kDepths)
        for (const Compression& comp : kCompressions)
            for (bool gray : {false, true}) checkCase(depth, comp, gray);
}

}  // namespace
