#pragma once
// The box-splitting quantiser: a palette of at most N colours from a
// 32 x 32 x 32 histogram of the image's 5-bit colours, made by splitting the
// colour box with the largest error until N boxes exist or no box can be
// split; a colour's index is one read of a 32 KB table.
#include <cstdint>
#include <vector>

#include "image/image.h"

namespace pix {

class BoxSplittingQuantiser {
public:
    // n is held to 1..256; a bilevel image is read as black and white.
    BoxSplittingQuantiser(const Image& img, int n);

    // One entry per box, in box order (fewer than n when splitting stopped early).
    const std::vector<RgbColour>& palette() const { return palette_; }
    int lookup(uint8_t r, uint8_t g, uint8_t b) const {
        return table_[size_t(r >> 3) << 10 | size_t(g >> 3) << 5 | size_t(b >> 3)];
    }

private:
    std::vector<RgbColour> palette_;
    std::vector<uint8_t> table_;  // 32768 cells, (r5 * 32 + g5) * 32 + b5
};

}  // namespace pix
