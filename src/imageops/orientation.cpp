#include "imageops/orientation.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "image/error.h"

namespace pix {

namespace {

enum class Move { Left90, Right90, Half, FlipDown, FlipLeft };

// Builds the result in a separate raster: output pixel (X, Y) of the result
// takes source pixel source(X, Y). The same permutation moves the colour
// pixels (3 bytes or 1 bit) and the alpha plane (1 byte).
template <class Source>
void permute(Image& img, bool exchange, Source source) {
    const int32_t W = img.width, H = img.height;
    const int32_t rw = exchange ? H : W, rh = exchange ? W : H;
    const size_t inStride = img.stride();
    const size_t outStride = Image::rowBytes(img.layout, rw);
    std::vector<uint8_t> out(outStride * size_t(rh), 0);
    std::vector<uint8_t> alpha;
    const bool hasAlpha = img.alpha.size() == size_t(W) * size_t(H) && !img.alpha.empty();
    if (hasAlpha) alpha.resize(img.alpha.size());

    // Square tiles keep both the rows written and the columns read of a
    // quarter turn in the cache.
    constexpr int32_t kTile = 64;
    const uint8_t* in = img.pixels.data();
    for (int32_t ty = 0; ty < rh; ty += kTile)
        for (int32_t tx = 0; tx < rw; tx += kTile)
            for (int32_t y = ty; y < std::min(rh, ty + kTile); ++y) {
                uint8_t* o = out.data() + size_t(y) * outStride;
                for (int32_t x = tx; x < std::min(rw, tx + kTile); ++x) {
                    int32_t sx, sy;
                    source(x, y, sx, sy);
                    const uint8_t* s = in + size_t(sy) * inStride;
                    if (img.layout == Layout::Bgr24) {
                        std::memcpy(o + 3 * size_t(x), s + 3 * size_t(sx), 3);
                    } else if ((s[sx >> 3] >> (7 - (sx & 7))) & 1) {
                        o[x >> 3] |= uint8_t(0x80 >> (x & 7));
                    }
                    if (hasAlpha)
                        alpha[size_t(y) * size_t(rw) + size_t(x)] = img.alpha[size_t(sy) * size_t(W) + size_t(sx)];
                }
            }
    img.width = rw;
    img.height = rh;
    img.pixels.swap(out);
    img.alpha.swap(alpha);
}

void apply(Image& img, Move m) {
    const int32_t W = img.width, H = img.height;
    if (W <= 0 || H <= 0) return;
    switch (m) {
    case Move::Left90:
        permute(img, true, [W](int32_t x, int32_t y, int32_t& sx, int32_t& sy) { sx = W - 1 - y, sy = x; });
        break;
    case Move::Right90:
        permute(img, true, [H](int32_t x, int32_t y, int32_t& sx, int32_t& sy) { sx = y, sy = H - 1 - x; });
        break;
    case Move::Half:
        permute(img, false,
                [W, H](int32_t x, int32_t y, int32_t& sx, int32_t& sy) { sx = W - 1 - x, sy = H - 1 - y; });
        break;
    case Move::FlipDown:
        permute(img, false, [H](int32_t x, int32_t y, int32_t& sx, int32_t& sy) { sx = x, sy = H - 1 - y; });
        break;
    case Move::FlipLeft:
        permute(img, false, [W](int32_t x, int32_t y, int32_t& sx, int32_t& sy) { sx = W - 1 - x, sy = y; });
        break;
    }
}

}  // namespace

void rotate(Image& img, int angleDegrees) {
    if (angleDegrees % 90 != 0)
        throw Error("Rotation by " + std::to_string(angleDegrees) + " degrees is not supported");
    switch (((angleDegrees / 90) % 4 + 4) % 4) {
    case 1: apply(img, Move::Left90); break;
    case 2: apply(img, Move::Half); break;
    case 3: apply(img, Move::Right90); break;
    default: break;
    }
}

void mirror(Image& img, MirrorAxis axis) {
    apply(img, axis == MirrorAxis::Horizontal ? Move::FlipDown : Move::FlipLeft);
}

}  // namespace pix
