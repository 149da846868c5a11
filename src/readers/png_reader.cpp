// PNG input through libpng: bilevel for 1-bit gray, 24-bit BGR for the rest,
// the alpha channel (and a tRNS transparency chunk) as the alpha plane, and
// the pHYs chunk as the resolution.
#include <png.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "image/error.h"
#include "readers/readers.h"

namespace pix {

namespace {

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
};

// libpng wants its error function not to return: we keep the message and jump
// back into decode(), which owns no object with a destructor.
struct PngState {
    std::string message;
};

void pngError(png_structp png, png_const_charp msg) {
    static_cast<PngState*>(png_get_error_ptr(png))->message = msg ? msg : "PNG error";
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}  // warnings change nothing we keep

void pngRead(png_structp png, png_bytep out, png_size_t n) {
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (n > src->size - src->pos) png_error(png, "unexpected end of file");
    if (n == 0) return;
    std::memcpy(out, src->data + src->pos, n);
    src->pos += n;
}

struct Decoder {
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngState state;
    PngSource src;
    int rowsDone = 0;
    Decoder(const uint8_t* data, size_t size) : src{data, size} {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, pngError, pngWarning);
        if (png) info = png_create_info_struct(png);
        if (!png || !info) throw Error("not enough memory to decode the PNG image");
    }
    ~Decoder() { png_destroy_read_struct(&png, &info, nullptr); }
};

// Pixels per metre to dots per inch, rounded half to even; 0 means none.
int32_t dpiFromPpm(png_uint_32 ppm) {
    return int32_t(std::nearbyint(double(ppm) * 2.54 / 100.0));
}

void collectMetadata(png_structp png, png_infop info, int colorType, TIOParamsVals& p) {
    png_textp text = nullptr;
    int n = 0;
    if (png_get_text(png, info, &text, &n) > 0)
        for (int i = 0; i < n; ++i) {
            p.PngTextKeys.emplace_back(text[i].key ? text[i].key : "");
            p.PngTextValues.emplace_back(text[i].text ? std::string(text[i].text, text[i].text_length)
                                                      : std::string());
        }
    // A colour profile describes the output only when the input was colour.
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if ((colorType & PNG_COLOR_MASK_COLOR) &&
        png_get_iCCP(png, info, &name, &compression, &profile, &length) && profile)
        p.IccProfile.assign(profile, profile + length);
}

// Total length of the IDAT chunks of a whole file in memory (a cut-off last
// chunk counts with what is there).
uint64_t imageDataBytes(const uint8_t* data, size_t size) {
    uint64_t total = 0;
    for (size_t pos = 8; pos + 8 <= size;) {
        const uint32_t len = uint32_t(data[pos]) << 24 | uint32_t(data[pos + 1]) << 16 |
                             uint32_t(data[pos + 2]) << 8 | data[pos + 3];
        const bool idat = std::memcmp(data + pos + 4, "IDAT", 4) == 0;
        if (idat) total += std::min<uint64_t>(len, size - pos - 8);
        if (std::memcmp(data + pos + 4, "IEND", 4) == 0 || uint64_t(len) + 12 > size - pos) break;
        pos += size_t(len) + 12;
    }
    return total;
}

// Splits library rows of B,G,R,A into pixels and alpha plane.
void splitAlpha(const uint8_t* in, uint8_t* bgr, uint8_t* alpha, int w) {
    for (int x = 0; x < w; ++x) {
        bgr[3 * x] = in[4 * x];
        bgr[3 * x + 1] = in[4 * x + 1];
        bgr[3 * x + 2] = in[4 * x + 2];
        alpha[x] = in[4 * x + 3];
    }
}

// Runs the libpng part; returns false with the message in dec.state on error.
// Objects with destructors (buffers) live in the caller so the jump back here
// skips none.
bool decode(Decoder& dec, Image& img, std::vector<uint8_t>& buf, std::vector<png_bytep>& rows) {
    png_structp png = dec.png;
    png_infop info = dec.info;
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, &dec.src, pngRead);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // The fuzzer's mutations should reach the decoding, not die on checksums.
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);  // our own size check follows
    png_read_info(png, info);

    png_uint_32 w = 0, h = 0;
    int depth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &colorType, &interlace, nullptr, nullptr);
    TIOParamsVals& p = img.params;
    p.BitsPerSample = depth;
    switch (colorType) {
        case PNG_COLOR_TYPE_GRAY_ALPHA: p.SamplesPerPixel = 2; break;
        case PNG_COLOR_TYPE_RGB: p.SamplesPerPixel = 3; break;
        case PNG_COLOR_TYPE_RGB_ALPHA: p.SamplesPerPixel = 4; break;
        default: p.SamplesPerPixel = 1; break;  // gray, palette
    }
    checkImageSize(w, h);
    // Deflate packs at most 1032 bytes into one: image data far too short for
    // the stated size is refused before that much is allocated.
    const uint64_t rawBytes = uint64_t(h) * (1 + (uint64_t(w) * uint64_t(depth) * png_get_channels(png, info) + 7) / 8);
    if (rawBytes / 1100 > imageDataBytes(dec.src.data, dec.src.size) + 64) {
        dec.state.message = "the file is too short for an image of " + std::to_string(w) + " x " + std::to_string(h);
        return false;
    }

    // Resolution only from a pHYs in metres: the unknown unit states an
    // aspect ratio, not a resolution. 0 (none) becomes the default later.
    png_uint_32 xppm = 0, yppm = 0;
    int unit = 0;
    img.xdpi = img.ydpi = 0;
    if (png_get_pHYs(png, info, &xppm, &yppm, &unit) && unit == PNG_RESOLUTION_METER) {
        img.xdpi = dpiFromPpm(xppm);
        img.ydpi = dpiFromPpm(yppm);
    }
    collectMetadata(png, info, colorType, p);

    const bool bilevel = colorType == PNG_COLOR_TYPE_GRAY && depth == 1;
    const bool trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    // The 1-bit gray transparent value, taken before libpng forgets it.
    int trnsGray = -1;
    if (bilevel && trns) {
        png_color_16p c = nullptr;
        if (png_get_tRNS(png, info, nullptr, nullptr, &c) && c) trnsGray = c->gray & 1;
    }
    const bool alpha = !bilevel && ((colorType & PNG_COLOR_MASK_ALPHA) || trns);
    if (!bilevel) {
        png_set_expand(png);     // palette and low depths to 8 bits, tRNS to alpha
        png_set_scale_16(png);   // 16 bits rounded to 8
        png_set_gray_to_rgb(png);
        png_set_bgr(png);
    }
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    img.allocate(int32_t(w), int32_t(h), bilevel ? Layout::Bilevel : Layout::Bgr24);
    const size_t libRow = png_get_rowbytes(png, info);
    const size_t need = bilevel ? img.stride() : size_t(w) * (alpha ? 4 : 3);
    if (libRow != need) png_error(png, "unexpected row layout");
    if (alpha) img.alpha.assign(size_t(w) * h, 255);

    if (!alpha) {
        // The library writes straight into the image rows.
        rows.resize(h);
        for (png_uint_32 y = 0; y < h; ++y) rows[y] = img.row(int32_t(y));
        if (passes > 1) {
            png_read_image(png, rows.data());
        } else {
            for (png_uint_32 y = 0; y < h; ++y, ++dec.rowsDone) png_read_row(png, rows[y], nullptr);
        }
    } else if (passes > 1) {
        buf.resize(libRow * h);
        rows.resize(h);
        for (png_uint_32 y = 0; y < h; ++y) rows[y] = buf.data() + libRow * y;
        png_read_image(png, rows.data());
        for (png_uint_32 y = 0; y < h; ++y)
            splitAlpha(rows[y], img.row(int32_t(y)), img.alpha.data() + size_t(w) * y, int(w));
    } else {
        buf.resize(libRow);
        for (png_uint_32 y = 0; y < h; ++y, ++dec.rowsDone) {
            png_read_row(png, buf.data(), nullptr);
            splitAlpha(buf.data(), img.row(int32_t(y)), img.alpha.data() + size_t(w) * y, int(w));
        }
    }
    if (bilevel && trnsGray >= 0) {
        img.alpha.assign(size_t(w) * h, 255);
        for (int32_t y = 0; y < int32_t(h); ++y)
            for (int32_t x = 0; x < int32_t(w); ++x)
                if (int(img.bit(x, y)) == trnsGray) img.alpha[size_t(y) * w + size_t(x)] = 0;
    }
    // Chunks after the image data (text) are not needed: stop here, so a
    // file damaged after its pixels still loads.
    return true;
}

}  // namespace

void readPng(const uint8_t* data, size_t size, Image& img) {
    Decoder dec(data, size);
    std::vector<uint8_t> buf;
    std::vector<png_bytep> rows;
    if (!decode(dec, img, buf, rows)) {
        // A file that breaks off after rows were read keeps what was decoded
        // (the rest stays black).
        if (dec.rowsDone > 0 && img.width > 0) return;
        throw Error("PNG: " + dec.state.message);
    }
}

}  // namespace pix
