#include "support/tiff_support.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>

namespace pixtest {

namespace {
std::string* gErrors = nullptr;  // the read in progress, for the error handler

void collectError(const char* module, const char* fmt, va_list ap) {
    char buf[512];
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    if (gErrors) *gErrors += std::string(module ? module : "") + ": " + buf + "\n";
}
}  // namespace

TiffData readTiff(const std::string& path) {
    TiffData d;
    gErrors = &d.errors;
    TIFFSetErrorHandler(collectError);
    TIFFSetWarningHandler(nullptr);
    TIFF* tif = TIFFOpen(path.c_str(), "rc");  // no strip chopping: the strips as written
    if (!tif) {
        gErrors = nullptr;
        return d;
    }
    d.opened = true;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &d.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &d.height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &d.bitsPerSample);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &d.samplesPerPixel);
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &d.compression);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &d.photometric);
    TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &d.rowsPerStrip);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &d.planar);
    if (d.compression == COMPRESSION_LZW || d.compression == COMPRESSION_ADOBE_DEFLATE ||
        d.compression == COMPRESSION_DEFLATE)
        TIFFGetFieldDefaulted(tif, TIFFTAG_PREDICTOR, &d.predictor);
    d.hasFillOrder = TIFFGetField(tif, TIFFTAG_FILLORDER, &d.fillOrder) == 1;
    if (d.compression == COMPRESSION_CCITTFAX3) d.hasT4 = TIFFGetField(tif, TIFFTAG_GROUP3OPTIONS, &d.t4Options) == 1;
    if (d.compression == COMPRESSION_CCITTFAX4) d.hasT6 = TIFFGetField(tif, TIFFTAG_GROUP4OPTIONS, &d.t6Options) == 1;
    uint16_t extraCount = 0;
    uint16_t* extra = nullptr;
    if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) == 1) d.extraSamples.assign(extra, extra + extraCount);
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &d.xres);
    TIFFGetField(tif, TIFFTAG_YRESOLUTION, &d.yres);
    d.strips = TIFFNumberOfStrips(tif);
    uint64_t* offsets = nullptr;
    uint64_t* counts = nullptr;
    if (TIFFGetField(tif, TIFFTAG_STRIPOFFSETS, &offsets) == 1) d.stripOffsets.assign(offsets, offsets + d.strips);
    if (TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts) == 1) d.stripByteCounts.assign(counts, counts + d.strips);
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (d.photometric == PHOTOMETRIC_PALETTE && TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b) == 1) {
        const size_t n = size_t(1) << d.bitsPerSample;
        d.colorMap[0].assign(r, r + n);
        d.colorMap[1].assign(g, g + n);
        d.colorMap[2].assign(b, b + n);
    }
    const tmsize_t scan = TIFFScanlineSize(tif);
    for (uint32_t y = 0; y < d.height && scan > 0; ++y) {
        std::vector<uint8_t> row(size_t(scan), 0);
        if (TIFFReadScanline(tif, row.data(), y, 0) != 1) break;
        d.rows.push_back(std::move(row));
    }
    for (uint32_t s = 0; s < d.strips && s < d.stripByteCounts.size(); ++s) {
        std::vector<uint8_t> raw(size_t(d.stripByteCounts[s]));
        if (TIFFReadRawStrip(tif, s, raw.data(), tmsize_t(raw.size())) < 0) raw.clear();
        d.rawStrips.push_back(std::move(raw));
    }
    if (uint64_t(d.width) * d.height <= (uint64_t(1) << 26)) {
        d.rgba.assign(size_t(d.width) * d.height, 0);
        d.rgbaOk = TIFFReadRGBAImageOriented(tif, d.width, d.height, d.rgba.data(), ORIENTATION_TOPLEFT, 0) == 1;
    }
    TIFFClose(tif);
    gErrors = nullptr;
    return d;
}

std::vector<uint8_t> libtiffStrip(const std::string& path, uint16_t compression, uint32_t width, uint16_t bits,
                                  const std::vector<std::vector<uint8_t>>& rows) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) return {};
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(rows.size()));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, bits == 1 ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(rows.size()));
    for (uint32_t y = 0; y < rows.size(); ++y) {
        std::vector<uint8_t> row = rows[y];
        TIFFWriteScanline(tif, row.data(), y, 0);
    }
    TIFFClose(tif);
    tif = TIFFOpen(path.c_str(), "rc");
    if (!tif) return {};
    uint64_t* counts = nullptr;
    TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts);
    std::vector<uint8_t> raw(static_cast<size_t>(counts[0]));
    TIFFReadRawStrip(tif, 0, raw.data(), tmsize_t(raw.size()));
    TIFFClose(tif);
    return raw;
}

}  // namespace pixtest
