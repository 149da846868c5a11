#pragma once
// Helpers shared by the tests: temporary folders, files, small images and
// running the independent tools (ImageMagick, libjpeg's djpeg, ...).
#include <cstdint>
#include <string>
#include <vector>

#include "image/image.h"

namespace pixtest {

// A fresh folder under /tmp, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }  // ends in "/"
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

void writeFile(const std::string& path, const std::string& bytes);
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> readFile(const std::string& path);
std::string readText(const std::string& path);
bool exists(const std::string& path);
std::string dataPath(const std::string& name);  // tests/data/<name>

// Runs a shell command; returns its exit status and fills out with stdout.
int run(const std::string& command, std::string* out = nullptr);

// A 24-bit image whose pixels come from f(x, y) -> 0xRRGGBB.
template <class F>
pix::Image makeImage(int w, int h, F f) {
    pix::Image img;
    img.allocate(w, h, pix::Layout::Bgr24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t c = f(x, y);
            uint8_t* p = img.row(y) + 3 * x;
            p[0] = uint8_t(c), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c >> 16);
        }
    return img;
}
// A photo-like test image: smooth gradients with some texture.
pix::Image photoImage(int w, int h);
// A bilevel image of random bits (the same for the same seed).
pix::Image randomBilevel(int w, int h, uint32_t seed);

// Decodes any image with ImageMagick into packed RGB (8 bits per channel).
struct Rgb8 {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};
Rgb8 decodeWithMagick(const std::string& path);
// Writes an image's pixels as a binary PPM for the independent tools.
void writePpm(const pix::Image& img, const std::string& path);

}  // namespace pixtest

#include "profile/engine_profile.h"

namespace pixtest {
// An engine profile holding the given lines, as loadprofilelines would keep them.
inline pix::EngineProfile profileOf(const std::vector<std::string>& lines) {
    pix::EngineProfile p;
    p.setLines(lines);
    return p;
}
}  // namespace pixtest
