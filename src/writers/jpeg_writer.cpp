// JPEG output through libjpeg, with the settings applied in the library's
// order: defaults, colour space, JFIF density, DCT method, Huffman
// optimisation, smoothing, quality (baseline tables), sampling factors,
// progression; then the input's markers.
#include <algorithm>
#include <vector>

#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

#include "image/error.h"
#include "image/jpeg_errors.h"
#include "writers/writers.h"

namespace pix {

namespace {

constexpr size_t kChunk = 1 << 16;

// Destination manager that hands the compressed bytes to the sink. A sink
// error (full disk) is kept and turned into a library error, so that the
// library unwinds through its own error path.
struct SinkDestination {
    jpeg_destination_mgr pub;
    ByteSink* sink;
    std::vector<JOCTET> buffer;
    std::string sinkError;
};

void initDestination(j_compress_ptr cinfo) {
    auto* d = reinterpret_cast<SinkDestination*>(cinfo->dest);
    d->pub.next_output_byte = d->buffer.data();
    d->pub.free_in_buffer = d->buffer.size();
}

bool flushTo(SinkDestination* d, size_t n) {
    try {
        d->sink->write(d->buffer.data(), n);
        return true;
    } catch (const std::exception& e) {
        d->sinkError = e.what();
        return false;
    }
}

boolean emptyOutputBuffer(j_compress_ptr cinfo) {
    auto* d = reinterpret_cast<SinkDestination*>(cinfo->dest);
    if (!flushTo(d, d->buffer.size())) ERREXIT(cinfo, JERR_FILE_WRITE);
    d->pub.next_output_byte = d->buffer.data();
    d->pub.free_in_buffer = d->buffer.size();
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
    auto* d = reinterpret_cast<SinkDestination*>(cinfo->dest);
    if (!flushTo(d, d->buffer.size() - d->pub.free_in_buffer)) ERREXIT(cinfo, JERR_FILE_WRITE);
}

struct Encoder {
    jpeg_compress_struct cinfo{};
    JpegErrorManager err;
    SinkDestination dest{};
    Encoder(ByteSink& sink) {
        cinfo.err = installJpegErrors(err);
        jpeg_create_compress(&cinfo);
        dest.sink = &sink;
        dest.buffer.resize(kChunk);
        dest.pub.init_destination = initDestination;
        dest.pub.empty_output_buffer = emptyOutputBuffer;
        dest.pub.term_destination = termDestination;
        cinfo.dest = &dest.pub;
    }
    ~Encoder() { jpeg_destroy_compress(&cinfo); }
};

J_COLOR_SPACE librarySpace(JpegColourSpaceKind k) {
    switch (k) {
        case JpegColourSpaceKind::RGB: return JCS_RGB;
        case JpegColourSpaceKind::Gray: return JCS_GRAYSCALE;
        case JpegColourSpaceKind::CMYK: return JCS_CMYK;
        case JpegColourSpaceKind::YCCK: return JCS_YCCK;
        default: return JCS_YCbCr;
    }
}

J_DCT_METHOD libraryDct(JpegDctMethodKind k) {
    switch (k) {
        case JpegDctMethodKind::IntegerFast: return JDCT_IFAST;
        case JpegDctMethodKind::FloatingPoint: return JDCT_FLOAT;
        default: return JDCT_ISLOW;
    }
}

// Converts one BGR row to what the library takes for the chosen colour space:
// BGR as is for the three-component spaces, CMYK (Adobe inverted) otherwise.
const JSAMPLE* rowFor(const Image& img, int y, bool fourComponents, std::vector<JSAMPLE>& buf) {
    const uint8_t* src = img.row(y);
    if (!fourComponents) return src;
    for (int x = 0; x < img.width; ++x) {
        const int b = src[3 * x], g = src[3 * x + 1], r = src[3 * x + 2];
        const int k = std::max({r, g, b});
        // Inverted CMYK as Adobe writes it: 255 means no ink.
        buf[4 * x] = JSAMPLE(k == 0 ? 0 : r * 255 / k);
        buf[4 * x + 1] = JSAMPLE(k == 0 ? 0 : g * 255 / k);
        buf[4 * x + 2] = JSAMPLE(k == 0 ? 0 : b * 255 / k);
        buf[4 * x + 3] = JSAMPLE(k);
    }
    return buf.data();
}

bool encode(Encoder& enc, const Image& img, std::vector<JSAMPLE>& buf) {
    j_compress_ptr cinfo = &enc.cinfo;
    if (setjmp(enc.err.jump)) return false;
    const TIOParamsVals& p = img.params;
    const J_COLOR_SPACE space = librarySpace(p.JpegColourSpace);
    const bool four = space == JCS_CMYK || space == JCS_YCCK;
    cinfo->image_width = JDIMENSION(img.width);
    cinfo->image_height = JDIMENSION(img.height);
    cinfo->input_components = four ? 4 : 3;
    cinfo->in_color_space = four ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_set_defaults(cinfo);
    jpeg_set_colorspace(cinfo, space);
    cinfo->density_unit = 1;
    cinfo->X_density = UINT16(p.HorizontalDpi == 0 ? 300 : p.HorizontalDpi);
    cinfo->Y_density = UINT16(p.VerticalDpi == 0 ? 300 : p.VerticalDpi);
    cinfo->dct_method = libraryDct(p.JpegDctMethod);
    cinfo->optimize_coding = p.JpegOptimalHuffman ? TRUE : FALSE;
    cinfo->smoothing_factor = p.JpegSmoothing;
    jpeg_set_quality(cinfo, p.JpegQuality, TRUE);
    if (space == JCS_YCbCr) {
        const int h = p.JpegChromaSubsampling == JpegChromaKind::S1x1 ? 1 : 2;
        const int v = p.JpegChromaSubsampling == JpegChromaKind::S2x2 ? 2 : 1;
        cinfo->comp_info[0].h_samp_factor = h;
        cinfo->comp_info[0].v_samp_factor = v;
        for (int c = 1; c < 3; ++c) cinfo->comp_info[c].h_samp_factor = cinfo->comp_info[c].v_samp_factor = 1;
    }
    if (p.JpegProgressive) jpeg_simple_progression(cinfo);
    jpeg_start_compress(cinfo, TRUE);
    for (const JpegMarker& m : p.JpegMarkers) {
        if (m.code == JPEG_APP0 + 14) continue;
        jpeg_write_marker(cinfo, m.code, m.data.data(), unsigned(m.data.size()));
    }
    if (four) buf.resize(size_t(img.width) * 4);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(rowFor(img, int(cinfo->next_scanline), four, buf));
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

}  // namespace

void writeJpeg(const Image& img, ByteSink& out) {
    Encoder enc(out);
    std::vector<JSAMPLE> buf;
    if (!encode(enc, img, buf)) throw Error(enc.dest.sinkError.empty() ? enc.err.message : enc.dest.sinkError);
}

}  // namespace pix
