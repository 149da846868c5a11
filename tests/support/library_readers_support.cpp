#include "library_readers_support.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace pixtest {

pix::Image readBytes(pix::ReadFn read, const std::vector<uint8_t>& bytes) {
    pix::Image img;
    img.xdpi = img.ydpi = -1;  // shows which resolution the reader set
    read(bytes.data(), bytes.size(), img);
    return img;
}

pix::Image readFixture(pix::ReadFn read, const std::string& name) {
    return readBytes(read, readFile(dataPath(name)));
}

std::vector<uint8_t> alphaWithMagick(const std::string& path) {
    std::string raw;
    run("/usr/bin/convert '" + path + "[0]' -alpha extract -depth 8 gray:- 2>/dev/null", &raw);
    return std::vector<uint8_t>(raw.begin(), raw.end());
}

void expectPixelsNear(const pix::Image& img, const Rgb8& ref, int tol, const std::string& what) {
    ASSERT_EQ(img.width, ref.width) << what;
    ASSERT_EQ(img.height, ref.height) << what;
    ASSERT_EQ(ref.rgb.size(), size_t(ref.width) * ref.height * 3) << what;
    pix::Image c = img;
    c.toBgr24();
    int worst = 0, wx = 0, wy = 0;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const uint8_t* p = c.row(y) + 3 * x;
            const uint8_t* q = ref.rgb.data() + (size_t(y) * ref.width + x) * 3;
            const int d = std::max({std::abs(p[2] - q[0]), std::abs(p[1] - q[1]), std::abs(p[0] - q[2])});
            if (d > worst) worst = d, wx = x, wy = y;
        }
    EXPECT_LE(worst, tol) << what << ": largest difference at " << wx << "," << wy;
}

}  // namespace pixtest
