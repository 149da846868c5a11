#pragma once
// CCITT bilevel coders for TIFF: modified Huffman rows (compression 2),
// T.4 Group 3 with one- or two-dimensional rows (compression 3) and T.6
// Group 4 (compression 4). Rows come in packed, leftmost pixel in the most
// significant bit, a set bit black, as the coded data means it.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pix {

enum class CcittMode { Huffman, Group3OneD, Group3TwoD, Group4 };

class CcittEncoder {
public:
    // fillOrder 2 stores each byte's bits least significant first.
    CcittEncoder(CcittMode mode, int32_t width, int fillOrder, std::vector<uint8_t>& out);

    void beginStrip();
    void encodeRow(const uint8_t* row);
    void endStrip();

private:
    void putBits(uint32_t code, unsigned length);
    void padToByte();
    void putRun(int32_t run, bool black);
    void putEol() { putBits(1, 12); }
    void codeOneD();
    void codeTwoD();
    void changesOf(const uint8_t* row, std::vector<int32_t>& changes) const;

    CcittMode mode_;
    int32_t width_;
    bool reverse_;
    std::vector<uint8_t>& out_;
    std::vector<int32_t> cur_, ref_;  // changing elements, then sentinels at width
    bool firstRow_ = true;
    uint32_t bits_ = 0;
    unsigned bitCount_ = 0;
};

}  // namespace pix
