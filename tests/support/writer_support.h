#pragma once
// Helpers for the writer tests: encoding into memory, sinks that fail like a
// full disk, and Pillow as an independent decoder.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "image/sink.h"
#include "writers/writers.h"

namespace pixtest {

// The bytes a writer produces for an image.
std::vector<uint8_t> encode(pix::WriteFn write, const pix::Image& img);

// A memory sink that refuses every byte past the first `limit`, as a full disk does.
class FullDiskSink : public pix::MemorySink {
public:
    explicit FullDiskSink(size_t limit) : limit_(limit) {}
    void write(const void* data, size_t n) override;

private:
    size_t limit_;
};

// Pillow's view of an image file: mode, size, palette, transparency info and
// every pixel converted to RGBA.
struct PillowImage {
    bool ok = false;
    std::string mode;
    int width = 0, height = 0;
    std::vector<uint8_t> palette;  // raw RGB triples, empty without one
    std::string transparency;      // Pillow's info["transparency"] as text, empty when absent
    std::vector<uint8_t> rgba;
    std::string error;
};
PillowImage decodeWithPillow(const std::string& path);

// One pixel of a 24-bit image as 0xRRGGBB.
uint32_t pixelAt(const pix::Image& img, int x, int y);
// A copy of img with its encoding settings' depth set.
pix::Image withDepth(const pix::Image& img, int bitsPerSample, int samplesPerPixel);
// An image of `colours` distinct colours in blocks (row-major first-met order
// is 0, 1, 2, ...); colourOf(i) gives colour i.
uint32_t colourOf(int i);
pix::Image blockImage(int w, int h, int colours);

}  // namespace pixtest
