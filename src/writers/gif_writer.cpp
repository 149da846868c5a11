// GIF output: one image, global colour table, graphic control extension,
// the run-length code stream, comments and trailer.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "image/error.h"
#include "imageops/palette_quantiser.h"
#include "imageops/reductions.h"
#include "writers/gif_rle_encoder.h"
#include "writers/palette_rows.h"
#include "writers/writers.h"

namespace pix {

namespace {

// Black or white, whichever is nearer to c (black on a tie).
int nearerOfBlackWhite(RgbColour c) {
    const int toBlack = c.r * c.r + c.g * c.g + c.b * c.b;
    const int toWhite = (255 - c.r) * (255 - c.r) + (255 - c.g) * (255 - c.g) + (255 - c.b) * (255 - c.b);
    return toWhite < toBlack ? 1 : 0;
}

// Rows in the order they are stored: top to bottom, or the four passes of
// the interlaced order.
std::vector<int32_t> rowOrder(int32_t h, bool interlaced) {
    std::vector<int32_t> order;
    order.reserve(size_t(h));
    if (!interlaced) {
        for (int32_t y = 0; y < h; ++y) order.push_back(y);
        return order;
    }
    const int32_t starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int32_t y = starts[pass]; y < h; y += steps[pass]) order.push_back(y);
    return order;
}

void writeComments(const std::vector<std::string>& comments, ByteSink& out) {
    // An empty comment extension makes some decoders (giflib 5.2) refuse the
    // whole file, so the extension is written only when there is text; a text
    // longer than one sub-block goes on in further sub-blocks.
    bool any = false;
    for (const std::string& c : comments) any = any || !c.empty();
    if (!any) return;
    out.put8(0x21);
    out.put8(0xFE);
    for (const std::string& c : comments) {
        for (size_t at = 0; at < c.size(); at += 255) {
            const size_t n = std::min<size_t>(255, c.size() - at);
            out.put8(uint8_t(n));
            out.write(c.data() + at, n);
        }
    }
    out.put8(0);
}

}  // namespace

void writeGif(const Image& img, ByteSink& out) {
    const TIOParamsVals& p = img.params;
    if (img.width > 65535 || img.height > 65535)
        throw Error("Cannot write a GIF of " + std::to_string(img.width) + " x " + std::to_string(img.height) +
                    " pixels: at most 65535 in each direction");
    int bits = std::clamp(p.BitsPerSample, 1, 8);
    const bool bilevel = bits == 1;
    const bool alpha = img.hasAlpha();
    // One bit leaves no room for a transparent entry beside black and white:
    // two bits keep white pixels visible.
    if (bilevel && alpha) bits = 2;
    const int entries = 1 << bits;
    const int colours = alpha ? entries - 1 : entries;

    std::optional<BilevelImage> bw;
    std::optional<PaletteQuantiser> quantiser;
    std::vector<RgbColour> palette;
    int background = 0, transparent = 0;
    if (bilevel) {
        bw = bilevelFor(img);
        palette.assign(size_t(entries), RgbColour{});
        palette[1] = RgbColour{255, 255, 255};
        background = nearerOfBlackWhite(p.GifBackgroundColour);
        transparent = nearerOfBlackWhite(p.GifTransparentColour);
    } else {
        quantiser.emplace(img, colours);
        palette = paddedPalette(*quantiser, entries);
        background = nearestIndex(*quantiser, p.GifBackgroundColour);
        transparent = nearestIndex(*quantiser, p.GifTransparentColour);
    }
    bool transparentFlag = p.GifTransparent;
    if (alpha) {
        transparentFlag = true;
        transparent = colours;
        palette[size_t(colours)] = RgbColour{};  // the transparent entry stays black
    }

    // Header, logical screen descriptor, global colour table.
    const std::string& version = p.GifVersion;
    char sig[6] = {'G', 'I', 'F', '8', '9', 'a'};
    for (size_t i = 0; i < 6 && i < version.size(); ++i) sig[i] = version[i];
    out.write(sig, 6);
    out.put16le(uint16_t(img.width));
    out.put16le(uint16_t(img.height));
    out.put8(uint8_t(0x80 | (bits - 1) << 4 | (bits - 1)));
    out.put8(uint8_t(background));
    out.put8(0);
    for (const RgbColour& c : palette) {
        const uint8_t rgb[3] = {c.r, c.g, c.b};
        out.write(rgb, 3);
    }

    // Graphic control extension.
    const uint8_t gce[4] = {0x21, 0xF9, 0x04, uint8_t((p.GifDisposal & 7) << 2 | (transparentFlag ? 1 : 0))};
    out.write(gce, 4);
    out.put16le(p.GifDelay);
    out.put8(uint8_t(transparent));
    out.put8(0);

    // Image descriptor.
    out.put8(0x2C);
    out.put16le(p.GifLeft);
    out.put16le(p.GifTop);
    out.put16le(uint16_t(img.width));
    out.put16le(uint16_t(img.height));
    out.put8(p.GifInterlaced ? 0x40 : 0);

    // Image data.
    const int minCodeSize = std::max(bits, 2);
    out.put8(uint8_t(minCodeSize));
    GifRleEncoder coder(out, minCodeSize);
    std::vector<uint8_t> row(size_t(img.width));
    for (const int32_t y : rowOrder(img.height, p.GifInterlaced)) {
        if (bilevel) bilevelRow(bw->bits, y, row.data());
        else quantisedRow(img, *quantiser, y, row.data());
        if (alpha) {
            const uint8_t* a = img.alpha.data() + size_t(y) * size_t(img.width);
            for (int32_t x = 0; x < img.width; ++x)
                if (a[x] != 255) row[size_t(x)] = uint8_t(colours);
        }
        coder.add(row.data(), row.size());
    }
    coder.finish();

    writeComments(p.GifComments, out);
    out.put8(0x3B);
}

}  // namespace pix
