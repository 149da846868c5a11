// The text caption: size, placement, characters, colour, clipping, the font
// lookup, and its place in the pipeline before grayscale and negative.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/batch_engine.h"
#include "engine/steps.h"
#include "image/error.h"
#include "imageops/caption.h"
#include "imageops/caption_text.h"
#include "imageops/text_renderer.h"
#include "profile/engine_profile.h"
#include "support/test_support.h"
#include "writers/writers.h"

namespace {

using pix::Image;
using pixtest::profileOf;

Image solid(int w, int h, uint32_t rgb) {
    return pixtest::makeImage(w, h, [rgb](int, int) { return rgb; });
}

// Pixels (x + y * w) whose bytes differ between two images of one size.
std::vector<size_t> changedPixels(const Image& a, const Image& b) {
    std::vector<size_t> out;
    for (size_t i = 0; i < a.pixels.size(); i += 3)
        if (!std::equal(a.pixels.begin() + i, a.pixels.begin() + i + 3, b.pixels.begin() + i)) out.push_back(i / 3);
    return out;
}

bool hasBgr(const Image& img, size_t pixel, uint8_t b, uint8_t g, uint8_t r) {
    const uint8_t* p = img.pixels.data() + 3 * pixel;
    return p[0] == b && p[1] == g && p[2] == r;
}

TEST(CaptionSize, PointsToEmPixelsAtTheStandardDisplay) {
    const struct {
        int points, pixels;
    } table[] = {{8, 11}, {9, 12}, {10, 13}, {12, 16}, {14, 19}, {20, 27}, {36, 48}, {2, 3}, {72, 96}};
    for (const auto& row : table) EXPECT_EQ(pix::captionEmPixels(row.points), row.pixels) << row.points;
    // An exact half goes to the even neighbour.
    EXPECT_EQ(pix::captionEmPixels(3, 36), 2);
    EXPECT_EQ(pix::captionEmPixels(5, 36), 2);
    // Sizes the form never writes: 0 and below take the default size, huge
    // ones the largest size the font engine takes.
    EXPECT_EQ(pix::captionEmPixels(0), 11);
    EXPECT_EQ(pix::captionEmPixels(-12), 11);
    EXPECT_EQ(pix::captionEmPixels(2147483647), pix::kMaxEmPixels);
}

TEST(CaptionPlacement, WordsAndTheSecondPass) {
    const struct {
        const char* alignment;
        int w, h;
        int64_t tw, th, x, y;
    } table[] = {
        {"topleft", 200, 100, 50, 13, 0, 0},
        {"topcenter", 200, 100, 50, 13, 75, 0},
        {"topright", 200, 100, 50, 13, 150, 0},
        {"bottomleft", 200, 100, 50, 13, 0, 87},
        {"bottomcenter", 200, 100, 50, 13, 75, 87},
        {"bottomright", 200, 100, 50, 13, 150, 87},
        // Too wide: the quotient truncates toward zero, so -5/2 is -2.
        {"topcenter", 100, 50, 105, 13, -2, 0},
        {"bottomcenter", 100, 50, 103, 13, -1, 37},
        {"topright", 100, 50, 105, 13, -5, 0},
        // Words in other letter case match nothing: top left.
        {"TopLeft", 200, 100, 50, 13, 0, 0},
        {"BottomRight", 200, 100, 50, 13, 0, 0},
        {"", 200, 100, 50, 13, 0, 0},
        // Other texts: "center" and "right" set x anywhere in the text,
        // "bottom" sets the row when no word did.
        {"center", 200, 100, 50, 13, 75, 0},
        {"right", 200, 100, 50, 13, 150, 0},
        {"rightcenter", 200, 100, 50, 13, 75, 0},
        {"bottom", 200, 100, 50, 13, 0, 87},
        {"bottomright ", 200, 100, 50, 13, 150, 87},
        {" topright", 200, 100, 50, 13, 150, 0},
    };
    for (const auto& row : table) {
        const pix::CaptionPosition pos = pix::placeCaption(row.alignment, row.w, row.h, row.tw, row.th);
        EXPECT_EQ(pos.x, row.x) << '"' << row.alignment << '"';
        EXPECT_EQ(pos.y, row.y) << '"' << row.alignment << '"';
    }
}

TEST(CaptionText, Utf8WhenValidElseWindows1252) {
    EXPECT_EQ(pix::decodeCaptionText("Caf\xC3\xA9 \xE2\x82\xAC"), U"Caf\u00E9 \u20AC");
    EXPECT_EQ(pix::decodeCaptionText("Caf\xE9 \x80\x81\x99"), U"Caf\u00E9 \u20AC\u0081\u2122");
    // One bad sequence anywhere makes the whole text single bytes.
    EXPECT_EQ(pix::decodeCaptionText("\xC3\xA9\xE9"), U"\u00C3\u00A9\u00E9");
    EXPECT_EQ(pix::decodeCaptionText("\xC0\xAF"), U"\u00C0\u00AF");            // overlong
    EXPECT_EQ(pix::decodeCaptionText("\xED\xA0\x80"), U"\u00ED\u00A0\u20AC");  // surrogate
    EXPECT_EQ(pix::decodeCaptionText("\xF0\x9F\x98"), U"\u00F0\u0178\u02DC");  // cut short
    EXPECT_EQ(pix::decodeCaptionText("\xF0\x9F\x98\x80"), U"\U0001F600");
    EXPECT_EQ(pix::encodeUtf8(U"Caf\u00E9 \u20AC \U0001F600"), "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80");
}

TEST(CaptionText, FaceNameIsCutTo31Characters) {
    EXPECT_EQ(pix::captionFaceName(std::string(40, 'a')), std::string(31, 'a'));
    EXPECT_EQ(pix::captionFaceName("Caf\xE9"), "Caf\xC3\xA9");
    EXPECT_EQ(pix::captionFaceName(""), "");
    // Characters, not bytes: 31 two-byte characters stay whole.
    std::string e;
    for (int i = 0; i < 40; ++i) e += "\xC3\xA9";
    EXPECT_EQ(pix::captionFaceName(e), e.substr(0, 62));
}

TEST(TextRenderer, ArialIsTheMetricCompatibleFaceAndMissingNamesFallBack) {
    pix::TextRenderer r;
    r.selectFont("Arial", 11);
    EXPECT_EQ(r.family(), "Liberation Sans");
    EXPECT_EQ(r.emPixels(), 11);
    EXPECT_GT(r.ascent(), 0);
    EXPECT_GT(r.descent(), 0);

    for (const char* name : {"No Such Font Anywhere", ""}) {
        r.selectFont(name, 16);
        EXPECT_FALSE(r.family().empty()) << name;
        EXPECT_GT(r.textWidth(U"Hello"), 0) << name;
    }
}

TEST(TextRenderer, WidthIsTheSumOfAdvancesSpacesIncluded) {
    pix::TextRenderer r;
    r.selectFont("Arial", 16);
    const int64_t space = r.textWidth(U" ");
    const int64_t word = r.textWidth(U"Hi");
    EXPECT_GT(space, 0);
    EXPECT_EQ(word, r.textWidth(U"H") + r.textWidth(U"i"));
    EXPECT_EQ(r.textWidth(U"  Hi  "), word + 4 * space);
    EXPECT_EQ(r.textWidth(U""), 0);
}

// Pillow's own FreeType layout (basic, whose only difference is kerning, so
// texts without kerning pairs) sums the same advances.
TEST(TextRenderer, WidthsAgreeWithPillow) {
    const char* texts[] = {"Pixmarsh demo", "  Hi  ", "Wgjy|Q"};
    pix::TextRenderer r;
    std::string script = "from PIL import ImageFont as F\n", ours;
    for (const char* face : {"Arial", "DejaVu Serif"})
        for (int em : {11, 16, 27}) {
            r.selectFont(face, em);
            script += "f = F.truetype('" + r.fontFile() + "', " + std::to_string(em) +
                      ", layout_engine=F.Layout.BASIC)\nprint(*[int(f.getlength(t)) for t in (";
            for (const char* t : texts) {
                script += std::string("'") + t + "', ";
                ours += std::to_string(r.textWidth(pix::decodeCaptionText(t))) + (t == texts[2] ? "\n" : " ");
            }
            script += ")])\n";
        }
    pixtest::TempDir dir;
    pixtest::writeFile(dir / "widths.py", script);
    std::string out;
    ASSERT_EQ(pixtest::run("/usr/bin/python3 " + dir / "widths.py", &out), 0);
    EXPECT_EQ(out, ours);
}

// A caption drawn near or over an edge equals the same caption drawn on a
// larger canvas and cut out: clipped, never wrapped or moved, nothing written
// outside the pixels (the sanitizer build checks the writes).
TEST(TextRenderer, ClipsAtEveryEdge) {
    pix::TextRenderer r;
    r.selectFont("Arial", 27);
    const std::u32string text = U"Wgjy|Q\u00C9";
    const int w = 40, h = 24, margin = 300;
    const int64_t tw = r.textWidth(text), th = r.lineHeight();
    const struct {
        int64_t x, y;
    } positions[] = {
        {-30, -12},              // over the left and top edges
        {w - 15, h - th + 9},    // over the right and bottom edges
        {-10, h - 8},            // bottom left, mostly outside
        {w - 25, -th + 5},       // top right, mostly outside
        {(w - tw) / 2, 0},       // wider than the image: cut on both sides
        {-tw - 5, 0},            // wholly outside: nothing drawn
        {w, h},                  // wholly outside
    };
    for (const auto& pos : positions) {
        Image small = solid(w, h, 0x204060);
        Image big = solid(w + 2 * margin, h + 2 * margin, 0x204060);
        r.drawText(small, pos.x, pos.y, text, 0x00FFFF);
        r.drawText(big, pos.x + margin, pos.y + margin, text, 0x00FFFF);
        bool same = true;
        for (int y = 0; y < h; ++y)
            same = same && std::equal(small.row(y), small.row(y) + 3 * w, big.row(y + margin) + 3 * margin);
        EXPECT_TRUE(same) << pos.x << "," << pos.y;
    }
}

// Glyphs far from the image's origin, and glyphs wider than one rasterised
// tile, land where they belong.
TEST(TextRenderer, FarColumnsAndHugeGlyphs) {
    pix::TextRenderer r;
    r.selectFont("Arial", 16);
    Image wide = solid(40000, 20, 0);
    Image narrow = solid(100, 20, 0);
    r.drawText(wide, 40000 - 60, 2, U"Hg", 0xFFFFFF);
    r.drawText(narrow, 100 - 60, 2, U"Hg", 0xFFFFFF);
    bool same = true;
    for (int y = 0; y < 20; ++y)
        same = same && std::equal(narrow.row(y), narrow.row(y) + 300, wide.row(y) + 3 * (40000 - 100));
    EXPECT_TRUE(same);
    EXPECT_FALSE(changedPixels(narrow, solid(100, 20, 0)).empty());

    // A full block at the largest em height covers a 30000-pixel-wide strip
    // from its middle: every pixel takes the colour, with no seams.
    r.selectFont("DejaVu Sans", pix::kMaxEmPixels);
    Image strip = solid(30000, 4, 0);
    r.drawText(strip, -1000, -30000, U"\u2588", 0x0000FF);
    EXPECT_EQ(std::count(strip.pixels.begin(), strip.pixels.end(), 0), 2 * 30000 * 4);
    size_t red = 0;
    for (size_t i = 0; i < strip.pixels.size(); i += 3) red += hasBgr(strip, i / 3, 0, 0, 255);
    EXPECT_EQ(red, size_t(30000 * 4));
}

// textcolor is 0xBBGGRR: the low byte is red. Only the glyphs are painted, so
// every pixel lies between the background and the caption colour in every
// channel, and fully covered pixels are the colour exactly.
TEST(CaptionStep, ColourByteOrder) {
    const struct {
        const char* text;
        uint8_t b, g, r;
    } table[] = {
        {"0000FF", 0, 0, 255},      {"FF0000", 255, 0, 0},     {"00FF00", 0, 255, 0},
        {"FFFFFF", 255, 255, 255},  {"0x0080ff", 0, 128, 255}, {"FF0000FF", 0, 0, 255},
    };
    for (const auto& row : table) {
        const Image before = solid(120, 40, 0x000000);
        Image img = before;
        pix::captionStep(profileOf({"textcaption=HHH", "textsize=20", std::string("textcolor=") + row.text}), img);
        const std::vector<size_t> changed = changedPixels(before, img);
        ASSERT_FALSE(changed.empty()) << row.text;
        size_t full = 0;
        bool between = true;
        for (size_t px : changed) {
            const uint8_t* p = img.pixels.data() + 3 * px;
            between = between && p[0] <= row.b && p[1] <= row.g && p[2] <= row.r;
            full += hasBgr(img, px, row.b, row.g, row.r);
        }
        EXPECT_TRUE(between) << row.text;
        EXPECT_GT(full, 20u) << row.text;
    }
    // No textcolor line: white; an empty one: black.
    Image white = solid(60, 20, 0x000000);
    pix::captionStep(profileOf({"textcaption=H"}), white);
    EXPECT_NE(std::find(white.pixels.begin(), white.pixels.end(), 255), white.pixels.end());
    const Image grey = solid(60, 20, 0x808080);
    Image black = grey;
    pix::captionStep(profileOf({"textcaption=H", "textcolor="}), black);
    EXPECT_NE(std::find(black.pixels.begin(), black.pixels.end(), 0), black.pixels.end());
}

TEST(CaptionStep, DefaultsAndTheFaceLine) {
    const Image base = pixtest::photoImage(90, 30);
    auto drawn = [&](const std::vector<std::string>& lines) {
        Image img = base;
        pix::captionStep(pixtest::profileOf(lines), img);
        return img;
    };
    auto direct = [&](const pix::CaptionStyle& style) {
        Image img = base;
        pix::drawCaption(img, "Defaults", style);
        return img;
    };
    // No lines but the caption: Arial, 8 points, white, top left.
    pix::CaptionStyle arial{"Arial", 8, 0xFFFFFF, ""};
    EXPECT_EQ(drawn({"textcaption=Defaults"}).pixels, direct(arial).pixels);
    // "textfont=" with nothing after it: the platform's default face.
    pix::CaptionStyle platform{"", 8, 0xFFFFFF, ""};
    EXPECT_EQ(drawn({"textcaption=Defaults", "textfont="}).pixels, direct(platform).pixels);
    // A face that is not installed still draws, in the best match.
    const Image missing = drawn({"textcaption=Defaults", "textfont=Nonexistent Face 123"});
    EXPECT_FALSE(changedPixels(base, missing).empty());
}

TEST(CaptionStep, SizeThatIsNoNumberFailsBeforeDrawing) {
    const Image before = solid(60, 20, 0);
    Image img = before;
    try {
        pix::captionStep(profileOf({"textcaption=Hello", "textsize=12pt"}), img);
        FAIL() << "no error";
    } catch (const pix::Error& e) {
        EXPECT_STREQ(e.what(), "'12pt' is not a valid integer value");
    }
    EXPECT_EQ(img.pixels, before.pixels);
}

TEST(CaptionStep, SpacesAreMeasuredAndDrawn) {
    pix::TextRenderer r;
    r.selectFont("Arial", 16);
    const int64_t space = r.textWidth(U" ");
    const int w = 120;
    auto rightmostInk = [&](const std::string& caption) {
        const Image before = solid(w, 30, 0);
        Image img = before;
        pix::captionStep(profileOf({"textcaption=" + caption, "textsize=12", "textalignment=topright"}), img);
        int64_t right = -1;
        for (size_t px : changedPixels(before, img)) right = std::max<int64_t>(right, int64_t(px % w));
        return right;
    };
    const int64_t bare = rightmostInk("Hi");
    const int64_t padded = rightmostInk("  Hi  ");
    EXPECT_GT(bare, w - space);
    EXPECT_EQ(padded, bare - 2 * space);
}

TEST(CaptionStep, AlphaPlaneAndBilevelImages) {
    Image img = solid(60, 20, 0);
    img.alpha.assign(60 * 20, 77);
    pix::captionStep(profileOf({"textcaption=Hello", "textsize=12"}), img);
    EXPECT_TRUE(std::all_of(img.alpha.begin(), img.alpha.end(), [](uint8_t a) { return a == 77; }));

    Image bilevel;
    bilevel.allocate(60, 20, pix::Layout::Bilevel);
    pix::captionStep(profileOf({"textcaption=Hello", "textsize=12", "textcolor=0000FF"}), bilevel);
    ASSERT_EQ(bilevel.layout, pix::Layout::Bgr24);
    size_t red = 0;
    for (size_t i = 0; i < size_t(60 * 20); ++i) red += hasBgr(bilevel, i, 0, 0, 255);
    EXPECT_GT(red, 0u);
}

// Through the whole pipeline: grayscale and negative come after the caption
// and act on its pixels like on every other pixel.
TEST(CaptionPipeline, GrayscaleAndNegativeActOnTheCaption) {
    pixtest::TempDir dir;
    const std::string input = dir / "black.jpg";
    ASSERT_TRUE(pix::saveimage(solid(160, 48, 0x000000), input));

    // Where a red caption of these settings covers its pixels fully.
    const std::vector<std::string> caption = {"textcaption=Gray HH", "textsize=20", "textalignment=bottomleft"};
    Image probe = solid(160, 48, 0x000000);
    pix::drawCaption(probe, "Gray HH", {"Arial", 20, 0x0000FF, "bottomleft"});
    std::vector<size_t> full;
    for (size_t i = 0; i < size_t(160 * 48); ++i)
        if (hasBgr(probe, i, 0, 0, 255)) full.push_back(i);
    ASSERT_GT(full.size(), 30u);

    const struct {
        const char* colour;
        std::vector<std::string> extra;
        uint8_t b, g, r;
    } table[] = {
        {"0000FF", {}, 0, 0, 255},
        {"0000FF", {"grayscale"}, 53, 53, 53},
        {"FF0000", {"grayscale"}, 20, 20, 20},
        {"0000FF", {"negative"}, 255, 255, 0},
        {"0000FF", {"grayscale=true", "negative"}, 202, 202, 202},
    };
    for (const auto& row : table) {
        pix::BatchEngine engine;
        std::vector<std::string> lines = caption;
        lines.push_back(std::string("textcolor=") + row.colour);
        lines.insert(lines.end(), row.extra.begin(), row.extra.end());
        engine.profile().setLines(lines);
        engine.jobFiles() = {input};
        ASSERT_TRUE(engine.processimage(0));
        const Image& out = engine.image();
        ASSERT_EQ(out.width, 160);
        ASSERT_EQ(out.height, 48);
        size_t exact = 0;
        for (size_t px : full) exact += hasBgr(out, px, row.b, row.g, row.r);
        EXPECT_EQ(exact, full.size()) << row.colour << " " << testing::PrintToString(row.extra);
        if (row.b == row.g && row.g == row.r) {
            // Grayscale left no colour anywhere below the marker's first row.
            bool gray = true;
            for (int y = 1; y < out.height; ++y)
                for (int x = 0; x < out.width; ++x) {
                    const uint8_t* p = out.row(y) + 3 * x;
                    gray = gray && p[0] == p[1] && p[1] == p[2];
                }
            EXPECT_TRUE(gray) << row.colour;
        }
    }
}

}  // namespace
