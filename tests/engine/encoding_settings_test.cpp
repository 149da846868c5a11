// The encoding settings the engine derives from a profile.
#include <gtest/gtest.h>

#include "engine/encoding_settings.h"
#include "support/test_support.h"
#include "image/error.h"

using namespace pix;

using pixtest::profileOf;

TEST(EncodingSettings, EmptyProfileDefaults) {
    TIOParamsVals p;
    encodingSettingsStep(profileOf({}), p, 96);
    EXPECT_EQ(p.JpegQuality, 70);
    EXPECT_EQ(p.JpegSmoothing, 0);
    EXPECT_FALSE(p.JpegProgressive);
    EXPECT_DOUBLE_EQ(p.Jpeg2000Rate, 0.035);
    EXPECT_EQ(p.PngCompressionLevel, 3);
    EXPECT_EQ(p.TiffCompression, kTiffLzw);
    EXPECT_EQ(p.BmpRle, 1);
    EXPECT_EQ(p.PcxRle, 1);
    EXPECT_EQ(p.HorizontalDpi, 96);
    EXPECT_EQ(p.VerticalDpi, 96);
}

TEST(EncodingSettings, PngLevelByQuality) {
    const std::pair<int, int> cases[] = {{100, 0}, {95, 0}, {90, 1}, {85, 2}, {75, 2}, {65, 4}, {55, 4},
                                         {45, 6},  {35, 6}, {25, 8}, {15, 8}, {10, 9}, {5, 9},  {0, 9},
                                         {110, -1}, {-50, 9}};
    for (auto [q, level] : cases) EXPECT_EQ(pngLevelFor(q), level) << q;
}

TEST(EncodingSettings, TiffCompressionCodes) {
    const std::pair<const char*, int> cases[] = {
        {"tiffuncompressed", 0}, {"TIFFPACKBIT", 8}, {"TIFFG3", 3},   {" tiffg3", 5},      {"tiffg4", 4},
        {" tiffg4 ", 4},         {"TIFFG4", 5},      {"tiffhuffman", 1}, {"jpg", 5},       {"", 5},
    };
    for (auto [text, code] : cases) EXPECT_EQ(tiffCompressionFor(text), code) << text;
}

TEST(EncodingSettings, ResolutionAndProgressive) {
    TIOParamsVals p;
    encodingSettingsStep(profileOf({"dpi=0", "progressivejpeg"}), p, 72);
    EXPECT_EQ(p.HorizontalDpi, 72);
    EXPECT_TRUE(p.JpegProgressive);
    encodingSettingsStep(profileOf({"dpi=\"300\"", "progressivejpeg=TRUE", "quality=100"}), p, 72);
    EXPECT_EQ(p.VerticalDpi, 300);
    EXPECT_FALSE(p.JpegProgressive);
    EXPECT_DOUBLE_EQ(p.Jpeg2000Rate, 0.05);
    EXPECT_THROW(encodingSettingsStep(profileOf({"dpi="}), p, 72), Error);
    EXPECT_THROW(encodingSettingsStep(profileOf({"quality=high"}), p, 72), Error);
}

TEST(EncodingSettings, ColourDepthStep) {
    const struct {
        const char* value;
        int bits, samples;
    } cases[] = {{"1", 1, 1}, {" 4 ", 4, 1}, {"8", 8, 1}, {"24", 8, 3}, {"AsIs", 2, 7}, {"08", 2, 7}};
    for (const auto& c : cases) {
        TIOParamsVals p;
        p.BitsPerSample = 2;
        p.SamplesPerPixel = 7;
        colourDepthStep(profileOf({std::string("colordepth=") + c.value}), p);
        EXPECT_EQ(p.BitsPerSample, c.bits) << c.value;
        EXPECT_EQ(p.SamplesPerPixel, c.samples) << c.value;
    }
}
