#include "writers/gif_rle_encoder.h"

namespace pix {

GifRleEncoder::GifRleEncoder(ByteSink& out, int minCodeSize) : out_(out) {
    clear_ = 1 << minCodeSize;
    eoi_ = clear_ + 1;
    base_ = clear_ + 2;
    width0_ = minCodeSize + 1;
    bump0_ = clear_ - 1;
    limit0_ = width0_ <= 3 ? 9 : clear_ - 2;
    maxCodes_ = 4093 - clear_;
    reset();
    send(clear_);
}

void GifRleEncoder::flushBlock() {
    if (blockLength_ == 0) return;
    block_[0] = uint8_t(blockLength_);
    out_.write(block_, size_t(blockLength_) + 1);
    blockLength_ = 0;
}

void GifRleEncoder::send(int code) {
    bitBuffer_ |= uint32_t(code) << bitCount_;
    bitCount_ += width_;
    while (bitCount_ >= 8) {
        block_[1 + blockLength_++] = uint8_t(bitBuffer_);
        bitBuffer_ >>= 8;
        bitCount_ -= 8;
        if (blockLength_ == 255) flushBlock();
    }
}

void GifRleEncoder::reset() {
    width_ = width0_;
    bump_ = bump0_;
    limit_ = limit0_;
    count_ = 0;
    tableLength_ = 0;
    justCleared_ = true;
}

void GifRleEncoder::sendClearAndReset() {
    send(clear_);
    reset();
}

void GifRleEncoder::plain(int code) {
    justCleared_ = false;
    send(code);
    ++count_;
    if (count_ >= bump_) {
        ++width_;
        bump_ += 1 << (width_ - 1);
    }
    if (count_ >= limit_) sendClearAndReset();
}

void GifRleEncoder::restoreLimit() {
    limit_ = limit0_;
    if (count_ >= limit_) sendClearAndReset();
}

// Codes needed to send a run of n pixels from an empty table, where the codes
// grow one pixel longer each time (a triangle of 1 + 2 + ... pixels).
int64_t GifRleEncoder::cost(int64_t n) const {
    const int64_t m = maxCodes_;
    const int64_t perTriangle = m * (m + 1) / 2;
    int64_t c = (n / perTriangle) * m;
    n %= perTriangle;
    if (n > 0) {
        int64_t s = 1;
        while (s * (s + 1) < 2 * n) s <<= 1;  // an upper bound, then the smallest by bisection
        int64_t lo = 1, hi = s;
        while (lo < hi) {
            const int64_t mid = (lo + hi) / 2;
            if (mid * (mid + 1) >= 2 * n) hi = mid; else lo = mid + 1;
        }
        c += lo;
    }
    return c;
}

void GifRleEncoder::fromClear(int64_t n) {
    const int p = runPixel_;
    limit_ = maxCodes_;
    tablePixel_ = p;
    int64_t i = 1;
    while (n > 0) {
        if (i == 1) {
            tableLength_ = 1;
            plain(p);
            n -= 1;
        } else if (n >= i) {
            tableLength_ = int(i);
            plain(base_ + int(i) - 2);
            n -= i;
        } else if (n == 1) {
            ++tableLength_;
            plain(p);
            n = 0;
        } else {
            ++tableLength_;
            plain(base_ + int(n) - 2);
            n = 0;
        }
        i = count_ == 0 ? 1 : i + 1;
    }
    restoreLimit();
}

void GifRleEncoder::withTable(int64_t n) {
    const int p = runPixel_;
    const int64_t t = tableLength_;
    int64_t r = n / t, l = n % t, e = l > 0 ? 1 : 0;
    if (count_ + r + e > maxCodes_) {
        r = maxCodes_ - count_;
        l = n - r * t;
        e = 1 + cost(l);
    }
    if (1 + cost(n) < r + e) {
        sendClearAndReset();
        fromClear(n);
        return;
    }
    limit_ = maxCodes_;
    for (; r > 0; --r) plain(base_ + int(t) - 2);
    if (l > 0) {
        if (justCleared_) fromClear(l);
        else if (l == 1) plain(p);
        else plain(base_ + int(l) - 2);
    }
    restoreLimit();
}

void GifRleEncoder::flushRun() {
    const int64_t n = runLength_;
    const int p = runPixel_;
    runLength_ = 0;
    if (n == 1) {
        plain(p);
    } else if (justCleared_) {
        fromClear(n);
    } else if (tableLength_ < 2 || tablePixel_ != p) {
        if (1 + cost(n) < n) {
            sendClearAndReset();
            fromClear(n);
        } else {
            for (int64_t i = 0; i < n; ++i) plain(p);
        }
    } else {
        withTable(n);
    }
}

void GifRleEncoder::add(const uint8_t* pixels, size_t n) {
    size_t i = 0;
    while (i < n) {
        const int v = pixels[i];
        if (runLength_ > 0 && v != runPixel_) flushRun();
        if (runLength_ == 0) runPixel_ = v;
        size_t j = i + 1;
        while (j < n && pixels[j] == v) ++j;
        runLength_ += int64_t(j - i);
        i = j;
    }
}

void GifRleEncoder::finish() {
    if (runLength_ > 0) flushRun();
    send(eoi_);
    if (bitCount_ > 0) {
        block_[1 + blockLength_++] = uint8_t(bitBuffer_);
        bitBuffer_ = 0;
        bitCount_ = 0;
        if (blockLength_ == 255) flushBlock();
    }
    flushBlock();
    out_.put8(0);
}

}  // namespace pix
