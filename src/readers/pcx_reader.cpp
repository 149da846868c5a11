// PCX input: 1 bit in 1 to 4 planes, 2 and 4 bits in 1 plane (the header's
// 16-entry palette), 8 bits in 1 plane (the 256-colour palette at the end of
// the file, a gray ramp when it is missing), 8 bits in 3 planes (RGB) or 4
// planes (RGB and alpha); RLE or raw.
//
// 1 bit in 1 plane becomes a bilevel image with a set bit white, the way PCX
// monochrome files are drawn; the header palette is ignored there because
// many writers leave it unset (all black). Everything else becomes 24-bit
// colour.
//
// Damaged data: a bad header throws; scan lines that break off leave the
// rows not reached background.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "image/error.h"
#include "readers/byte_reader.h"
#include "readers/readers.h"

namespace pix {

namespace {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
};

// The pixel stream: run-length coded or raw bytes. A run may continue into
// the next scan line, as some writers emit it.
struct ByteStream {
    const uint8_t* data;
    size_t pos, end;
    bool rle;
    unsigned run = 0;
    uint8_t value = 0;

    // Fills out[0..n); returns the number of bytes it could fill.
    size_t read(uint8_t* out, size_t n) {
        if (!rle) {
            const size_t k = std::min(n, end - pos);
            std::memcpy(out, data + pos, k);
            pos += k;
            return k;
        }
        size_t i = 0;
        while (i < n) {
            if (run) {
                const size_t k = std::min<size_t>(run, n - i);
                std::memset(out + i, value, k);
                run -= unsigned(k);
                i += k;
                continue;
            }
            if (pos >= end) break;
            const uint8_t b = data[pos++];
            if ((b & 0xC0) != 0xC0) {
                out[i++] = b;
                continue;
            }
            if (pos >= end) break;
            run = b & 0x3Fu;
            value = data[pos++];
        }
        return i;
    }
};

bool supported(int bits, int planes) {
    if (bits == 1) return planes >= 1 && planes <= 4;
    if (bits == 2 || bits == 4) return planes == 1;
    if (bits == 8) return planes == 1 || planes == 3 || planes == 4;
    return false;
}

}  // namespace

void readPcx(const uint8_t* data, size_t size, Image& img) {
    if (size < 1 || data[0] != 0x0A) throw Error("Not a PCX file");
    ByteReader r{data, size, 1, "PCX"};
    r.need(127);
    r.u8();  // version: every version shares the header layout
    const uint8_t encoding = r.u8();
    const int bits = r.u8();
    const int xmin = r.u16(), ymin = r.u16(), xmax = r.u16(), ymax = r.u16();
    const int hdpi = r.u16(), vdpi = r.u16();
    std::array<Rgb, 16> headerPalette{};
    for (Rgb& c : headerPalette) {
        c.r = r.u8();
        c.g = r.u8();
        c.b = r.u8();
    }
    r.u8();  // reserved
    const int planes = r.u8();
    const size_t bpl = r.u16();

    if (encoding > 1) throw Error("PCX encoding " + std::to_string(encoding) + " is not supported");
    if (!supported(bits, planes))
        throw Error("PCX with " + std::to_string(bits) + " bits per pixel in " + std::to_string(planes) +
                    " planes is not supported");
    if (xmax < xmin || ymax < ymin)
        throw Error("PCX image window " + std::to_string(xmin) + "," + std::to_string(ymin) + " - " +
                    std::to_string(xmax) + "," + std::to_string(ymax) + " is invalid");
    if (bpl == 0) throw Error("PCX header states 0 bytes per line");
    const int32_t w = xmax - xmin + 1, h = ymax - ymin + 1;
    checkImageSize(w, h);

    // The 256-colour palette: a 0x0C byte and 768 bytes at the very end.
    size_t end = size;
    std::vector<Rgb> palette(256);
    for (int i = 0; i < 256; ++i) palette[size_t(i)] = {uint8_t(i), uint8_t(i), uint8_t(i)};
    if (bits == 8 && planes == 1 && size >= 128 + 769 && data[size - 769] == 0x0C) {
        end = size - 769;
        for (size_t i = 0; i < 256; ++i) {
            const uint8_t* e = data + end + 1 + 3 * i;
            palette[i] = {e[0], e[1], e[2]};
        }
    } else if (bits < 8 && !(bits == 1 && planes == 1)) {
        std::copy(headerPalette.begin(), headerPalette.end(), palette.begin());
    }

    const bool bilevel = bits == 1 && planes == 1;
    img.allocate(w, h, bilevel ? Layout::Bilevel : Layout::Bgr24);
    const bool alpha = bits == 8 && planes == 4;
    if (alpha) img.alpha.assign(size_t(w) * size_t(h), 255);
    bool anyAlpha = false;

    // A line may be shorter than the window needs (a damaged header): the
    // bits it lacks read as 0.
    std::vector<uint8_t> line(bpl * size_t(planes));
    auto at = [&](int plane, size_t i) -> unsigned { return i < bpl ? line[size_t(plane) * bpl + i] : 0; };
    ByteStream in{data, 128, end, encoding == 1};
    int32_t rows = 0;
    for (int32_t y = 0; y < h; ++y) {
        if (in.read(line.data(), line.size()) < line.size()) break;  // broken off: the rest stays background
        uint8_t* o = img.row(y);
        if (bilevel) {
            for (size_t i = 0; i < img.stride(); ++i) o[i] = uint8_t(at(0, i));
            if (w & 7) o[img.stride() - 1] &= uint8_t(0xFF00 >> (w & 7));
        } else if (bits == 8 && planes >= 3) {
            uint8_t* a = alpha ? img.alpha.data() + size_t(y) * size_t(w) : nullptr;
            for (int32_t x = 0; x < w; ++x, o += 3) {
                o[0] = uint8_t(at(2, size_t(x)));
                o[1] = uint8_t(at(1, size_t(x)));
                o[2] = uint8_t(at(0, size_t(x)));
                if (a) {
                    a[x] = uint8_t(at(3, size_t(x)));
                    anyAlpha |= a[x] != 0;
                }
            }
        } else {
            for (int32_t x = 0; x < w; ++x, o += 3) {
                unsigned idx = 0;
                if (bits == 1) {
                    for (int p = 0; p < planes; ++p) idx |= ((at(p, size_t(x) >> 3) >> (7 - (x & 7))) & 1u) << p;
                } else {
                    const size_t bit = size_t(x) * size_t(bits);
                    idx = (at(0, bit >> 3) >> (8 - bits - int(bit & 7))) & ((1u << bits) - 1);
                }
                const Rgb c = palette[idx];
                o[0] = c.b, o[1] = c.g, o[2] = c.r;
            }
        }
        ++rows;
    }
    if (rows == 0) throw Error("PCX file is truncated: no pixel data");
    if (rows < h) {
        // Rows the data does not reach keep the background colour: one row
        // is painted, the others copied (a stated height can be large).
        uint8_t* first = img.row(rows);
        if (bilevel) {
            std::memset(first, 0xFF, img.stride());
        } else {
            for (int32_t x = 0; x < w; ++x) {
                first[3 * x] = uint8_t(img.background >> 16);
                first[3 * x + 1] = uint8_t(img.background >> 8);
                first[3 * x + 2] = uint8_t(img.background);
            }
        }
        for (int32_t y = rows + 1; y < h; ++y) std::memcpy(img.row(y), first, img.stride());
    }
    if (alpha && !anyAlpha) img.alpha.clear();  // an unused fourth plane of zeros: opaque

    TIOParamsVals& p = img.params;
    if (bits == 1 && planes == 4) {
        p.BitsPerSample = 4;
        p.SamplesPerPixel = 1;
    } else {
        p.BitsPerSample = bits;
        p.SamplesPerPixel = planes;
    }
    img.xdpi = hdpi ? hdpi : 0;
    img.ydpi = hdpi ? vdpi : 0;
}

}  // namespace pix
