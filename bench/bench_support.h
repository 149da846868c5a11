#pragma once
// Small helpers shared by the benchmark programs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "image/image.h"

namespace benchsupport {

// Best wall-clock time of n runs, in seconds.
inline double bestOf(int n, const std::function<void()>& f) {
    double best = 1e9;
    for (int i = 0; i < n; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

// Runs a shell command; a failing reference command ends the benchmark.
inline void shell(const std::string& cmd) {
    if (std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr, "command failed: %s\n", cmd.c_str());
        std::exit(1);
    }
}

// Writes the image as a binary PPM for the reference tools.
inline bool writePpm(const pix::Image& img, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", img.width, img.height);
    std::vector<uint8_t> row(size_t(img.width) * 3);
    for (int y = 0; y < img.height; ++y) {
        const uint8_t* p = img.row(y);
        for (size_t x = 0; x < size_t(img.width); ++x) {
            row[3 * x] = p[3 * x + 2];
            row[3 * x + 1] = p[3 * x + 1];
            row[3 * x + 2] = p[3 * x];
        }
        std::fwrite(row.data(), 1, row.size(), f);
    }
    return std::fclose(f) == 0;
}

}  // namespace benchsupport
