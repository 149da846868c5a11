// The typical road on a 12 MP photo-like JPEG: load, brightness 0, contrast 0,
// marker, JPEG quality 85; and, in the same run, libjpeg-turbo's djpeg and
// cjpeg on the same image as the codec reference. Times are the best of five.
//
//   bench_pipeline [image.jpg]   (default: makes /tmp/pixmarsh-bench-12mp.jpg)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "engine/processed_marker.h"
#include "image/sink.h"
#include "imageops/tone.h"
#include "readers/readers.h"
#include "writers/writers.h"

#include "bench_support.h"

using benchsupport::bestOf;
using benchsupport::shell;
using benchsupport::writePpm;

namespace {



}  // namespace

int main(int argc, char** argv) {
    std::string path = argc > 1 ? argv[1] : "/tmp/pixmarsh-bench-12mp.jpg";
    if (argc < 2 && std::system(("test -f " + path).c_str()) != 0)
        shell("/usr/bin/convert -seed 7 -size 4000x3000 plasma:fractal -blur 0x2 -sampling-factor 2x2 -quality 90 " +
              path);
    const std::string ppm = "/tmp/pixmarsh-bench-12mp.ppm";
    shell("djpeg -outfile " + ppm + " " + path);

    pix::Image img;
    const double load = bestOf(5, [&] { pix::loadImage(path, img); });
    pix::Image base = img;
    double bright = 1e9, contrast = 1e9, marker = 1e9;
    for (int i = 0; i < 5; ++i) {
        img = base;
        bright = std::min(bright, bestOf(1, [&] { pix::adjusthsv(img, 0, 0, 0); }));
        contrast = std::min(contrast, bestOf(1, [&] { pix::adjustcontrast(img, 0); }));
        marker = std::min(marker, bestOf(1, [&] { pix::writeProcessedMarker(img); }));
    }
    img.params.JpegQuality = 85;
    const double write = bestOf(5, [&] {
        pix::MemorySink sink;
        pix::writeJpeg(img, sink);
    });
    const double djpeg = bestOf(5, [&] { shell("djpeg -outfile /dev/null " + path); });
    const double cjpeg = bestOf(5, [&] { shell("cjpeg -quality 85 -outfile /dev/null " + ppm); });

    std::printf("image %s: %d x %d\n", path.c_str(), base.width, base.height);
    std::printf("load (libjpeg-turbo)   %7.3f s   reference djpeg %7.3f s\n", load, djpeg);
    std::printf("brightness 0           %7.3f s\n", bright);
    std::printf("contrast 0             %7.3f s\n", contrast);
    std::printf("marker                 %7.3f s\n", marker);
    std::printf("per-pixel work total   %7.3f s   = %.2f x djpeg decode\n", bright + contrast + marker,
                (bright + contrast + marker) / djpeg);
    std::printf("JPEG write q85         %7.3f s   reference cjpeg %7.3f s\n", write, cjpeg);
    std::printf("whole road             %7.3f s   reference djpeg+cjpeg %7.3f s\n",
                load + bright + contrast + marker + write, djpeg + cjpeg);
    return 0;
}
