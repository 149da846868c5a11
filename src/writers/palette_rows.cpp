#include "writers/palette_rows.h"

#include <cstring>

namespace pix {

void quantisedRow(const Image& img, const PaletteQuantiser& q, int32_t y, uint8_t* out) {
    const uint8_t* p = img.row(y);
    // Neighbouring pixels are often equal; one lookup serves a whole stretch.
    int32_t last = -1;
    uint8_t index = 0;
    for (int32_t x = 0; x < img.width; ++x, p += 3) {
        const int32_t colour = p[0] | p[1] << 8 | p[2] << 16;
        if (colour != last) {
            const int i = q.lookup(p[2], p[1], p[0]);
            index = uint8_t(i < 0 ? 0 : i);
            last = colour;
        }
        out[x] = index;
    }
}

void bilevelRow(const Image& bits, int32_t y, uint8_t* out) {
    const uint8_t* r = bits.row(y);
    for (int32_t x = 0; x < bits.width; ++x) out[x] = (r[x >> 3] >> (7 - (x & 7))) & 1;
}

int nearestIndex(const PaletteQuantiser& q, RgbColour c) {
    const int i = q.lookup(c.r, c.g, c.b);
    return i < 0 ? 0 : i;
}

std::vector<RgbColour> paddedPalette(const PaletteQuantiser& q, int n) {
    std::vector<RgbColour> pal = q.palette();
    pal.resize(size_t(n));
    return pal;
}

void packIndexes(const uint8_t* indexes, int32_t w, int bits, uint8_t* out) {
    const int perByte = 8 / bits;
    const size_t bytes = (size_t(w) * size_t(bits) + 7) / 8;
    std::memset(out, 0, bytes);
    for (int32_t x = 0; x < w; ++x) {
        const int shift = 8 - bits * (x % perByte + 1);
        out[x / perByte] |= uint8_t(indexes[x] << shift);
    }
}

}  // namespace pix
