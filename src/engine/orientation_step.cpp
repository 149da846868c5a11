#include "engine/steps.h"
#include "imageops/orientation.h"
#include "profile/text.h"

namespace pix {

// The value is trimmed but compared case-sensitively: "Left90" does nothing.
void orientationStep(const std::string& value, Image& img) {
    const std::string v = trimBlank(value);
    if (v == "left90") rotate(img, 90);
    else if (v == "right90") rotate(img, 270);
    else if (v == "rotate180") rotate(img, 180);
    else if (v == "flipdown") mirror(img, MirrorAxis::Horizontal);
    else if (v == "flipleft") mirror(img, MirrorAxis::Vertical);
}

}  // namespace pix
