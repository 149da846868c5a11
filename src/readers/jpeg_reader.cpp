// JPEG input through libjpeg: 24-bit BGR for every colour space, the JFIF
// density as the resolution, and the markers worth carrying to the output.
#include <algorithm>
#include <cstring>
#include <vector>

#include "image/error.h"
#include "image/jpeg_errors.h"
#include "readers/readers.h"

namespace pix {

namespace {

bool startsWith(const jpeg_saved_marker_ptr m, const char* tag, size_t n) {
    return m->data_length >= n && std::memcmp(m->data, tag, n) == 0;
}

// Keeps the input's markers: EXIF, XMP and other application segments and
// comments are written back by the JPEG writer. Left out: JFIF (the writer
// makes its own from the output resolution), Adobe (it describes the input's
// colour transform), IPTC (kept apart so the batch run can drop it) and an ICC
// profile of a gray or CMYK input, which would misdescribe the RGB output.
void collectMarkers(j_decompress_ptr cinfo, TIOParamsVals& p) {
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next) {
        std::vector<uint8_t> data(m->data, m->data + m->data_length);
        if (m->marker == JPEG_APP0 && (startsWith(m, "JFIF", 5) || startsWith(m, "JFXX", 5))) continue;
        if (m->marker == JPEG_APP0 + 14) continue;
        if (m->marker == JPEG_APP0 + 13) {
            p.IptcList.push_back(std::move(data));
            continue;
        }
        if (m->marker == JPEG_APP0 + 2 && startsWith(m, "ICC_PROFILE", 12)) {
            if (cinfo->num_components != 3) continue;
            p.IccProfile.insert(p.IccProfile.end(), m->data + std::min<size_t>(14, m->data_length),
                                m->data + m->data_length);
        }
        if (m->marker == JPEG_APP0 + 1 && startsWith(m, "Exif\0", 6))
            p.Exif.assign(m->data + std::min<size_t>(6, m->data_length), m->data + m->data_length);
        if (m->marker == JPEG_APP0 + 1 && startsWith(m, "http://ns.adobe.com/xap/1.0/", 29))
            p.Xmp.assign(m->data + 29, m->data + m->data_length);
        p.JpegMarkers.push_back({int(m->marker), std::move(data)});
    }
}

// Units 0 and 1 take the densities as they are, 2 converts from dots per
// centimetre (truncating); other units leave the resolution as it was.
void applyDensity(j_decompress_ptr cinfo, Image& img) {
    int unit = 0, xd = 1, yd = 1;
    if (cinfo->saw_JFIF_marker) {
        unit = cinfo->density_unit;
        xd = cinfo->X_density;
        yd = cinfo->Y_density;
    }
    if (unit == 0 || unit == 1) {
        img.xdpi = xd;
        img.ydpi = yd;
    } else if (unit == 2) {
        img.xdpi = int32_t(xd * 2.54);
        img.ydpi = int32_t(yd * 2.54);
    }
}

struct Decoder {
    jpeg_decompress_struct cinfo{};
    JpegErrorManager err;
    Decoder() {
        cinfo.err = installJpegErrors(err);
        jpeg_create_decompress(&cinfo);
    }
    ~Decoder() { jpeg_destroy_decompress(&cinfo); }
};

// Converts one row of the library's output to BGR. CMYK and YCCK come out of
// the library as CMYK; Adobe files store it inverted (the common case).
void toBgr(const uint8_t* in, uint8_t* out, int w, J_COLOR_SPACE space, bool inverted) {
    if (space == JCS_GRAYSCALE) {
        for (int x = 0; x < w; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = in[x];
        return;
    }
    for (int x = 0; x < w; ++x) {
        int c = in[4 * x], m = in[4 * x + 1], y = in[4 * x + 2], k = in[4 * x + 3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[3 * x] = uint8_t((y * k + 127) / 255);
        out[3 * x + 1] = uint8_t((m * k + 127) / 255);
        out[3 * x + 2] = uint8_t((c * k + 127) / 255);
    }
}

// Runs the libjpeg part; returns false with the message in dec.err on error.
// Kept free of objects with destructors between setjmp and longjmp.
bool decode(Decoder& dec, const uint8_t* data, size_t size, Image& img, std::vector<uint8_t>& rowbuf) {
    j_decompress_ptr cinfo = &dec.cinfo;
    if (setjmp(dec.err.jump)) return false;
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    jpeg_save_markers(cinfo, JPEG_COM, 0xFFFF);
    for (int i = 0; i < 16; ++i) jpeg_save_markers(cinfo, JPEG_APP0 + i, 0xFFFF);
    jpeg_read_header(cinfo, TRUE);

    TIOParamsVals& p = img.params;
    p.BitsPerSample = 8;
    switch (cinfo->jpeg_color_space) {
        case JCS_GRAYSCALE: p.SamplesPerPixel = 1; break;
        case JCS_RGB:
        case JCS_YCbCr: p.SamplesPerPixel = 3; break;
        case JCS_CMYK:
        case JCS_YCCK: p.SamplesPerPixel = 4; break;
        default: break;  // any other colour space keeps the previous file's value
    }
    checkImageSize(cinfo->image_width, cinfo->image_height);
    // Everything before the first scan is known now: a file that breaks off
    // later still keeps its resolution and markers.
    applyDensity(cinfo, img);
    collectMarkers(cinfo, p);

    J_COLOR_SPACE out = JCS_EXT_BGR;
    if (cinfo->jpeg_color_space == JCS_GRAYSCALE) out = JCS_GRAYSCALE;
    if (cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK) out = JCS_CMYK;
    cinfo->out_color_space = out;
    jpeg_start_decompress(cinfo);

    img.allocate(int32_t(cinfo->output_width), int32_t(cinfo->output_height), Layout::Bgr24);
    const int w = int(cinfo->output_width);
    if (out != JCS_EXT_BGR) rowbuf.resize(size_t(w) * size_t(cinfo->output_components));
    // A single-scan file that breaks off: the rows after the last band that
    // held data are filler, the mid-gray the library would decode them to.
    const bool endedBeforeRows = dec.err.dataEnded;
    const JDIMENSION band = JDIMENSION(cinfo->max_v_samp_factor * DCTSIZE);
    while (cinfo->output_scanline < cinfo->output_height) {
        if (dec.err.dataEnded && !endedBeforeRows && cinfo->output_scanline % band == 0) {
            std::fill(img.row(int32_t(cinfo->output_scanline)), img.pixels.data() + img.pixels.size(), uint8_t(128));
            break;
        }
        uint8_t* dst = img.row(int32_t(cinfo->output_scanline));
        JSAMPROW r = out == JCS_EXT_BGR ? dst : rowbuf.data();
        if (jpeg_read_scanlines(cinfo, &r, 1) != 1) break;
        if (out != JCS_EXT_BGR) toBgr(rowbuf.data(), dst, w, out, cinfo->saw_Adobe_marker);
    }
    if (cinfo->output_scanline < cinfo->output_height) {
        jpeg_abort_decompress(cinfo);
        return true;
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

}  // namespace

void readJpeg(const uint8_t* data, size_t size, Image& img) {
    Decoder dec;
    std::vector<uint8_t> rowbuf;
    if (!decode(dec, data, size, img, rowbuf)) {
        // A file that breaks off after the pixels began keeps what was decoded.
        if (dec.cinfo.output_scanline > 0) return;
        throw Error(dec.err.message);
    }
}

}  // namespace pix
