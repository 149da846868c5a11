// The size rules as functions, and the resize step driven by profile lines:
// which rule a profile selects, what size it gives, and whether the scaler
// runs at all.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/steps.h"
#include "image/error.h"
#include "imageops/resize_geometry.h"
#include "support/test_support.h"

using namespace pix;

TEST(ResizeGeometry, FixedFactorsRoundHalfToEven) {
    struct Case {
        const char* method;
        int W, H;
        TargetSize out;
    };
    const Case cases[] = {
        {"1/2x", 5, 7, {2, 4}},  {"3/4x", 6, 10, {4, 8}}, {"1/4x", 10, 6, {2, 2}}, {"1/3x", 10, 8, {3, 3}},
        {"2x", 3, 3, {6, 6}},    {"3x", 5, 2, {15, 6}},   {"4x", 3, 4, {12, 16}},
    };
    for (const Case& c : cases) {
        TargetSize t;
        ASSERT_TRUE(fixedFactorSize(c.method, c.W, c.H, t)) << c.method;
        EXPECT_EQ(t, c.out) << c.method;
    }
    TargetSize t;
    EXPECT_FALSE(fixedFactorSize("5x", 3, 3, t));
    EXPECT_FALSE(fixedFactorSize(" 2x", 3, 3, t));
}

TEST(ResizeGeometry, ShrinkGrowAndPortraitBox) {
    EXPECT_EQ(shrinkToFit(4000, 3000, 800, 600), (TargetSize{800, 600}));
    EXPECT_EQ(shrinkToFit(3000, 4000, 800, 600), (TargetSize{450, 600}));
    EXPECT_EQ(shrinkToFit(4, 5, 2, 0), (TargetSize{2, 2}));  // 5 * 0.5 = 2.5 -> 2
    EXPECT_EQ(shrinkToFit(300, 200, 800, 600), (TargetSize{300, 200}));
    EXPECT_EQ(growToCover(500, 400, 1000, 0), (TargetSize{1000, 800}));
    EXPECT_EQ(growToCover(500, 400, 0, 1000), (TargetSize{1250, 1000}));
    EXPECT_EQ(growToCover(5000, 4000, 1000, 800), (TargetSize{5000, 4000}));
    EXPECT_EQ(portraitBox(3000, 4000, 800, 600, true), (TargetSize{600, 800}));
    EXPECT_EQ(portraitBox(3000, 4000, 800, 600, false), (TargetSize{800, 600}));
    EXPECT_EQ(portraitBox(500, 500, 800, 600, true), (TargetSize{800, 600}));
}

TEST(ResizeGeometry, Percentages) {
    TargetSize t;
    EXPECT_FALSE(percentDownSize(641, 480, 99, t));
    EXPECT_FALSE(percentDownSize(641, 480, 250, t));
    ASSERT_TRUE(percentDownSize(641, 480, 50, t));
    EXPECT_EQ(t, (TargetSize{320, 240}));  // 320.5 -> 320
    ASSERT_TRUE(percentDownSize(3, 100, 98, t));
    EXPECT_EQ(t, (TargetSize{0, 2}));  // the scaler reads 0 as "keep"
    EXPECT_EQ(percentUpSize(641, 480, 0), (TargetSize{641, 480}));
    EXPECT_EQ(percentUpSize(5, 3, 50), (TargetSize{8, 4}));  // 7.5 -> 8, 4.5 -> 4
    EXPECT_EQ(percentUpSize(100, 100, INT32_MAX), (TargetSize{INT32_MAX, INT32_MAX}));  // saturates
}

TEST(ResizeGeometry, BoundsRule) {
    struct Case {
        int W, H;
        SizeBounds b;
        bool keep;
        TargetSize out;
    };
    const Case cases[] = {
        {500, 400, {5, 1000, 12000, 12000}, false, {1000, 400}},
        {500, 3, {5, 1000, 12000, 12000}, false, {1000, 5}},
        {4000, 3000, {5, 5, 12000, 800}, false, {800, 3000}},
        {4000, 3000, {5, 5000, 12000, 800}, false, {5000, 3000}},  // a minimum above its maximum wins
        {4000, 3000, {5, 5, 0, 0}, false, {4000, 3000}},           // 0: no maximum
        {500, 400, {5, 1000, 12000, 12000}, true, {1000, 800}},
        {4000, 3000, {5, 5, 600, 800}, true, {800, 600}},
        {500, 400, {5, 1000, 600, 12000}, true, {750, 600}},  // the maximum is the firmer limit
        {640, 480, {5, 5, 12000, 12000}, true, {640, 480}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(boundsSize(c.W, c.H, c.b, c.keep), c.out) << c.W << "x" << c.H << " keep " << c.keep;
}

// ---- the resize step with profile lines

namespace {

struct StepResult {
    int width, height;
    bool scaled;  // the bell filter softens even a same-size call
};

StepResult runStep(const std::vector<std::string>& lines, int W, int H) {
    EngineProfile p;
    std::vector<std::string> all = lines;
    all.push_back("resamplemethod=bell");
    p.setLines(all);
    Image img = pixtest::photoImage(W, H);
    const Image before = img;
    resizeStep(p, img);
    return {img.width, img.height, img.pixels != before.pixels};
}

}  // namespace

TEST(ResizeStep, EveryRuleThroughTheProfile) {
    struct Case {
        std::vector<std::string> lines;
        int W, H;
        StepResult expect;
    };
    const Case cases[] = {
        {{"resizemethod=1/2x"}, 5, 7, {2, 4, true}},
        {{"RESIZEMETHOD=2X"}, 3, 3, {6, 6, true}},
        {{"resizemethod=3x", "keepdimensionratio=false", "width=9"}, 3, 4, {9, 12, true}},
        {{"resizemethod= 2x"}, 3, 3, {3, 3, false}},
        {{"resizemethod=downsizebypixel", "width=800", "height=600", "keepdimensionratio=true"}, 400, 300,
         {400, 300, true}},
        {{"resizemethod=downsizebypixel", "width=8", "height=6", "keepdimensionratio=true"}, 40, 30, {8, 6, true}},
        {{"resizemethod=downsizebypixel", "width=8", "height=6", "keepdimensionratio=true"}, 30, 40, {6, 8, true}},
        {{"resizemethod=downsizebypixel", "width=8", "height=6"}, 30, 40, {4, 6, true}},  // 8 x 11, then 8 * 6/11 = 4.36 -> 4
        {{"resizemethod=downsizebypixel", "width=2", "height=0"}, 4, 5, {2, 2, true}},
        {{"resizemethod=upsizebypixel", "width=100", "height=0"}, 50, 40, {100, 80, true}},
        {{"resizemethod=upsizebypixel", "width=0", "height=100"}, 50, 40, {125, 100, true}},
        {{"resizemethod=upsizebypixel", "width=60", "height=40", "keepdimensionratio"}, 20, 30, {40, 60, true}},
        {{"resizemethod=downsizebypercent", "percentage=99"}, 20, 30, {20, 30, false}},
        {{"resizemethod=downsizebypercent", "percentage=50"}, 41, 30, {20, 15, true}},
        {{"resizemethod=downsizebypercent", "percentage=98"}, 3, 100, {3, 2, true}},
        {{"resizemethod=upsizebypercent"}, 20, 30, {20, 30, true}},
        {{"resizemethod=upsizebypercent", "percentage=50", "keepdimensionratio=false", "width=7", "height=5"}, 20, 30,
         {7, 5, true}},
        {{"resizemethod=upsizebypercent", "percentage=50", "keepdimensionratio=false", "width=0", "height=0"}, 20, 30,
         {20, 30, true}},
        {{"resizemethod=upsizebypercent", "keepdimensionratio=false"}, 20, 30, {20, 30, true}},
        {{"resizemethod=nosuchmethod", "keepdimensionratio=false", "width=7", "height=5"}, 20, 30, {7, 5, true}},
        {{"resizemethod=nosuchmethod", "keepdimensionratio=true", "width=7", "height=5"}, 20, 30, {20, 30, false}},
        {{"resizemethod=resizebypixel", "keepdimensionratio=true", "width=8", "height=6"}, 30, 40, {4, 6, true}},
        {{"resizemethod=resizebypixel", "keepdimensionratio=true", "width=800", "height=600"}, 30, 40, {30, 40, true}},
        {{"resizemethod=resizebypixel", "width=8", "height=6"}, 30, 40, {30, 40, false}},
        {{"resizemethod=resizebypixel", "minwidth=100"}, 50, 40, {100, 40, true}},
        {{"resizemethod=resizebypixel", "minwidth=100", "keepdimensionratio=true"}, 50, 40, {100, 80, true}},
        {{"resizemethod=resizebypixel", "maxwidth=25", "keepdimensionratio=true"}, 50, 40, {25, 20, true}},
        {{"resizemethod=resizebypixel", "maxwidth=0", "maxheight=-3"}, 50, 40, {50, 40, false}},
    };
    for (const Case& c : cases) {
        const StepResult r = runStep(c.lines, c.W, c.H);
        EXPECT_EQ(r.width, c.expect.width) << c.lines[0] << " " << c.lines.size();
        EXPECT_EQ(r.height, c.expect.height) << c.lines[0] << " " << c.lines.size();
        EXPECT_EQ(r.scaled, c.expect.scaled) << c.lines[0] << " " << c.lines.size();
    }
}

TEST(ResizeStep, ScalerFailureBlanksOnlyInShrinkAndGrow) {
    EngineProfile p;
    p.setLines({"resizemethod=upsizebypixel", "width=100000", "resamplemethod=lanczos3"});
    Image img = pixtest::photoImage(40, 30);
    resizeStep(p, img);
    ASSERT_EQ(img.width, 40);
    ASSERT_EQ(img.height, 30);
    for (uint8_t b : img.pixels) ASSERT_EQ(b, 240);

    Image bits;
    bits.allocate(40, 30, Layout::Bilevel);
    resizeStep(p, bits);
    EXPECT_EQ(bits.layout, Layout::Bilevel);
    for (uint8_t b : bits.pixels) ASSERT_EQ(b, 0xFF);

    p.setLines({"resizemethod=upsizebypercent", "percentage=100000"});
    Image other = pixtest::photoImage(40, 30);
    EXPECT_THROW(resizeStep(p, other), Error);
}

TEST(ResizeStep, NumberErrorsLeaveTheImageUnchanged) {
    const std::vector<std::vector<std::string>> profiles = {
        {"resizemethod=downsizebypixel", "width=abc"},
        {"resizemethod=downsizebypercent", "percentage="},
        {"resizemethod=resizebypixel", "minwidth=1x"},
        {"resizemethod=upsizebypixel", "keepdimensionratio=false", "height=7 "},
    };
    for (const auto& lines : profiles) {
        EngineProfile p;
        p.setLines(lines);
        Image img = pixtest::photoImage(20, 10);
        const Image before = img;
        EXPECT_THROW(resizeStep(p, img), Error) << lines[1];
        EXPECT_EQ(img.pixels, before.pixels);
    }
}
