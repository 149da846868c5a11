// The PNG writer: colour types per depth, the transparent palette, chunks and
// libpng errors, checked with libpng's own reader, pngcheck and Pillow.
#include <png.h>
#include <gtest/gtest.h>

#include "image/error.h"
#include "support/test_support.h"
#include "support/writer_support.h"
#include "writers/writers.h"

using namespace pixtest;

namespace {

uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// libpng's simplified reader: every pixel as RGBA.
std::vector<uint8_t> readRgba(const std::vector<uint8_t>& bytes, int& w, int& h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> px(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, px.data(), 0, nullptr)) return {};
    w = int(image.width);
    h = int(image.height);
    return px;
}

// The bytes of a chunk's data, empty when the file has no such chunk.
std::vector<uint8_t> chunk(const std::vector<uint8_t>& b, const char* type) {
    size_t at = 8;
    while (at + 12 <= b.size()) {
        const uint32_t len = be32(b, at);
        if (std::equal(type, type + 4, b.begin() + long(at) + 4))
            return std::vector<uint8_t>(b.begin() + long(at) + 8, b.begin() + long(at) + 8 + len);
        at += 12 + len;
    }
    return {};
}

std::string pngcheck(const std::string& path) {
    std::string out;
    const int rc = run("pngcheck -vt '" + path + "' 2>&1", &out);
    return rc == 0 ? out : "FAILED: " + out;
}

}  // namespace

TEST(PngWriter, DepthsAndAlphaDecodeWithLibpngPngcheckAndPillow) {
    struct Case {
        const char* name;
        int bits, samples;
        int content;  // 0 colour blocks, 1 gray, 2 photo, 3 two colours
        bool alpha;
        int depth, type;
    };
    const Case cases[] = {
        {"colordepth 1", 1, 1, 3, false, 1, 0},
        {"colordepth 4, colour", 4, 1, 0, false, 8, 3},
        {"colordepth 4, gray", 4, 1, 1, false, 8, 0},
        {"colordepth 8, colour", 8, 1, 0, false, 8, 3},
        {"colordepth 8, gray", 8, 1, 1, false, 8, 0},
        {"colordepth 8, alpha", 8, 1, 0, true, 8, 3},
        {"colordepth 24", 8, 3, 2, false, 8, 2},
        {"colordepth 24, alpha", 8, 3, 2, true, 8, 6},
        {"16-bit gray input", 16, 1, 1, false, 8, 0},
        {"1-bit input with alpha", 1, 1, 3, true, 1, 0},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pix::Image img = c.content == 0   ? blockImage(45, 31, 60)
                         : c.content == 1 ? makeImage(45, 31, [](int x, int y) { return 0x010101u * uint32_t((x * 5 + y) & 255); })
                         : c.content == 2 ? photoImage(45, 31)
                                          : makeImage(45, 31, [](int x, int y) { return (x + y) % 4 ? 0xFF00FFu : 0x0000FFu; });
        img = withDepth(img, c.bits, c.samples);
        if (c.alpha) {
            img.alpha.assign(size_t(img.width) * img.height, 255);
            for (size_t i = 0; i < img.alpha.size(); i += 3) img.alpha[i] = uint8_t(i % 256 == 255 ? 0 : i % 256);
        }
        img.params.PngBackgroundColour = {0x11, 0x22, 0x33};
        const std::vector<uint8_t> b = encode(pix::writePng, img);
        ASSERT_GT(b.size(), 33u);
        EXPECT_EQ(b[24], c.depth);
        EXPECT_EQ(b[25], c.type);
        EXPECT_EQ(b[28], 0);  // not interlaced
        const std::vector<uint8_t> phys = chunk(b, "pHYs");
        ASSERT_EQ(phys.size(), 9u);
        EXPECT_EQ(be32(phys, 0), 11811u);
        EXPECT_EQ(phys[8], 1);
        if (c.type == 3) {
            const std::vector<uint8_t> plte = chunk(b, "PLTE");
            const std::vector<uint8_t> trns = chunk(b, "tRNS");
            if (c.alpha) {
                // Entry 0 is the background colour and fully transparent.
                EXPECT_EQ(plte.size(), 3u * 61);
                EXPECT_EQ(std::vector<uint8_t>(plte.begin(), plte.begin() + 3), (std::vector<uint8_t>{0x11, 0x22, 0x33}));
                EXPECT_EQ(trns, std::vector<uint8_t>{0});
                EXPECT_EQ(chunk(b, "bKGD"), std::vector<uint8_t>{0});
            } else {
                EXPECT_EQ(plte.size(), 3u * 256);
                EXPECT_TRUE(trns.empty());
            }
        }

        int w = 0, h = 0;
        const std::vector<uint8_t> px = readRgba(b, w, h);
        ASSERT_EQ(w, 45);
        ASSERT_EQ(h, 31);
        const std::string path = dir / "t.png";
        writeFile(path, b);
        const std::string check = pngcheck(path);
        EXPECT_EQ(check.find("FAILED"), std::string::npos) << check;
        EXPECT_NE(check.find("No errors"), std::string::npos) << check;
        const PillowImage pil = decodeWithPillow(path);
        ASSERT_TRUE(pil.ok) << pil.error;
        EXPECT_EQ(pil.rgba, px);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y) * w + x;
                const uint8_t* q = &px[4 * i];
                const uint32_t got = uint32_t(q[0]) << 16 | uint32_t(q[1]) << 8 | q[2];
                uint32_t want = pixelAt(img, x, y);
                if (c.bits == 1) want = want == 0x0000FFu ? 0u : 0xFFFFFFu;  // blue is the darker colour
                const bool seeThrough = c.alpha && c.type != 0 && img.alpha[i] != 255;
                if (c.type == 6) {
                    ASSERT_EQ(q[3], img.alpha[i]);
                    ASSERT_EQ(got, want);
                } else if (seeThrough) {
                    ASSERT_EQ(q[3], 0) << x << "," << y;
                } else {
                    ASSERT_EQ(q[3], 255);
                    ASSERT_EQ(got, want) << x << "," << y;
                }
            }
    }
}

TEST(PngWriter, ChunksInterlaceFilterAndText) {
    TempDir dir;
    pix::Image img = withDepth(photoImage(50, 40), 8, 3);
    img.params.PngInterlaced = true;
    img.params.PngFilter = pix::PngFilterKindValue::Paeth;
    img.params.PngCompressionLevel = 9;
    img.params.HorizontalDpi = 72;
    img.params.VerticalDpi = 96;
    img.params.PngBackgroundColour = {0xFF, 0x80, 0x01};
    img.params.PngTextKeys = {"Title", "Author"};
    img.params.PngTextValues = {"A photo", "Pixmarsh"};
    const std::vector<uint8_t> b = encode(pix::writePng, img);
    EXPECT_EQ(b[28], 1);
    const std::vector<uint8_t> phys = chunk(b, "pHYs");
    EXPECT_EQ(be32(phys, 0), 2835u);
    EXPECT_EQ(be32(phys, 4), 3780u);
    EXPECT_EQ(chunk(b, "bKGD"), (std::vector<uint8_t>{0, 0xFF, 0, 0x80, 0, 0x01}));
    const std::string path = dir / "i.png";
    writeFile(path, b);
    const std::string check = pngcheck(path);
    EXPECT_NE(check.find("No errors"), std::string::npos) << check;
    EXPECT_NE(check.find("keyword: Title"), std::string::npos) << check;
    EXPECT_NE(check.find("Pixmarsh"), std::string::npos) << check;
    EXPECT_NE(check.find("interlaced"), std::string::npos) << check;
    int w = 0, h = 0;
    const std::vector<uint8_t> px = readRgba(b, w, h);
    ASSERT_EQ(w, 50);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x) {
            const uint8_t* q = &px[4 * (size_t(y) * 50 + x)];
            ASSERT_EQ(uint32_t(q[0]) << 16 | uint32_t(q[1]) << 8 | q[2], pixelAt(img, x, y));
        }
}

TEST(PngWriter, LibraryErrorsAreErrorOnCreatingPng) {
    pix::Image img = withDepth(photoImage(20, 20), 8, 3);
    for (int level : {-1, 10, 100}) {
        img.params.PngCompressionLevel = level;
        try {
            encode(pix::writePng, img);
            ADD_FAILURE() << "level " << level << " accepted";
        } catch (const pix::Error& e) {
            EXPECT_STREQ(e.what(), "Error on creating PNG");
        }
    }
    // A keyword libpng refuses reaches the library's error function.
    img.params.PngCompressionLevel = 3;
    img.params.PngTextKeys = {""};
    img.params.PngTextValues = {"value"};
    try {
        encode(pix::writePng, img);
        ADD_FAILURE() << "empty keyword accepted";
    } catch (const pix::Error& e) {
        EXPECT_STREQ(e.what(), "Error on creating PNG");
    }
}

TEST(PngWriter, FullDiskIsAnErrorAndLeavesNoFile) {
    const pix::Image img = withDepth(photoImage(300, 300), 8, 3);
    FullDiskSink sink(2000);
    try {
        pix::writePng(img, sink);
        ADD_FAILURE() << "short write accepted";
    } catch (const pix::Error& e) {
        EXPECT_NE(std::string(e.what()).find("No space left"), std::string::npos) << e.what();
    }

    TempDir dir;
    const std::string mnt = dir / "tiny";
    run("mkdir -p '" + mnt + "'");
    if (run("mount -t tmpfs -o size=64k tmpfs '" + mnt + "' 2>/dev/null") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
    pix::Image noisy = withDepth(makeImage(400, 400, [](int x, int y) { return uint32_t(x * 2654435761u ^ y * 40503u); }), 8, 3);
    noisy.params.PngCompressionLevel = 0;
    std::string message;
    try {
        pix::saveimage(noisy, mnt + "/big.png");
    } catch (const pix::Error& e) {
        message = e.what();
    }
    std::string listing;
    run("ls -A '" + mnt + "'", &listing);
    run("umount '" + mnt + "'");
    EXPECT_NE(message.find("big.png"), std::string::npos) << message;
    EXPECT_EQ(listing, "");
}
