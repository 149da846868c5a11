#include "imageops/reductions.h"

#include <utility>

#include "imageops/tone.h"

namespace pix {

namespace {

// The writers always hand over 24-bit colour; a bilevel image is read as its
// black and white pixels rather than misread as packed bytes.
const Image& asBgr24(const Image& img, Image& holder) {
    if (img.layout == Layout::Bgr24) return img;
    holder = img;
    holder.toBgr24();
    return holder;
}

// A bilevel image of the same size, every bit 0 (padding bits stay 0).
Image blankBits(const Image& img) {
    Image bits;
    if (img.width > 0 && img.height > 0) {
        bits.allocate(img.width, img.height, Layout::Bilevel);
    } else {
        bits.width = img.width;
        bits.height = img.height;
        bits.layout = Layout::Bilevel;
    }
    bits.xdpi = img.xdpi;
    bits.ydpi = img.ydpi;
    return bits;
}

uint32_t colourAt(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16; }

RgbColour rgbOf(uint32_t bgr) { return {uint8_t(bgr >> 16), uint8_t(bgr >> 8), uint8_t(bgr)}; }

// rnd((21 R + 71 G + 8 B) / 100), an exact half going to the even neighbour.
int roundedGraySum(const RgbColour& c) {
    const int s = 21 * c.r + 71 * c.g + 8 * c.b;
    int q = s / 100;
    const int rem = s % 100;
    if (rem > 50 || (rem == 50 && (q & 1))) ++q;
    return q;
}

}  // namespace

std::optional<BilevelImage> twoColourReduction(const Image& source) {
    Image holder;
    const Image& img = asBgr24(source, holder);
    if (img.width <= 0 || img.height <= 0) return std::nullopt;

    BilevelImage out;
    out.bits = blankBits(img);
    uint32_t a = 0, b = 0;
    int count = 0;
    for (int32_t y = 0; y < img.height; ++y) {
        // A third colour ends the walk only once its row is finished.
        if (count > 2) return std::nullopt;
        const uint8_t* p = img.row(y);
        uint8_t* bits = out.bits.row(y);
        for (int32_t x = 0; x < img.width; ++x, p += 3) {
            const uint32_t c = colourAt(p);
            if (count == 0) {
                a = c;
                count = 1;
            } else if (c != a) {
                if (count == 1) {
                    b = c;
                    count = 2;
                } else if (count == 2 && c != b) {
                    count = 3;
                }
            }
            if (c != a) bits[x >> 3] |= uint8_t(0x80 >> (x & 7));
        }
    }
    if (count != 2) return std::nullopt;

    RgbColour ca = rgbOf(a), cb = rgbOf(b);
    if (roundedGraySum(cb) < roundedGraySum(ca)) {
        // B is darker: it takes bit 0. Only the pixel bits flip; padding stays 0.
        const size_t stride = out.bits.stride();
        const int tail = img.width & 7;
        const uint8_t lastMask = tail ? uint8_t(0xFF << (8 - tail)) : 0xFF;
        for (int32_t y = 0; y < img.height; ++y) {
            uint8_t* bits = out.bits.row(y);
            for (size_t i = 0; i < stride; ++i) bits[i] = uint8_t(~bits[i]);
            bits[stride - 1] &= lastMask;
        }
        std::swap(ca, cb);
    }
    out.colour0 = ca;
    out.colour1 = cb;
    out.twoColour = true;
    return out;
}

BilevelImage meanThresholdReduction(const Image& source) {
    Image holder;
    const Image& img = asBgr24(source, holder);
    BilevelImage out;
    out.bits = blankBits(img);
    out.colour0 = {0, 0, 0};
    out.colour1 = {255, 255, 255};
    if (img.width <= 0 || img.height <= 0) return out;

    const ChannelMeans m = channelMeans(img);
    const int threshold = grayLevel(m.r, m.g, m.b);
    for (int32_t y = 0; y < img.height; ++y) {
        const uint8_t* p = img.row(y);
        uint8_t* bits = out.bits.row(y);
        for (int32_t x = 0; x < img.width; ++x, p += 3)
            if (grayLevel(p[2], p[1], p[0]) >= threshold) bits[x >> 3] |= uint8_t(0x80 >> (x & 7));
    }
    return out;
}

BilevelImage bilevelFor(const Image& img) {
    if (auto two = twoColourReduction(img)) return std::move(*two);
    return meanThresholdReduction(img);
}

}  // namespace pix
