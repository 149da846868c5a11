#pragma once
// Shared body of the reader fuzz targets.
#include <cstddef>
#include <cstdint>
#include <new>

#include "image/error.h"
#include "image/image.h"
#include "readers/readers.h"

namespace pixfuzz {

inline int runReader(pix::ReadFn read, const uint8_t* data, size_t size) {
    pix::Image img;
    try {
        read(data, size, img);
    } catch (const pix::Error&) {
    } catch (const std::bad_alloc&) {
    }
    // Touch what was decoded so out-of-bounds sizes show up.
    if (!img.pixels.empty()) {
        volatile uint8_t sink = img.pixels.front() ^ img.pixels.back();
        (void)sink;
        if (img.pixels.size() < img.stride() * size_t(img.height)) __builtin_trap();
    }
    return 0;
}

}  // namespace pixfuzz
