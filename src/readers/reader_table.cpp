// The extension table of the input formats: a format is one row here and one
// file of its own.
#include <array>
#include <fstream>
#include <iterator>
#include <vector>

#include "image/error.h"
#include "image/extension_list.h"
#include "readers/readers.h"

namespace pix {

namespace {

struct ReaderRow {
    const char* format;
    const char* extensions;  // ";"-separated, without dots
    ReadFn read;
};

constexpr ReaderRow kReaders[] = {
    {"JPEG", "JPG;JPEG;JPE;JIF", readJpeg},
    {"JPEG 2000 file", "JP2", readJp2},
    {"JPEG 2000 code stream", "J2K;JPC;J2C", readJ2k},
    {"GIF", "GIF", readGif},
    {"TIFF", "TIF;TIFF;FAX;G3N;G3F;XIF", readTiff},
    {"PNG", "PNG", readPng},
    {"BMP", "BMP;DIB;RLE", readBmp},
    {"PCX", "PCX", readPcx},
};

}  // namespace

ReadFn findReader(const std::string& path) {
    const std::string_view ext = pathExtension(path);
    for (const ReaderRow& row : kReaders)
        if (extensionListHas(row.extensions, ext)) return row.read;
    return nullptr;
}

bool loadImage(const std::string& path, Image& img) {
    const ReadFn read = findReader(path);
    if (!read) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Error(msgCannotOpen(path));
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw Error(msgCannotOpen(path));
    img.params.resetMetadata();
    try {
        read(data.data(), data.size(), img);
    } catch (const Error& e) {
        throw Error(path + ": " + e.what());
    } catch (const std::bad_alloc&) {
        throw Error(path + ": not enough memory to decode the image");
    }
    if (img.xdpi < 2) img.xdpi = 300;
    if (img.ydpi < 2) img.ydpi = 300;
    img.params.HorizontalDpi = img.xdpi;
    img.params.VerticalDpi = img.ydpi;
    return true;
}

}  // namespace pix
