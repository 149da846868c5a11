#pragma once
// Rows of palette indexes the palette-based writers (GIF, BMP, PCX, PNG)
// share: from the palette quantiser or from a bilevel image.
#include <cstdint>
#include <vector>

#include "image/image.h"
#include "imageops/palette_quantiser.h"

namespace pix {

// The nearest palette index of every pixel of row y. A colour the quantiser
// cannot place (only possible for colours foreign to the image) becomes 0.
void quantisedRow(const Image& img, const PaletteQuantiser& q, int32_t y, uint8_t* out);
// One index (0 or 1) per pixel of row y of a bilevel image.
void bilevelRow(const Image& bits, int32_t y, uint8_t* out);
// The palette index of a colour that need not occur in the image (0 when the
// quantiser has none for it).
int nearestIndex(const PaletteQuantiser& q, RgbColour c);
// The quantiser's palette padded with black to exactly n entries.
std::vector<RgbColour> paddedPalette(const PaletteQuantiser& q, int n);
// Packs indexes of `bits` bits each (1, 2 or 4) into bytes, the leftmost
// pixel in the most significant bits; a partial last byte is padded with 0.
void packIndexes(const uint8_t* indexes, int32_t w, int bits, uint8_t* out);

}  // namespace pix
