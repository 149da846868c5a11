// The form's side of profiles: what saveprofile writes and what loadprofile
// makes of a file, on the plain model of the controls.
#include <gtest/gtest.h>

#include <algorithm>

#include "image/error.h"
#include "profile/form_model.h"
#include "profile/profile_file.h"
#include "profile/text.h"
#include "support/test_support.h"

using namespace pix;
using pixtest::TempDir;

namespace {

FormModel blankForm() {
    FormModel f;
    f.resizemethod = f.width = f.height = f.percentage = "";
    f.resampletype = f.color_depth = f.interval = f.searchfor = "";
    f.brightness = f.contrast = f.textsize = f.quality = f.smoothing = f.dpi = "";
    f.keepdimensionratio = f.treatwidthheight = f.retainoriginaldate = false;
    return f;
}

}  // namespace

TEST(FormSave, BlankFormWritesExactlySixLines) {
    TempDir dir;
    FormModel f = blankForm();
    saveprofile(f, dir / "p.ini");
    EXPECT_EQ(pixtest::readText(dir / "p.ini"),
              "keepdimensionratio=false\r\ncolordepth=\"\"\r\nresamplemethod=\"none\"\r\ntextcolor=\"000000\"\r\n"
              "textfont=\"\"\r\n\"\"\r\n");
    EXPECT_EQ(f.lines.size(), 6u);
}

TEST(FormSave, FreshFormWritesItsInitialValues) {
    FormModel f;
    const std::vector<std::string> lines = profileLines(f);
    const std::vector<std::string> expected = {
        "height=\"0\"", "width=\"0\"", "percentage=\"0\"", "keepdimensionratio=true", "treatwidthheight",
        "colordepth=\"AsIs\"", "resamplemethod=\"None\"", "brightness=\"0\"", "contrast=\"0\"",
        "textcolor=\"000000\"", "textfont=\"\"", "textsize=\"2\"", "quality=\"70\"", "smoothing=\"0\"",
        "retainoriginaldate", "dpi=\"72\"", "interval=\"1\"", "\"*.*\"", "searchfor=\"*.*\""};
    EXPECT_EQ(lines, expected);  // the single-space resizemethod is blank and not written
}

TEST(FormSave, FolderAndMaskLineAndOrientation) {
    FormModel f = blankForm();
    f.directory = "/in/";
    f.searchfor = "*.jpg";
    f.orientation = "rotateleft90";
    const auto lines = profileLines(f);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "\"/in/*.jpg\""), lines.end());
    EXPECT_EQ(lines.back(), "orientation=\"left90\"");
    f.directory = "";
    EXPECT_NE(std::find_if(profileLines(f).begin(), profileLines(f).end(),
                           [](const std::string& l) { return l == "\"*.jpg\""; }),
              profileLines(f).end());
}

TEST(FormRoundTrip, TextsSurviveSaveAndLoad) {
    TempDir dir;
    FormModel f;
    f.textcaption = "  a = b  ";
    f.prefix = "say \"hi\"";
    f.suffix = "   ";  // spaces only: not written
    f.textcolor = 0x80FF00;
    f.orientation = "rotateright90";
    f.negative = true;
    f.keepdimensionratio = false;
    saveprofile(f, dir / "p.ini");
    FormModel g;
    g.fontList = {"Arial", "DejaVu Sans"};
    loadprofile(g, dir / "p.ini");
    EXPECT_EQ(g.textcaption, "  a = b  ");
    EXPECT_EQ(g.prefix, "say hi");
    EXPECT_EQ(g.suffix, "");
    EXPECT_EQ(g.textcolor, 0x80FF00u);
    EXPECT_EQ(g.orientation, "rotateright90");
    EXPECT_TRUE(g.negative);
    EXPECT_FALSE(g.keepdimensionratio);
    EXPECT_EQ(g.lines, f.lines);
}

TEST(FormLoad, MissingKeysTakeFormDefaults) {
    FormModel f;
    f.fontList = {"Arial"};
    f.textfont = "";
    applyProfileLines(f, {});
    EXPECT_EQ(f.quality, "70");
    EXPECT_EQ(f.interval, "60");
    EXPECT_EQ(f.textsize, "12");
    EXPECT_EQ(f.color_depth, "asis");
    EXPECT_EQ(f.resampletype, "None");
    EXPECT_EQ(f.searchfor, "*.*");
    EXPECT_EQ(f.dpi, "72");
    EXPECT_EQ(f.textfont, "Arial");
    EXPECT_FALSE(f.keepdimensionratio);
    EXPECT_FALSE(f.retainoriginaldate);
}

TEST(FormLoad, FlagTestsAreExactButIgnoreCase) {
    struct Case {
        const char* line;
        bool negative;
        bool keep;
    } cases[] = {
        {"Negative", true, false},
        {"negative ", false, false},
        {"negative=true", false, false},
        {"keepdimensionratio=\"true\"", false, false},
        {"KEEPDIMENSIONRATIO=TRUE", false, true},
    };
    for (const Case& c : cases) {
        FormModel f;
        applyProfileLines(f, {c.line});
        EXPECT_EQ(f.negative, c.negative) << c.line;
        EXPECT_EQ(f.keepdimensionratio, c.keep) << c.line;
    }
}

TEST(FormLoad, LookupRules) {
    FormModel f;
    f.lines = {"widthx=\"5\"", "width=\"9\"", "quality=\"80\"", "quality=\"90\"", "smoothing=", "\"dpi=3\""};
    EXPECT_EQ(getvalue(f, "width", "0"), "5");      // prefix match wins
    EXPECT_EQ(getvalue(f, "quality", "70"), "80");  // first of two
    EXPECT_EQ(getvalue(f, "smoothing", "0"), "");   // empty stays empty
    EXPECT_EQ(getvalue(f, "dpi", "72"), "72");      // the quoted line never matches
    const std::string caption(1100, 'c');
    f.lines = {"textcaption=\"" + caption + "\""};
    EXPECT_EQ(getvalue(f, "textcaption", ""), caption.substr(0, 1023));
}

TEST(FormLoad, TrackBarsFollowTheEdits) {
    FormModel f;
    applyProfileLines(f, {"brightness=\"-37\"", "contrast=\"250\""});
    EXPECT_EQ(f.brightnesstrack, -37);
    EXPECT_EQ(f.contrasttrack, 100);
    EXPECT_EQ(trackPositionFor("abc", 12), 12);
}

TEST(FormLoad, FontSelectionNeedsAnInstalledName) {
    FormModel f;
    f.fontList = {"Arial", "DejaVu Sans"};
    f.textfont = "Arial";
    applyProfileLines(f, {"textfont=\"dejavu sans\""});
    EXPECT_EQ(f.textfont, "DejaVu Sans");
    applyProfileLines(f, {"textfont=\"No Such Font\""});
    EXPECT_EQ(f.textfont, "DejaVu Sans");
}

TEST(FormLoad, LineEndsAndMissingFile) {
    TempDir dir;
    pixtest::writeFile(dir / "lf.ini", std::string("quality=\"85\"\nnegative\rprefix=\"x\""));
    FormModel f;
    loadprofile(f, dir / "lf.ini");
    EXPECT_EQ(f.quality, "85");
    EXPECT_TRUE(f.negative);
    EXPECT_EQ(f.prefix, "x");
    loadprofile(f, dir / "none.ini");
    EXPECT_TRUE(f.lines.empty());
    EXPECT_FALSE(f.negative);
    EXPECT_EQ(f.quality, "70");
}

TEST(FormSave, UnwritableFileRaisesAndKeepsTheNewLines) {
    FormModel f;
    EXPECT_THROW(saveprofile(f, "/nonexistent-folder/p.ini"), Error);
    EXPECT_FALSE(f.lines.empty());
}

TEST(ProfileText, SplitRules) {
    EXPECT_EQ(splitProfileText("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(splitProfileText("a\r\n\r\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(splitProfileText(std::string("a\r\nb\0c\r\nd", 10)), (std::vector<std::string>{"a", "b"}));
}

TEST(HexColour, ReadingAndWriting) {
    struct Case {
        const char* text;
        uint32_t value;
    } cases[] = {
        {" 0x00ff80", 0x00FF80}, {"12G4", 0x12}, {"", 0}, {"FFFFFF", 0xFFFFFF}, {"$ff", 0xFF},
        {"0000FF", 0xFF},        {"zz", 0},      {"1 2\t3", 0x123},
    };
    for (const Case& c : cases) EXPECT_EQ(hexColour(c.text), c.value) << c.text;
    EXPECT_EQ(colourHex6(0), "000000");
    EXPECT_EQ(colourHex6(0xFF), "0000FF");
    EXPECT_EQ(colourHex6(0xFF0000), "FF0000");
    EXPECT_EQ(colourHex6(0x12345678), "123456");
}
