#include "support/writer_support.h"

#include <sstream>
#include <stdexcept>

#include "image/error.h"
#include "support/test_support.h"

namespace pixtest {

std::vector<uint8_t> encode(pix::WriteFn write, const pix::Image& img) {
    pix::MemorySink sink;
    write(img, sink);
    return sink.bytes();
}

void FullDiskSink::write(const void* data, size_t n) {
    if (tell() + n > limit_) throw pix::Error("Cannot write file \"test\". No space left on device");
    MemorySink::write(data, n);
}

namespace {

std::vector<uint8_t> fromHex(const std::string& hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

}  // namespace

PillowImage decodeWithPillow(const std::string& path) {
    const std::string script =
        "import sys\n"
        "from PIL import Image\n"
        "im = Image.open(sys.argv[1]); im.load()\n"
        "print('mode', im.mode)\n"
        "print('size', im.size[0], im.size[1])\n"
        "pal = im.getpalette() if im.mode == 'P' else None\n"
        "print('palette', bytes(pal).hex() if pal else '-')\n"
        "t = im.info.get('transparency')\n"
        "print('transparency', '-' if t is None else (t.hex() if isinstance(t, bytes) else str(t).replace(' ', '')))\n"
        "print('rgba', im.convert('RGBA').tobytes().hex())\n";
    TempDir dir;
    const std::string scriptPath = dir / "decode.py";
    writeFile(scriptPath, script);
    std::string out;
    PillowImage img;
    if (run("/usr/bin/python3 " + scriptPath + " '" + path + "' 2>&1", &out) != 0) {
        img.error = out;
        return img;
    }
    std::istringstream in(out);
    std::string key;
    while (in >> key) {
        if (key == "mode") in >> img.mode;
        else if (key == "size") in >> img.width >> img.height;
        else if (key == "palette") {
            std::string hex;
            in >> hex;
            if (hex != "-") img.palette = fromHex(hex);
        } else if (key == "transparency") {
            in >> img.transparency;
            if (img.transparency == "-") img.transparency.clear();
        } else if (key == "rgba") {
            std::string hex;
            in >> hex;
            img.rgba = fromHex(hex);
        }
    }
    img.ok = img.width > 0 && img.rgba.size() == size_t(img.width) * size_t(img.height) * 4;
    return img;
}

uint32_t pixelAt(const pix::Image& img, int x, int y) {
    const uint8_t* p = img.row(y) + 3 * x;
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

pix::Image withDepth(const pix::Image& img, int bitsPerSample, int samplesPerPixel) {
    pix::Image c = img;
    c.params.BitsPerSample = bitsPerSample;
    c.params.SamplesPerPixel = samplesPerPixel;
    return c;
}

uint32_t colourOf(int i) {
    // Distinct, not gray, spread over the cube.
    return uint32_t((i * 37 + 11) & 255) << 16 | uint32_t((i * 91 + 50) & 255) << 8 | uint32_t((i * 53 + 3) & 255);
}

pix::Image blockImage(int w, int h, int colours) {
    return makeImage(w, h, [&](int x, int y) {
        const int i = ((y / 3) * ((w + 4) / 5) + x / 5) % colours;
        return colourOf(i);
    });
}

}  // namespace pixtest
