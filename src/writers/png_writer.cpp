// PNG output through libpng: bilevel, gray, palette (with a transparent entry
// for images with transparency) or truecolour rows, pHYs, bKGD, tEXt.
//
// libpng reports errors by calling an error function that must not return. We
// jump back with setjmp/longjmp (no C++ exception may cross libpng's frames),
// so the function that holds the jump buffer keeps no C++ objects of its own:
// everything it needs is prepared beforehand in a PngJob.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <optional>
#include <string>
#include <vector>

#include "image/error.h"
#include "imageops/palette_quantiser.h"
#include "imageops/reductions.h"
#include "writers/palette_rows.h"
#include "writers/writers.h"

namespace pix {

namespace {

enum class PngKind { Bilevel, TransparentPalette, Gray, Palette, Rgb, Rgba };

struct PngJob {
    const Image* img = nullptr;
    PngKind kind = PngKind::Rgb;
    std::optional<BilevelImage> bw;
    std::optional<PaletteQuantiser> quantiser;
    std::vector<png_color> palette;
    png_byte transparentEntry = 0;
    png_color_16 background{};
    std::vector<png_text> texts;
    std::vector<uint8_t> row;
    std::vector<uint8_t> indexes;
};

struct PngContext {
    std::jmp_buf jump;
    ByteSink* sink = nullptr;
    std::string sinkError;  // the sink's own message when a write failed
};

void onError(png_structp png, png_const_charp) {
    auto* ctx = static_cast<PngContext*>(png_get_error_ptr(png));
    std::longjmp(ctx->jump, 1);
}

void onWarning(png_structp, png_const_charp) {}

void onWrite(png_structp png, png_bytep data, png_size_t n) {
    auto* ctx = static_cast<PngContext*>(png_get_io_ptr(png));
    bool failed = false;
    try {
        ctx->sink->write(data, n);
    } catch (const std::exception& e) {
        ctx->sinkError = e.what();
        failed = true;
    }
    // Leave the handler before jumping out of the library.
    if (failed) png_error(png, "write failed");
}

void onFlush(png_structp) {}

uint32_t pixelsPerMetre(int32_t dpi) { return dpi <= 0 ? 0u : uint32_t(std::lround(dpi * 100 / 2.54)); }

// The bytes of row y as libpng takes them for the job's kind.
const uint8_t* fillRow(PngJob& job, int32_t y) {
    const Image& img = *job.img;
    const size_t w = size_t(img.width);
    uint8_t* out = job.row.data();
    switch (job.kind) {
        case PngKind::Bilevel:
            return job.bw->bits.row(y);
        case PngKind::Gray:
        case PngKind::Palette:
            quantisedRow(img, *job.quantiser, y, out);
            return out;
        case PngKind::TransparentPalette: {
            quantisedRow(img, *job.quantiser, y, out);
            const uint8_t* a = img.alpha.data() + size_t(y) * w;
            for (size_t x = 0; x < w; ++x) out[x] = a[x] == 255 ? uint8_t(out[x] + 1) : 0;
            return out;
        }
        case PngKind::Rgb: {
            const uint8_t* s = img.row(y);
            for (size_t x = 0; x < w; ++x) {
                out[3 * x] = s[3 * x + 2];
                out[3 * x + 1] = s[3 * x + 1];
                out[3 * x + 2] = s[3 * x];
            }
            return out;
        }
        case PngKind::Rgba: {
            const uint8_t* s = img.row(y);
            const uint8_t* a = img.alpha.data() + size_t(y) * w;
            for (size_t x = 0; x < w; ++x) {
                out[4 * x] = s[3 * x + 2];
                out[4 * x + 1] = s[3 * x + 1];
                out[4 * x + 2] = s[3 * x];
                out[4 * x + 3] = a[x];
            }
            return out;
        }
    }
    return out;
}

// Holds the jump buffer: only plain values live in this frame.
bool encode(png_structp png, png_infop info, PngContext& ctx, PngJob& job) {
    if (setjmp(ctx.jump)) return false;
    const Image& img = *job.img;
    const TIOParamsVals& p = img.params;
    png_set_write_fn(png, &ctx, onWrite, onFlush);

    int bitDepth = 8, colourType = PNG_COLOR_TYPE_RGB;
    switch (job.kind) {
        case PngKind::Bilevel: bitDepth = 1; colourType = PNG_COLOR_TYPE_GRAY; break;
        case PngKind::Gray: colourType = PNG_COLOR_TYPE_GRAY; break;
        case PngKind::TransparentPalette:
        case PngKind::Palette: colourType = PNG_COLOR_TYPE_PALETTE; break;
        case PngKind::Rgb: break;
        case PngKind::Rgba: colourType = PNG_COLOR_TYPE_RGB_ALPHA; break;
    }
    png_set_IHDR(png, info, png_uint_32(img.width), png_uint_32(img.height), bitDepth, colourType,
                 p.PngInterlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!job.palette.empty()) png_set_PLTE(png, info, job.palette.data(), int(job.palette.size()));
    if (job.kind == PngKind::TransparentPalette) png_set_tRNS(png, info, &job.transparentEntry, 1, nullptr);
    const uint32_t xppm = pixelsPerMetre(p.HorizontalDpi), yppm = pixelsPerMetre(p.VerticalDpi);
    png_set_pHYs(png, info, xppm, yppm, PNG_RESOLUTION_METER);
    const int filter = p.PngFilter == PngFilterKindValue::Sub     ? PNG_FILTER_SUB
                       : p.PngFilter == PngFilterKindValue::Paeth ? PNG_FILTER_PAETH
                                                                  : PNG_FILTER_NONE;
    png_set_filter(png, PNG_FILTER_TYPE_BASE, filter);
    png_set_bKGD(png, info, &job.background);
    png_set_compression_level(png, p.PngCompressionLevel);
    if (!job.texts.empty()) png_set_text(png, info, job.texts.data(), int(job.texts.size()));
    png_write_info(png, info);

    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int32_t y = 0; y < img.height; ++y) png_write_row(png, fillRow(job, y));
    png_write_end(png, info);
    return true;
}

PngJob prepare(const Image& img) {
    const TIOParamsVals& p = img.params;
    PngJob job;
    job.img = &img;
    int bits = p.BitsPerSample;
    if (p.SamplesPerPixel == 1 && bits != 1 && bits != 8 && bits != 16) bits = 8;
    const RgbColour bg = p.PngBackgroundColour;
    if (bits == 1) {
        job.kind = PngKind::Bilevel;
        job.bw = bilevelFor(img);
    } else if (p.SamplesPerPixel == 1) {
        if (img.hasTransparency()) {
            job.kind = PngKind::TransparentPalette;
            job.quantiser.emplace(img, bits >= 8 ? 255 : (1 << bits));
            job.palette.push_back(png_color{bg.r, bg.g, bg.b});
            for (const RgbColour& c : job.quantiser->palette()) job.palette.push_back(png_color{c.r, c.g, c.b});
        } else {
            job.quantiser.emplace(img, 256);
            if (job.quantiser->isGray()) {
                job.kind = PngKind::Gray;
            } else {
                job.kind = PngKind::Palette;
                for (const RgbColour& c : paddedPalette(*job.quantiser, 256))
                    job.palette.push_back(png_color{c.r, c.g, c.b});
            }
        }
    } else {
        job.kind = img.hasTransparency() ? PngKind::Rgba : PngKind::Rgb;
    }

    // The background chunk: a palette index for palette images (entry 0, the
    // background itself, when it heads the palette), else the colour at the
    // image's own sample depth.
    switch (job.kind) {
        case PngKind::TransparentPalette: job.background.index = 0; break;
        case PngKind::Palette: job.background.index = png_byte(nearestIndex(*job.quantiser, bg)); break;
        case PngKind::Bilevel: job.background.gray = grayLevel(bg.r, bg.g, bg.b) >= 128 ? 1 : 0; break;
        case PngKind::Gray: job.background.gray = png_uint_16(grayLevel(bg.r, bg.g, bg.b)); break;
        default:
            job.background.red = bg.r;
            job.background.green = bg.g;
            job.background.blue = bg.b;
    }

    const size_t pairs = std::min(p.PngTextKeys.size(), p.PngTextValues.size());
    for (size_t i = 0; i < pairs; ++i) {
        png_text t{};
        t.compression = PNG_TEXT_COMPRESSION_NONE;
        t.key = const_cast<char*>(p.PngTextKeys[i].c_str());
        t.text = const_cast<char*>(p.PngTextValues[i].c_str());
        t.text_length = p.PngTextValues[i].size();
        job.texts.push_back(t);
    }
    job.row.resize(size_t(img.width) * 4);
    return job;
}

struct PngWriteStruct {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngWriteStruct() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

}  // namespace

void writePng(const Image& img, ByteSink& out) {
    // zlib takes levels 0..9 only; anything else would fail inside deflate.
    if (img.params.PngCompressionLevel < 0 || img.params.PngCompressionLevel > 9) throw Error(kMsgPngError);
    PngJob job = prepare(img);
    PngContext ctx;
    ctx.sink = &out;
    PngWriteStruct s;
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &ctx, onError, onWarning);
    if (!s.png) throw Error(kMsgPngError);
    s.info = png_create_info_struct(s.png);
    if (!s.info) throw Error(kMsgPngError);
    if (!encode(s.png, s.info, ctx, job)) throw Error(ctx.sinkError.empty() ? kMsgPngError : ctx.sinkError);
}

}  // namespace pix
