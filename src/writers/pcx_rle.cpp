#include "writers/pcx_rle.h"

namespace pix {

void pcxRleLine(const uint8_t* bytes, size_t n, std::vector<uint8_t>& out) {
    size_t i = 0;
    while (i < n) {
        const uint8_t v = bytes[i];
        size_t run = 1;
        while (run < 63 && i + run < n && bytes[i + run] == v) ++run;
        if (run > 1 || v >= 0xC0) out.push_back(uint8_t(0xC0 | run));
        out.push_back(v);
        i += run;
    }
    if (n & 1) out.push_back(0);
}

}  // namespace pix
