#pragma once
// A bounds-checked little-endian cursor over a file held in memory, for the
// decoders that parse headers themselves (BMP, PCX). Reading past the end
// throws an Error naming the format, so a short header never reads stray
// memory.
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/error.h"

namespace pix {

struct ByteReader {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    const char* format = "";  // names the format in the error texts

    size_t left() const { return pos <= size ? size - pos : 0; }
    bool has(size_t n) const { return n <= left(); }

    void need(size_t n) const {
        if (!has(n)) throw Error(std::string(format) + " file is truncated");
    }
    void seek(size_t to) {
        if (to > size) throw Error(std::string(format) + " file is truncated");
        pos = to;
    }
    void skip(size_t n) {
        need(n);
        pos += n;
    }
    uint8_t u8() {
        need(1);
        return data[pos++];
    }
    uint16_t u16() {
        need(2);
        const uint16_t v = uint16_t(data[pos] | data[pos + 1] << 8);
        pos += 2;
        return v;
    }
    uint32_t u32() {
        need(4);
        const uint32_t v = uint32_t(data[pos]) | uint32_t(data[pos + 1]) << 8 | uint32_t(data[pos + 2]) << 16 |
                           uint32_t(data[pos + 3]) << 24;
        pos += 4;
        return v;
    }
    int32_t i32() { return int32_t(u32()); }
};

}  // namespace pix
