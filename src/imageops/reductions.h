#pragma once
// Reductions of a 24-bit image to one bit per pixel, used by the writers.
// Neither changes the image it reads.
#include <optional>

#include "image/image.h"

namespace pix {

struct BilevelImage {
    Image bits;          // Layout::Bilevel, same size; bit 1 is the lighter colour
    RgbColour colour0;   // the darker colour (black after the threshold reduction)
    RgbColour colour1;   // the lighter colour (white after the threshold reduction)
    bool twoColour = false;  // true when the two-colour reduction applied
};

// Exactly two distinct colours: the darker one becomes bit 0 (on a tie of the
// rounded gray sums, the colour met first). Otherwise no answer.
std::optional<BilevelImage> twoColourReduction(const Image& img);
// Bit 0 where the gray level is below the gray level of the channel means.
BilevelImage meanThresholdReduction(const Image& img);
// The bilevel image a writer derives: two-colour reduction, else threshold.
BilevelImage bilevelFor(const Image& img);

}  // namespace pix
