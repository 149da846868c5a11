#pragma once
// Helpers for the tests of the library-backed readers (PNG, GIF, TIFF,
// JPEG 2000): run a reader on a fixture and compare with ImageMagick.
#include <cstdint>
#include <string>
#include <vector>

#include "image/image.h"
#include "readers/readers.h"
#include "support/test_support.h"

namespace pixtest {

// Runs a reader over the bytes of tests/data/<name>.
pix::Image readFixture(pix::ReadFn read, const std::string& name);
// Runs a reader over bytes in memory.
pix::Image readBytes(pix::ReadFn read, const std::vector<uint8_t>& bytes);

// The first image's alpha as ImageMagick reads it, one byte per pixel.
std::vector<uint8_t> alphaWithMagick(const std::string& path);

// Expects img (either layout) to hold ref's pixels, each channel within tol.
void expectPixelsNear(const pix::Image& img, const Rgb8& ref, int tol, const std::string& what);

}  // namespace pixtest
