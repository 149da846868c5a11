// The file layout of the TIFF writer: header, the directory's entries and
// their order, out-of-line values at even offsets in their fixed order,
// strips, alpha and metadata tags; read with our own small directory parser,
// with libtiff and with tiffdump.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <map>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "support/tiff_support.h"
#include "writers/writers.h"

namespace {

struct RawEntry {
    uint16_t tag, type;
    uint32_t count, value;  // value: the offset, or the first bytes of an in-entry value
};

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t le16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

struct Parsed {
    uint32_t ifd = 0;
    std::vector<RawEntry> entries;
    std::map<uint16_t, RawEntry> byTag;
};

Parsed parse(const std::vector<uint8_t>& f) {
    Parsed p;
    EXPECT_EQ(f[0], 'I');
    EXPECT_EQ(f[1], 'I');
    EXPECT_EQ(le16(f, 2), 42);
    p.ifd = le32(f, 4);
    const uint16_t n = le16(f, p.ifd);
    for (uint16_t i = 0; i < n; ++i) {
        const size_t at = p.ifd + 2 + 12u * i;
        RawEntry e{le16(f, at), le16(f, at + 2), le32(f, at + 4), le32(f, at + 8)};
        p.entries.push_back(e);
        p.byTag[e.tag] = e;
    }
    EXPECT_EQ(le32(f, p.ifd + 2 + 12u * n), 0u);  // no next directory
    EXPECT_EQ(f.size(), p.ifd + 2 + 12u * n + 4);  // the directory comes last
    return p;
}

std::vector<uint8_t> writeToMemory(const pix::Image& img) {
    pix::MemorySink sink;
    pix::writeTiff(img, sink);
    return sink.bytes();
}

TEST(TiffLayout, EntriesOffsetsAndOrderOfOutOfLineValues) {
    pix::Image img = pixtest::makeImage(21, 9, [](int x, int y) { return uint32_t(x * 11 + y * 1000); });
    pix::TIOParamsVals& p = img.params;
    p.TiffCompression = pix::kTiffPackBits;
    p.HorizontalDpi = 72;
    p.VerticalDpi = 96;
    p.TiffImageDescription = "abc";        // stands in its entry
    p.TiffDocumentName = "Document 1";     // 11 bytes with its zero: the strip then starts at an odd offset
    p.TiffPageName = "Page";               // four characters: in the entry
    p.TiffXPosition = 3;
    p.TiffPageNumber = 0;
    p.Xmp = {'<', 'x', '/', '>', ' '};
    p.IccProfile = std::vector<uint8_t>(131, 7);
    p.IptcList = {{0x1C, 2, 5, 0, 3, 'a', 'b', 'c'}};
    const std::vector<uint8_t> f = writeToMemory(img);
    const Parsed parsed = parse(f);

    std::vector<uint16_t> tags;
    for (const RawEntry& e : parsed.entries) tags.push_back(e.tag);
    EXPECT_EQ(tags, (std::vector<uint16_t>{254, 256, 257, 258, 259, 262, 269, 270, 273, 277, 278, 279, 282, 283, 285,
                                           286, 296, 297, 700, 33723, 34675}));
    const auto& t = parsed.byTag;
    EXPECT_EQ(t.at(258).type, 3);
    EXPECT_EQ(t.at(258).count, 3u);
    EXPECT_EQ(t.at(259).value, 32773u);
    EXPECT_EQ(t.at(262).value, 2u);
    EXPECT_EQ(t.at(270).type, 2);
    EXPECT_EQ(t.at(270).count, 3u);  // no terminating zero in the entry
    EXPECT_EQ(t.at(270).value, 0x00636261u);
    EXPECT_EQ(t.at(285).count, 4u);
    EXPECT_EQ(t.at(285).value, 0x65676150u);
    EXPECT_EQ(t.at(269).count, 11u);
    EXPECT_EQ(t.at(273).count, 1u);  // one strip: offset and count in their entries
    EXPECT_EQ(t.at(278).value, 9u);
    EXPECT_EQ(t.at(297).type, 3);
    EXPECT_EQ(t.at(297).count, 2u);
    EXPECT_EQ(t.at(297).value, 0xFFFF0000u);  // page 0 of -1 (unknown)
    EXPECT_EQ(t.at(700).type, 1);
    EXPECT_EQ(t.at(700).count, 5u);
    EXPECT_EQ(t.at(33723).count, 8u);
    EXPECT_EQ(t.at(34675).type, 7);
    EXPECT_EQ(t.at(34675).count, 131u);
    EXPECT_EQ(le32(f, t.at(282).value), 72u);
    EXPECT_EQ(le32(f, t.at(282).value + 4), 1u);
    EXPECT_EQ(le32(f, t.at(283).value), 96u);
    EXPECT_EQ(le32(f, t.at(286).value), 30000u);
    EXPECT_EQ(le32(f, t.at(286).value + 4), 10000u);

    // Out-of-line values in their fixed order, each at an even offset; the
    // strip follows the document name directly.
    const std::vector<uint32_t> order = {t.at(282).value, t.at(283).value, t.at(258).value, t.at(269).value,
                                         t.at(273).value, t.at(286).value, t.at(700).value, t.at(33723).value,
                                         t.at(34675).value, parsed.ifd};
    EXPECT_EQ(order.front(), 8u);
    for (size_t i = 1; i < order.size(); ++i) EXPECT_LT(order[i - 1], order[i]) << i;
    for (uint32_t at : {t.at(282).value, t.at(283).value, t.at(258).value, t.at(269).value, t.at(286).value,
                        t.at(700).value, t.at(33723).value, t.at(34675).value, parsed.ifd})
        EXPECT_EQ(at % 2, 0u) << at;
    EXPECT_EQ(t.at(273).value, t.at(269).value + 11);
    EXPECT_EQ(std::string(f.begin() + t.at(269).value, f.begin() + t.at(269).value + 11), std::string("Document 1\0", 11));

    // libtiff and tiffdump agree.
    pixtest::TempDir dir;
    pixtest::writeFile(dir / "l.tif", f);
    TIFFSetWarningHandler(nullptr);  // the short texts carry no terminating zero
    TIFF* tif = TIFFOpen((dir / "l.tif").c_str(), "r");
    ASSERT_NE(tif, nullptr);
    uint32_t n = 0;
    void* data = nullptr;
    ASSERT_EQ(TIFFGetField(tif, TIFFTAG_ICCPROFILE, &n, &data), 1);
    EXPECT_EQ(std::vector<uint8_t>((uint8_t*)data, (uint8_t*)data + n), p.IccProfile);
    ASSERT_EQ(TIFFGetField(tif, TIFFTAG_XMLPACKET, &n, &data), 1);
    EXPECT_EQ(std::vector<uint8_t>((uint8_t*)data, (uint8_t*)data + n), p.Xmp);
    const char* text = nullptr;
    ASSERT_EQ(TIFFGetField(tif, TIFFTAG_DOCUMENTNAME, &text), 1);
    EXPECT_STREQ(text, "Document 1");
    TIFFClose(tif);
    std::string dump;
    ASSERT_EQ(pixtest::run("tiffdump '" + dir / "l.tif" + "' 2>&1", &dump), 0);
    EXPECT_NE(dump.find("Compression (259) SHORT (3) 1<32773>"), std::string::npos) << dump;
    EXPECT_NE(dump.find("33723 (0x83bb) UNDEFINED (7) 8<0x1c 0x2 0x5 00 0x3 0x61 0x62 0x63>"), std::string::npos) << dump;
    const pixtest::TiffData d = pixtest::readTiff(dir / "l.tif");
    EXPECT_EQ(d.errors, "");
    ASSERT_EQ(d.rows.size(), 9u);
    EXPECT_EQ(d.rows[8][3 * 20], uint8_t((20 * 11 + 8 * 1000) >> 16));
}

TEST(TiffLayout, MultiStripImagesBeyondOneMebibyte) {
    // Rows of 3000 bytes, 701 rows: n = floor(701 * 3000 / 524288) = 4, strips
    // of 175 rows, and a fifth strip for the last row.
    pix::Image img = pixtest::photoImage(1000, 701);
    pixtest::TempDir dir;
    for (uint8_t code : {pix::kTiffNone, pix::kTiffPackBits, pix::kTiffLzw}) {
        SCOPED_TRACE(int(code));
        img.params.TiffCompression = code;
        const std::string path = dir / "big.tif";
        ASSERT_TRUE(pix::saveimage(img, path));
        const pixtest::TiffData d = pixtest::readTiff(path);
        ASSERT_EQ(d.errors, "");
        EXPECT_EQ(d.rowsPerStrip, 175u);
        ASSERT_EQ(d.strips, 5u);
        for (size_t s = 1; s < 5; ++s) EXPECT_EQ(d.stripOffsets[s], d.stripOffsets[s - 1] + d.stripByteCounts[s - 1]);
        if (code == pix::kTiffNone) {
            EXPECT_EQ(d.stripByteCounts[0], 175u * 3000);
            EXPECT_EQ(d.stripByteCounts[4], 3000u);
        }
        ASSERT_EQ(d.rows.size(), 701u);
        for (int y = 0; y < 701; y += 3)
            for (int x = 0; x < 1000; ++x) {
                const uint8_t* p = img.row(y) + 3 * x;
                ASSERT_TRUE(d.rows[y][3 * x] == p[2] && d.rows[y][3 * x + 1] == p[1] && d.rows[y][3 * x + 2] == p[0])
                    << x << "," << y;
            }
        // The strip arrays stand out of line, after the strips, at even offsets.
        const std::vector<uint8_t> f = pixtest::readFile(path);
        const Parsed parsed = parse(f);
        const RawEntry offsets = parsed.byTag.at(273), counts = parsed.byTag.at(279);
        EXPECT_EQ(offsets.count, 5u);
        EXPECT_EQ(offsets.value % 2, 0u);
        EXPECT_GE(offsets.value, d.stripOffsets[4] + d.stripByteCounts[4]);
        EXPECT_EQ(counts.value, offsets.value + 20);
    }
}

TEST(TiffLayout, RowLongerThanTheStripTargetStillGetsAStrip) {
    // One row of 1.2 MB: n = 2 for a single row; a strip holds at least one row.
    pix::Image img = pixtest::makeImage(400000, 1, [](int x, int) { return uint32_t(x) * 2654435761u & 0xFFFFFF; });
    img.params.TiffCompression = pix::kTiffLzw;
    pixtest::TempDir dir;
    ASSERT_TRUE(pix::saveimage(img, dir / "wide.tif"));
    const pixtest::TiffData d = pixtest::readTiff(dir / "wide.tif");
    ASSERT_EQ(d.errors, "");
    EXPECT_EQ(d.rowsPerStrip, 1u);
    EXPECT_EQ(d.strips, 1u);
    ASSERT_EQ(d.rows.size(), 1u);
    EXPECT_EQ(d.rows[0][3 * 399999 + 2], img.row(0)[3 * 399999]);
}

TEST(TiffLayout, AlphaPlaneAsUnassociatedFourthSample) {
    pix::Image img = pixtest::makeImage(30, 10, [](int x, int y) { return uint32_t(x * 8) << 16 | uint32_t(y * 20); });
    img.alpha.assign(300, 255);
    img.alpha[7] = 128;
    img.alpha[299] = 0;
    pixtest::TempDir dir;
    struct Case {
        uint8_t code;
        int samples;
    };
    for (Case c : {Case{pix::kTiffLzw, 4}, Case{pix::kTiffNone, 4}, Case{pix::kTiffPackBits, 4},
                   Case{pix::kTiffG4, 4}, Case{pix::kTiffDeflate, 3}}) {
        SCOPED_TRACE(int(c.code));
        img.params.TiffCompression = c.code;
        ASSERT_TRUE(pix::saveimage(img, dir / "a.tif"));
        const pixtest::TiffData d = pixtest::readTiff(dir / "a.tif");
        ASSERT_EQ(d.errors, "");
        EXPECT_EQ(d.samplesPerPixel, c.samples);
        EXPECT_EQ(d.predictor, 1);
        if (c.samples == 4) {
            EXPECT_EQ(d.extraSamples, std::vector<uint16_t>{EXTRASAMPLE_UNASSALPHA});
            for (int y = 0; y < 10; ++y)
                for (int x = 0; x < 30; ++x) {
                    const uint8_t* q = d.rows[y].data() + 4 * x;
                    const uint8_t* p = img.row(y) + 3 * x;
                    ASSERT_TRUE(q[0] == p[2] && q[1] == p[1] && q[2] == p[0] && q[3] == img.alpha[y * 30 + x]);
                }
        } else {
            EXPECT_TRUE(d.extraSamples.empty());
        }
    }
    // An alpha plane that is entirely opaque is left out, and keeps the predictor off.
    img.alpha.assign(300, 255);
    img.params.TiffCompression = pix::kTiffLzw;
    ASSERT_TRUE(pix::saveimage(img, dir / "o.tif"));
    const pixtest::TiffData d = pixtest::readTiff(dir / "o.tif");
    EXPECT_EQ(d.samplesPerPixel, 3);
    EXPECT_TRUE(d.extraSamples.empty());
    EXPECT_EQ(d.predictor, 1);
}

TEST(TiffLayout, DepthAndCompressionRules) {
    pixtest::TempDir dir;
    pix::Image img = pixtest::photoImage(64, 32);
    struct Case {
        int bits, samples;
        uint8_t code;
        uint16_t compression, photometric, bitsPerSample, samplesPerPixel;
    };
    const Case cases[] = {
        {8, 1, pix::kTiffG3, 1, 3, 8, 1},         // "8" with tiffg3: palette without compression
        {4, 1, pix::kTiffDeflate, 32946, 3, 4, 1},  // Deflate kept for quantised layouts
        {16, 3, pix::kTiffLzw, 5, 2, 8, 3},        // 16-bit colour written as 8-bit RGB
        {8, 4, pix::kTiffLzw, 5, 2, 8, 3},         // four samples: RGB
        {5, 3, pix::kTiffNone, 1, 2, 8, 3},        // 16-bit BMP depth
        {8, 2, pix::kTiffPackBits, 32773, 2, 8, 3},  // gray with alpha from a PNG
        {8, 3, pix::kTiffG3OneD, 1, 2, 8, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + "x" + std::to_string(c.samples) + " code " + std::to_string(c.code));
        img.params.BitsPerSample = c.bits;
        img.params.SamplesPerPixel = c.samples;
        img.params.TiffCompression = c.code;
        ASSERT_TRUE(pix::saveimage(img, dir / "r.tif"));
        const pixtest::TiffData d = pixtest::readTiff(dir / "r.tif");
        ASSERT_EQ(d.errors, "");
        EXPECT_EQ(d.compression, c.compression);
        EXPECT_EQ(d.photometric, c.photometric);
        EXPECT_EQ(d.bitsPerSample, c.bitsPerSample);
        EXPECT_EQ(d.samplesPerPixel, c.samplesPerPixel);
        EXPECT_EQ(d.rows.size(), 32u);
        EXPECT_TRUE(d.rgbaOk);
    }
}

}  // namespace
