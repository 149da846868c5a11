// The extension table of the output formats: a format is one row here and one
// file of its own.
#include <string_view>

#include "image/extension_list.h"
#include "writers/writers.h"

namespace pix {

namespace {

struct WriterRow {
    const char* format;
    const char* extensions;  // ";"-separated, without dots
    WriteFn write;
};

constexpr WriterRow kWriters[] = {
    {"JPEG", "JPG;JPEG;JPE;JIF", writeJpeg},
    {"GIF", "GIF", writeGif},
    {"BMP", "BMP;DIB;RLE", writeBmp},
    {"PCX", "PCX", writePcx},
    {"PNG", "PNG", writePng},
    {"JPEG 2000 file", "JP2", writeJp2},
    {"JPEG 2000 code stream", "J2K;JPC;J2C", writeJ2k},
    {"TIFF", "TIF;TIFF;FAX;G3F;G3N", writeTiff},
};

}  // namespace

WriteFn findWriter(const std::string& path) {
    const std::string_view ext = pathExtension(path);
    for (const WriterRow& row : kWriters)
        if (extensionListHas(row.extensions, ext)) return row.write;
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
