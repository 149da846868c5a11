// Write time of a 12 MP image as GIF (256 colours), BMP 8-bit RLE and PNG
// level 3, against ImageMagick (one thread) writing the same from a PPM.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "image/image.h"
#include "writers/writers.h"

namespace {

pix::Image photo(int w, int h) {
    pix::Image img;
    img.allocate(w, h, pix::Layout::Bgr24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = img.row(y) + 3 * x;
            const int r = int(127 + 120 * std::sin(x * 0.0013 + y * 0.0007));
            const int g = int(127 + 100 * std::cos(y * 0.0011) * std::sin(x * 0.0002));
            const int b = ((x * 7 + y * 13) & 63) + int(96 + 60 * std::sin((x + y) * 0.0005));
            p[0] = uint8_t(std::min(b, 255)), p[1] = uint8_t(g), p[2] = uint8_t(r);
        }
    return img;
}

double seconds(const std::chrono::steady_clock::time_point& t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double timeCommand(const std::string& cmd) {
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", cmd.c_str());
    return seconds(t0);
}

long fileSize(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return -1;
    std::fseek(f, 0, SEEK_END);
    const long n = std::ftell(f);
    std::fclose(f);
    return n;
}

}  // namespace

int main() {
    const int w = 4000, h = 3000;
    const std::string dir = "/tmp/pixmarsh-bench-writers";
    std::system(("mkdir -p " + dir).c_str());
    pix::Image img = photo(w, h);

    // The same pixels as a PPM for ImageMagick.
    {
        FILE* f = std::fopen((dir + "/in.ppm").c_str(), "wb");
        std::fprintf(f, "P6\n%d %d\n255\n", w, h);
        std::vector<uint8_t> row(size_t(w) * 3);
        for (int y = 0; y < h; ++y) {
            const uint8_t* p = img.row(y);
            for (int x = 0; x < w; ++x) row[3 * x] = p[3 * x + 2], row[3 * x + 1] = p[3 * x + 1], row[3 * x + 2] = p[3 * x];
            std::fwrite(row.data(), 1, row.size(), f);
        }
        std::fclose(f);
    }
    const std::string im = "/usr/bin/convert -limit thread 1 " + dir + "/in.ppm ";
    const double readOnly = timeCommand(im + "null: 2>/dev/null");

    struct Job {
        const char* name;
        const char* file;
        int bits, samples;
        pix::PngFilterKindValue filter;
        std::string magick;
    };
    // ImageMagick filters every truecolour row with Sub whatever it is told,
    // so the PNG row is also timed with our Sub filter for a like-for-like figure.
    const std::string imPng = im + "-define png:compression-level=3 -define png:compression-filter=0 " + dir + "/im.png";
    const Job jobs[] = {
        {"GIF 256 colours", "out.gif", 8, 1, pix::PngFilterKindValue::None, im + "-colors 256 " + dir + "/im.gif"},
        {"BMP 8-bit RLE", "out.bmp", 8, 1, pix::PngFilterKindValue::None, im + "-colors 256 -type Palette -compress RLE BMP3:" + dir + "/im.bmp"},
        {"PNG level 3", "out.png", 8, 3, pix::PngFilterKindValue::None, imPng},
        {"PNG 3, Sub", "out.png", 8, 3, pix::PngFilterKindValue::Sub, imPng},
    };
    std::printf("12 MP (%d x %d); ImageMagick reading the PPM alone: %.2f s\n", w, h, readOnly);
    std::printf("%-16s %10s %12s %10s %12s %8s %8s\n", "format", "ours s", "ours bytes", "IM s", "IM bytes", "ratio", "ratio*");
    for (const Job& j : jobs) {
        img.params.BitsPerSample = j.bits;
        img.params.SamplesPerPixel = j.samples;
        img.params.BmpRle = 1;
        img.params.PngCompressionLevel = 3;
        img.params.PngFilter = j.filter;
        const auto t0 = std::chrono::steady_clock::now();
        pix::saveimage(img, dir + "/" + j.file);
        const double ours = seconds(t0);
        const double theirs = timeCommand(j.magick + " 2>/dev/null");
        const std::string imFile = dir + "/" + std::string(j.magick.substr(j.magick.rfind('/') + 1));
        std::printf("%-16s %10.2f %12ld %10.2f %12ld %8.2f %8.2f\n", j.name, ours, fileSize(dir + "/" + j.file), theirs,
                    fileSize(imFile), ours / theirs, ours / (theirs - readOnly));
    }
    std::printf("ratio = ours / ImageMagick; ratio* = ours / (ImageMagick minus its PPM read)\n");
    std::system(("rm -rf " + dir).c_str());
    return 0;
}
