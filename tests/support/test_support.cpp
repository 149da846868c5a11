#include "support/test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

namespace pixtest {

TempDir::TempDir() {
    char tmpl[] = "/tmp/pixmarsh-test-XXXXXX";
    const char* p = ::mkdtemp(tmpl);
    if (!p) throw std::runtime_error("mkdtemp failed");
    path_ = std::string(p) + "/";
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string readText(const std::string& path) {
    const std::vector<uint8_t> b = readFile(path);
    return std::string(b.begin(), b.end());
}

bool exists(const std::string& path) { return std::filesystem::exists(path); }

std::string dataPath(const std::string& name) { return std::string(PIXMARSH_TEST_DATA) + "/" + name; }

int run(const std::string& command, std::string* out) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) text.append(buf, n);
    const int status = ::pclose(pipe);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

pix::Image photoImage(int w, int h) {
    return makeImage(w, h, [&](int x, int y) {
        const int r = int(127 + 120 * std::sin(x * 0.013 + y * 0.007));
        const int g = int(127 + 100 * std::cos(y * 0.011) * std::sin(x * 0.002));
        const int b = ((x * 7 + y * 13) & 63) + int(96 + 60 * std::sin((x + y) * 0.005));
        return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(std::min(b, 255));
    });
}

pix::Image randomBilevel(int w, int h, uint32_t seed) {
    std::mt19937 rng(seed);
    pix::Image img;
    img.allocate(w, h, pix::Layout::Bilevel);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (rng() & 1) img.row(y)[x >> 3] |= uint8_t(0x80 >> (x & 7));
    return img;
}

Rgb8 decodeWithMagick(const std::string& path) {
    Rgb8 out;
    std::string dims;
    if (run("/usr/bin/identify -format '%w %h' '" + path + "[0]' 2>/dev/null", &dims) != 0) return out;
    std::istringstream(dims) >> out.width >> out.height;
    std::string raw;
    run("/usr/bin/convert '" + path + "[0]' -depth 8 rgb:- 2>/dev/null", &raw);
    out.rgb.assign(raw.begin(), raw.end());
    return out;
}

void writePpm(const pix::Image& img, const std::string& path) {
    pix::Image c = img;
    c.toBgr24();
    std::string data = "P6\n" + std::to_string(c.width) + " " + std::to_string(c.height) + "\n255\n";
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const uint8_t* p = c.row(y) + 3 * x;
            data += char(p[2]);
            data += char(p[1]);
            data += char(p[0]);
        }
    writeFile(path, data);
}

}  // namespace pixtest
