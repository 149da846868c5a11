// GIF input through giflib: the first image of the file with its local
// colour table (else the global one), bilevel when that table is exactly
// black then white, and the transparent index of its graphic control
// extension as the alpha plane.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "image/error.h"
#include "readers/readers.h"

namespace pix {

namespace {

struct GifSource {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
};

int gifRead(GifFileType* gif, GifByteType* out, int n) {
    auto* src = static_cast<GifSource*>(gif->UserData);
    const size_t k = std::min(size_t(n < 0 ? 0 : n), src->size - src->pos);
    if (k == 0) return 0;  // also keeps an empty file's null data away from memcpy
    std::memcpy(out, src->data + src->pos, k);
    src->pos += k;
    return int(k);
}

std::string gifMessage(int code) {
    const char* text = GifErrorString(code);
    return std::string("GIF: ") + (text ? text : "cannot decode the file");
}

struct GifHandle {
    GifFileType* gif = nullptr;
    ~GifHandle() {
        int ignored = 0;
        if (gif) DGifCloseFile(gif, &ignored);
    }
    [[noreturn]] void fail() const { throw Error(gifMessage(gif->Error)); }
};

// Rows of an interlaced image arrive in four passes: every 8th row from 0,
// every 8th from 4, every 4th from 2, every 2nd from 1.
int rowOfLine(int line, int h, bool interlaced) {
    if (!interlaced) return line;
    const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const int count = start[pass] < h ? (h - start[pass] + step[pass] - 1) / step[pass] : 0;
        if (line < count) return start[pass] + line * step[pass];
        line -= count;
    }
    return h - 1;  // not reached: there are exactly h lines
}

bool isBlackWhite(const ColorMapObject* map) {
    if (!map || map->ColorCount != 2) return false;
    const GifColorType& a = map->Colors[0];
    const GifColorType& b = map->Colors[1];
    return a.Red == 0 && a.Green == 0 && a.Blue == 0 && b.Red == 255 && b.Green == 255 && b.Blue == 255;
}

}  // namespace

void readGif(const uint8_t* data, size_t size, Image& img) {
    GifSource src{data, size};
    GifHandle h;
    int err = 0;
    h.gif = DGifOpen(&src, gifRead, &err);
    if (!h.gif) throw Error(gifMessage(err));
    GifFileType* gif = h.gif;

    int transparent = NO_TRANSPARENT_COLOR;
    std::vector<std::string> comments;
    while (true) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) h.fail();
        if (type == TERMINATE_RECORD_TYPE) throw Error("GIF: the file holds no image");
        if (type == IMAGE_DESC_RECORD_TYPE) break;
        if (type != EXTENSION_RECORD_TYPE) continue;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) h.fail();
        std::string comment;
        bool first = true;
        while (block) {
            // The first block of a graphic control extension states the
            // transparent index of the image that follows.
            if (code == GRAPHICS_EXT_FUNC_CODE && first) {
                GraphicsControlBlock gcb;
                if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
                    transparent = gcb.TransparentColor;
            }
            if (code == COMMENT_EXT_FUNC_CODE) comment.append(reinterpret_cast<char*>(block + 1), block[0]);
            first = false;
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) h.fail();
        }
        if (code == COMMENT_EXT_FUNC_CODE) comments.push_back(std::move(comment));
    }
    if (DGifGetImageDesc(gif) == GIF_ERROR) h.fail();

    const GifImageDesc& desc = gif->Image;
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    TIOParamsVals& p = img.params;
    p.BitsPerSample = map ? map->BitsPerPixel : 8;
    p.SamplesPerPixel = 1;
    p.GifComments = std::move(comments);
    checkImageSize(desc.Width, desc.Height);
    const int w = desc.Width, ht = desc.Height;
    // One LZW code of at least 3 bits yields at most 4096 pixels: a file too
    // short to hold its stated image is refused before that much is allocated.
    if (int64_t(w) * ht / 4096 > int64_t(src.size - src.pos) * 8 / 3 + 1)
        throw Error("GIF: the file is too short for an image of " + std::to_string(w) + " x " +
                    std::to_string(ht));

    // A file without any colour table reads as a gray ramp.
    uint8_t table[256][3];
    for (int i = 0; i < 256; ++i) {
        table[i][0] = table[i][1] = table[i][2] = uint8_t(map ? 0 : i);
        if (map && i < map->ColorCount) {
            table[i][0] = map->Colors[i].Blue;
            table[i][1] = map->Colors[i].Green;
            table[i][2] = map->Colors[i].Red;
        }
    }
    const bool bilevel = isBlackWhite(map);
    img.allocate(w, ht, bilevel ? Layout::Bilevel : Layout::Bgr24);
    img.xdpi = img.ydpi = 300;
    if (transparent != NO_TRANSPARENT_COLOR) img.alpha.assign(size_t(w) * size_t(ht), 255);

    std::vector<GifPixelType> line(static_cast<size_t>(w));
    for (int i = 0; i < ht; ++i) {
        if (DGifGetLine(gif, line.data(), w) == GIF_ERROR) {
            // A file that breaks off inside the image keeps what was decoded.
            if (i > 0) break;
            h.fail();
        }
        const int y = rowOfLine(i, ht, desc.Interlace);
        uint8_t* dst = img.row(y);
        if (bilevel) {
            // Index 1 is white; indexes beyond the table read as black.
            for (int x = 0; x < w; ++x)
                if (line[size_t(x)] == 1) dst[x >> 3] |= uint8_t(0x80 >> (x & 7));
        } else {
            for (int x = 0; x < w; ++x) std::memcpy(dst + 3 * x, table[line[size_t(x)]], 3);
        }
        if (!img.alpha.empty()) {
            uint8_t* a = img.alpha.data() + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x)
                if (line[size_t(x)] == transparent) a[x] = 0;
        }
    }
}

}  // namespace pix
