// BMP output: 1, 4, 8, 24 or 32 bits per pixel, bottom-up rows, optional
// RLE8/RLE4 coding of 8- and 4-bit bitmaps.
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "image/error.h"
#include "imageops/palette_quantiser.h"
#include "imageops/reductions.h"
#include "writers/bmp_rle.h"
#include "writers/palette_rows.h"
#include "writers/writers.h"

namespace pix {

namespace {

int bitsPerPixel(const Image& img) {
    const TIOParamsVals& p = img.params;
    if (p.BitsPerSample == 1 || p.BitsPerSample == 4) return p.BitsPerSample;
    if (p.SamplesPerPixel == 1) return 8;
    return img.hasAlpha() ? 32 : 24;
}

uint32_t pixelsPerMetre(int32_t dpi) { return uint32_t(int64_t(std::lround(dpi / 2.54 * 100))); }

}  // namespace

void writeBmp(const Image& img, ByteSink& out) {
    const TIOParamsVals& p = img.params;
    const int bpp = bitsPerPixel(img);
    const bool small = p.BmpHeaderKind == BmpHeaderKindValue::Header12;
    if (small && (img.width > 65535 || img.height > 65535))
        throw Error("Cannot write a BMP of " + std::to_string(img.width) + " x " + std::to_string(img.height) +
                    " pixels with a 12-byte header: at most 65535 in each direction");
    // The 12-byte header has no compression field, so its bitmaps stay uncoded.
    const bool rle = p.BmpRle && !small && (bpp == 4 || bpp == 8);
    const uint32_t compression = rle ? (bpp == 8 ? 1 : 2) : 0;
    const uint32_t infoSize = small ? 12 : p.BmpHeaderKind == BmpHeaderKindValue::Header64 ? 64 : 40;

    std::optional<BilevelImage> bw;
    std::optional<PaletteQuantiser> quantiser;
    std::vector<RgbColour> palette;
    if (bpp == 1) {
        bw = bilevelFor(img);
        palette = {bw->colour0, bw->colour1};
    } else if (bpp <= 8) {
        quantiser.emplace(img, 1 << bpp);
        palette = paddedPalette(*quantiser, 1 << bpp);
    }

    // File header, rewritten at the end.
    const uint64_t start = out.tell();
    uint8_t zeros[24] = {};
    out.write(zeros, 14);

    const uint64_t infoAt = out.tell();
    if (small) {
        out.put32le(12);
        out.put16le(uint16_t(img.width));
        out.put16le(uint16_t(img.height));
        out.put16le(1);
        out.put16le(uint16_t(bpp));
    } else {
        out.put32le(infoSize);
        out.put32le(uint32_t(img.width));
        out.put32le(uint32_t(img.height));
        out.put16le(1);
        out.put16le(uint16_t(bpp));
        out.put32le(compression);
        out.put32le(0);  // pixel data size, rewritten at the end
        out.put32le(pixelsPerMetre(p.HorizontalDpi));
        out.put32le(pixelsPerMetre(p.VerticalDpi));
        out.put32le(bpp <= 8 ? 1u << bpp : 0u);
        out.put32le(bpp == 32 ? 1u : 1u << (bpp % 32));
        if (infoSize == 64) out.write(zeros, 24);
    }
    for (const RgbColour& c : palette) {
        const uint8_t entry[4] = {c.b, c.g, c.r, 0};
        out.write(entry, small ? 3 : 4);
    }

    const uint64_t dataAt = out.tell();
    const size_t w = size_t(img.width);
    std::vector<uint8_t> indexes(w);
    std::vector<uint8_t> line;
    const size_t stride = ((w * size_t(bpp) + 31) / 32) * 4;
    for (int32_t y = img.height - 1; y >= 0; --y) {
        line.clear();
        if (bpp == 1) {
            line.assign(stride, 0);
            const uint8_t* r = bw->bits.row(y);
            std::copy(r, r + bw->bits.stride(), line.begin());
        } else if (bpp <= 8) {
            quantisedRow(img, *quantiser, y, indexes.data());
            if (rle) {
                if (bpp == 8) bmpRle8Row(indexes.data(), img.width, line);
                else bmpRle4Row(indexes.data(), img.width, line);
                line.push_back(0);
                line.push_back(0);
                if (y == 0) {
                    line.push_back(0);
                    line.push_back(1);
                }
            } else {
                line.assign(stride, 0);
                if (bpp == 8) std::copy(indexes.begin(), indexes.end(), line.begin());
                else packIndexes(indexes.data(), img.width, 4, line.data());
            }
        } else {
            line.assign(stride, 0);
            const uint8_t* src = img.row(y);
            if (bpp == 24) {
                std::copy(src, src + 3 * w, line.begin());
            } else {
                const uint8_t* a = p.BmpAlpha ? img.alpha.data() + size_t(y) * w : nullptr;
                for (size_t x = 0; x < w; ++x) {
                    line[4 * x] = src[3 * x];
                    line[4 * x + 1] = src[3 * x + 1];
                    line[4 * x + 2] = src[3 * x + 2];
                    line[4 * x + 3] = a ? a[x] : 255;
                }
            }
        }
        out.write(line);
    }
    const uint64_t end = out.tell();
    const uint64_t dataSize = end - dataAt;
    const uint64_t fileSize = end - start;
    if (fileSize > 0xFFFFFFFFu)
        throw Error("Cannot write a BMP of " + std::to_string(img.width) + " x " + std::to_string(img.height) +
                    " pixels: the file would exceed 4 GiB");

    out.seek(start);
    out.write("BM", 2);
    out.put32le(uint32_t(fileSize));
    out.put32le(0);
    out.put32le(uint32_t(dataAt - start));
    if (!small) {
        out.seek(infoAt + 14);
        out.put16le(uint16_t(bpp));
        out.seek(infoAt + 20);
        out.put32le(uint32_t(dataSize));
    }
    out.seek(end);
}

}  // namespace pix
