// Palette quantiser speed on a 12 MP photo-like image: the build and the
// lookup of every pixel, for 16 colours (box splitting) and 256 colours
// (neural network), with ImageMagick's own reduction to the same number of
// colours (no dithering, one thread) in the same run as the reference.
// All times are CPU times.
//
//   bench_quantiser [--plasma]   --plasma: the image is ImageMagick's plasma:fractal
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "imageops/neural_quantiser.h"
#include "imageops/palette_quantiser.h"

#include "bench_support.h"

using benchsupport::bestOf;
using benchsupport::shell;
using benchsupport::writePpm;

namespace {

// CPU time of this thread: the machine is shared, and wall time would count
// other programs' work.
struct Clock {
    using time_point = double;
    static double now() {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
    }
};
double secondsSince(double t) { return Clock::now() - t; }

// CPU time (user + system) of the finished child processes so far.
double childCpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_CHILDREN, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
}

// Smooth gradients, texture and a little sensor noise: hundreds of thousands of colours.
pix::Image photoLike(int w, int h) {
    pix::Image img;
    img.allocate(w, h, pix::Layout::Bgr24);
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
        uint8_t* p = img.row(y);
        for (int x = 0; x < w; ++x, p += 3) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 28) - 8;
            const double sky = y < h / 3 ? 1.0 : 0.0;
            const int r = int(127 + 110 * std::sin(x * 0.0021 + y * 0.0013) + 20 * std::sin(x * 0.05)) + noise;
            const int g = int(120 + 90 * std::cos(y * 0.0017) * std::sin(x * 0.0009) + 40 * sky) + noise / 2;
            const int b = int(100 + 80 * std::sin((x + y) * 0.0011) + 60 * sky + ((x * 7 + y * 13) & 31)) + noise;
            p[0] = uint8_t(std::clamp(b, 0, 255));
            p[1] = uint8_t(std::clamp(g, 0, 255));
            p[2] = uint8_t(std::clamp(r, 0, 255));
        }
    }
    return img;
}


// Reads the binary PPM ImageMagick writes (maxval 255, one whitespace after it).
bool readPpm(const std::string& path, pix::Image& img) {
    std::ifstream f(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxval = 0;
    if (!(f >> magic >> w >> h >> maxval) || magic != "P6" || maxval != 255) return false;
    f.get();
    img.allocate(w, h, pix::Layout::Bgr24);
    std::string row(size_t(w) * 3, '\0');
    for (int y = 0; y < h; ++y) {
        if (!f.read(row.data(), std::streamsize(row.size()))) return false;
        uint8_t* p = img.row(y);
        for (int x = 0; x < w; ++x) {
            p[3 * x] = uint8_t(row[3 * x + 2]);
            p[3 * x + 1] = uint8_t(row[3 * x + 1]);
            p[3 * x + 2] = uint8_t(row[3 * x]);
        }
    }
    return true;
}

void bench(const pix::Image& img, int n, const std::string& ppm) {
    const double pixels = double(img.width) * img.height;
    auto t = Clock::now();
    const pix::PaletteQuantiser q(img, n);
    const double build = secondsSince(t);

    const char* methods[] = {"gray ramp", "exact list", "box splitting", "neural"};
    uint64_t checksum = 0;
    t = Clock::now();
    for (int y = 0; y < img.height; ++y) {
        const uint8_t* p = img.row(y);
        for (int x = 0; x < img.width; ++x, p += 3) checksum += uint32_t(q.lookup(p[2], p[1], p[0]));
    }
    const double lookup = secondsSince(t);
    std::printf("N=%3d  %-13s palette %3zu  build %7.1f ms  lookup %7.1f ms (%5.2f ns/pixel)  [checksum %llu]\n", n,
                methods[int(q.method())], q.palette().size(), build * 1e3, lookup * 1e3, lookup / pixels * 1e9,
                (unsigned long long)checksum);

    if (q.method() == pix::PaletteQuantiser::Method::Neural) {
        // The plain outward search from the green index, without the candidate lists.
        const pix::NeuralQuantiser nq(img, n);
        uint64_t c2 = 0;
        t = Clock::now();
        for (int y = 0; y < img.height; ++y) {
            const uint8_t* p = img.row(y);
            for (int x = 0; x < img.width; ++x, p += 3) c2 += uint32_t(nq.search(p[2], p[1], p[0]));
        }
        const double search = secondsSince(t);
        std::printf("       plain outward search:        %7.1f ms (%5.2f ns/pixel)%s\n", search * 1e3,
                    search / pixels * 1e9, c2 == checksum ? "" : "  MISMATCH");
    }

    if (!ppm.empty()) {
        const std::string cmd = "/usr/bin/convert -limit thread 1 '" + ppm + "' +dither -colors " +
                                std::to_string(n) + " '" + ppm + ".out.ppm'";
        const double before = childCpuSeconds();
        const int rc = std::system(cmd.c_str());
        const double magick = childCpuSeconds() - before;
        std::printf("       ImageMagick -colors %d +dither (incl. PPM read/write): %7.1f ms%s; ours build+lookup = %.3f x\n",
                    n, magick * 1e3, rc == 0 ? "" : " (failed)", (build + lookup) / magick);
        std::remove((ppm + ".out.ppm").c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool plasma = argc > 1 && std::strcmp(argv[1], "--plasma") == 0;
    const int w = 4000, h = 3000;
    const std::string ppm = "/tmp/bench_quantiser_" + std::to_string(getpid()) + ".ppm";
    pix::Image img;
    if (plasma) {
        const std::string cmd = "/usr/bin/convert -seed 7 -size " + std::to_string(w) + "x" + std::to_string(h) +
                                " plasma:fractal -depth 8 '" + ppm + "'";
        if (std::system(cmd.c_str()) != 0 || !readPpm(ppm, img)) {
            std::fprintf(stderr, "could not make the plasma image\n");
            return 1;
        }
    } else {
        img = photoLike(w, h);
        if (!writePpm(img, ppm)) std::fprintf(stderr, "could not write %s\n", ppm.c_str());
    }
    std::vector<uint64_t> seen(size_t(1) << 18);
    size_t colours = 0;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const uint8_t* p = img.row(y) + 3 * x;
            const uint32_t c = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
            if (!(seen[c >> 6] >> (c & 63) & 1)) ++colours;
            seen[c >> 6] |= uint64_t(1) << (c & 63);
        }
    std::printf("image %dx%d (%s), %zu distinct colours\n", img.width, img.height,
                plasma ? "plasma:fractal" : "generated photo", colours);
    bench(img, 16, ppm);
    bench(img, 256, ppm);
    std::remove(ppm.c_str());
    return 0;
}
