// The JPEG writer's settings, checked with libjpeg's tools and ImageMagick.
#include <gtest/gtest.h>

#include <algorithm>

#include <jpeglib.h>

#include "image/error.h"
#include "image/sink.h"
#include "readers/readers.h"
#include "support/test_support.h"
#include "support/writer_support.h"
#include "writers/writers.h"

using namespace pix;
using pixtest::TempDir;

namespace {
std::string identify(const std::string& format, const std::string& path) {
    std::string out;
    pixtest::run("/usr/bin/identify -format '" + format + "' '" + path + "'", &out);
    return out;
}
}  // namespace

TEST(JpegWriter, SettingsReachTheFile) {
    TempDir dir;
    Image img = pixtest::photoImage(96, 64);
    img.params.JpegQuality = 60;
    img.params.HorizontalDpi = 150;
    img.params.VerticalDpi = 0;  // 0 is written as 300
    img.params.JpegProgressive = true;
    ASSERT_TRUE(saveimage(img, dir / "a.jpg"));
    EXPECT_EQ(identify("%Q %x %y %[interlace] %[jpeg:sampling-factor]", dir / "a.jpg"), "60 150 300 JPEG 2x2,1x1,1x1");
    img.params.JpegProgressive = false;
    img.params.JpegChromaSubsampling = JpegChromaKind::S1x1;
    img.params.JpegQuality = 250;  // the library holds quality to its range
    ASSERT_TRUE(saveimage(img, dir / "b.jpg"));
    EXPECT_EQ(identify("%Q %[interlace] %[jpeg:sampling-factor]", dir / "b.jpg"), "100 None 1x1,1x1,1x1");
    img.params.JpegChromaSubsampling = JpegChromaKind::S2x1;
    ASSERT_TRUE(saveimage(img, dir / "c.jpg"));
    EXPECT_EQ(identify("%[jpeg:sampling-factor]", dir / "c.jpg"), "2x1,1x1,1x1");
}

TEST(JpegWriter, PixelsMatchTheReferenceEncoder) {
    // Same settings as cjpeg's defaults at quality 85: both decode to the same pixels.
    TempDir dir;
    Image img = pixtest::photoImage(120, 80);
    img.params.JpegQuality = 85;
    img.params.HorizontalDpi = img.params.VerticalDpi = 72;
    ASSERT_TRUE(saveimage(img, dir / "ours.jpg"));
    pixtest::writePpm(img, dir / "in.ppm");
    ASSERT_EQ(pixtest::run("cjpeg -quality 85 -outfile '" + (dir / "ref.jpg") + "' '" + (dir / "in.ppm") + "' 2>/dev/null"), 0);
    std::string a, b;
    pixtest::run("djpeg -pnm '" + (dir / "ours.jpg") + "' | md5sum", &a);
    pixtest::run("djpeg -pnm '" + (dir / "ref.jpg") + "' | md5sum", &b);
    EXPECT_EQ(a, b);
}

TEST(JpegWriter, MarkersAreCarriedOverButNotAdobe) {
    TempDir dir;
    Image img = pixtest::photoImage(16, 16);
    img.params.JpegMarkers.push_back({JPEG_COM, {'h', 'i'}});
    img.params.JpegMarkers.push_back({JPEG_APP0 + 14, {'A', 'd', 'o', 'b', 'e', 0, 0, 0, 0, 0, 0, 0}});
    img.params.JpegMarkers.push_back({JPEG_APP0 + 1, {'E', 'x', 'i', 'f', 0, 0}});
    ASSERT_TRUE(saveimage(img, dir / "m.jpg"));
    Image back;
    ASSERT_TRUE(loadImage(dir / "m.jpg", back));
    ASSERT_EQ(back.params.JpegMarkers.size(), 2u);
    EXPECT_EQ(back.params.JpegMarkers[0].code, JPEG_COM);
    EXPECT_EQ(back.params.JpegMarkers[1].code, JPEG_APP0 + 1);
    EXPECT_EQ(identify("%c", dir / "m.jpg"), "hi");
}

TEST(JpegWriter, ShortWriteIsAnError) {
    // A sink that fails after some bytes, as a full disk does.
    struct FullSink : MemorySink {
        void write(const void* d, size_t n) override {
            if (tell() + n > 1000) throw Error("Cannot write file \"x\". No space left on device");
            MemorySink::write(d, n);
        }
    } sink;
    Image img = pixtest::photoImage(200, 200);
    try {
        writeJpeg(img, sink);
        FAIL();
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("No space left"), std::string::npos);
    }
}

namespace markerorder {

using namespace pixtest;

// Marker codes in file order up to the first scan.
std::vector<int> markers(const std::vector<uint8_t>& b) {
    std::vector<int> out;
    size_t at = 2;
    while (at + 4 <= b.size() && b[at] == 0xFF) {
        out.push_back(b[at + 1]);
        if (b[at + 1] == 0xDA) break;
        at += 2 + size_t(b[at + 2] << 8 | b[at + 3]);
    }
    return out;
}

std::string identify(const std::string& path, const std::string& format) {
    std::string out;
    run("/usr/bin/identify -format '" + format + "' '" + path + "' 2>&1", &out);
    return out;
}

}  // namespace markerorder

TEST(JpegWriter, MarkerOrderOptimisedAndGray) {
    using namespace pixtest;
    using markerorder::identify;
    using markerorder::markers;
    TempDir dir;
    pix::Image img = photoImage(64, 48);
    pix::TIOParamsVals& p = img.params;
    p.JpegQuality = 90;
    p.JpegProgressive = true;
    p.JpegOptimalHuffman = true;
    p.JpegChromaSubsampling = pix::JpegChromaKind::S1x1;
    p.HorizontalDpi = 72;
    p.VerticalDpi = 96;
    p.JpegMarkers = {{JPEG_COM, {'h', 'i'}}, {JPEG_APP0 + 14, {'A', 'd', 'o', 'b', 'e'}}, {JPEG_APP0 + 1, {'x'}}};
    const std::vector<uint8_t> b = encode(pix::writeJpeg, img);
    const std::vector<int> m = markers(b);
    // SOI, JFIF APP0, then the carried markers without APP14, in order.
    ASSERT_GE(m.size(), 4u);
    EXPECT_EQ(m[0], 0xE0);
    EXPECT_EQ(m[1], 0xFE);
    EXPECT_EQ(m[2], 0xE1);
    EXPECT_EQ(std::count(m.begin(), m.end(), 0xEE), 0);
    EXPECT_EQ(std::count(m.begin(), m.end(), 0xC2), 1);  // progressive frame
    writeFile(dir / "s.jpg", b);
    EXPECT_EQ(identify(dir / "s.jpg", "%[jpeg:sampling-factor] %x %y %Q %[interlace]"), "1x1,1x1,1x1 72 96 90 JPEG");
    EXPECT_EQ(run("djpeg -fast '" + dir / "s.jpg" + "' > /dev/null 2>&1"), 0);

    // Defaults: baseline, 2x2 sampling, 300 dpi when a resolution is 0.
    pix::Image plain = photoImage(32, 32);
    plain.params.HorizontalDpi = 0;
    writeFile(dir / "d.jpg", encode(pix::writeJpeg, plain));
    EXPECT_EQ(identify(dir / "d.jpg", "%[jpeg:sampling-factor] %x %y %Q %[interlace]"), "2x2,1x1,1x1 300 300 80 None");

    // Gray colour space: one component.
    pix::Image gray = photoImage(32, 32);
    gray.params.JpegColourSpace = pix::JpegColourSpaceKind::Gray;
    writeFile(dir / "g.jpg", encode(pix::writeJpeg, gray));
    EXPECT_EQ(identify(dir / "g.jpg", "%[channels]"), "gray");
}

