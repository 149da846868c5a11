#pragma once
// Quarter turns, the half turn and the two mirrors: exact pixel permutations
// of 24-bit and 1-bit images (any width), the alpha plane moved alike.
#include "image/image.h"

namespace pix {

// Rotation by a multiple of 90 degrees, counter-clockwise positive (90 is a
// quarter turn to the left, 270 or -90 one to the right). Other angles throw
// an Error: no caller asks for them.
void rotate(Image& img, int angleDegrees);

enum class MirrorAxis {
    Horizontal,  // rows in reverse order ("flipdown")
    Vertical,    // each row reversed ("flipleft")
};
void mirror(Image& img, MirrorAxis axis);

}  // namespace pix
