// The JPEG reader: resolution from the JFIF density, samples per pixel by
// colour space, pixels against libjpeg's own djpeg.
#include <gtest/gtest.h>

#include "image/error.h"
#include "image/sink.h"
#include "readers/readers.h"
#include "support/test_support.h"
#include "writers/writers.h"

using namespace pix;
using pixtest::TempDir;

namespace {

std::vector<uint8_t> encodedPhoto(int w = 32, int h = 24) {
    Image img = pixtest::photoImage(w, h);
    MemorySink sink;
    writeJpeg(img, sink);
    return sink.bytes();
}

// Our writer puts the JFIF segment right after SOI: units at 13, densities at 14 and 16.
std::vector<uint8_t> withDensity(int units, int x, int y) {
    std::vector<uint8_t> b = encodedPhoto();
    b[13] = uint8_t(units);
    b[14] = uint8_t(x >> 8), b[15] = uint8_t(x);
    b[16] = uint8_t(y >> 8), b[17] = uint8_t(y);
    return b;
}

Image load(const std::string& path) {
    Image img;
    img.blank();
    EXPECT_TRUE(loadImage(path, img));
    return img;
}

}  // namespace

TEST(JpegReader, ResolutionFromJfifDensity) {
    const struct {
        int units, x, y, wantX, wantY;
    } cases[] = {
        {2, 118, 118, 299, 299}, {1, 72, 72, 72, 72}, {0, 1, 1, 300, 300}, {1, 72, 96, 72, 96}, {0, 3, 2, 3, 2},
        {1, 1, 150, 300, 150},
    };
    TempDir dir;
    for (const auto& c : cases) {
        pixtest::writeFile(dir / "d.jpg", withDensity(c.units, c.x, c.y));
        const Image img = load(dir / "d.jpg");
        EXPECT_EQ(img.xdpi, c.wantX) << c.units << " " << c.x;
        EXPECT_EQ(img.ydpi, c.wantY) << c.units << " " << c.y;
    }
    // Units the format does not define leave the resolution the image had.
    pixtest::writeFile(dir / "d.jpg", withDensity(7, 50, 50));
    Image img;
    img.blank();
    img.xdpi = img.ydpi = 123;
    ASSERT_TRUE(loadImage(dir / "d.jpg", img));
    EXPECT_EQ(img.xdpi, 123);
    // No JFIF segment at all: 300 by 300.
    std::vector<uint8_t> b = encodedPhoto();
    b.erase(b.begin() + 2, b.begin() + 20);
    pixtest::writeFile(dir / "nojfif.jpg", b);
    EXPECT_EQ(load(dir / "nojfif.jpg").xdpi, 300);
}

TEST(JpegReader, SamplesPerPixelAndPixelsByColourSpace) {
    TempDir dir;
    const struct {
        const char* args;
        int samples;
    } cases[] = {{"-colorspace Gray", 1}, {"", 3}, {"-colorspace CMYK", 4}, {"-sampling-factor 1x1 -colorspace sRGB", 3}};
    for (const auto& c : cases) {
        const std::string path = dir / "c.jpg";
        ASSERT_EQ(pixtest::run("/usr/bin/convert -size 40x30 plasma:red-blue -seed 1 " + std::string(c.args) +
                               " -quality 95 '" + path + "'"),
                  0);
        const Image img = load(path);
        EXPECT_EQ(img.params.SamplesPerPixel, c.samples) << c.args;
        EXPECT_EQ(img.params.BitsPerSample, 8);
        ASSERT_EQ(img.layout, Layout::Bgr24);
        // Compare with ImageMagick's decode of the same file.
        const pixtest::Rgb8 ref = pixtest::decodeWithMagick(path);
        ASSERT_EQ(ref.width, img.width);
        int worst = 0;
        for (int i = 0; i < img.width * img.height; ++i)
            for (int ch = 0; ch < 3; ++ch)
                worst = std::max(worst, std::abs(int(img.pixels[3 * i + 2 - ch]) - int(ref.rgb[3 * i + ch])));
        EXPECT_LE(worst, c.samples == 4 ? 3 : 1) << c.args;  // CMYK: rounding of the ink conversion
    }
}

TEST(JpegReader, SamplesCarryOverForOtherColourSpaces) {
    // A two-component JPEG is neither gray, RGB, YCbCr, CMYK nor YCCK for the
    // library: the previous file's value stays, the decode itself fails cleanly.
    Image img;
    img.params.SamplesPerPixel = 4;
    std::vector<uint8_t> junk = {0xFF, 0xD8, 0xFF, 0xD9};
    EXPECT_THROW(readJpeg(junk.data(), junk.size(), img), Error);
    EXPECT_EQ(img.params.SamplesPerPixel, 4);
}

TEST(JpegReader, DamagedFiles) {
    std::vector<uint8_t> b = encodedPhoto(256, 256);
    Image img;
    // Cut in the middle of the scan: what was decoded is kept.
    std::vector<uint8_t> cut(b.begin(), b.begin() + b.size() / 2);
    EXPECT_NO_THROW(readJpeg(cut.data(), cut.size(), img));
    EXPECT_EQ(img.width, 256);
    // Cut inside the header: an error with the library's text.
    std::vector<uint8_t> head(b.begin(), b.begin() + 30);
    EXPECT_THROW(readJpeg(head.data(), head.size(), img), Error);
    EXPECT_THROW(readJpeg(nullptr, 0, img), Error);
    // A stated size beyond the allocation limit is refused before decoding.
    std::vector<uint8_t> huge = b;
    for (size_t i = 0; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = 0xFF, huge[i + 6] = 0xFF, huge[i + 7] = 0xFF, huge[i + 8] = 0xFF;
            break;
        }
    EXPECT_THROW(readJpeg(huge.data(), huge.size(), img), Error);
    for (size_t i = 0; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = 0x80, huge[i + 6] = 0x00, huge[i + 7] = 0x80, huge[i + 8] = 0x00;  // 32768 x 32768
            break;
        }
    try {
        readJpeg(huge.data(), huge.size(), img);
        FAIL();
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("not supported"), std::string::npos) << e.what();
    }
}

TEST(JpegReader, MetadataIsResetOnEveryLoadAndMarkersKept) {
    TempDir dir;
    pixtest::writeFile(dir / "plain.jpg", encodedPhoto());
    ASSERT_EQ(pixtest::run("wrjpgcom -comment 'hello there' '" + (dir / "plain.jpg") + "' > '" + (dir / "c.jpg") + "'"), 0);
    Image img;
    ASSERT_TRUE(loadImage(dir / "c.jpg", img));
    ASSERT_EQ(img.params.JpegMarkers.size(), 1u);
    EXPECT_EQ(std::string(img.params.JpegMarkers[0].data.begin(), img.params.JpegMarkers[0].data.end()),
              "hello there");
    pixtest::writeFile(dir / "d.jpg", encodedPhoto());
    ASSERT_TRUE(loadImage(dir / "d.jpg", img));
    EXPECT_TRUE(img.params.JpegMarkers.empty());
}
