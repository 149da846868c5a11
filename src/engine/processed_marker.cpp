#include "engine/processed_marker.h"

#include <algorithm>
#include <cstring>

namespace pix {

void writeProcessedMarker(Image& img) {
    img.toBgr24();
    static constexpr char kText[] = "qxo processed";
    constexpr size_t kTextLength = sizeof kText - 1;
    uint8_t payload[8 + kTextLength] = {0, 0, 0, 0, uint8_t(kTextLength), 0, 0, 0};
    std::memcpy(payload + 8, kText, kTextLength);

    const size_t bits = std::min(sizeof payload * 8, img.pixels.size());
    for (size_t i = 0; i < bits; ++i) {
        const bool one = (payload[i / 8] >> (i % 8)) & 1;
        uint8_t& v = img.pixels[i];
        if (one && !(v & 1)) v = uint8_t(v + 1);
        else if (!one && (v & 1)) v = v == 255 ? 254 : uint8_t(v + 1);
    }
}

}  // namespace pix
