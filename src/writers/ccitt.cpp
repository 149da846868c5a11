#include "writers/ccitt.h"

#include <cstdlib>

namespace pix {

namespace {

struct Code {
    uint8_t length;
    uint16_t bits;
};

// ITU-T T.4 run-length codes: terminating codes for 0..63, then make-up codes
// for 64, 128, ... 1728.
constexpr Code kWhite[] = {
    {8, 0x35}, {6, 0x07}, {4, 0x07}, {4, 0x08}, {4, 0x0B}, {4, 0x0C}, {4, 0x0E}, {4, 0x0F},
    {5, 0x13}, {5, 0x14}, {5, 0x07}, {5, 0x08}, {6, 0x08}, {6, 0x03}, {6, 0x34}, {6, 0x35},
    {6, 0x2A}, {6, 0x2B}, {7, 0x27}, {7, 0x0C}, {7, 0x08}, {7, 0x17}, {7, 0x03}, {7, 0x04},
    {7, 0x28}, {7, 0x2B}, {7, 0x13}, {7, 0x24}, {7, 0x18}, {8, 0x02}, {8, 0x03}, {8, 0x1A},
    {8, 0x1B}, {8, 0x12}, {8, 0x13}, {8, 0x14}, {8, 0x15}, {8, 0x16}, {8, 0x17}, {8, 0x28},
    {8, 0x29}, {8, 0x2A}, {8, 0x2B}, {8, 0x2C}, {8, 0x2D}, {8, 0x04}, {8, 0x05}, {8, 0x0A},
    {8, 0x0B}, {8, 0x52}, {8, 0x53}, {8, 0x54}, {8, 0x55}, {8, 0x24}, {8, 0x25}, {8, 0x58},
    {8, 0x59}, {8, 0x5A}, {8, 0x5B}, {8, 0x4A}, {8, 0x4B}, {8, 0x32}, {8, 0x33}, {8, 0x34},
    // make-up 64 .. 1728
    {5, 0x1B}, {5, 0x12}, {6, 0x17}, {7, 0x37}, {8, 0x36}, {8, 0x37}, {8, 0x64}, {8, 0x65},
    {8, 0x68}, {8, 0x67}, {9, 0xCC}, {9, 0xCD}, {9, 0xD2}, {9, 0xD3}, {9, 0xD4}, {9, 0xD5},
    {9, 0xD6}, {9, 0xD7}, {9, 0xD8}, {9, 0xD9}, {9, 0xDA}, {9, 0xDB}, {9, 0x98}, {9, 0x99},
    {9, 0x9A}, {6, 0x18}, {9, 0x9B},
};

constexpr Code kBlack[] = {
    {10, 0x37}, {3, 0x02}, {2, 0x03}, {2, 0x02}, {3, 0x03}, {4, 0x03}, {4, 0x02}, {5, 0x03},
    {6, 0x05}, {6, 0x04}, {7, 0x04}, {7, 0x05}, {7, 0x07}, {8, 0x04}, {8, 0x07}, {9, 0x18},
    {10, 0x17}, {10, 0x18}, {10, 0x08}, {11, 0x67}, {11, 0x68}, {11, 0x6C}, {11, 0x37}, {11, 0x28},
    {11, 0x17}, {11, 0x18}, {12, 0xCA}, {12, 0xCB}, {12, 0xCC}, {12, 0xCD}, {12, 0x68}, {12, 0x69},
    {12, 0x6A}, {12, 0x6B}, {12, 0xD2}, {12, 0xD3}, {12, 0xD4}, {12, 0xD5}, {12, 0xD6}, {12, 0xD7},
    {12, 0x6C}, {12, 0x6D}, {12, 0xDA}, {12, 0xDB}, {12, 0x54}, {12, 0x55}, {12, 0x56}, {12, 0x57},
    {12, 0x64}, {12, 0x65}, {12, 0x52}, {12, 0x53}, {12, 0x24}, {12, 0x37}, {12, 0x38}, {12, 0x27},
    {12, 0x28}, {12, 0x58}, {12, 0x59}, {12, 0x2B}, {12, 0x2C}, {12, 0x5A}, {12, 0x66}, {12, 0x67},
    // make-up 64 .. 1728
    {10, 0x0F}, {12, 0xC8}, {12, 0xC9}, {12, 0x5B}, {12, 0x33}, {12, 0x34}, {12, 0x35}, {13, 0x6C},
    {13, 0x6D}, {13, 0x4A}, {13, 0x4B}, {13, 0x4C}, {13, 0x4D}, {13, 0x72}, {13, 0x73}, {13, 0x74},
    {13, 0x75}, {13, 0x76}, {13, 0x77}, {13, 0x52}, {13, 0x53}, {13, 0x54}, {13, 0x55}, {13, 0x5A},
    {13, 0x5B}, {13, 0x64}, {13, 0x65},
};

// Extended make-up codes 1792 .. 2560, the same for both colours.
constexpr Code kExtended[] = {
    {11, 0x08}, {11, 0x0C}, {11, 0x0D}, {12, 0x12}, {12, 0x13}, {12, 0x14}, {12, 0x15},
    {12, 0x16}, {12, 0x17}, {12, 0x1C}, {12, 0x1D}, {12, 0x1E}, {12, 0x1F},
};

constexpr Code kPass = {4, 0x1};
constexpr Code kHorizontal = {3, 0x1};
// Vertical modes for a1 - b1 = -3 .. 3.
constexpr Code kVertical[] = {{7, 0x02}, {6, 0x02}, {3, 0x02}, {1, 0x1}, {3, 0x03}, {6, 0x03}, {7, 0x03}};

uint8_t reversed(uint8_t b) {
    b = uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

}  // namespace

CcittEncoder::CcittEncoder(CcittMode mode, int32_t width, int fillOrder, std::vector<uint8_t>& out)
    : mode_(mode), width_(width), reverse_(fillOrder == 2), out_(out) {}

void CcittEncoder::putBits(uint32_t code, unsigned length) {
    bits_ = (bits_ << length) | code;
    bitCount_ += length;
    while (bitCount_ >= 8) {
        bitCount_ -= 8;
        const uint8_t b = uint8_t(bits_ >> bitCount_);
        out_.push_back(reverse_ ? reversed(b) : b);
    }
}

void CcittEncoder::padToByte() {
    if (bitCount_ > 0) putBits(0, 8 - bitCount_);
}

void CcittEncoder::putRun(int32_t run, bool black) {
    const Code* table = black ? kBlack : kWhite;
    while (run >= 2560 + 64) {
        putBits(kExtended[12].bits, kExtended[12].length);
        run -= 2560;
    }
    if (run >= 1792) {
        const Code& c = kExtended[(run - 1792) / 64];
        putBits(c.bits, c.length);
        run %= 64;
    } else if (run >= 64) {
        const Code& c = table[63 + run / 64];
        putBits(c.bits, c.length);
        run %= 64;
    }
    putBits(table[run].bits, table[run].length);
}

void CcittEncoder::changesOf(const uint8_t* row, std::vector<int32_t>& changes) const {
    changes.clear();
    bool black = false;
    for (int32_t x = 0; x < width_;) {
        const uint8_t byte = row[x >> 3];
        // Whole bytes of the current colour are skipped at once.
        if ((x & 7) == 0 && byte == (black ? 0xFF : 0x00) && x + 8 <= width_) {
            x += 8;
            continue;
        }
        const bool pixel = (byte >> (7 - (x & 7))) & 1;
        if (pixel != black) {
            changes.push_back(x);
            black = pixel;
        }
        ++x;
    }
    // Sentinels: enough copies of the width for every look-ahead of the 2-D coder.
    changes.insert(changes.end(), 4, width_);
}

void CcittEncoder::codeOneD() {
    int32_t a0 = 0;
    bool black = false;
    for (const int32_t change : cur_) {
        putRun(change - a0, black);
        a0 = change;
        black = !black;
        if (change >= width_) break;
    }
}

void CcittEncoder::codeTwoD() {
    // a0 starts on the imaginary white pixel before the row.
    int32_t a0 = -1;
    bool black = false;
    size_t ia = 0, ib = 0;
    while (a0 < width_) {
        while (cur_[ia] <= a0) ++ia;
        const int32_t a1 = cur_[ia];
        // b1: first change on the reference row right of a0 whose colour is the
        // opposite of a0's; changes to black sit at even positions of the list.
        while (ib > 0 && ref_[ib - 1] > a0) --ib;
        while (ref_[ib] <= a0) ++ib;
        if (((ib & 1) == 0) == black) ++ib;
        const int32_t b1 = ref_[ib];
        const int32_t b2 = ref_[ib + 1];
        if (b2 < a1) {
            putBits(kPass.bits, kPass.length);
            a0 = b2;
        } else if (std::abs(a1 - b1) <= 3) {
            const Code& c = kVertical[a1 - b1 + 3];
            putBits(c.bits, c.length);
            a0 = a1;
            black = !black;
        } else {
            const int32_t a2 = cur_[ia + 1];
            putBits(kHorizontal.bits, kHorizontal.length);
            putRun(a1 - (a0 < 0 ? 0 : a0), black);
            putRun(a2 - a1, !black);
            a0 = a2;
        }
    }
}

void CcittEncoder::beginStrip() {
    bits_ = 0;
    bitCount_ = 0;
    firstRow_ = true;
    // Group 4 codes the first row against an all-white row.
    ref_.assign(4, width_);
}

void CcittEncoder::encodeRow(const uint8_t* row) {
    changesOf(row, cur_);
    switch (mode_) {
        case CcittMode::Huffman:
            codeOneD();
            padToByte();
            break;
        case CcittMode::Group3OneD:
            putEol();
            codeOneD();
            break;
        case CcittMode::Group3TwoD:
            putEol();
            if (firstRow_) {
                putBits(1, 1);
                codeOneD();
            } else {
                putBits(0, 1);
                codeTwoD();
            }
            break;
        case CcittMode::Group4:
            codeTwoD();
            break;
    }
    firstRow_ = false;
    cur_.swap(ref_);
}

void CcittEncoder::endStrip() {
    switch (mode_) {
        case CcittMode::Huffman:
            break;
        case CcittMode::Group3OneD:
        case CcittMode::Group3TwoD:
            putEol();
            break;
        case CcittMode::Group4:
            putEol();
            putEol();
            break;
    }
    padToByte();
}

}  // namespace pix
