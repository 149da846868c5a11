// BMP input: Windows and OS/2 bitmaps of 1, 2, 4, 8, 16, 24 and 32 bits per
// pixel, uncompressed, RLE8, RLE4 or with bit-field masks; bottom-up or
// top-down; with the 14-byte file header or as a bare (packed) DIB.
//
// 1-bit bitmaps become bilevel images. A set bit is white, so the palette
// decides which file index that is: when entry 0 is lighter than entry 1 the
// bits are inverted. Everything else becomes 24-bit colour.
//
// 32-bit (and 16-bit) bitmaps get an alpha plane only when the header names an
// alpha mask (the V4/V5 headers, or BI_ALPHABITFIELDS masks). A bitmap whose
// alpha samples are all 0 is taken as opaque: many writers leave the fourth
// byte zero, and reading that as "fully transparent" would lose the picture.
//
// Damaged data: an unreadable header throws; pixel data that breaks off keeps
// the rows (or RLE runs) already decoded and leaves the rest background.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string>

#include "image/error.h"
#include "readers/byte_reader.h"
#include "readers/readers.h"

namespace pix {

namespace {

enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kJpeg = 4, kPng = 5, kAlphaBitfields = 6 };

struct Bgr {
    uint8_t b = 0, g = 0, r = 0;
};

struct Header {
    size_t base = 0;            // offset of the info header (14 with a file header, 0 for a packed DIB)
    uint32_t size = 0;          // info header size
    size_t dataOffset = 0;      // file header's pixel offset; 0 when there is none
    int64_t width = 0, height = 0;
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = kRgb;
    bool hasResolution = false;
    int32_t xppm = 0, yppm = 0;
    uint32_t colorsUsed = 0;
    std::array<uint32_t, 4> masks{};  // red, green, blue, alpha
};

// A colour component selected by a mask, scaled to 0..255.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;  // the mask shifted down: the largest value it can hold

    explicit Channel(uint32_t m) : mask(m) {
        if (m) {
            shift = std::countr_zero(m);
            max = m >> shift;
        }
    }
    uint8_t operator()(uint32_t v) const {
        if (!max) return 0;
        const uint32_t c = (v & mask) >> shift;
        return uint8_t((uint64_t(c) * 255 + max / 2) / max);
    }
};

// round(pixels per metre / 100 x 2.54), exact, a half going to the even
// neighbour; 0 (the default) for a field that states nothing.
int32_t dpiFromPpm(int32_t ppm) {
    if (ppm <= 0) return 0;
    const int64_t num = int64_t(ppm) * 254;
    int64_t q = num / 10000;
    const int64_t rem = num % 10000;
    if (rem > 5000 || (rem == 5000 && (q & 1))) ++q;
    return int32_t(q);
}

uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

Header readHeader(const uint8_t* data, size_t size) {
    ByteReader r{data, size, 0, "BMP"};
    Header h;
    if (size < 14) throw Error("Not a BMP file");
    if (data[0] == 'B' && data[1] == 'M') {
        r.skip(10);
        h.dataOffset = r.u32();
        h.base = 14;
    }
    h.size = r.u32();
    const uint32_t hs = h.size;
    const bool known = hs == 12 || (hs >= 16 && hs <= 64) || hs == 108 || hs == 124;
    if (!known) {
        if (h.base == 0) throw Error("Not a BMP file");
        throw Error("BMP header size " + std::to_string(hs) + " is not supported");
    }
    r.need(hs - 4);
    const uint8_t* p = data + h.base;
    // Fields beyond a short (OS/2 2.x) header read as 0.
    auto f32 = [&](uint32_t off) { return off + 4 <= hs ? le32(p + off) : 0u; };
    auto f16 = [&](uint32_t off) { return off + 2 <= hs ? uint32_t(p[off] | p[off + 1] << 8) : 0u; };

    if (hs == 12) {
        h.width = f16(4);
        h.height = f16(6);
        h.bitCount = int(f16(10));
    } else {
        h.width = int32_t(f32(4));
        h.height = int32_t(f32(8));
        h.bitCount = int(f16(14));
        h.compression = f32(16);
        h.hasResolution = hs >= 32;
        h.xppm = int32_t(f32(24));
        h.yppm = int32_t(f32(28));
        h.colorsUsed = f32(32);
        // The 64-byte OS/2 header has other fields where the masks would be.
        if (hs >= 52 && hs != 64) h.masks = {f32(40), f32(44), f32(48), f32(52)};
    }
    if (h.height < 0) {
        h.height = -h.height;
        h.topDown = true;
    }
    if (h.width <= 0 || h.height <= 0)
        throw Error("BMP image size " + std::to_string(h.width) + " x " + std::to_string(h.height) + " is invalid");

    const int bc = h.bitCount;
    const uint32_t c = h.compression;
    const bool os2 = hs == 64 || (hs > 12 && hs < 40);
    if (c == kJpeg || c == kPng) {
        if (os2 && c == kJpeg) throw Error("BMP with OS/2 RLE24 compression is not supported");
        throw Error("BMP with embedded JPEG or PNG data is not supported");
    }
    if (os2 && c == kBitfields) throw Error("BMP with OS/2 Huffman compression is not supported");
    const bool ok = (c == kRgb && (bc == 1 || bc == 2 || bc == 4 || bc == 8 || bc == 16 || bc == 24 || bc == 32)) ||
                    (c == kRle8 && bc == 8) || (c == kRle4 && bc == 4) ||
                    ((c == kBitfields || c == kAlphaBitfields) && (bc == 16 || bc == 24 || bc == 32));
    if (!ok)
        throw Error("BMP with " + std::to_string(bc) + " bits per pixel and compression " + std::to_string(c) +
                    " is not supported");
    return h;
}

// The number of bytes a row of pixels needs in the file, unpadded and padded
// to 32 bits. width is at most INT32_MAX / 4, so neither overflows.
uint64_t rowBits(const Header& h) { return uint64_t(h.width) * uint64_t(h.bitCount); }

struct Decoder {
    const uint8_t* data;
    size_t size;
    const Header& h;
    Image& img;
    std::array<Bgr, 256> palette{};
    int whiteIndex = 1;  // the index a set bilevel bit stands for
    bool hasAlpha = false;
    bool anyAlpha = false;  // an alpha sample other than 0 was met

    Bgr background() const {
        return {uint8_t(img.background >> 16), uint8_t(img.background >> 8), uint8_t(img.background)};
    }

    int32_t imageRow(uint64_t fileRow) const {
        return h.topDown ? int32_t(fileRow) : int32_t(uint64_t(h.height) - 1 - fileRow);
    }

    void putIndex(uint64_t x, uint64_t fileRow, unsigned idx) {
        const Bgr c = palette[idx];
        uint8_t* o = img.row(imageRow(fileRow)) + 3 * x;
        o[0] = c.b, o[1] = c.g, o[2] = c.r;
    }

    void fill(uint64_t x, uint64_t fileRow, uint64_t count, Bgr c) {
        uint8_t* o = img.row(imageRow(fileRow)) + 3 * x;
        for (uint64_t i = 0; i < count; ++i, o += 3) o[0] = c.b, o[1] = c.g, o[2] = c.r;
    }

    // Fills whole rows [from, to) of the file with one colour: one row is
    // painted, the others copied (a stated height can be large).
    void fillRows(uint64_t from, uint64_t to, Bgr c) {
        if (from >= to) return;
        fill(0, from, uint64_t(h.width), c);
        const uint8_t* first = img.row(imageRow(from));
        for (uint64_t r = from + 1; r < to; ++r) std::memcpy(img.row(imageRow(r)), first, img.stride());
    }

    void indexedRow(const uint8_t* src, uint64_t fileRow) {
        const int bc = h.bitCount;
        const unsigned mask = (1u << bc) - 1;
        const int32_t w = int32_t(h.width);
        if (img.layout == Layout::Bilevel) {
            uint8_t* o = img.row(imageRow(fileRow));
            std::fill(o, o + img.stride(), 0);  // bits are set per white pixel
            for (int32_t x = 0; x < w; ++x) {
                const unsigned bit = (src[x >> 3] >> (7 - (x & 7))) & 1;
                if (bit == unsigned(whiteIndex)) o[x >> 3] |= uint8_t(0x80 >> (x & 7));
            }
            return;
        }
        for (int32_t x = 0; x < w; ++x) {
            const uint64_t bitPos = uint64_t(x) * uint64_t(bc);
            const unsigned idx = (src[bitPos >> 3] >> (8 - bc - int(bitPos & 7))) & mask;
            putIndex(uint64_t(x), fileRow, idx);
        }
    }

    void directRow(const uint8_t* src, uint64_t fileRow, const Channel* ch) {
        const int32_t w = int32_t(h.width);
        const int32_t y = imageRow(fileRow);
        uint8_t* o = img.row(y);
        if (h.bitCount == 24 && h.compression == kRgb) {
            std::copy(src, src + size_t(w) * 3, o);
            return;
        }
        const int bytes = h.bitCount / 8;
        uint8_t* a = hasAlpha ? img.alpha.data() + size_t(y) * size_t(w) : nullptr;
        for (int32_t x = 0; x < w; ++x, src += bytes, o += 3) {
            uint32_t v = src[0] | uint32_t(src[1]) << 8;
            if (bytes >= 3) v |= uint32_t(src[2]) << 16;
            if (bytes == 4) v |= uint32_t(src[3]) << 24;
            o[0] = ch[2](v), o[1] = ch[1](v), o[2] = ch[0](v);
            if (a) {
                a[x] = ch[3](v);
                anyAlpha |= a[x] != 0;
            }
        }
    }

    void uncompressed(size_t offset) {
        const uint64_t need = (rowBits(h) + 7) / 8;
        const uint64_t stride = (rowBits(h) + 31) / 32 * 4;
        std::array<uint32_t, 4> masks = h.masks;
        if (h.compression == kRgb) {
            // Without bit fields the colour masks are fixed; a V4/V5 header's
            // alpha mask still applies.
            if (h.bitCount == 16) masks = {0x7C00, 0x03E0, 0x001F, masks[3]};
            if (h.bitCount == 32) masks = {0xFF0000, 0xFF00, 0xFF, masks[3]};
            if (h.bitCount == 24) masks[3] = 0;
        }
        if (h.bitCount == 16) masks[3] &= 0xFFFF;
        if (h.bitCount == 24) masks[3] &= 0xFFFFFF;
        const Channel ch[4] = {Channel(masks[0]), Channel(masks[1]), Channel(masks[2]), Channel(masks[3])};
        if (h.bitCount >= 16 && masks[3]) {
            hasAlpha = true;
            img.alpha.assign(size_t(h.width) * size_t(h.height), 255);
        }
        uint64_t rows = 0;
        for (uint64_t i = 0; i < uint64_t(h.height); ++i) {
            const uint64_t at = offset + i * stride;  // i * stride < 2^31 * 2^28: no overflow
            if (at > size || size - at < need) break;  // the data breaks off: the rest stays background
            if (h.bitCount <= 8)
                indexedRow(data + at, i);
            else
                directRow(data + at, i, ch);
            ++rows;
        }
        if (rows == 0) throw Error("BMP file is truncated: no pixel data");
        // Rows the data does not reach keep the background colour.
        if (img.layout == Layout::Bilevel)
            for (uint64_t i = rows; i < uint64_t(h.height); ++i) std::memset(img.row(imageRow(i)), 0xFF, img.stride());
        else
            fillRows(rows, uint64_t(h.height), background());
        if (hasAlpha && !anyAlpha) img.alpha.clear();
    }

    // RLE8 and RLE4. Pixels the stream skips (end of line, delta, end of
    // bitmap) take palette entry 0; runs that overrun a row are clipped;
    // when the data breaks off, what was not reached stays background.
    void rle(size_t offset) {
        const uint64_t w = uint64_t(h.width), ht = uint64_t(h.height);
        const bool four = h.compression == kRle4;
        const Bgr zero = palette[0];
        if (zero.b || zero.g || zero.r) fillRows(0, ht, zero);  // the allocation is already black
        ByteReader s{data, size, offset, "BMP"};
        if (offset >= size) throw Error("BMP file is truncated: no pixel data");
        uint64_t x = 0, y = 0;
        bool complete = false;
        auto put = [&](unsigned idx) {
            if (x < w) putIndex(x, y, idx);
            ++x;
        };
        while (y < ht) {
            if (!s.has(2)) break;
            const unsigned n = s.u8(), v = s.u8();
            if (n > 0) {
                for (unsigned k = 0; k < n && x < w; ++k) put(four ? (k & 1 ? v & 15 : v >> 4) : v);
                x = std::min(x, w);
                continue;
            }
            if (v == 0) {  // end of line
                x = 0;
                ++y;
            } else if (v == 1) {  // end of bitmap
                complete = true;
                break;
            } else if (v == 2) {  // delta: move right and up (down the file)
                if (!s.has(2)) break;
                const unsigned dx = s.u8(), dy = s.u8();
                x = std::min(x + dx, w);
                y += dy;
            } else {  // absolute run of v pixels, padded to 16 bits
                const size_t bytes = four ? (v + 1) / 2 : v;
                const size_t avail = std::min(bytes, s.left());
                const uint8_t* src = data + s.pos;
                for (unsigned k = 0; k < v && x < w; ++k) {
                    const size_t b = four ? k / 2 : k;
                    if (b >= avail) break;
                    put(four ? (k & 1 ? src[b] & 15 : src[b] >> 4) : src[b]);
                }
                if (avail < bytes) {
                    s.pos = s.size;
                    break;
                }
                s.pos += bytes + (bytes & 1);
                x = std::min(x, w);
            }
        }
        if (complete || y >= ht) return;
        // Broken off: the rest of the bitmap from the current position keeps
        // the background colour.
        const Bgr bg = background();
        fill(x, y, w - x, bg);
        fillRows(y + 1, ht, bg);
    }
};

void recordDepth(int bitCount, TIOParamsVals& p) {
    switch (bitCount) {
        case 16: p.BitsPerSample = 5, p.SamplesPerPixel = 3; break;
        case 24: p.BitsPerSample = 8, p.SamplesPerPixel = 3; break;
        case 32: p.BitsPerSample = 8, p.SamplesPerPixel = 4; break;
        default: p.BitsPerSample = bitCount, p.SamplesPerPixel = 1; break;  // 1, 2, 4, 8
    }
}

}  // namespace

void readBmp(const uint8_t* data, size_t size, Image& img) {
    Header h = readHeader(data, size);
    checkImageSize(h.width, h.height);

    // Bit-field masks of a 40-byte header follow it, before the palette.
    size_t paletteAt = h.base + h.size;
    if (h.size == 40 && (h.compression == kBitfields || h.compression == kAlphaBitfields)) {
        const int n = h.compression == kAlphaBitfields ? 4 : 3;
        ByteReader r{data, size, paletteAt, "BMP"};
        for (int i = 0; i < n; ++i) h.masks[size_t(i)] = r.u32();
        paletteAt = r.pos;
    }

    Decoder d{data, size, h, img};
    const size_t entry = h.size == 12 ? 3 : 4;
    size_t entries = 0;
    if (h.bitCount <= 8) {
        const uint32_t full = 1u << h.bitCount;
        entries = h.colorsUsed && h.colorsUsed < full ? h.colorsUsed : full;
        // Entries the file does not hold stay black.
        for (size_t i = 0; i < entries && paletteAt + (i + 1) * entry <= size; ++i) {
            const uint8_t* e = data + paletteAt + i * entry;
            d.palette[i] = {e[0], e[1], e[2]};
        }
        if (h.bitCount == 1) {
            auto gray = [](Bgr c) { return grayLevel(c.r, c.g, c.b); };
            d.whiteIndex = gray(d.palette[0]) > gray(d.palette[1]) ? 0 : 1;
        }
    }

    size_t offset = paletteAt + entries * entry;
    if (h.base && h.dataOffset >= h.base + h.size) {
        if (h.dataOffset >= size) throw Error("BMP file is truncated: no pixel data");
        offset = h.dataOffset;
    }

    img.allocate(int32_t(h.width), int32_t(h.height), h.bitCount == 1 ? Layout::Bilevel : Layout::Bgr24);
    if (h.compression == kRle8 || h.compression == kRle4) {
        d.rle(offset);
    } else {
        d.uncompressed(offset);
    }
    recordDepth(h.bitCount, img.params);
    img.xdpi = h.hasResolution ? dpiFromPpm(h.xppm) : 0;
    img.ydpi = h.hasResolution ? dpiFromPpm(h.yppm) : 0;
}

}  // namespace pix
