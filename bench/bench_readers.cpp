// Load time of a 12-megapixel PNG and LZW TIFF through our readers against
// ImageMagick's decode of the same files (one thread, output discarded), in
// one run. Best of three runs each.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "image/image.h"
#include "readers/readers.h"

#include "bench_support.h"

using benchsupport::bestOf;
using benchsupport::shell;
using benchsupport::writePpm;

namespace {

using Clock = std::chrono::steady_clock;


// A photo-like 4000 x 3000 picture: smooth colour fields with fine texture,
// so the files compress as photographs do.
void writePhotoPpm(const std::string& path, int w, int h) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << w << " " << h << "\n255\n";
    std::vector<char> row(size_t(w) * 3);
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = int((seed >> 16) & 7) - 4;
            const double fx = double(x) / w, fy = double(y) / h;
            const int r = int(128 + 100 * std::sin(6.0 * fx + 2.0 * fy)) + noise;
            const int g = int(128 + 90 * std::cos(4.0 * fy - 3.0 * fx)) + noise;
            const int b = int(128 + 80 * std::sin(9.0 * fx * fy + 1.0)) + noise;
            row[size_t(x) * 3] = char(std::clamp(r, 0, 255));
            row[size_t(x) * 3 + 1] = char(std::clamp(g, 0, 255));
            row[size_t(x) * 3 + 2] = char(std::clamp(b, 0, 255));
        }
        out.write(row.data(), std::streamsize(row.size()));
    }
}


void compare(const std::string& label, const std::string& path) {
    pix::Image img;
    const double ours = bestOf(3, [&] {
        if (!pix::loadImage(path, img)) std::abort();
    });
    const std::string cmd = "/usr/bin/convert -limit thread 1 '" + path + "' ppm:/dev/null";
    const double magick = bestOf(3, [&] {
        if (std::system(cmd.c_str()) != 0) std::abort();
    });
    std::printf("%-10s %dx%d  %8lld bytes  ours %.3f s  ImageMagick %.3f s  ratio %.2f\n", label.c_str(),
                img.width, img.height, (long long)std::filesystem::file_size(path), ours, magick,
                ours / magick);
}

}  // namespace

int main() {
    const std::string dir = std::filesystem::temp_directory_path() / "pixmarsh_bench_readers";
    std::filesystem::create_directories(dir);
    const std::string ppm = dir + "/photo.ppm", png = dir + "/photo.png", tif = dir + "/photo.tif";
    writePhotoPpm(ppm, 4000, 3000);
    if (std::system(("/usr/bin/convert '" + ppm + "' '" + png + "'").c_str()) != 0 ||
        std::system(("/usr/bin/convert '" + ppm + "' -compress lzw '" + tif + "'").c_str()) != 0) {
        std::fprintf(stderr, "ImageMagick could not make the test files\n");
        return 1;
    }
    std::printf("load time, best of 3 (ratio: ours / ImageMagick, lower is faster)\n");
    compare("PNG", png);
    compare("TIFF LZW", tif);
    std::filesystem::remove_all(dir);
    return 0;
}
