// The JPEG writer's settings as libjpeg (djpeg) and ImageMagick read them back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "image/error.h"
#include "support/test_support.h"
#include "support/writer_support.h"
#include "writers/writers.h"

using namespace pixtest;

namespace {

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

}  // namespace

TEST(JpegWriter, SettingsReachTheFile) {
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

TEST(JpegWriter, FullDiskIsAnError) {
    const pix::Image img = photoImage(300, 200);
    FullDiskSink sink(1000);
    EXPECT_THROW(pix::writeJpeg(img, sink), pix::Error);
}
