#include "support/reader_compare_support.h"

#include <algorithm>
#include <cstdlib>

namespace pixtest {

pix::Image readPath(pix::ReadFn read, const std::string& path) { return readBytes(read, readFile(path)); }

Rgb8 decodeRgbWithPillow(const std::string& path) {
    Rgb8 out;
    std::string raw;
    if (run("/usr/bin/python3 -c \"import sys; from PIL import Image; im = Image.open(sys.argv[1]).convert('RGB'); "
            "sys.stdout.buffer.write(b'%d %d ' % im.size + im.tobytes())\" '" + path + "' 2>/dev/null",
            &raw) != 0)
        return out;
    size_t pos = 0;
    out.width = std::stoi(raw, &pos);
    const size_t second = raw.find(' ', pos + 1);
    out.height = std::stoi(raw.substr(pos + 1, second - pos - 1));
    out.rgb.assign(raw.begin() + long(second) + 1, raw.end());
    return out;
}

uint32_t rgbAt(const pix::Image& img, int x, int y) {
    if (img.layout == pix::Layout::Bilevel) return img.bit(x, y) ? 0xFFFFFF : 0;
    const uint8_t* p = img.row(y) + 3 * x;
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

int maxChannelDiff(const pix::Image& img, const Rgb8& ref) {
    if (img.width != ref.width || img.height != ref.height ||
        ref.rgb.size() != size_t(ref.width) * size_t(ref.height) * 3)
        return -1;
    int worst = 0;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const uint32_t c = rgbAt(img, x, y);
            const uint8_t* r = ref.rgb.data() + (size_t(y) * size_t(ref.width) + size_t(x)) * 3;
            worst = std::max({worst, std::abs(int(c >> 16) - r[0]), std::abs(int((c >> 8) & 255) - r[1]),
                              std::abs(int(c & 255) - r[2])});
        }
    return worst;
}

void put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

}  // namespace pixtest
