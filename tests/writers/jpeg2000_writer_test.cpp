// The JPEG 2000 writer: the options text and its translation, precision and
// components, JP2 file or code stream, checked with OpenJPEG's tools.
#include <openjpeg.h>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "image/error.h"
#include "support/test_support.h"
#include "support/writer_support.h"
#include "writers/jpeg2000_options.h"
#include "writers/writers.h"

using namespace pixtest;

namespace {

// A decoded image as opj_decompress writes it to raw planes, with the header
// facts opj_dump reports.
struct OpjDecoded {
    bool ok = false;
    int components = 0;
    std::vector<int> precision;
    std::vector<std::vector<int>> planes;
    std::string dump;
};

OpjDecoded decodeWithOpenJpeg(const TempDir& dir, const std::vector<uint8_t>& bytes, const std::string& ext, int w, int h) {
    OpjDecoded out;
    const std::string in = dir / ("in" + ext), raw = dir / "out.raw";
    writeFile(in, bytes);
    run("opj_dump -i '" + in + "' 2>&1", &out.dump);
    // Components, each with its precision, as "prec=N" in the image header dump.
    std::istringstream d(out.dump);
    std::string word;
    while (d >> word)
        if (word.rfind("prec=", 0) == 0) out.precision.push_back(std::stoi(word.substr(5)));
    out.components = int(out.precision.size());
    std::string log;
    if (run("opj_decompress -i '" + in + "' -o '" + raw + "' 2>&1", &log) != 0) {
        out.dump += log;
        return out;
    }
    // Raw output: each component's plane in turn, 8-bit samples for precision
    // up to 8, 16-bit big-endian above.
    const std::vector<uint8_t> r = readFile(raw);
    size_t at = 0;
    for (int c = 0; c < out.components; ++c) {
        const size_t bytesPer = out.precision[size_t(c)] > 8 ? 2 : 1;
        std::vector<int> plane;
        for (size_t i = 0; i < size_t(w) * h && at + bytesPer <= r.size(); ++i, at += bytesPer)
            plane.push_back(bytesPer == 1 ? r[at] : r[at] << 8 | r[at + 1]);
        out.planes.push_back(plane);
    }
    out.ok = at == r.size() && out.components > 0;
    return out;
}

}  // namespace

TEST(Jpeg2000Options, TextAsTheSettingsMakeIt) {
    pix::TIOParamsVals p;
    p.Jpeg2000Rate = 70 / 2000.0;
    EXPECT_EQ(pix::jpeg2000OptionsText(p), "rate=0.035 prg=lrcp");
    p.Jpeg2000Rate = 100 / 2000.0;
    p.Jpeg2000Progression = pix::Jpeg2000ProgressionKind::RLCP;
    EXPECT_EQ(pix::jpeg2000OptionsText(p), "rate=0.05 prg=rlcp");
    p.Jpeg2000Rate = 1.0;
    EXPECT_EQ(pix::jpeg2000OptionsText(p), "rate=1 prg=rlcp");
    p.Jpeg2000Rate = 1 / 2000.0;
    EXPECT_EQ(pix::jpeg2000OptionsText(p), "rate=0.0005 prg=rlcp");
}

TEST(Jpeg2000Options, TranslationToOpenJpeg) {
    opj_cparameters_t params;
    opj_set_default_encoder_parameters(&params);
    pix::applyJpeg2000Options("rate=0.035 prg=rlcp", params);
    EXPECT_EQ(params.tcp_numlayers, 1);
    EXPECT_NEAR(params.tcp_rates[0], 1 / 0.035, 1e-3);
    EXPECT_EQ(params.cp_disto_alloc, 1);
    EXPECT_EQ(params.prog_order, OPJ_RLCP);
    pix::applyJpeg2000Options("rate=1 prg=lrcp", params);
    EXPECT_EQ(params.tcp_rates[0], 0.0f);  // no truncation: lossless
    EXPECT_EQ(params.prog_order, OPJ_LRCP);
}

// Depths, gray or colour, with or without alpha, in both containers:
// components, precision and samples as OpenJPEG decodes them. Rate 1 keeps
// every sample exact.
TEST(Jpeg2000Writer, ComponentsAndPrecisionDecodeWithOpenJpeg) {
    struct Case {
        const char* name;
        int bits, samples;
        uint8_t colour;
        bool alpha;
    };
    const Case cases[] = {
        {"colordepth 1", 1, 1, 1, false}, {"colordepth 4", 4, 1, 1, false}, {"colordepth 8", 8, 1, 1, false},
        {"colordepth 24", 8, 3, 1, false}, {"colordepth 24, alpha", 8, 3, 1, true}, {"gray", 8, 3, 0, true},
        {"16-bit input", 16, 3, 1, false},
    };
    TempDir dir;
    for (const Case& c : cases)
        for (const char* ext : {".jp2", ".j2k"}) {
            SCOPED_TRACE(std::string(c.name) + " " + ext);
            pix::Image img = withDepth(photoImage(33, 21), c.bits, c.samples);
            img.params.Jpeg2000Colour = c.colour;
            img.params.Jpeg2000Rate = 1.0;
            if (c.alpha) {
                img.alpha.assign(size_t(img.width) * img.height, 255);
                for (size_t i = 0; i < img.alpha.size(); i += 4) img.alpha[i] = uint8_t(i);
            }
            const std::vector<uint8_t> b = encode(std::string(ext) == ".jp2" ? pix::writeJp2 : pix::writeJ2k, img);
            if (std::string(ext) == ".jp2") EXPECT_EQ(std::vector<uint8_t>(b.begin() + 4, b.begin() + 8), (std::vector<uint8_t>{'j', 'P', ' ', ' '}));
            else EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 4), (std::vector<uint8_t>{0xFF, 0x4F, 0xFF, 0x51}));
            const OpjDecoded d = decodeWithOpenJpeg(dir, b, ext, 33, 21);
            ASSERT_TRUE(d.ok) << d.dump;
            const int count = c.colour == 0 ? 1 : c.alpha ? 4 : 3;
            ASSERT_EQ(d.components, count) << d.dump;
            const int top = (1 << c.bits) - 1;
            for (int comp = 0; comp < count; ++comp) {
                EXPECT_EQ(d.precision[size_t(comp)], c.bits);
                for (int y = 0; y < 21; ++y)
                    for (int x = 0; x < 33; ++x) {
                        const size_t i = size_t(y) * 33 + x;
                        const uint32_t rgb = pixelAt(img, x, y);
                        const int r = rgb >> 16, g = (rgb >> 8) & 255, bl = rgb & 255;
                        const int v = c.colour == 0 ? pix::grayLevel(r, g, bl) : comp == 0 ? r : comp == 1 ? g : comp == 2 ? bl : img.alpha[i];
                        ASSERT_EQ(d.planes[size_t(comp)][i], int(int64_t(v) * top / 255)) << comp << " " << x << "," << y;
                    }
            }
        }
}

TEST(Jpeg2000Writer, RateShrinksTheStream) {
    pix::Image img = withDepth(photoImage(200, 150), 8, 3);
    img.params.Jpeg2000Rate = 0.035;
    const std::vector<uint8_t> small = encode(pix::writeJ2k, img);
    const double raw = 200.0 * 150 * 3;
    EXPECT_LT(small.size(), raw * 0.035 * 1.1);
    EXPECT_GT(small.size(), raw * 0.035 * 0.5);
    TempDir dir;
    EXPECT_TRUE(decodeWithOpenJpeg(dir, small, ".j2k", 200, 150).ok);
}

TEST(Jpeg2000Writer, FullDiskIsAnError) {
    pix::Image img = withDepth(photoImage(200, 150), 8, 3);
    FullDiskSink sink(500);
    try {
        pix::writeJp2(img, sink);
        ADD_FAILURE() << "short write accepted";
    } catch (const pix::Error& e) {
        EXPECT_NE(std::string(e.what()).find("No space left"), std::string::npos) << e.what();
    }
}

TEST(Jpeg2000Writer, FilesByExtension) {
    TempDir dir;
    pix::Image img = withDepth(photoImage(40, 30), 8, 3);
    img.params.Jpeg2000Rate = 0.035;
    for (const char* ext : {".jp2", ".j2k", ".jpc", ".j2c"}) {
        SCOPED_TRACE(ext);
        const std::string path = dir / (std::string("a") + ext);
        ASSERT_TRUE(pix::saveimage(img, path));
        const std::vector<uint8_t> b = readFile(path);
        ASSERT_GT(b.size(), 12u);
        const bool jp2 = std::string(ext) == ".jp2";
        EXPECT_EQ(b[0] == 0xFF && b[1] == 0x4F, !jp2);
        const OpjDecoded d = decodeWithOpenJpeg(dir, b, jp2 ? ".jp2" : ".j2k", 40, 30);
        ASSERT_TRUE(d.ok) << d.dump;
        EXPECT_EQ(d.components, 3);
    }
}
