// The TIFF coders: PackBits bytes by hand, and LZW and CCITT streams decoded
// by libtiff's own decoders (fill orders, long runs, strip restarts).
#include <gtest/gtest.h>

#include <tiffio.h>

#include <random>
#include <string>
#include <vector>

#include "imageops/reductions.h"
#include "support/test_support.h"
#include "support/tiff_support.h"
#include "writers/packbits.h"
#include "writers/writers.h"

namespace {

std::vector<uint8_t> pack(const std::vector<uint8_t>& row) {
    std::vector<uint8_t> out;
    pix::packBitsRow(row.data(), row.size(), out);
    return out;
}

std::vector<uint8_t> repeat(size_t n, uint8_t v) { return std::vector<uint8_t>(n, v); }

TEST(PackBits, RunsAndLiteralsAsExactBytes) {
    // Three equal bytes stay literal; four become a run.
    EXPECT_EQ(pack({7, 7, 7}), (std::vector<uint8_t>{2, 7, 7, 7}));
    EXPECT_EQ(pack({7, 7, 7, 7}), (std::vector<uint8_t>{0xFD, 7}));
    // 129 equal bytes: a run of 128, then a literal of one.
    EXPECT_EQ(pack(repeat(129, 9)), (std::vector<uint8_t>{0x81, 9, 0, 9}));
    // A literal stretch ends where a run of four begins, and at the row's end.
    EXPECT_EQ(pack({1, 2, 2, 2, 3, 3, 3, 3, 4}), (std::vector<uint8_t>{3, 1, 2, 2, 2, 0xFD, 3, 0, 4}));
    // Literal stretches are cut at 128 bytes.
    std::vector<uint8_t> ramp(130);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = uint8_t(i);
    const std::vector<uint8_t> coded = pack(ramp);
    ASSERT_EQ(coded.size(), 1u + 128 + 1 + 2);
    EXPECT_EQ(coded[0], 127);
    EXPECT_EQ(coded[129], 1);
    EXPECT_EQ(coded[130], 128);
    EXPECT_EQ(coded[131], 129);
    // Short runs fill a literal stretch up to 128 bytes exactly.
    std::vector<uint8_t> pairs;
    for (int i = 0; i < 70; ++i) pairs.insert(pairs.end(), {uint8_t(i), uint8_t(i)});
    const std::vector<uint8_t> paired = pack(pairs);
    ASSERT_EQ(paired.size(), 1u + 128 + 1 + 12);
    EXPECT_EQ(paired[0], 127);
    EXPECT_EQ(paired[129], 11);
    EXPECT_EQ(pack({}), std::vector<uint8_t>{});
    EXPECT_EQ(pack(repeat(300, 5)), (std::vector<uint8_t>{0x81, 5, 0x81, 5, 0xD5, 5}));
}

// Writes img with the given settings and reads it back.
pixtest::TiffData roundTrip(const pix::Image& img, const std::string& path) {
    EXPECT_TRUE(pix::saveimage(img, path));
    return pixtest::readTiff(path);
}

void expectRgbRows(const pix::Image& img, const pixtest::TiffData& d) {
    ASSERT_EQ(d.errors, "");
    ASSERT_EQ(d.rows.size(), size_t(img.height));
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const uint8_t* p = img.row(y) + 3 * x;
            const uint8_t* q = d.rows[y].data() + 3 * x;
            ASSERT_TRUE(q[0] == p[2] && q[1] == p[1] && q[2] == p[0]) << "pixel " << x << "," << y;
        }
}

TEST(TiffLzw, NoiseAndFlatImagesDecodeWithLibtiff) {
    pixtest::TempDir dir;
    std::mt19937 rng(42);
    // Noise fills the code table again and again; flat areas make long strings.
    const pix::Image noise = pixtest::makeImage(257, 300, [&](int, int) { return uint32_t(rng()) & 0xFFFFFF; });
    const pix::Image flat = pixtest::makeImage(999, 77, [](int x, int) { return x < 500 ? 0x336699u : 0x336698u; });
    const pix::Image bands = pixtest::makeImage(640, 90, [](int x, int y) { return uint32_t((x / 3 + y) % 7) * 0x010203u; });
    for (const pix::Image* src : {&noise, &flat, &bands}) {
        pix::Image img = *src;
        img.params.TiffCompression = pix::kTiffLzw;
        const pixtest::TiffData d = roundTrip(img, dir / "lzw.tif");
        EXPECT_EQ(d.compression, 5);
        EXPECT_EQ(d.predictor, 2);
        expectRgbRows(img, d);
    }
    // 8-bit indexes without the predictor, from a gray image.
    pix::Image gray = pixtest::makeImage(300, 200, [&](int x, int y) {
        const uint32_t v = (x * y + (rng() & 3)) & 255;
        return v * 0x010101u;
    });
    gray.params.BitsPerSample = 8;
    gray.params.SamplesPerPixel = 1;
    gray.params.TiffCompression = pix::kTiffLzw;
    const pixtest::TiffData d = roundTrip(gray, dir / "gray.tif");
    ASSERT_EQ(d.errors, "");
    EXPECT_EQ(d.photometric, 1);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) ASSERT_EQ(d.rows[y][x], gray.row(y)[3 * x]) << x << "," << y;
}

TEST(TiffLzw, StreamEqualsLibtiffsOwnCoding) {
    // Below 10000 input bytes libtiff's encoder never clears its table early,
    // so both streams must agree bit for bit: code widths 9 to 12, the
    // restart at 4094, the width of the last code and of EOI.
    pixtest::TempDir dir;
    std::mt19937 rng(5);
    for (int h : {1, 3, 20, 60, 99}) {
        SCOPED_TRACE("rows " + std::to_string(h));
        pix::Image img = pixtest::makeImage(100, h, [&](int x, int y) {
            const uint32_t v = (h >= 60 || y % 3 == 0) ? uint32_t(rng() & 255) : uint32_t((x / 9 + y) * 16 & 255);
            return v * 0x010101u;
        });
        img.params.BitsPerSample = 8;
        img.params.SamplesPerPixel = 1;
        img.params.TiffCompression = pix::kTiffLzw;
        const pixtest::TiffData d = roundTrip(img, dir / "ours.tif");
        ASSERT_EQ(d.photometric, 1);
        ASSERT_EQ(d.rawStrips.size(), 1u);
        std::vector<std::vector<uint8_t>> rows;
        for (int y = 0; y < h; ++y) {
            std::vector<uint8_t> row;
            for (int x = 0; x < 100; ++x) row.push_back(img.row(y)[3 * x]);
            rows.push_back(row);
        }
        EXPECT_EQ(d.rawStrips[0], pixtest::libtiffStrip(dir / "theirs.tif", 5, 100, 8, rows));
    }
}

// Black-and-white test pictures for the fax coders.
pix::Image faxImage(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint32_t> px(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool black;
            switch ((y / 3) % 4) {
                case 0: black = (rng() % 5) == 0; break;                       // speckles
                case 1: black = ((x + y) / 7) % 3 == 0; break;                  // slanted bars: vertical modes
                case 2: black = (x * 13 / (w + 1) + y) % 2 == 1; break;         // wide blocks
                default: black = x == 0 || x == w - 1 || (x > w / 3 && x < w / 2); break;
            }
            px[size_t(y) * w + x] = black ? 0x000000 : 0xFFFFFF;
        }
    return pixtest::makeImage(w, h, [&](int x, int y) { return px[size_t(y) * w + x]; });
}

// libtiff's decoder of modified Huffman rows loses its byte alignment when
// the data ends within its 13-bit look-ahead (it misreads its own encoder's
// output there too), so narrow Huffman images skip their last row.
void expectBilevelRows(const pix::Image& img, const pixtest::TiffData& d, bool blackIsOne, int skipLast = 0) {
    if (skipLast == 0) {
        ASSERT_EQ(d.errors, "");
    }
    ASSERT_EQ(d.rows.size(), size_t(img.height));
    const pix::BilevelImage bits = pix::bilevelFor(img);
    for (int y = 0; y < img.height - skipLast; ++y)
        for (int x = 0; x < img.width; ++x)
            ASSERT_EQ(pixtest::packedSample(d.rows[y], x, 1), unsigned(bits.bits.bit(x, y) ^ blackIsOne))
                << "pixel " << x << "," << y;
}

struct FaxCase {
    const char* name;
    uint8_t code;
    uint16_t tag;
};
constexpr FaxCase kFax[] = {{"huffman", pix::kTiffHuffman, 2},
                            {"g3 2-D", pix::kTiffG3, 3},
                            {"g3 1-D", pix::kTiffG3OneD, 3},
                            {"g4", pix::kTiffG4, 4}};

TEST(TiffCcitt, FaxDecodersReadEveryModeAndFillOrder) {
    pixtest::TempDir dir;
    for (const FaxCase& fax : kFax)
        for (int fill : {1, 2})
            for (int w : {1, 2, 7, 8, 9, 31, 64, 203, 1800}) {
                SCOPED_TRACE(std::string(fax.name) + " fill order " + std::to_string(fill) + " width " +
                             std::to_string(w));
                pix::Image img = faxImage(w, 40, unsigned(w * 7 + fill));
                img.params.BitsPerSample = 1;
                img.params.SamplesPerPixel = 1;
                img.params.TiffCompression = fax.code;
                img.params.TiffFillOrder = fill;
                const pixtest::TiffData d = roundTrip(img, dir / "fax.tif");
                EXPECT_EQ(d.compression, fax.tag);
                EXPECT_EQ(d.photometric, 0);
                EXPECT_EQ(d.fillOrder, fill);
                if (fax.tag == 3) {
                    EXPECT_EQ(d.t4Options, fax.code == pix::kTiffG3 ? 1u : 0u);
                }
                expectBilevelRows(img, d, true, fax.tag == 2 && w < 16 ? 1 : 0);
            }
}

TEST(TiffCcitt, HuffmanAndGroup4StripsEqualLibtiffsOwnCoding) {
    pixtest::TempDir dir;
    for (int w : {1, 5, 8, 33, 203, 1800, 3000}) {
        SCOPED_TRACE("width " + std::to_string(w));
        pix::Image img = faxImage(w, 60, unsigned(w));
        img.params.BitsPerSample = 1;
        img.params.SamplesPerPixel = 1;
        const pix::BilevelImage bits = pix::bilevelFor(img);
        std::vector<std::vector<uint8_t>> rows;
        for (int y = 0; y < img.height; ++y) {
            std::vector<uint8_t> row(bits.bits.row(y), bits.bits.row(y) + bits.bits.stride());
            for (uint8_t& b : row) b = uint8_t(~b);
            rows.push_back(row);
        }
        for (const FaxCase& fax : {kFax[0], kFax[3]}) {
            img.params.TiffCompression = fax.code;
            const pixtest::TiffData d = roundTrip(img, dir / "ours.tif");
            ASSERT_EQ(d.rawStrips.size(), 1u);
            EXPECT_EQ(d.rawStrips[0], pixtest::libtiffStrip(dir / "theirs.tif", fax.tag, uint32_t(w), 1, rows))
                << fax.name;
        }
    }
}

TEST(TiffCcitt, LongRunsAndSeveralStrips) {
    // 6000 pixels wide: white rows need two 2560 make-up codes; 1500 rows of
    // 752 bytes make two strips of 750 rows, each coded afresh.
    const int w = 6000, h = 1500;
    const pix::Image base = pixtest::makeImage(w, h, [](int x, int y) {
        if (y % 100 < 50) return 0xFFFFFFu;                         // all white
        if (y % 100 < 60) return x >= 10 && x < 5990 ? 0u : 0xFFFFFFu;  // black run of 5980
        return (x / 2600 + y) % 2 ? 0u : 0xFFFFFFu;                // runs of 2600
    });
    pixtest::TempDir dir;
    for (const FaxCase& fax : kFax) {
        SCOPED_TRACE(fax.name);
        pix::Image img = base;
        img.params.BitsPerSample = 1;
        img.params.SamplesPerPixel = 1;
        img.params.TiffCompression = fax.code;
        const pixtest::TiffData d = roundTrip(img, dir / "long.tif");
        EXPECT_EQ(d.strips, 2u);
        EXPECT_EQ(d.rowsPerStrip, 750u);
        expectBilevelRows(img, d, true);
    }
}

TEST(TiffCcitt, RedAndYellowWithGroup4StoreRedAsBlack) {
    pix::Image img = pixtest::makeImage(40, 20, [](int x, int y) { return (x + y) % 3 ? 0xFFFF00u : 0xFF0000u; });
    img.params.BitsPerSample = 1;
    img.params.SamplesPerPixel = 1;
    img.params.TiffCompression = pix::kTiffG4;
    pixtest::TempDir dir;
    const pixtest::TiffData d = roundTrip(img, dir / "ry.tif");
    ASSERT_EQ(d.errors, "");
    EXPECT_EQ(d.compression, 4);
    EXPECT_EQ(d.photometric, 0);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool red = (x + y) % 3 == 0;
            ASSERT_EQ(pixtest::packedSample(d.rows[y], x, 1), red ? 1u : 0u) << x << "," << y;
            ASSERT_EQ(TIFFGetR(d.rgba[size_t(y) * 40 + x]), red ? 0u : 255u);
        }
}

}  // namespace
