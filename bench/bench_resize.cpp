// Resize speed against ImageMagick, single-threaded, in the same run:
//  1. the scaler alone (Lanczos3 and triangle), 4000 x 3000 -> 800 x 600 and
//     800 x 600 -> 1600 x 1200, against `convert -limit thread 1 in.ppm
//     -filter X -resize WxH out.ppm` (that command also reads and writes the
//     PPM: its plain read-and-write time is printed too);
//  2. the whole typical road through pixmarsh-cli run (12 MP baseline JPEG ->
//     downsizebypixel 800 x 600, keep ratio, Lanczos3 -> JPEG quality 85)
//     against `convert -limit thread 1 big.jpg -filter Lanczos -resize 800x600
//     -quality 85 out.jpg`.
// Usage: bench_resize [path to pixmarsh-cli] (default: beside this program).
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "image/image.h"
#include "imageops/resample_filters.h"
#include "imageops/scaler.h"

#include "bench_support.h"

using benchsupport::bestOf;
using benchsupport::shell;
using benchsupport::writePpm;

namespace {

using Clock = std::chrono::steady_clock;

// CPU time (user + system) of this process and of the commands it waited for.
double cpuSeconds() {
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage u{};
        getrusage(who, &u);
        total += double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + 1e-6 * double(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
    }
    return total;
}

// Best of `repeats` runs, as wall-clock and as CPU time. The machine is shared
// with other work, so the CPU time is the steadier figure; both are printed.
struct Timing {
    double wall = 1e9, cpu = 1e9;
};
Timing seconds(const std::function<void()>& f, int repeats) {
    Timing best;
    for (int i = 0; i < repeats; ++i) {
        const auto t0 = Clock::now();
        const double c0 = cpuSeconds();
        f();
        best.cpu = std::min(best.cpu, cpuSeconds() - c0);
        best.wall = std::min(best.wall, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return best;
}


// A photo-like picture: smooth shapes, edges and some sensor noise.
pix::Image photo(int w, int h) {
    pix::Image img;
    img.allocate(w, h, pix::Layout::Bgr24);
    std::mt19937 rng(42);
    for (int y = 0; y < h; ++y) {
        uint8_t* p = img.row(y);
        for (int x = 0; x < w; ++x, p += 3) {
            const double fx = double(x) / w, fy = double(y) / h;
            const int n = int(rng() % 17) - 8;
            const bool disc = (fx - 0.6) * (fx - 0.6) + (fy - 0.4) * (fy - 0.4) < 0.04;
            int r = int(120 + 100 * std::sin(fx * 7 + fy * 3)) + n;
            int g = int(110 + 90 * std::cos(fy * 5) * std::sin(fx * 2)) + n;
            int b = disc ? 230 + n : int(90 + 60 * std::sin((fx + fy) * 9)) + n;
            if (((x / 97) + (y / 89)) % 7 == 0) r = 255 - r;
            p[0] = uint8_t(std::clamp(b, 0, 255));
            p[1] = uint8_t(std::clamp(g, 0, 255));
            p[2] = uint8_t(std::clamp(r, 0, 255));
        }
    }
    return img;
}


}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::string cli = argc > 1 ? argv[1] : (fs::path(argv[0]).parent_path() / "../pixmarsh-cli").string();
    if (!fs::exists(cli)) {
        std::fprintf(stderr, "pixmarsh-cli not found at %s (give its path as the argument)\n", cli.c_str());
        return 2;
    }
    const fs::path dir = fs::temp_directory_path() / ("bench_resize_" + std::to_string(getpid()));
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "out");
    const std::string d = dir.string() + "/";

    const pix::Image big = photo(4000, 3000);
    const pix::Image small = photo(800, 600);
    writePpm(big, d + "big.ppm");
    writePpm(small, d + "small.ppm");
    const Timing imIo = seconds([&] { shell("/usr/bin/convert -limit thread 1 " + d + "big.ppm " + d + "io.ppm"); }, 3);

    std::printf("scaler alone (best of 5) vs ImageMagick command (best of 3)\n");
    std::printf("ImageMagick read+write of the 4000x3000 PPM alone: wall %.3f s, cpu %.3f s\n", imIo.wall, imIo.cpu);
    struct Case {
        const pix::Image* src;
        const char* file;
        int w, h, code;
        const char* imFilter;
    };
    const Case cases[] = {
        {&big, "big.ppm", 800, 600, pix::kFilterLanczos3, "Lanczos"},
        {&big, "big.ppm", 800, 600, pix::kFilterTriangle, "Triangle"},
        {&small, "small.ppm", 1600, 1200, pix::kFilterLanczos3, "Lanczos"},
        {&small, "small.ppm", 1600, 1200, pix::kFilterTriangle, "Triangle"},
    };
    for (const Case& c : cases) {
        // The copy of the source is made outside the timed part.
        Timing ours;
        for (int r = 0; r < 5; ++r) {
            pix::Image img = *c.src;
            const Timing one = seconds([&] { pix::resample(img, c.w, c.h, c.code); }, 1);
            ours.cpu = std::min(ours.cpu, one.cpu);
            ours.wall = std::min(ours.wall, one.wall);
        }
        const std::string size = std::to_string(c.w) + "x" + std::to_string(c.h);
        const Timing im = seconds(
            [&] {
                shell("/usr/bin/convert -limit thread 1 " + d + c.file + " -filter " + c.imFilter + " -resize " +
                      size + "! " + d + "im.ppm");
            },
            3);
        std::printf("%-8s %4dx%-4d -> %-9s  cpu: ours %.4f s, convert %.3f s, ratio %.1fx   (wall: %.4f / %.3f s)\n",
                    c.imFilter, c.src->width, c.src->height, size.c_str(), ours.cpu, im.cpu, im.cpu / ours.cpu,
                    ours.wall, im.wall);
    }

    // The whole road: a 12 MP baseline JPEG through pixmarsh-cli run.
    shell("/usr/bin/convert " + d + "big.ppm -quality 92 -interlace none " + d + "in/big.jpg");
    {
        std::ofstream prof(d + "road.ini", std::ios::binary);
        prof << "directory=\"" << d << "in/\"\r\nsearchfor=\"*.jpg\"\r\nresizemethod=\"downsizebypixel\"\r\n"
             << "width=\"800\"\r\nheight=\"600\"\r\nkeepdimensionratio=true\r\nresamplemethod=\"Lanczos3\"\r\n"
             << "imageformat=\"jpg\"\r\nquality=\"85\"\r\nsavein=\"" << d << "out/\"\r\n";
    }
    const Timing road = seconds(
        [&] { shell("'" + cli + "' run --profile " + d + "road.ini 2>/dev/null"); }, 5);
    const Timing imRoad = seconds(
        [&] {
            shell("/usr/bin/convert -limit thread 1 " + d + "in/big.jpg -filter Lanczos -resize 800x600 -quality 85 " +
                  d + "im.jpg");
        },
        3);
    std::printf("whole road, 12 MP JPEG -> 800x600 Lanczos3 -> JPEG q85:\n"
                "  cpu:  pixmarsh-cli %.3f s, convert %.3f s, ratio %.2fx\n"
                "  wall: pixmarsh-cli %.3f s, convert %.3f s, ratio %.2fx\n",
                road.cpu, imRoad.cpu, imRoad.cpu / road.cpu, road.wall, imRoad.wall, imRoad.wall / road.wall);
    fs::remove_all(dir);
    return 0;
}
