#pragma once
// Reading TIFF files back with libtiff for the writer tests: the tags the
// writer sets, the decoded rows as stored, and the RGBA rendering.
#include <cstdint>
#include <string>
#include <vector>

namespace pixtest {

struct TiffData {
    bool opened = false;
    std::string errors;  // libtiff's error messages while reading
    uint32_t width = 0, height = 0, rowsPerStrip = 0;
    uint16_t bitsPerSample = 0, samplesPerPixel = 0, compression = 0, photometric = 0;
    uint16_t fillOrder = 0, predictor = 1, planar = 0;
    bool hasFillOrder = false, hasT4 = false, hasT6 = false;
    uint32_t t4Options = 0, t6Options = 0;
    std::vector<uint16_t> extraSamples;
    uint32_t strips = 0;
    std::vector<uint64_t> stripOffsets, stripByteCounts;
    std::vector<uint16_t> colorMap[3];
    float xres = 0, yres = 0;
    std::vector<std::vector<uint8_t>> rows;  // TIFFReadScanline, as stored (predictor undone)
    std::vector<uint32_t> rgba;              // TIFFReadRGBAImageOriented, top row first
    std::vector<std::vector<uint8_t>> rawStrips;  // TIFFReadRawStrip, the coded bytes
    bool rgbaOk = false;
};

TiffData readTiff(const std::string& path);

// libtiff's own coding of one-sample rows (bits 1: packed, a set bit black;
// bits 8: gray bytes): the raw strip its encoder writes with the given
// compression, all rows in one strip.
std::vector<uint8_t> libtiffStrip(const std::string& path, uint16_t compression, uint32_t width, uint16_t bits,
                                  const std::vector<std::vector<uint8_t>>& rows);

// Sample k of a packed row of b-bit samples (b = 1..8, most significant bits first).
inline unsigned packedSample(const std::vector<uint8_t>& row, size_t k, unsigned b) {
    const size_t bit = k * b;
    const unsigned two = unsigned(row[bit >> 3]) << 8 | (((bit >> 3) + 1 < row.size()) ? row[(bit >> 3) + 1] : 0);
    return (two >> (16 - b - (bit & 7))) & ((1u << b) - 1);
}

}  // namespace pixtest
