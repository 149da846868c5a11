#pragma once
// The working image: one raster type shared by the engine, the operations,
// the readers and the writers.
//
// Pixels are either 24-bit colour (three bytes per pixel: blue, green, red) or
// bilevel (eight pixels per byte, leftmost pixel in the most significant bit,
// a set bit white). Rows are stored top row first and tightly packed: a
// 24-bit row is 3*width bytes, a bilevel row ceil(width/8) bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/params.h"

namespace pix {

enum class Layout { Bilevel, Bgr24 };

// Largest image a reader or operation may allocate (pixels).
constexpr int64_t kMaxPixels = int64_t(1) << 28;

struct Image {
    int32_t width = 0;
    int32_t height = 0;
    Layout layout = Layout::Bgr24;
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> alpha;  // empty: no alpha plane; else width*height bytes, 255 opaque
    int32_t xdpi = 300;
    int32_t ydpi = 300;
    uint32_t background = 0xFFFFFF;  // 0xBBGGRR, the colour used to blank and clear
    TIOParamsVals params;

    size_t stride() const { return rowBytes(layout, width); }
    uint8_t* row(int32_t y) { return pixels.data() + size_t(y) * stride(); }
    const uint8_t* row(int32_t y) const { return pixels.data() + size_t(y) * stride(); }
    bool hasAlpha() const { return !alpha.empty(); }
    // True when there is an alpha plane with at least one value other than 255.
    bool hasTransparency() const;

    // Reallocates to w x h in the given layout (contents undefined: zero).
    // Refuses absurd sizes with an Error (see kMaxPixels). Drops the alpha plane.
    void allocate(int32_t w, int32_t h, Layout l);
    // Sets every pixel to the background colour (a bilevel image to white),
    // keeping the size. The alpha plane is dropped.
    void clear();
    // Makes the image 1 x 1 filled with the background colour.
    void blank();
    // Converts a bilevel image to 24-bit colour (set bits 255, clear bits 0).
    void toBgr24();

    static size_t rowBytes(Layout l, int32_t w) {
        return l == Layout::Bgr24 ? size_t(w) * 3 : (size_t(w) + 7) / 8;
    }
    bool bit(int32_t x, int32_t y) const { return (row(y)[x >> 3] >> (7 - (x & 7))) & 1; }
};

// Checks a size a reader states before it allocates: throws an Error naming
// the size when it is not positive or needs more than kMaxPixels pixels.
void checkImageSize(int64_t w, int64_t h);

// Gray level of a colour: (21 R + 71 G + 8 B) div 100.
inline int grayLevel(int r, int g, int b) { return (21 * r + 71 * g + 8 * b) / 100; }

}  // namespace pix
