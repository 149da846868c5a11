// The JPEG 2000 reader against ImageMagick's decode of lossless files made by
// OpenJPEG's opj_compress: JP2 files and bare code streams, gray, colour,
// precision 16 and the one-bit bilevel case.
#include <gtest/gtest.h>

#include "image/error.h"
#include "support/library_readers_support.h"

using namespace pixtest;

namespace {

struct J2kCase {
    const char* file;
    pix::Layout layout;
    int bits, samples;
    int tol;
};

const J2kCase kCases[] = {
    {"jp2_rgb.jp2", pix::Layout::Bgr24, 8, 3, 0},
    {"jp2_gray.j2k", pix::Layout::Bgr24, 8, 1, 0},
    {"jp2_gray16.jp2", pix::Layout::Bgr24, 16, 1, 1},
    {"jp2_bilevel.j2k", pix::Layout::Bilevel, 1, 1, 0},
};

TEST(Jpeg2000Reader, FilesAndCodeStreamsMatchImageMagick) {
    for (const J2kCase& c : kCases) {
        SCOPED_TRACE(c.file);
        // Either extension's reader takes either kind: the content decides.
        for (pix::ReadFn read : {pix::readJp2, pix::readJ2k}) {
            pix::Image img = readFixture(read, c.file);
            EXPECT_EQ(img.layout, c.layout);
            EXPECT_EQ(img.params.BitsPerSample, c.bits);
            EXPECT_EQ(img.params.SamplesPerPixel, c.samples);
            EXPECT_EQ(img.xdpi, 300);
            EXPECT_EQ(img.ydpi, 300);
            EXPECT_FALSE(img.hasAlpha());
            expectPixelsNear(img, decodeWithMagick(dataPath(c.file)), c.tol, c.file);
        }
    }
}

TEST(Jpeg2000Reader, PrecisionOneIsBilevel) {
    // Sample 1 (white) where (x + y) is odd.
    pix::Image img = readFixture(pix::readJ2k, "jp2_bilevel.j2k");
    ASSERT_EQ(img.width, 9);
    ASSERT_EQ(img.height, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x) EXPECT_EQ(img.bit(x, y), (x + y) % 2 == 1) << x << "," << y;
}

TEST(Jpeg2000Reader, TheExtensionsReachTheReader) {
    for (const char* path : {"a.jp2", "a.J2K", "a.jpc", "a.j2c"}) EXPECT_NE(pix::findReader(path), nullptr) << path;
    EXPECT_EQ(pix::findReader("a.jp2"), pix::ReadFn(pix::readJp2));
    EXPECT_EQ(pix::findReader("a.jpc"), pix::ReadFn(pix::readJ2k));
}

TEST(Jpeg2000Reader, DamagedStreamsRaiseOrKeepWhatWasDecoded) {
    // Library messages about the damage must not reach stderr.
    testing::internal::CaptureStderr();
    // The gray code stream with its stated size (Xsiz, Ysiz, XTsiz, YTsiz)
    // raised to 100000 x 100000.
    std::vector<uint8_t> huge = readFile(dataPath("jp2_gray.j2k"));
    for (size_t at : {8u, 12u, 24u, 28u}) {
        huge[at] = 0, huge[at + 1] = 0x01, huge[at + 2] = 0x86, huge[at + 3] = 0xA0;
    }
    try {
        readBytes(pix::readJ2k, huge);
        FAIL() << "accepted";
    } catch (const pix::Error& e) {
        EXPECT_NE(std::string(e.what()).find("100000 x 100000"), std::string::npos) << e.what();
    }
    EXPECT_THROW(readBytes(pix::readJ2k, {0xFF, 0x4F, 0xFF, 0x51}), pix::Error);
    EXPECT_THROW(readBytes(pix::readJp2, {1, 2, 3}), pix::Error);
    EXPECT_THROW(readBytes(pix::readJp2, {}), pix::Error);

    for (const char* name : {"jp2_rgb.jp2", "jp2_gray.j2k"}) {
        const std::vector<uint8_t> whole = readFile(dataPath(name));
        for (size_t n = 0; n < whole.size(); ++n) {
            std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(n));
            try {
                pix::Image img = readBytes(pix::readJ2k, cut);
                EXPECT_EQ(img.width, 7);
                EXPECT_EQ(img.pixels.size(), img.stride() * size_t(img.height));
            } catch (const pix::Error& e) {
                EXPECT_EQ(std::string(e.what()).rfind("JPEG 2000: ", 0), 0u) << e.what();
            }
        }
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
