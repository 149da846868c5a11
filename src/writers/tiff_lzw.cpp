#include "writers/tiff_lzw.h"

#include <algorithm>

namespace pix {

namespace {
constexpr unsigned kClear = 256;
constexpr unsigned kEoi = 257;
constexpr unsigned kFirstFree = 258;
// The table restarts before a code would need more than 12 bits; decoders
// widen their codes one entry early, so 4094 is where it stops.
constexpr unsigned kTableFull = 4094;
constexpr int kHashShift = 4;  // spreads the byte over the 5003 slots
}  // namespace

TiffLzwEncoder::TiffLzwEncoder(std::vector<uint8_t>& out) : out_(out) { resetTable(); }

void TiffLzwEncoder::resetTable() {
    std::fill(std::begin(keys_), std::end(keys_), -1);
    nextCode_ = kFirstFree;
    width_ = 9;
}

void TiffLzwEncoder::putCode(unsigned code) {
    bits_ = (bits_ << width_) | code;
    bitCount_ += width_;
    while (bitCount_ >= 8) {
        bitCount_ -= 8;
        out_.push_back(uint8_t(bits_ >> bitCount_));
    }
}

void TiffLzwEncoder::beginStrip() {
    bits_ = 0;
    bitCount_ = 0;
    pending_ = -1;
    resetTable();
    putCode(kClear);
}

void TiffLzwEncoder::encode(const uint8_t* data, size_t n) {
    size_t i = 0;
    if (pending_ < 0 && n > 0) pending_ = data[i++];
    int ent = pending_;
    for (; i < n; ++i) {
        const int c = data[i];
        const int32_t key = (int32_t(c) << 12) + ent;
        int h = (c << kHashShift) ^ ent;
        if (keys_[h] == key) {
            ent = codes_[h];
            continue;
        }
        if (keys_[h] >= 0) {
            const int step = h == 0 ? 1 : kHashSize - h;
            bool found = false;
            do {
                h -= step;
                if (h < 0) h += kHashSize;
                if (keys_[h] == key) {
                    found = true;
                    break;
                }
            } while (keys_[h] >= 0);
            if (found) {
                ent = codes_[h];
                continue;
            }
        }
        putCode(unsigned(ent));
        ent = c;
        keys_[h] = key;
        codes_[h] = uint16_t(nextCode_++);
        if (nextCode_ == kTableFull) {
            putCode(kClear);
            resetTable();
        } else if (nextCode_ > (1u << width_) - 1) {
            ++width_;
        }
    }
    pending_ = ent;
}

void TiffLzwEncoder::endStrip() {
    if (pending_ >= 0) {
        putCode(unsigned(pending_));
        // The decoder adds an entry for this code too and may widen before EOI.
        ++nextCode_;
        if (nextCode_ > (1u << width_) - 1 && width_ < 12) ++width_;
    }
    putCode(kEoi);
    if (bitCount_ > 0) out_.push_back(uint8_t(bits_ << (8 - bitCount_)));
    bits_ = 0;
    bitCount_ = 0;
    pending_ = -1;
}

}  // namespace pix
