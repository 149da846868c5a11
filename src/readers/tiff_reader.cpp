// TIFF input through libtiff: the first page. One-bit single-sample pages go
// to the bilevel layout; 8-bit gray, RGB and palette strips are converted row
// by row; everything else libtiff can read (16 bits, tiles, separate planes,
// CMYK, YCbCr, Lab, JPEG ...) goes through its RGBA interface.
#include <tiffio.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "image/error.h"
#include "readers/readers.h"

namespace pix {

namespace {

struct TiffSource {
    const uint8_t* data;
    size_t size;
    uint64_t pos = 0;
    std::string error = {};  // the library's last error message
};

tmsize_t tiffRead(thandle_t h, void* out, tmsize_t n) {
    auto* src = static_cast<TiffSource*>(h);
    if (n <= 0 || src->pos >= src->size) return 0;
    const size_t k = std::min<uint64_t>(uint64_t(n), src->size - src->pos);
    std::memcpy(out, src->data + src->pos, k);
    src->pos += k;
    return tmsize_t(k);
}
tmsize_t tiffWrite(thandle_t, void*, tmsize_t) { return 0; }
toff_t tiffSeek(thandle_t h, toff_t off, int whence) {
    auto* src = static_cast<TiffSource*>(h);
    uint64_t base = whence == SEEK_CUR ? src->pos : whence == SEEK_END ? src->size : 0;
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return toff_t(-1);
    // Offsets may point past the end; reads there simply return nothing.
    if (off > UINT64_MAX / 2 || base + off > UINT64_MAX / 2) return toff_t(-1);
    src->pos = base + off;
    return src->pos;
}
int tiffClose(thandle_t) { return 0; }
toff_t tiffSize(thandle_t h) { return static_cast<TiffSource*>(h)->size; }
int tiffMap(thandle_t, void**, toff_t*) { return 0; }
void tiffUnmap(thandle_t, void*, toff_t) {}

int tiffError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, ap);
    auto* src = static_cast<TiffSource*>(user);
    src->error = module && *module ? std::string(module) + ": " + text : std::string(text);
    return 1;  // handled: nothing reaches the process-wide handlers
}
int tiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// Messages from code paths that know no handle (some codecs) would go to the
// process-wide handlers, which print to stderr: those are switched off once.
void silenceGlobalHandlers() {
    static const bool done = [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
        return true;
    }();
    (void)done;
}

struct TiffHandle {
    TIFF* tif = nullptr;
    ~TiffHandle() {
        if (tif) TIFFClose(tif);
    }
};

struct Options {
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    ~Options() { TIFFOpenOptionsFree(opts); }
};

[[noreturn]] void fail(const TiffSource& src, const char* fallback) {
    throw Error("TIFF: " + (src.error.empty() ? std::string(fallback) : src.error));
}

// round(value x f), half to even; 0 (none) for missing or unusable values.
int32_t dpiOf(float value, double f) {
    const double v = std::nearbyint(double(value) * f);
    if (!(v > 0)) return 0;
    return v > 1e6 ? 1000000 : int32_t(v);
}

void readResolution(TIFF* tif, Image& img) {
    uint16_t unit = RESUNIT_INCH;
    float xres = 0, yres = 0;
    TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    const double f = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
    img.xdpi = TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres) ? dpiOf(xres, f) : 0;
    img.ydpi = TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres) ? dpiOf(yres, f) : 0;
}

void readMetadata(TIFF* tif, uint16_t photometric, TIOParamsVals& p) {
    uint32_t n = 0;
    void* data = nullptr;
    if (TIFFGetField(tif, TIFFTAG_XMLPACKET, &n, &data) && data)
        p.Xmp.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + n);
    // A colour profile describes the output only when the input was RGB.
    if (photometric == PHOTOMETRIC_RGB && TIFFGetField(tif, TIFFTAG_ICCPROFILE, &n, &data) && data)
        p.IccProfile.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + n);
}

struct Page {
    uint32_t w = 0, h = 0;
    uint16_t bps = 1, spp = 1, photometric = PHOTOMETRIC_MINISBLACK, planar = PLANARCONFIG_CONTIG;
};

// Reads rows one by one through convert(row bytes, y). The image is
// allocated (start) only once the first row has decoded, so a file whose
// data is missing fails before a large allocation. A page that breaks off
// after the first row keeps what was decoded.
template <class Start, class Convert>
void readRows(TIFF* tif, const TiffSource& src, const Page& pg, Start start, Convert convert) {
    const tmsize_t n = TIFFScanlineSize(tif);
    if (n <= 0) fail(src, "cannot compute the row size");
    std::vector<uint8_t> buf(static_cast<size_t>(n));
    for (uint32_t y = 0; y < pg.h; ++y) {
        if (TIFFReadScanline(tif, buf.data(), y, 0) < 0) {
            if (y > 0) return;
            fail(src, "cannot decode the image data");
        }
        if (y == 0) start();
        convert(buf.data(), int32_t(y));
    }
}

void readBilevel(TIFF* tif, const TiffSource& src, const Page& pg, Image& img) {
    const size_t stride = Image::rowBytes(Layout::Bilevel, int32_t(pg.w));
    const bool invert = pg.photometric == PHOTOMETRIC_MINISWHITE;
    const uint8_t lastMask = uint8_t(0xFF << ((8 - pg.w % 8) % 8));
    auto start = [&] { img.allocate(int32_t(pg.w), int32_t(pg.h), Layout::Bilevel); };
    readRows(tif, src, pg, start, [&](const uint8_t* in, int32_t y) {
        uint8_t* dst = img.row(y);
        for (size_t i = 0; i < stride; ++i) dst[i] = invert ? uint8_t(~in[i]) : in[i];
        dst[stride - 1] &= lastMask;
    });
}

// Palette entries are 16-bit; old writers stored 8-bit values in them.
void paletteTable(TIFF* tif, const TiffSource& src, const Page& pg, uint8_t (*table)[3]) {
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b) || !r || !g || !b) fail(src, "palette image without a colour map");
    const size_t n = size_t(1) << pg.bps;
    bool eightBit = true;
    for (size_t i = 0; i < n; ++i)
        if (r[i] > 255 || g[i] > 255 || b[i] > 255) eightBit = false;
    for (size_t i = 0; i < 256; ++i) {
        table[i][0] = table[i][1] = table[i][2] = 0;
        if (i >= n) continue;
        auto to8 = [&](uint16_t v) { return eightBit ? uint8_t(v) : uint8_t((v + 128) / 257); };
        table[i][0] = to8(b[i]);
        table[i][1] = to8(g[i]);
        table[i][2] = to8(r[i]);
    }
}

void readDirect(TIFF* tif, const TiffSource& src, const Page& pg, Image& img) {
    auto start = [&] { img.allocate(int32_t(pg.w), int32_t(pg.h), Layout::Bgr24); };
    const int w = int(pg.w), spp = pg.spp;
    if (pg.photometric == PHOTOMETRIC_PALETTE) {
        uint8_t table[256][3];
        paletteTable(tif, src, pg, table);
        const int bps = pg.bps, perByte = 8 / bps, mask = (1 << bps) - 1;
        readRows(tif, src, pg, start, [&](const uint8_t* in, int32_t y) {
            uint8_t* dst = img.row(y);
            for (int x = 0; x < w; ++x) {
                const int shift = 8 - bps * (x % perByte + 1);
                std::memcpy(dst + 3 * x, table[(in[x / perByte] >> shift) & mask], 3);
            }
        });
    } else if (pg.photometric == PHOTOMETRIC_RGB) {
        readRows(tif, src, pg, start, [&](const uint8_t* in, int32_t y) {
            uint8_t* dst = img.row(y);
            for (int x = 0; x < w; ++x, in += spp, dst += 3) {
                dst[0] = in[2];
                dst[1] = in[1];
                dst[2] = in[0];
            }
        });
    } else {
        const uint8_t flip = pg.photometric == PHOTOMETRIC_MINISWHITE ? 0xFF : 0;
        readRows(tif, src, pg, start, [&](const uint8_t* in, int32_t y) {
            uint8_t* dst = img.row(y);
            for (int x = 0; x < w; ++x, in += spp, dst += 3) dst[0] = dst[1] = dst[2] = uint8_t(*in ^ flip);
        });
    }
}

struct FreeDeleter {
    void operator()(uint32_t* p) const { std::free(p); }
};

void readRgba(TIFF* tif, TiffSource& src, const Page& pg, Image& img, bool bilevel) {
    char emsg[1024] = "";
    if (!TIFFRGBAImageOK(tif, emsg)) throw Error(std::string("TIFF: ") + emsg);
    // calloc: pages of a huge, mostly failing image are never touched.
    std::unique_ptr<uint32_t, FreeDeleter> raster(
        static_cast<uint32_t*>(std::calloc(size_t(pg.w) * pg.h, sizeof(uint32_t))));
    if (!raster) throw std::bad_alloc();
    if (!TIFFReadRGBAImageOriented(tif, pg.w, pg.h, raster.get(), ORIENTATION_TOPLEFT, 1))
        fail(src, "cannot decode the image data");
    img.allocate(int32_t(pg.w), int32_t(pg.h), bilevel ? Layout::Bilevel : Layout::Bgr24);
    const uint32_t* in = raster.get();
    for (uint32_t y = 0; y < pg.h; ++y) {
        uint8_t* dst = img.row(int32_t(y));
        for (uint32_t x = 0; x < pg.w; ++x, ++in) {
            const uint8_t r = uint8_t(TIFFGetR(*in)), g = uint8_t(TIFFGetG(*in)), b = uint8_t(TIFFGetB(*in));
            if (bilevel) {
                if (grayLevel(r, g, b) >= 128) dst[x >> 3] |= uint8_t(0x80 >> (x & 7));
            } else {
                dst[3 * x] = b;
                dst[3 * x + 1] = g;
                dst[3 * x + 2] = r;
            }
        }
    }
}

// The layouts read row by row without the RGBA interface.
bool directRows(TIFF* tif, const Page& pg) {
    if (TIFFIsTiled(tif) || (pg.planar != PLANARCONFIG_CONTIG && pg.spp > 1)) return false;
    switch (pg.photometric) {
        case PHOTOMETRIC_MINISBLACK:
        case PHOTOMETRIC_MINISWHITE: return pg.bps == 8;
        case PHOTOMETRIC_RGB: return pg.bps == 8 && pg.spp >= 3;
        case PHOTOMETRIC_PALETTE:
            return pg.spp == 1 && (pg.bps == 1 || pg.bps == 2 || pg.bps == 4 || pg.bps == 8);
        default: return false;
    }
}

}  // namespace

void readTiff(const uint8_t* data, size_t size, Image& img) {
    silenceGlobalHandlers();
    TiffSource src{data, size};
    Options options;
    if (!options.opts) throw std::bad_alloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options.opts, tiffError, &src);
    TIFFOpenOptionsSetWarningHandlerExtR(options.opts, tiffWarning, &src);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.opts, tmsize_t(1) << 30);
    TiffHandle h;
    // "m": no memory mapping, every read goes through tiffRead.
    h.tif = TIFFClientOpenExt("input", "rm", &src, tiffRead, tiffWrite, tiffSeek, tiffClose, tiffSize,
                              tiffMap, tiffUnmap, options.opts);
    if (!h.tif) fail(src, "not a TIFF file");
    TIFF* tif = h.tif;

    Page pg;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &pg.w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &pg.h);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &pg.bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &pg.spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &pg.planar);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &pg.photometric)) pg.photometric = PHOTOMETRIC_MINISWHITE;
    TIOParamsVals& p = img.params;
    p.BitsPerSample = pg.bps;
    p.SamplesPerPixel = pg.spp;
    checkImageSize(pg.w, pg.h);
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (!TIFFIsCODECConfigured(compression))
        throw Error("TIFF: compression scheme " + std::to_string(compression) + " is not supported");
    readResolution(tif, img);
    readMetadata(tif, pg.photometric, p);

    const bool bilevel = pg.bps == 1 && pg.spp == 1 && pg.photometric != PHOTOMETRIC_PALETTE;
    if (bilevel && !TIFFIsTiled(tif))
        readBilevel(tif, src, pg, img);
    else if (!bilevel && directRows(tif, pg))
        readDirect(tif, src, pg, img);
    else
        readRgba(tif, src, pg, img, bilevel);
}

}  // namespace pix
