#pragma once
// Tone operations on the working image: the HSV99 shift behind brightness,
// the contrast stretch about the channel means, grayscale and negative.
#include <cstdint>

#include "image/image.h"

namespace pix {

struct ChannelMeans {
    int r = 0, g = 0, b = 0;
};

// Per channel: the truncated mean of each row, summed over rows, divided by H.
ChannelMeans channelMeans(const Image& img);

// One colour through the HSV99 model with the given offsets (R, G, B order).
void hsv99Shift(int& r, int& g, int& b, int dh, int ds, int dv);

// Both convert a bilevel image to 24-bit colour first.
void adjusthsv(Image& img, int dh, int ds, int dv);
void adjustcontrast(Image& img, int amount);
// The 16.16 contrast factor for an amount.
int32_t contrastFactor(int amount);

void converttogray(Image& img);  // 24-bit images only
void makenegative(Image& img);   // every layout

}  // namespace pix
