// PCX output: 1 bit (bilevel), 4 or 8 bits (palette) in one plane, or 24 bits
// in three planes, with run-length coded lines.
#include <optional>
#include <string>
#include <vector>

#include "image/error.h"
#include "imageops/palette_quantiser.h"
#include "imageops/reductions.h"
#include "writers/palette_rows.h"
#include "writers/pcx_rle.h"
#include "writers/writers.h"

namespace pix {

namespace {

enum class PcxDepth { Bits1, Bits4, Bits8, Bits24 };

PcxDepth depthOf(const TIOParamsVals& p) {
    if (p.BitsPerSample == 1) return PcxDepth::Bits1;
    switch (p.BitsPerSample * p.SamplesPerPixel) {
        case 4: return PcxDepth::Bits4;
        case 8: return PcxDepth::Bits8;
        case 24: return PcxDepth::Bits24;
        default:
            // Depths an input may carry over (2 bits, 16 bits...): the nearest one PCX has.
            if (p.SamplesPerPixel >= 3) return PcxDepth::Bits24;
            return p.BitsPerSample * p.SamplesPerPixel < 4 ? PcxDepth::Bits4 : PcxDepth::Bits8;
    }
}

}  // namespace

void writePcx(const Image& img, ByteSink& out) {
    const TIOParamsVals& p = img.params;
    if (img.width > 65536 || img.height > 65536)
        throw Error("Cannot write a PCX of " + std::to_string(img.width) + " x " + std::to_string(img.height) +
                    " pixels: at most 65536 in each direction");
    const PcxDepth depth = depthOf(p);
    const size_t w = size_t(img.width);
    size_t lineBytes = depth == PcxDepth::Bits1 ? (w + 7) / 8 : depth == PcxDepth::Bits4 ? (w + 1) / 2 : w;
    const size_t ownBytes = lineBytes;
    if (lineBytes & 1) ++lineBytes;
    if (lineBytes > 65535)
        throw Error("Cannot write a PCX of " + std::to_string(img.width) + " pixels' width");

    std::optional<BilevelImage> bw;
    std::optional<PaletteQuantiser> quantiser;
    std::vector<RgbColour> palette;
    if (depth == PcxDepth::Bits1) {
        bw = bilevelFor(img);
        palette = {bw->colour0, bw->colour1};
    } else if (depth == PcxDepth::Bits4) {
        quantiser.emplace(img, 16);
        palette = paddedPalette(*quantiser, 16);
    } else if (depth == PcxDepth::Bits8) {
        quantiser.emplace(img, 256);
        palette = paddedPalette(*quantiser, 256);
    }

    uint8_t header[128] = {};
    auto put16 = [&](int at, uint32_t v) {
        header[at] = uint8_t(v);
        header[at + 1] = uint8_t(v >> 8);
    };
    header[0] = 10;
    header[1] = p.PcxVersion;
    header[2] = p.PcxRle ? 1 : 0;
    header[3] = depth == PcxDepth::Bits1 ? 1 : depth == PcxDepth::Bits4 ? 4 : 8;
    put16(8, uint32_t(img.width - 1));
    put16(10, uint32_t(img.height - 1));
    put16(12, uint32_t(p.HorizontalDpi));
    put16(14, uint32_t(p.VerticalDpi));
    if (depth == PcxDepth::Bits1 || depth == PcxDepth::Bits4)
        for (size_t i = 0; i < palette.size(); ++i) {
            header[16 + 3 * i] = palette[i].r;
            header[17 + 3 * i] = palette[i].g;
            header[18 + 3 * i] = palette[i].b;
        }
    header[65] = depth == PcxDepth::Bits24 ? 3 : 1;
    put16(66, uint32_t(lineBytes));
    put16(68, depth == PcxDepth::Bits24 ? 0 : 1);
    out.write(header, sizeof header);

    std::vector<uint8_t> indexes(w);
    std::vector<uint8_t> plane(lineBytes);
    std::vector<uint8_t> coded;
    auto emit = [&]() {
        if (p.PcxRle) {
            coded.clear();
            pcxRleLine(plane.data(), ownBytes, coded);
            out.write(coded);
        } else {
            out.write(plane);
        }
    };
    for (int32_t y = 0; y < img.height; ++y) {
        std::fill(plane.begin(), plane.end(), 0);
        if (depth == PcxDepth::Bits1) {
            const uint8_t* r = bw->bits.row(y);
            std::copy(r, r + ownBytes, plane.begin());
            emit();
        } else if (depth == PcxDepth::Bits4) {
            quantisedRow(img, *quantiser, y, indexes.data());
            packIndexes(indexes.data(), img.width, 4, plane.data());
            emit();
        } else if (depth == PcxDepth::Bits8) {
            quantisedRow(img, *quantiser, y, plane.data());
            emit();
        } else {
            const uint8_t* src = img.row(y);
            for (int channel = 2; channel >= 0; --channel) {  // red, green, blue planes
                for (size_t x = 0; x < w; ++x) plane[x] = src[3 * x + size_t(channel)];
                emit();
            }
        }
    }
    if (depth == PcxDepth::Bits8) {
        std::vector<uint8_t> tail(769);
        tail[0] = 12;
        for (size_t i = 0; i < 256; ++i) {
            tail[1 + 3 * i] = palette[i].r;
            tail[2 + 3 * i] = palette[i].g;
            tail[3 + 3 * i] = palette[i].b;
        }
        out.write(tail);
    }
}

}  // namespace pix
