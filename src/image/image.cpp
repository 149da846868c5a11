#include "image/image.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "image/error.h"

namespace pix {

void checkImageSize(int64_t w, int64_t h) {
    if (w <= 0 || h <= 0 || w > INT32_MAX / 4 || h > INT32_MAX / 4 || w * h > kMaxPixels)
        throw Error("Image size " + std::to_string(w) + " x " + std::to_string(h) +
                    " is not supported (at most " + std::to_string(kMaxPixels) + " pixels)");
}

bool Image::hasTransparency() const {
    return std::any_of(alpha.begin(), alpha.end(), [](uint8_t a) { return a != 255; });
}

void Image::allocate(int32_t w, int32_t h, Layout l) {
    checkImageSize(w, h);
    width = w;
    height = h;
    layout = l;
    alpha.clear();
    pixels.assign(rowBytes(l, w) * size_t(h), 0);
}

void Image::clear() {
    alpha.clear();
    if (layout == Layout::Bilevel) {
        std::fill(pixels.begin(), pixels.end(), 0xFF);
        return;
    }
    const uint8_t b = uint8_t(background >> 16), g = uint8_t(background >> 8), r = uint8_t(background);
    for (size_t i = 0; i + 2 < pixels.size(); i += 3) {
        pixels[i] = b;
        pixels[i + 1] = g;
        pixels[i + 2] = r;
    }
}

void Image::blank() {
    width = 1;
    height = 1;
    layout = Layout::Bgr24;
    pixels.assign(3, 0);
    clear();
}

void Image::toBgr24() {
    if (layout == Layout::Bgr24) return;
    std::vector<uint8_t> out(size_t(width) * 3 * size_t(height));
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* src = row(y);
        uint8_t* dst = out.data() + size_t(y) * 3 * size_t(width);
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t v = ((src[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
            dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = v;
        }
    }
    pixels.swap(out);
    layout = Layout::Bgr24;
}

}  // namespace pix
