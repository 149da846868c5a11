// The extension table of the output formats: a format is one row here and one
// file of its own.
#include <string_view>

#include "profile/text.h"
#include "writers/writers.h"

namespace pix {

namespace {

struct WriterRow {
    const char* format;
    const char* extensions;  // lower case, ';'-separated, dots included
    WriteFn write;
};

constexpr WriterRow kWriters[] = {
    {"JPEG", ".jpg;.jpeg;.jpe;.jif", writeJpeg},
    {"GIF", ".gif", writeGif},
    {"BMP", ".bmp;.dib;.rle", writeBmp},
    {"PCX", ".pcx", writePcx},
    {"PNG", ".png", writePng},
    {"JPEG 2000 file", ".jp2", writeJp2},
    {"JPEG 2000 code stream", ".j2k;.jpc;.j2c", writeJ2k},
    {"TIFF", ".tif;.tiff;.fax;.g3f;.g3n", writeTiff},
};

bool listHas(const char* list, std::string_view ext) {
    std::string_view rest(list);
    while (true) {
        const size_t semi = rest.find(';');
        if (rest.substr(0, semi) == ext) return true;
        if (semi == std::string_view::npos) return false;
        rest.remove_prefix(semi + 1);
    }
}

}  // namespace

WriteFn findWriter(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return nullptr;
    const std::string ext = lowerAscii(path.substr(dot));
    for (const WriterRow& row : kWriters)
        if (listHas(row.extensions, ext)) return row.write;
    return nullptr;
}

bool saveimage(const Image& img, const std::string& path) {
    const WriteFn write = findWriter(path);
    if (!write) return false;
    FileSink out(path);
    if (img.layout != Layout::Bgr24) {
        // Writers take 24-bit colour; the pipeline always delivers it, other callers may not.
        Image colour = img;
        colour.toBgr24();
        write(colour, out);
    } else {
        write(img, out);
    }
    out.commit();
    return true;
}

}  // namespace pix
