#pragma once
// Helpers for the reader tests: decode a file with one of our readers and
// compare the result with an independent decoder's pixels.
#include <cstdint>
#include <string>
#include <vector>

#include "image/image.h"
#include "readers/readers.h"
#include "support/library_readers_support.h"
#include "support/test_support.h"

namespace pixtest {

pix::Image readPath(pix::ReadFn read, const std::string& path);

// Decodes the first image of a file with Pillow into packed RGB.
Rgb8 decodeRgbWithPillow(const std::string& path);

// The largest difference of one channel between img (bilevel read as black
// and white) and the packed RGB of ref; -1 when the sizes differ.
int maxChannelDiff(const pix::Image& img, const Rgb8& ref);

// The pixel at (x, y) of a 24-bit or bilevel image as 0xRRGGBB.
uint32_t rgbAt(const pix::Image& img, int x, int y);

// Little-endian byte builders for hand-made files.
void put16(std::vector<uint8_t>& b, uint32_t v);
void put32(std::vector<uint8_t>& b, uint32_t v);

}  // namespace pixtest
