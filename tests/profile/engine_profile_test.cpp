// The engine's lookup and its value tests.
#include <gtest/gtest.h>

#include "image/error.h"
#include "profile/engine_profile.h"
#include "profile/text.h"
#include "support/test_support.h"

using namespace pix;

using pixtest::profileOf;

TEST(EngineLookup, MatchingRules) {
    const EngineProfile p = profileOf({"quality=\"85\"", "negative", "deleteoriginal=false", "textsizex=3",
                                       "textsize=9", "Smoothing=60", " dpi=100", "textcaption=a=b", "savein="});
    EXPECT_EQ(p.number("quality", "70"), 85);
    EXPECT_EQ(p.profilevalue("negative", ""), "true");
    EXPECT_TRUE(p.isSet("deleteoriginal"));
    EXPECT_FALSE(p.isTrueTrimmed("deleteoriginal"));
    EXPECT_EQ(p.profilevalue("textsize", "8"), "3");
    EXPECT_EQ(p.profilevalue("smoothing", "0"), "60");
    EXPECT_EQ(p.profilevalue("dpi", "300"), "300");  // a leading space answers nothing
    EXPECT_EQ(p.profilevalue("textcaption", ""), "a=b");
    EXPECT_EQ(p.profilevalue("savein", "x"), "");
    EXPECT_EQ(p.profilevalue("prefix", "d"), "d");
}

TEST(EngineLookup, LongValuesAreCut) {
    const EngineProfile p = profileOf({"textcaption=" + std::string(1100, 'x')});
    EXPECT_EQ(p.profilevalue("textcaption", "").size(), 1024u);
}

TEST(EngineLookup, LoadStripsQuotesAndMissingFileIsEmpty) {
    pixtest::TempDir dir;
    pixtest::writeFile(dir / "p.ini", std::string("savein=\"[Source Directory]\\done\\\"\r\nquality=\r\n"));
    EngineProfile p;
    p.loadprofilelines(dir / "p.ini");
    EXPECT_EQ(p.profilevalue("savein", ""), "[Source Directory]\\done\\");
    EXPECT_THROW(p.number("quality", "70"), Error);
    p.loadprofilelines(dir / "missing.ini");
    EXPECT_TRUE(p.lines().empty());
    EXPECT_EQ(p.number("quality", "70"), 70);
}

TEST(EngineLookup, TrueTestTrimsButKeepsCase) {
    EXPECT_TRUE(profileOf({"grayscale= true "}).isTrueTrimmed("grayscale"));
    EXPECT_FALSE(profileOf({"grayscale=TRUE"}).isTrueTrimmed("grayscale"));
    EXPECT_TRUE(profileOf({"grayscale"}).isTrueTrimmed("grayscale"));
}

TEST(NumberTest, ConversionTable) {
    struct Case {
        const char* text;
        bool ok;
        int32_t value;
    } cases[] = {
        {"85", true, 85},
        {"  -12", true, -12},
        {"+7", true, 7},
        {"$1F", true, 31},
        {"x10", true, 16},
        {"X10", true, 16},
        {"0x10", true, 16},
        {"0X7fffffff", true, 2147483647},
        {"$FFFFFFFF", true, -1},
        {"-$10", true, -16},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, INT32_MIN},
        {"007", true, 7},
        {"2147483648", false, 0},
        {"$100000000", false, 0},
        {"", false, 0},
        {"12 ", false, 0},
        {"1.5", false, 0},
        {"abc", false, 0},
        {"-", false, 0},
        {"$", false, 0},
        {"\t5", false, 0},
    };
    for (const Case& c : cases) {
        int32_t v = 0;
        EXPECT_EQ(tryNumber(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

TEST(NumberTest, ErrorMessageQuotesTheText) {
    try {
        toNumber("abc");
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
}
