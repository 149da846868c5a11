// The GIF writer and its run-length code stream, checked with giflib and
// Pillow as independent decoders.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "image/error.h"
#include "image/sink.h"
#include "imageops/palette_quantiser.h"
#include "support/test_support.h"
#include "support/writer_support.h"
#include "writers/gif_rle_encoder.h"
#include "writers/writers.h"

using namespace pixtest;

namespace {

struct MemoryReader {
    const std::vector<uint8_t>* bytes;
    size_t at = 0;
};

int readMemory(GifFileType* gif, GifByteType* buf, int n) {
    auto* r = static_cast<MemoryReader*>(gif->UserData);
    const size_t take = std::min(size_t(n), r->bytes->size() - r->at);
    std::memcpy(buf, r->bytes->data() + r->at, take);
    r->at += take;
    return int(take);
}

// giflib's reading of a GIF: screen, palette, control block and the raster
// (rows in stored order).
struct GiflibImage {
    bool ok = false;
    int width = 0, height = 0, colourResolution = 0, background = 0, colourCount = 0;
    std::vector<GifColorType> palette;
    GraphicsControlBlock gcb{};
    bool hasGcb = false, interlaced = false;
    std::vector<uint8_t> raster;
    std::vector<std::string> comments;
};

GiflibImage decodeWithGiflib(const std::vector<uint8_t>& bytes) {
    GiflibImage out;
    MemoryReader reader{&bytes};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, readMemory, &error);
    if (!gif) return out;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1 && gif->SColorMap) {
        out.ok = true;
        out.width = gif->SWidth;
        out.height = gif->SHeight;
        out.colourResolution = gif->SColorResolution;
        out.background = gif->SBackGroundColor;
        out.colourCount = gif->SColorMap->ColorCount;
        out.palette.assign(gif->SColorMap->Colors, gif->SColorMap->Colors + out.colourCount);
        const SavedImage& img = gif->SavedImages[0];
        out.interlaced = img.ImageDesc.Interlace;
        out.raster.assign(img.RasterBits, img.RasterBits + size_t(img.ImageDesc.Width) * size_t(img.ImageDesc.Height));
        out.hasGcb = DGifSavedExtensionToGCB(gif, 0, &out.gcb) == GIF_OK;
        for (int i = 0; i < img.ExtensionBlockCount; ++i)
            if (img.ExtensionBlocks[i].Function == COMMENT_EXT_FUNC_CODE)
                out.comments.emplace_back(reinterpret_cast<char*>(img.ExtensionBlocks[i].Bytes),
                                          size_t(img.ExtensionBlocks[i].ByteCount));
        for (int i = 0; i < gif->ExtensionBlockCount; ++i)
            if (gif->ExtensionBlocks[i].Function == COMMENT_EXT_FUNC_CODE)
                out.comments.emplace_back(reinterpret_cast<char*>(gif->ExtensionBlocks[i].Bytes),
                                          size_t(gif->ExtensionBlocks[i].ByteCount));
    }
    DGifCloseFile(gif, &error);
    return out;
}

uint32_t rgbOf(const GifColorType& c) { return uint32_t(c.Red) << 16 | uint32_t(c.Green) << 8 | c.Blue; }

// The image data of a GIF with a code stream alone: the pixels go into a 1-row
// image of the given code size through the encoder, and giflib decodes them.
std::vector<uint8_t> gifOfIndexes(const std::vector<uint8_t>& indexes, int codeSize) {
    pix::MemorySink s;
    s.write("GIF89a", 6);
    s.put16le(uint16_t(indexes.size()));
    s.put16le(1);
    s.put8(uint8_t(0x80 | (codeSize - 1) << 4 | (codeSize - 1)));
    s.put8(0);
    s.put8(0);
    for (int i = 0; i < (1 << codeSize); ++i) s.write("\x10\x20\x30", 3);
    s.put8(0x2C);
    s.put16le(0);
    s.put16le(0);
    s.put16le(uint16_t(indexes.size()));
    s.put16le(1);
    s.put8(0);
    s.put8(uint8_t(std::max(codeSize, 2)));
    pix::GifRleEncoder enc(s, std::max(codeSize, 2));
    enc.add(indexes.data(), indexes.size());
    enc.finish();
    s.put8(0x3B);
    return s.bytes();
}

}  // namespace

TEST(GifWriter, OneColourImageIsClearRunCodesEoi) {
    pix::Image img = makeImage(4, 2, [](int, int) { return 0xFF0000u; });
    img.params.BitsPerSample = 8;
    const std::vector<uint8_t> bytes = encode(pix::writeGif, img);

    std::vector<uint8_t> expected = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 2, 0, 0xF7, 0, 0};
    expected.insert(expected.end(), {0xFF, 0, 0});  // entry 0 red, the rest black
    expected.resize(expected.size() + 255 * 3, 0);
    expected.insert(expected.end(), {0x21, 0xF9, 0x04, 0x08, 0, 0, 0, 0});  // disposal 2, no transparency
    expected.insert(expected.end(), {0x2C, 0, 0, 0, 0, 4, 0, 2, 0, 0});
    // Code size 8; codes Clear 256, 0, 258, 259, 258, EOI 257 in 9 bits each.
    expected.insert(expected.end(), {8, 7, 0x00, 0x01, 0x08, 0x1C, 0x28, 0x30, 0x20, 0});
    expected.push_back(0x3B);  // no comment extension without comments
    EXPECT_EQ(bytes, expected);

    const GiflibImage g = decodeWithGiflib(bytes);
    ASSERT_TRUE(g.ok);
    EXPECT_EQ(g.raster, std::vector<uint8_t>(8, 0));
}

TEST(GifRleEncoder, AnyRunPatternDecodesWithGiflib) {
    std::mt19937 rng(7);
    for (int codeSize = 1; codeSize <= 8; ++codeSize) {
        const int colours = 1 << codeSize;
        for (int pattern = 0; pattern < 4; ++pattern) {
            std::vector<uint8_t> px;
            const size_t total = pattern == 3 ? 60000 : 20000;
            while (px.size() < total) {
                size_t run;
                switch (pattern) {
                    case 0: run = 1; break;                               // noise
                    case 1: run = 1 + rng() % 6; break;                   // short runs
                    case 2: run = 1 + rng() % 700; break;                 // long runs
                    default: run = rng() % 4 == 0 ? 30000 : 1 + rng() % 50;  // huge runs among short ones
                }
                const uint8_t v = uint8_t(rng() % std::min(colours, pattern == 1 ? 3 : 256));
                px.insert(px.end(), std::min(run, total - px.size()), v);
            }
            const GiflibImage g = decodeWithGiflib(gifOfIndexes(px, codeSize));
            ASSERT_TRUE(g.ok) << "code size " << codeSize << " pattern " << pattern;
            EXPECT_EQ(g.raster, px) << "code size " << codeSize << " pattern " << pattern;
        }
    }
}

// Every colour depth, with and without an alpha plane: header fields, palette
// and pixels as giflib reads them.
TEST(GifWriter, DepthsAndTransparencyDecodeWithGiflib) {
    struct Case {
        int bits, samples, colours, tableBits;
    };
    const Case cases[] = {
        {1, 1, 2, 1}, {4, 1, 10, 4}, {8, 1, 200, 8}, {8, 3, 200, 8},  // colordepth 1, 4, 8, 24
        {2, 1, 3, 2}, {16, 1, 50, 8},                                  // depths an input may carry
    };
    for (const Case& c : cases)
        for (bool alpha : {false, true}) {
            SCOPED_TRACE("bits " + std::to_string(c.bits) + " samples " + std::to_string(c.samples) +
                         (alpha ? " alpha" : ""));
            pix::Image img = withDepth(blockImage(97, 41, c.bits == 1 ? 2 : c.colours), c.bits, c.samples);
            if (c.bits == 1)  // red and yellow: red is the darker and becomes black
                img = withDepth(makeImage(97, 41, [](int x, int y) { return (x + y) % 3 ? 0xFF0000u : 0xFFFF00u; }), 1, 1);
            if (alpha) {
                img.alpha.assign(size_t(img.width) * img.height, 255);
                for (size_t i = 0; i < img.alpha.size(); i += 7) img.alpha[i] = uint8_t(i % 200);
            }
            const std::vector<uint8_t> bytes = encode(pix::writeGif, img);
            const GiflibImage g = decodeWithGiflib(bytes);
            ASSERT_TRUE(g.ok);
            // One bit leaves no room for a transparent entry, so two bits carry it.
            const int tableBits = c.bits == 1 && alpha ? 2 : c.tableBits;
            EXPECT_EQ(g.colourCount, 1 << tableBits);
            EXPECT_EQ(g.colourResolution, tableBits);
            ASSERT_TRUE(g.hasGcb);
            EXPECT_EQ(g.gcb.DisposalMode, 2);
            const int transparentIndex = (1 << tableBits) - 1;
            if (alpha) {
                EXPECT_EQ(g.gcb.TransparentColor, transparentIndex);
                EXPECT_EQ(rgbOf(g.palette[size_t(transparentIndex)]), 0u);
            } else {
                EXPECT_EQ(g.gcb.TransparentColor, NO_TRANSPARENT_COLOR);
            }
            for (int y = 0; y < img.height; ++y)
                for (int x = 0; x < img.width; ++x) {
                    const size_t i = size_t(y) * img.width + x;
                    const uint8_t index = g.raster[i];
                    if (alpha && img.alpha[i] != 255) {
                        ASSERT_EQ(index, transparentIndex);
                        continue;
                    }
                    ASSERT_NE(int(index), alpha ? transparentIndex : -1);
                    const uint32_t want =
                        c.bits == 1 ? (pixelAt(img, x, y) == 0xFF0000u ? 0x000000u : 0xFFFFFFu) : pixelAt(img, x, y);
                    ASSERT_EQ(rgbOf(g.palette[index]), want) << x << "," << y;
                }
        }
}

TEST(GifWriter, PhotoAt256ColoursWithAlphaKeepsLastEntryTransparent) {
    pix::Image img = withDepth(photoImage(160, 120), 8, 1);
    img.alpha.assign(size_t(img.width) * img.height, 255);
    img.alpha[5] = 0;
    const GiflibImage g = decodeWithGiflib(encode(pix::writeGif, img));
    ASSERT_TRUE(g.ok);
    EXPECT_EQ(g.colourCount, 256);
    EXPECT_EQ(g.gcb.TransparentColor, 255);
    EXPECT_EQ(g.raster[5], 255);
    for (size_t i = 0; i < g.raster.size(); ++i) {
        if (i == 5) continue;
        ASSERT_LT(g.raster[i], 255) << i;
    }
}

TEST(GifWriter, InterlacedRowsAndCommentsReadBackInOtherDecoders) {
    TempDir dir;
    pix::Image img = withDepth(blockImage(30, 37, 12), 4, 1);
    img.params.GifInterlaced = true;
    img.params.GifComments = {"first", std::string(300, 'x')};
    const std::vector<uint8_t> bytes = encode(pix::writeGif, img);
    const GiflibImage g = decodeWithGiflib(bytes);
    ASSERT_TRUE(g.ok);
    EXPECT_TRUE(g.interlaced);
    ASSERT_FALSE(g.comments.empty());
    EXPECT_EQ(g.comments[0], "first");

    writeFile(dir / "i.gif", bytes);
    const PillowImage pil = decodeWithPillow(dir / "i.gif");
    ASSERT_TRUE(pil.ok) << pil.error;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const uint8_t* q = &pil.rgba[(size_t(y) * img.width + x) * 4];
            ASSERT_EQ(uint32_t(q[0]) << 16 | uint32_t(q[1]) << 8 | q[2], pixelAt(img, x, y)) << x << "," << y;
        }
    const Rgb8 magick = decodeWithMagick(dir / "i.gif");
    ASSERT_EQ(magick.width, img.width);
    EXPECT_EQ(magick.rgb[3 * (36 * 30 + 29)], uint8_t(pixelAt(img, 29, 36) >> 16));
}

TEST(GifWriter, FullDiskIsAnError) {
    const pix::Image img = withDepth(photoImage(200, 200), 8, 1);
    FullDiskSink sink(1000);
    EXPECT_THROW(pix::writeGif(img, sink), pix::Error);
}

// A photo needs the box-splitting (16 colours) or neural (256) quantiser:
// every pixel must come back as the palette colour the quantiser gives it.
TEST(GifWriter, PhotoPixelsAreTheQuantisersColours) {
    for (int bits : {4, 8})
        for (bool alpha : {false, true}) {
            SCOPED_TRACE(std::to_string(bits) + (alpha ? " bits, alpha" : " bits"));
            pix::Image img = withDepth(photoImage(120, 90), bits, 1);
            if (alpha) img.alpha.assign(size_t(img.width) * img.height, 255);
            const pix::PaletteQuantiser q(img, alpha ? (1 << bits) - 1 : 1 << bits);
            const GiflibImage g = decodeWithGiflib(encode(pix::writeGif, img));
            ASSERT_TRUE(g.ok);
            for (int y = 0; y < img.height; ++y)
                for (int x = 0; x < img.width; ++x) {
                    const uint32_t c = pixelAt(img, x, y);
                    const int want = q.lookup(uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c));
                    const pix::RgbColour e = q.palette()[size_t(want)];
                    ASSERT_EQ(rgbOf(g.palette[g.raster[size_t(y) * img.width + x]]),
                              uint32_t(e.r) << 16 | uint32_t(e.g) << 8 | e.b);
                }
        }
}
