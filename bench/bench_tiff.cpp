// TIFF LZW write time of a 12 MP photo-like image against ImageMagick's LZW
// TIFF writer on the same pixels, in the same run. ImageMagick's figure
// includes reading the PPM; its uncompressed write is timed too so the
// read and the LZW part can be told apart.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "image/image.h"
#include "writers/writers.h"

#include "bench_support.h"

using benchsupport::bestOf;
using benchsupport::shell;
using benchsupport::writePpm;

namespace {

pix::Image photo(int w, int h) {
    pix::Image img;
    img.allocate(w, h, pix::Layout::Bgr24);
    std::mt19937 rng(7);
    for (int y = 0; y < h; ++y) {
        uint8_t* p = img.row(y);
        for (int x = 0; x < w; ++x) {
            const int noise = int(rng() % 9) - 4;  // sensor-like grain
            const int r = int(127 + 110 * std::sin(x * 0.0031 + y * 0.0017)) + noise;
            const int g = int(120 + 90 * std::cos(y * 0.0023) * std::sin(x * 0.0009)) + noise;
            const int b = int(100 + 80 * std::sin((x + y) * 0.0012)) + ((x / 40 + y / 40) % 2) * 30 + noise;
            p[3 * x] = uint8_t(std::clamp(b, 0, 255));
            p[3 * x + 1] = uint8_t(std::clamp(g, 0, 255));
            p[3 * x + 2] = uint8_t(std::clamp(r, 0, 255));
        }
    }
    return img;
}



uint64_t fileSize(const std::string& path) { return std::filesystem::file_size(path); }

}  // namespace

int main(int argc, char** argv) {
    const int reps = argc > 1 ? std::atoi(argv[1]) : 3;
    const std::string dir = std::filesystem::temp_directory_path() / "pixmarsh-bench-tiff";
    std::filesystem::create_directories(dir);
    pix::Image img = photo(4000, 3000);
    img.params.TiffCompression = pix::kTiffLzw;
    const std::string ppm = dir + "/in.ppm", ours = dir + "/ours.tif", magick = dir + "/magick.tif",
                      magickNone = dir + "/magick-none.tif";
    writePpm(img, ppm);

    const double tOurs = bestOf(reps, [&] { pix::saveimage(img, ours); });
    const std::string convert = "/usr/bin/convert -limit thread 1 '" + ppm + "' ";
    const double tMagick = bestOf(reps, [&] {
        if (std::system((convert + "-compress LZW '" + magick + "'").c_str()) != 0) std::puts("convert failed");
    });
    const double tMagickNone = bestOf(reps, [&] {
        if (std::system((convert + "-compress None '" + magickNone + "'").c_str()) != 0) std::puts("convert failed");
    });

    std::printf("12 MP photo (4000 x 3000), TIFF LZW, best of %d\n", reps);
    std::printf("  pixmarsh writeTiff (LZW + predictor): %.3f s, %llu bytes\n", tOurs,
                (unsigned long long)fileSize(ours));
    std::printf("  ImageMagick convert ppm -> LZW tif:  %.3f s, %llu bytes\n", tMagick,
                (unsigned long long)fileSize(magick));
    std::printf("  ImageMagick convert ppm -> raw tif:  %.3f s (read + uncompressed write)\n", tMagickNone);
    std::printf("  ratio ours / ImageMagick LZW: %.2f; ours / ImageMagick LZW part only: %.2f\n", tOurs / tMagick,
                tOurs / std::max(1e-9, tMagick - tMagickNone));
    std::filesystem::remove_all(dir);
    return 0;
}
