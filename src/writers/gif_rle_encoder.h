#pragma once
// The run-length GIF code stream encoder. It keeps no dictionary of pixel
// strings: runs of equal pixels are sent through the codes that the decoder
// adds to its own table (the method known as miGIF), so any GIF decoder reads
// the output while the encoder stays small and fast.
#include <cstdint>
#include <cstddef>

#include "image/sink.h"

namespace pix {

class GifRleEncoder {
public:
    // minCodeSize: the code size byte of the image data (2..8). Sends the
    // opening Clear at once.
    GifRleEncoder(ByteSink& out, int minCodeSize);
    // Adds the next n pixels (palette indexes below 2^minCodeSize).
    void add(const uint8_t* pixels, size_t n);
    // Flushes the pending run, sends EOI and writes the last sub-blocks,
    // including the zero-length one that ends the image data.
    void finish();

private:
    void send(int code);      // a code in the current width, counting nothing
    void plain(int code);
    void reset();
    void sendClearAndReset();
    void restoreLimit();
    int64_t cost(int64_t n) const;
    void flushRun();
    void fromClear(int64_t n);
    void withTable(int64_t n);
    void flushBlock();

    ByteSink& out_;
    // Constants of the code size.
    int clear_, eoi_, base_, width0_, bump0_, limit0_, maxCodes_;
    // Coder state.
    int width_ = 0, bump_ = 0, limit_ = 0, count_ = 0, tableLength_ = 0, tablePixel_ = -1;
    bool justCleared_ = true;
    // Pending run.
    int runPixel_ = -1;
    int64_t runLength_ = 0;
    // Bit packing and the current sub-block.
    uint32_t bitBuffer_ = 0;
    int bitCount_ = 0;
    uint8_t block_[256];
    int blockLength_ = 0;
};

}  // namespace pix
