// JPEG 2000 input through OpenJPEG: JP2 files and bare code streams. One
// component of precision 1 is bilevel; one or two components (gray, gray with
// opacity) are gray; three or more are colour. Samples of any precision are
// scaled to 8 bits.
#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "image/error.h"
#include "readers/readers.h"

namespace pix {

namespace {

struct J2kSource {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    std::string error = {};
};

OPJ_SIZE_T j2kRead(void* out, OPJ_SIZE_T n, void* user) {
    auto* src = static_cast<J2kSource*>(user);
    if (src->pos >= src->size) return OPJ_SIZE_T(-1);
    const size_t k = std::min(size_t(n), src->size - src->pos);
    std::memcpy(out, src->data + src->pos, k);
    src->pos += k;
    return k;
}
OPJ_OFF_T j2kSkip(OPJ_OFF_T n, void* user) {
    auto* src = static_cast<J2kSource*>(user);
    if (n < 0) {
        const size_t back = std::min(size_t(-n), src->pos);
        src->pos -= back;
        return -OPJ_OFF_T(back);
    }
    const size_t k = std::min(size_t(n), src->size - src->pos);
    src->pos += k;
    return OPJ_OFF_T(k);
}
OPJ_BOOL j2kSeek(OPJ_OFF_T n, void* user) {
    auto* src = static_cast<J2kSource*>(user);
    if (n < 0 || uint64_t(n) > src->size) return OPJ_FALSE;
    src->pos = size_t(n);
    return OPJ_TRUE;
}

void j2kError(const char* msg, void* user) {
    std::string& text = static_cast<J2kSource*>(user)->error;
    text = msg ? msg : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
}
void j2kQuiet(const char*, void*) {}

struct Codec {
    opj_codec_t* codec = nullptr;
    opj_stream_t* stream = nullptr;
    opj_image_t* image = nullptr;
    ~Codec() {
        if (image) opj_image_destroy(image);
        if (stream) opj_stream_destroy(stream);
        if (codec) opj_destroy_codec(codec);
    }
};

[[noreturn]] void fail(const J2kSource& src, const char* fallback) {
    throw Error("JPEG 2000: " + (src.error.empty() ? std::string(fallback) : src.error));
}

// The content decides between a JP2 file and a bare code stream; the
// extension's kind is the guess for data that is neither.
OPJ_CODEC_FORMAT formatOf(const uint8_t* data, size_t size, OPJ_CODEC_FORMAT guess) {
    static const uint8_t jp2[12] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    static const uint8_t j2k[4] = {0xFF, 0x4F, 0xFF, 0x51};
    if (size >= 12 && std::memcmp(data, jp2, 12) == 0) return OPJ_CODEC_JP2;
    if (size >= 4 && std::memcmp(data, j2k, 4) == 0) return OPJ_CODEC_J2K;
    return guess;
}

// One component's samples scaled to 0..255, nearest sample for subsampled
// components.
struct Channel {
    const opj_image_comp_t* c;
    int64_t offset, max;
    uint32_t w0, h0;
    Channel(const opj_image_comp_t* comp, uint32_t fullW, uint32_t fullH)
        : c(comp), offset(comp->sgnd ? int64_t(1) << (comp->prec - 1) : 0),
          max((int64_t(1) << comp->prec) - 1), w0(fullW), h0(fullH) {}
    int64_t raw(uint32_t x, uint32_t y) const {
        const uint32_t cx = c->w == w0 ? x : std::min<uint32_t>(uint32_t(uint64_t(x) * c->w / w0), c->w - 1);
        const uint32_t cy = c->h == h0 ? y : std::min<uint32_t>(uint32_t(uint64_t(y) * c->h / h0), c->h - 1);
        return std::clamp<int64_t>(int64_t(c->data[size_t(cy) * c->w + cx]) + offset, 0, max);
    }
    int at(uint32_t x, uint32_t y) const { return int((raw(x, y) * 255 + max / 2) / max); }
};

uint8_t clamp8(double v) { return uint8_t(std::clamp(v + 0.5, 0.0, 255.0)); }

void fill(const opj_image_t* image, Image& img) {
    const opj_image_comp_t* comps = image->comps;
    const uint32_t w = comps[0].w, h = comps[0].h;
    if (comps[0].prec == 1 && image->numcomps == 1) {
        img.allocate(int32_t(w), int32_t(h), Layout::Bilevel);
        const Channel k(&comps[0], w, h);
        for (uint32_t y = 0; y < h; ++y) {
            uint8_t* dst = img.row(int32_t(y));
            for (uint32_t x = 0; x < w; ++x)
                if (k.raw(x, y)) dst[x >> 3] |= uint8_t(0x80 >> (x & 7));
        }
        return;
    }
    img.allocate(int32_t(w), int32_t(h), Layout::Bgr24);
    if (image->numcomps < 3) {
        const Channel k(&comps[0], w, h);
        for (uint32_t y = 0; y < h; ++y) {
            uint8_t* dst = img.row(int32_t(y));
            for (uint32_t x = 0; x < w; ++x) dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = uint8_t(k.at(x, y));
        }
        return;
    }
    const Channel a(&comps[0], w, h), b(&comps[1], w, h), c(&comps[2], w, h);
    const bool sycc = image->color_space == OPJ_CLRSPC_SYCC;
    const bool cmyk = image->color_space == OPJ_CLRSPC_CMYK && image->numcomps >= 4;
    const Channel k(&comps[cmyk ? 3 : 0], w, h);
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* dst = img.row(int32_t(y));
        for (uint32_t x = 0; x < w; ++x, dst += 3) {
            const int v0 = a.at(x, y), v1 = b.at(x, y), v2 = c.at(x, y);
            if (sycc) {
                // Luma and centred chroma, as the JP2 colour space states.
                const double cb = v1 - 128.0, cr = v2 - 128.0;
                dst[2] = clamp8(v0 + 1.402 * cr);
                dst[1] = clamp8(v0 - 0.344136 * cb - 0.714136 * cr);
                dst[0] = clamp8(v0 + 1.772 * cb);
            } else if (cmyk) {
                const int white = 255 - k.at(x, y);
                dst[2] = uint8_t((255 - v0) * white / 255);
                dst[1] = uint8_t((255 - v1) * white / 255);
                dst[0] = uint8_t((255 - v2) * white / 255);
            } else {
                dst[0] = uint8_t(v2);
                dst[1] = uint8_t(v1);
                dst[2] = uint8_t(v0);
            }
        }
    }
}

// Precisions the 8-bit scaling handles, for the components we use.
void checkPrecision(const opj_image_t* image) {
    const uint32_t used = std::min<uint32_t>(image->numcomps, 4);
    for (uint32_t i = 0; i < used; ++i)
        if (image->comps[i].prec < 1 || image->comps[i].prec > 31)
            throw Error("JPEG 2000: unsupported sample precision " + std::to_string(image->comps[i].prec));
}

void readJpeg2000(const uint8_t* data, size_t size, Image& img, OPJ_CODEC_FORMAT guess) {
    J2kSource src{data, size};
    Codec dec;
    dec.codec = opj_create_decompress(formatOf(data, size, guess));
    dec.stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE);
    if (!dec.codec || !dec.stream) throw std::bad_alloc();
    opj_stream_set_user_data(dec.stream, &src, nullptr);
    opj_stream_set_user_data_length(dec.stream, size);
    opj_stream_set_read_function(dec.stream, j2kRead);
    opj_stream_set_skip_function(dec.stream, j2kSkip);
    opj_stream_set_seek_function(dec.stream, j2kSeek);
    opj_set_error_handler(dec.codec, j2kError, &src);
    opj_set_warning_handler(dec.codec, j2kQuiet, nullptr);
    opj_set_info_handler(dec.codec, j2kQuiet, nullptr);
    opj_dparameters_t params;
    opj_set_default_decoder_parameters(&params);
    if (!opj_setup_decoder(dec.codec, &params)) fail(src, "cannot set up the decoder");
    if (!opj_read_header(dec.stream, dec.codec, &dec.image) || !dec.image) fail(src, "cannot read the header");

    const opj_image_t* image = dec.image;
    if (image->numcomps == 0 || !image->comps) fail(src, "the image has no components");
    const uint32_t prec = image->comps[0].prec;
    TIOParamsVals& p = img.params;
    p.BitsPerSample = int32_t(prec);
    p.SamplesPerPixel = image->numcomps >= 3 ? 3 : 1;
    const int64_t w = int64_t(image->x1) - image->x0, h = int64_t(image->y1) - image->y0;
    checkImageSize(w, h);
    // The library holds every component as 32-bit samples.
    if (int64_t(image->numcomps) * w * h > kMaxPixels)
        throw Error("JPEG 2000: image of " + std::to_string(w) + " x " + std::to_string(h) + " with " +
                    std::to_string(image->numcomps) + " components is too large");
    checkPrecision(image);

    if (!opj_decode(dec.codec, dec.stream, dec.image)) fail(src, "cannot decode the image data");
    // A stream that ends early has decoded what it held; the end is not needed.
    opj_end_decompress(dec.codec, dec.stream);

    const opj_image_comp_t* comps = dec.image->comps;
    const uint32_t needed = dec.image->numcomps >= 3 ? std::min<uint32_t>(dec.image->numcomps, 4) : 1;
    for (uint32_t i = 0; i < needed; ++i)
        if (!comps[i].data || comps[i].w == 0 || comps[i].h == 0) fail(src, "no image data decoded");
    checkPrecision(dec.image);  // a palette applied by the decoder brings its own
    checkImageSize(comps[0].w, comps[0].h);
    fill(dec.image, img);
    img.xdpi = img.ydpi = 300;
}

}  // namespace

void readJp2(const uint8_t* data, size_t size, Image& img) { readJpeg2000(data, size, img, OPJ_CODEC_JP2); }

void readJ2k(const uint8_t* data, size_t size, Image& img) { readJpeg2000(data, size, img, OPJ_CODEC_J2K); }

}  // namespace pix
