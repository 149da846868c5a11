// JPEG 2000 output through OpenJPEG: a JP2 file or a bare code stream,
// unsigned components sampled 1 x 1 with the precision of BitsPerSample.
#include <openjpeg.h>

#include <algorithm>
#include <string>
#include <vector>

#include "image/error.h"
#include "writers/jpeg2000_options.h"
#include "writers/writers.h"

namespace pix {

namespace {

struct StreamContext {
    ByteSink* sink = nullptr;
    uint64_t start = 0;     // where the stream begins in the sink
    std::string sinkError;  // the sink's own message when a write failed
    std::string libraryError;
};

OPJ_SIZE_T onWrite(void* buffer, OPJ_SIZE_T n, void* user) {
    auto* ctx = static_cast<StreamContext*>(user);
    try {
        ctx->sink->write(buffer, n);
        return n;
    } catch (const std::exception& e) {
        if (ctx->sinkError.empty()) ctx->sinkError = e.what();
        return OPJ_SIZE_T(-1);
    }
}

OPJ_OFF_T onSkip(OPJ_OFF_T n, void* user) {
    auto* ctx = static_cast<StreamContext*>(user);
    try {
        ctx->sink->seek(ctx->sink->tell() + uint64_t(n));
        return n;
    } catch (const std::exception& e) {
        if (ctx->sinkError.empty()) ctx->sinkError = e.what();
        return -1;
    }
}

OPJ_BOOL onSeek(OPJ_OFF_T pos, void* user) {
    auto* ctx = static_cast<StreamContext*>(user);
    try {
        ctx->sink->seek(ctx->start + uint64_t(pos));
        return OPJ_TRUE;
    } catch (const std::exception& e) {
        if (ctx->sinkError.empty()) ctx->sinkError = e.what();
        return OPJ_FALSE;
    }
}

void onError(const char* msg, void* user) {
    auto* ctx = static_cast<StreamContext*>(user);
    if (ctx->libraryError.empty()) {
        ctx->libraryError = msg;
        while (!ctx->libraryError.empty() && (ctx->libraryError.back() == '\n' || ctx->libraryError.back() == ' '))
            ctx->libraryError.pop_back();
    }
}

void onMessage(const char*, void*) {}

struct OpjObjects {
    opj_image_t* image = nullptr;
    opj_codec_t* codec = nullptr;
    opj_stream_t* stream = nullptr;
    ~OpjObjects() {
        if (stream) opj_stream_destroy(stream);
        if (codec) opj_destroy_codec(codec);
        if (image) opj_image_destroy(image);
    }
};

// Fills the components: gray level or red, green, blue (and the alpha plane
// when it is not entirely opaque), each value scaled to the precision.
opj_image_t* buildImage(const Image& img, int precision, bool gray) {
    const bool alpha = !gray && img.hasTransparency();
    const int count = gray ? 1 : alpha ? 4 : 3;
    opj_image_cmptparm_t parms[4] = {};
    for (int c = 0; c < count; ++c) {
        parms[c].dx = parms[c].dy = 1;
        parms[c].w = OPJ_UINT32(img.width);
        parms[c].h = OPJ_UINT32(img.height);
        parms[c].prec = OPJ_UINT32(precision);
        parms[c].sgnd = 0;
    }
    opj_image_t* image = opj_image_create(OPJ_UINT32(count), parms, gray ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB);
    if (!image) return nullptr;
    image->x0 = image->y0 = 0;
    image->x1 = OPJ_UINT32(img.width);
    image->y1 = OPJ_UINT32(img.height);
    if (alpha) image->comps[3].alpha = 1;

    // floor(v * (2^B - 1) / 255) for every 8-bit value.
    const int64_t top = (int64_t(1) << precision) - 1;
    OPJ_INT32 scale[256];
    for (int v = 0; v < 256; ++v) scale[v] = OPJ_INT32(v * top / 255);
    const size_t w = size_t(img.width);
    for (int32_t y = 0; y < img.height; ++y) {
        const uint8_t* s = img.row(y);
        const size_t at = size_t(y) * w;
        if (gray) {
            OPJ_INT32* g = image->comps[0].data + at;
            for (size_t x = 0; x < w; ++x) g[x] = scale[grayLevel(s[3 * x + 2], s[3 * x + 1], s[3 * x])];
            continue;
        }
        OPJ_INT32* r = image->comps[0].data + at;
        OPJ_INT32* g = image->comps[1].data + at;
        OPJ_INT32* b = image->comps[2].data + at;
        for (size_t x = 0; x < w; ++x) {
            r[x] = scale[s[3 * x + 2]];
            g[x] = scale[s[3 * x + 1]];
            b[x] = scale[s[3 * x]];
        }
        if (alpha) {
            OPJ_INT32* a = image->comps[3].data + at;
            const uint8_t* src = img.alpha.data() + at;
            for (size_t x = 0; x < w; ++x) a[x] = scale[src[x]];
        }
    }
    return image;
}

void writeJpeg2000(const Image& img, ByteSink& out, OPJ_CODEC_FORMAT format) {
    const TIOParamsVals& p = img.params;
    // Precisions JPEG 2000 tools read: 1 to 16 bits.
    const int precision = std::clamp(p.BitsPerSample, 1, 16);
    const bool gray = p.Jpeg2000Colour == 0;

    StreamContext ctx;
    ctx.sink = &out;
    ctx.start = out.tell();
    OpjObjects o;
    o.image = buildImage(img, precision, gray);
    if (!o.image) throw Error("Error on creating JPEG 2000: out of memory");

    opj_cparameters_t params;
    opj_set_default_encoder_parameters(&params);
    applyJpeg2000Options(jpeg2000OptionsText(p), params);
    // Fewer resolution levels than the default for tiny images, which
    // OpenJPEG otherwise refuses.
    const int smaller = std::min(img.width, img.height);
    while (params.numresolution > 1 && (smaller >> (params.numresolution - 1)) < 1) --params.numresolution;

    o.codec = opj_create_compress(format);
    if (!o.codec) throw Error("Error on creating JPEG 2000");
    opj_set_error_handler(o.codec, onError, &ctx);
    opj_set_warning_handler(o.codec, onMessage, &ctx);
    opj_set_info_handler(o.codec, onMessage, &ctx);
    bool ok = opj_setup_encoder(o.codec, &params, o.image);
    if (ok) {
        o.stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE);
        ok = o.stream != nullptr;
    }
    if (ok) {
        opj_stream_set_user_data(o.stream, &ctx, nullptr);
        opj_stream_set_write_function(o.stream, onWrite);
        opj_stream_set_skip_function(o.stream, onSkip);
        opj_stream_set_seek_function(o.stream, onSeek);
        ok = opj_start_compress(o.codec, o.image, o.stream) && opj_encode(o.codec, o.stream) &&
             opj_end_compress(o.codec, o.stream);
    }
    if (!ok || !ctx.sinkError.empty()) {
        if (!ctx.sinkError.empty()) throw Error(ctx.sinkError);
        throw Error("Error on creating JPEG 2000" + (ctx.libraryError.empty() ? "" : ": " + ctx.libraryError));
    }
}

}  // namespace

void writeJp2(const Image& img, ByteSink& out) { writeJpeg2000(img, out, OPJ_CODEC_JP2); }

void writeJ2k(const Image& img, ByteSink& out) { writeJpeg2000(img, out, OPJ_CODEC_J2K); }

}  // namespace pix
