#pragma once
// LZW coder of TIFF 6.0: codes packed most significant bit first, 9 to 12
// bits wide, Clear (256) at the start of every strip and whenever the table
// is full, EOI (257) at the end, padded to a whole byte.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pix {

class TiffLzwEncoder {
public:
    // Coded bytes are appended to out; the caller drains it as it likes.
    explicit TiffLzwEncoder(std::vector<uint8_t>& out);

    void beginStrip();
    void encode(const uint8_t* data, size_t n);
    void endStrip();

private:
    static constexpr int kHashSize = 5003;
    void putCode(unsigned code);
    void resetTable();

    std::vector<uint8_t>& out_;
    int32_t keys_[kHashSize];      // (byte << 12) + prefix code, -1 when empty
    uint16_t codes_[kHashSize];
    int pending_ = -1;              // code of the string matched so far
    unsigned nextCode_ = 258;
    unsigned width_ = 9;
    uint64_t bits_ = 0;
    unsigned bitCount_ = 0;
};

}  // namespace pix
