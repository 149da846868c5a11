#pragma once
#include "image/image.h"

namespace pix {

// Hides the marker "qxo processed" (after an 8-byte header holding its length)
// in the least significant bits of the first channel bytes of the image, which
// becomes 24-bit colour if it was not.
void writeProcessedMarker(Image& img);

}  // namespace pix
