// The TIFF writer: little-endian, one image file directory. The header goes
// out first as a placeholder, then the out-of-line tag values and the strips,
// then the directory; the header is rewritten last with the directory's
// offset. Every out-of-line value and the directory start at an even offset.
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "image/error.h"
#include "imageops/palette_quantiser.h"
#include "imageops/reductions.h"
#include "writers/ccitt.h"
#include "writers/packbits.h"
#include "writers/tiff_lzw.h"
#include "writers/writers.h"

namespace pix {

namespace {

enum TiffType : uint16_t { kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kRational = 5, kUndefined = 7 };

enum TiffTag : uint16_t {
    kNewSubfileType = 254, kImageWidth = 256, kImageLength = 257, kBitsPerSample = 258,
    kCompression = 259, kPhotometric = 262, kFillOrder = 266, kDocumentName = 269,
    kImageDescription = 270, kStripOffsets = 273, kSamplesPerPixel = 277, kRowsPerStrip = 278,
    kStripByteCounts = 279, kXResolution = 282, kYResolution = 283, kPlanarConfiguration = 284,
    kPageName = 285, kXPosition = 286, kYPosition = 287, kT4Options = 292, kT6Options = 293,
    kResolutionUnit = 296, kPageNumber = 297, kPredictor = 317, kColorMap = 320,
    kCleanFaxData = 327, kExtraSamples = 338, kXmp = 700, kIptc = 33723, kIccProfile = 34675,
};

enum CompressionTag : uint16_t {
    kNone = 1, kHuffman = 2, kGroup3 = 3, kGroup4 = 4, kLzw = 5, kPackBits = 32773, kDeflate = 32946,
};

// Strips hold about this many bytes of raw rows each.
constexpr int64_t kStripTarget = 524288;
constexpr size_t kFlushAt = 1 << 16;

enum class PixelKind { Bilevel, Gray, Palette, Rgb };

struct Entry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    uint8_t value[4];  // the value itself, or the offset of an out-of-line value
};

class TiffFile {
public:
    explicit TiffFile(ByteSink& out) : out_(out) {}

    void padToEven() {
        if (out_.tell() & 1) out_.put8(0);
    }
    // Writes an out-of-line value at an even offset and returns that offset.
    uint32_t outOfLine(const uint8_t* data, size_t n) {
        padToEven();
        const uint32_t at = position();
        out_.write(data, n);
        return at;
    }
    uint32_t outOfLine(const std::vector<uint8_t>& data) { return outOfLine(data.data(), data.size()); }
    uint32_t position() const {
        const uint64_t at = out_.tell();
        if (at > UINT32_MAX) throw Error("TIFF file larger than 4 GiB");
        return uint32_t(at);
    }
    ByteSink& sink() { return out_; }

private:
    ByteSink& out_;
};

void put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
void put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}

Entry inEntry(uint16_t tag, uint16_t type, uint32_t count, const uint8_t* bytes, size_t n) {
    Entry e{tag, type, count, {0, 0, 0, 0}};
    std::memcpy(e.value, bytes, std::min<size_t>(n, 4));
    return e;
}
Entry longEntry(uint16_t tag, uint32_t v) {
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    return inEntry(tag, kLong, 1, b, 4);
}
Entry shortEntry(uint16_t tag, uint16_t v) {
    const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
    return inEntry(tag, kShort, 1, b, 2);
}
Entry offsetEntry(uint16_t tag, uint16_t type, uint32_t count, uint32_t offset) {
    Entry e = longEntry(tag, offset);
    e.type = type;
    e.count = count;
    return e;
}
std::vector<uint8_t> rational(uint32_t numerator, uint32_t denominator) {
    std::vector<uint8_t> v;
    put32(v, numerator);
    put32(v, denominator);
    return v;
}

// Texts of at most four characters stand in the entry without their zero.
std::optional<Entry> asciiEntry(TiffFile& file, uint16_t tag, const std::string& text) {
    if (text.empty()) return std::nullopt;
    if (text.size() <= 4)
        return inEntry(tag, kAscii, uint32_t(text.size()), reinterpret_cast<const uint8_t*>(text.data()),
                       text.size());
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return offsetEntry(tag, kAscii, uint32_t(bytes.size()), file.outOfLine(bytes));
}

std::optional<Entry> blockEntry(TiffFile& file, uint16_t tag, uint16_t type, const std::vector<uint8_t>& data) {
    if (data.empty()) return std::nullopt;
    if (data.size() <= 4) return inEntry(tag, type, uint32_t(data.size()), data.data(), data.size());
    return offsetEntry(tag, type, uint32_t(data.size()), file.outOfLine(data));
}

uint16_t compressionTagFor(uint8_t code, CcittMode& mode) {
    switch (code) {
        case kTiffHuffman: mode = CcittMode::Huffman; return kHuffman;
        case kTiffG3OneD: mode = CcittMode::Group3OneD; return kGroup3;
        case kTiffG3: mode = CcittMode::Group3TwoD; return kGroup3;
        case kTiffG4: mode = CcittMode::Group4; return kGroup4;
        case kTiffLzw: return kLzw;
        case kTiffPackBits: return kPackBits;
        case kTiffDeflate: return kDeflate;
        default: return kNone;
    }
}

bool isCcitt(uint16_t tag) { return tag == kHuffman || tag == kGroup3 || tag == kGroup4; }

// Everything decided before the first byte: pixels, photometric, compression.
struct Plan {
    PixelKind kind = PixelKind::Rgb;
    int bits = 8;              // bits per sample written
    uint16_t compression = kNone;
    CcittMode ccitt = CcittMode::Huffman;
    int fillOrder = 1;
    bool predictor = false;
    bool alpha = false;        // RGB rows carry the alpha plane as a fourth sample
    int32_t rowsPerStrip = 1;
    size_t rowBytes = 0;       // one uncompressed row as written
};

// Codes one strip's rows with the plan's compression into the sink.
class StripCoder {
public:
    StripCoder(const Plan& plan, int32_t width, ByteSink& out)
        : plan_(plan), out_(out), lzw_(buf_), ccitt_(plan.ccitt, width, plan.fillOrder, buf_) {
        zs_.zalloc = Z_NULL;
        zs_.zfree = Z_NULL;
        zs_.opaque = Z_NULL;
    }
    ~StripCoder() {
        if (zlibOpen_) deflateEnd(&zs_);
    }
    StripCoder(const StripCoder&) = delete;
    StripCoder& operator=(const StripCoder&) = delete;

    void begin() {
        switch (plan_.compression) {
            case kLzw: lzw_.beginStrip(); break;
            case kHuffman: case kGroup3: case kGroup4: ccitt_.beginStrip(); break;
            case kDeflate:
                if (deflateInit(&zs_, Z_DEFAULT_COMPRESSION) != Z_OK) throw Error("Deflate setup failed");
                zlibOpen_ = true;
                break;
            default: break;
        }
    }
    void row(const uint8_t* data, size_t n) {
        switch (plan_.compression) {
            case kLzw: lzw_.encode(data, n); break;
            case kPackBits: packBitsRow(data, n, buf_); break;
            case kHuffman: case kGroup3: case kGroup4: ccitt_.encodeRow(data); break;
            case kDeflate: deflateSome(data, n, Z_NO_FLUSH); break;
            default: buf_.insert(buf_.end(), data, data + n); break;
        }
        if (buf_.size() >= kFlushAt) flush();
    }
    void end() {
        switch (plan_.compression) {
            case kLzw: lzw_.endStrip(); break;
            case kHuffman: case kGroup3: case kGroup4: ccitt_.endStrip(); break;
            case kDeflate:
                deflateSome(nullptr, 0, Z_FINISH);
                deflateEnd(&zs_);
                zlibOpen_ = false;
                break;
            default: break;
        }
        flush();
    }

private:
    void flush() {
        out_.write(buf_);
        buf_.clear();
    }
    void deflateSome(const uint8_t* data, size_t n, int mode) {
        zs_.next_in = const_cast<Bytef*>(data);
        zs_.avail_in = uInt(n);
        uint8_t chunk[16384];
        int rc;
        do {
            zs_.next_out = chunk;
            zs_.avail_out = sizeof chunk;
            rc = deflate(&zs_, mode);
            if (rc == Z_STREAM_ERROR) throw Error("Deflate failed");
            buf_.insert(buf_.end(), chunk, chunk + (sizeof chunk - zs_.avail_out));
        } while (zs_.avail_out == 0 || (mode == Z_FINISH && rc != Z_STREAM_END));
    }

    const Plan& plan_;
    ByteSink& out_;
    std::vector<uint8_t> buf_;
    TiffLzwEncoder lzw_;
    CcittEncoder ccitt_;
    z_stream zs_{};
    bool zlibOpen_ = false;
};

void writeTiffImage(const Image& img, ByteSink& out) {
    const TIOParamsVals& p = img.params;
    const int32_t w = img.width, h = img.height;
    checkImageSize(w, h);
    const int B = p.BitsPerSample, S = p.SamplesPerPixel;

    Plan plan;
    plan.compression = compressionTagFor(p.TiffCompression, plan.ccitt);
    std::optional<BilevelImage> bilevel;
    std::optional<PaletteQuantiser> quantiser;
    if (S == 1 && B == 1) {
        bilevel = bilevelFor(img);
        plan.kind = PixelKind::Bilevel;
        plan.bits = 1;
    } else if (S == 1 && ((B >= 2 && B <= 8) || B == 16)) {
        quantiser.emplace(img, std::min(1 << std::min(B, 8), 256));
        if (plan.compression != kLzw && plan.compression != kPackBits && plan.compression != kDeflate)
            plan.compression = kNone;
        plan.kind = quantiser->isGray() ? PixelKind::Gray : PixelKind::Palette;
        plan.bits = (plan.kind == PixelKind::Palette && B == 16) ? 8 : B;
    } else {
        // The working image holds RGB, and the photometric setting is RGB
        // unless something other than a load sets it: every other depth an
        // input may leave (16 bits, 2 or 4 samples, 5-bit BMP colour) is
        // written as 8-bit RGB.
        plan.kind = PixelKind::Rgb;
        plan.bits = 8;
    }
    if (isCcitt(plan.compression) && plan.kind != PixelKind::Bilevel) plan.compression = kNone;
    plan.fillOrder = p.TiffFillOrder == 2 ? 2 : 1;
    const int effectiveB = (plan.kind == PixelKind::Rgb && B > 8 && S != 1) ? 8 : B;
    plan.predictor = plan.compression == kLzw && effectiveB == 8 && plan.kind == PixelKind::Rgb && !img.hasAlpha();
    plan.alpha = plan.kind == PixelKind::Rgb && img.hasTransparency() &&
                 (plan.compression == kNone || plan.compression == kLzw || plan.compression == kPackBits);

    const int samples = plan.kind == PixelKind::Rgb ? (plan.alpha ? 4 : 3) : 1;
    switch (plan.kind) {
        case PixelKind::Bilevel: plan.rowBytes = (size_t(w) + 7) / 8; break;
        case PixelKind::Rgb: plan.rowBytes = size_t(w) * size_t(samples); break;
        default: plan.rowBytes = plan.bits == 16 ? size_t(w) * 2 : (size_t(w) * size_t(plan.bits) + 7) / 8; break;
    }

    // Strips: rows as held in memory (bilevel or 24-bit) rounded up to 4 bytes.
    const int64_t memoryRow =
        ((plan.kind == PixelKind::Bilevel ? (int64_t(w) + 7) / 8 : int64_t(w) * 3) + 3) / 4 * 4;
    const int64_t n = std::max<int64_t>(1, int64_t(h) * memoryRow / kStripTarget);
    // At least one row per strip, also when a single row is longer than the target.
    plan.rowsPerStrip = plan.compression == kDeflate ? h : std::max<int32_t>(1, int32_t(h / n));
    const int32_t stripCount = (h + plan.rowsPerStrip - 1) / plan.rowsPerStrip;

    TiffFile file(out);
    std::vector<Entry> entries;
    const uint8_t header[8] = {'I', 'I', 42, 0, 0, 0, 0, 0};
    out.write(header, sizeof header);

    if (auto e = p.TiffImageDescription.size() > 4 ? asciiEntry(file, kImageDescription, p.TiffImageDescription)
                                                    : std::nullopt)
        entries.push_back(*e);
    entries.push_back(offsetEntry(kXResolution, kRational, 1,
                                  file.outOfLine(rational(uint32_t(std::max(0, p.HorizontalDpi)), 1))));
    entries.push_back(offsetEntry(kYResolution, kRational, 1,
                                  file.outOfLine(rational(uint32_t(std::max(0, p.VerticalDpi)), 1))));
    if (samples > 2) {
        std::vector<uint8_t> v;
        for (int i = 0; i < samples; ++i) put16(v, 8);
        entries.push_back(offsetEntry(kBitsPerSample, kShort, uint32_t(samples), file.outOfLine(v)));
    } else {
        entries.push_back(shortEntry(kBitsPerSample, uint16_t(plan.bits)));
    }
    if (auto e = asciiEntry(file, kDocumentName, p.TiffDocumentName)) entries.push_back(*e);
    if (p.TiffImageDescription.size() <= 4)
        if (auto e = asciiEntry(file, kImageDescription, p.TiffImageDescription)) entries.push_back(*e);

    // The strips, written row by row, contiguous and unpadded.
    std::vector<uint32_t> offsets, counts;
    {
        StripCoder coder(plan, w, out);
        std::vector<uint8_t> row(plan.rowBytes + 8);
        for (int32_t y0 = 0; y0 < h; y0 += plan.rowsPerStrip) {
            const uint32_t start = file.position();
            coder.begin();
            const int32_t y1 = std::min(h, y0 + plan.rowsPerStrip);
            for (int32_t y = y0; y < y1; ++y) {
                uint8_t* dst = row.data();
                if (plan.kind == PixelKind::Bilevel) {
                    const uint8_t* src = bilevel->bits.row(y);
                    // Coded fax data has black as 1; the bilevel image has white as 1.
                    const bool invert = isCcitt(plan.compression);
                    for (size_t i = 0; i < plan.rowBytes; ++i) dst[i] = invert ? uint8_t(~src[i]) : src[i];
                } else if (plan.kind == PixelKind::Rgb) {
                    const uint8_t* src = img.row(y);
                    const uint8_t* a = plan.alpha ? img.alpha.data() + size_t(y) * size_t(w) : nullptr;
                    for (int32_t x = 0; x < w; ++x) {
                        *dst++ = src[3 * x + 2];
                        *dst++ = src[3 * x + 1];
                        *dst++ = src[3 * x];
                        if (a) *dst++ = a[x];
                    }
                    if (plan.predictor)
                        for (size_t i = plan.rowBytes - 1; i >= 3; --i) row[i] = uint8_t(row[i] - row[i - 3]);
                } else {
                    const uint8_t* src = img.row(y);
                    std::fill(row.begin(), row.begin() + ptrdiff_t(plan.rowBytes), 0);
                    for (int32_t x = 0; x < w; ++x) {
                        const int index = std::max(0, quantiser->lookup(src[3 * x + 2], src[3 * x + 1], src[3 * x]));
                        if (plan.bits == 16) {
                            const uint16_t v = uint16_t(index * 257);
                            dst[2 * x] = uint8_t(v);
                            dst[2 * x + 1] = uint8_t(v >> 8);
                        } else if (plan.bits == 8) {
                            dst[x] = uint8_t(index);
                        } else {
                            const size_t bit = size_t(x) * size_t(plan.bits);
                            const unsigned v = unsigned(index) & ((1u << plan.bits) - 1);
                            // A sample may straddle two bytes for 3, 5, 6 and 7 bits.
                            const unsigned shifted = v << (16 - plan.bits - (bit & 7));
                            dst[bit >> 3] |= uint8_t(shifted >> 8);
                            if ((bit & 7) + size_t(plan.bits) > 8) dst[(bit >> 3) + 1] |= uint8_t(shifted);
                        }
                    }
                }
                coder.row(row.data(), plan.rowBytes);
            }
            coder.end();
            offsets.push_back(start);
            counts.push_back(file.position() - start);
        }
    }
    if (stripCount == 1) {
        entries.push_back(longEntry(kStripOffsets, offsets[0]));
        entries.push_back(longEntry(kStripByteCounts, counts[0]));
    } else {
        std::vector<uint8_t> v;
        for (uint32_t o : offsets) put32(v, o);
        entries.push_back(offsetEntry(kStripOffsets, kLong, uint32_t(stripCount), file.outOfLine(v)));
        v.clear();
        for (uint32_t c : counts) put32(v, c);
        entries.push_back(offsetEntry(kStripByteCounts, kLong, uint32_t(stripCount), file.outOfLine(v)));
    }
    if (auto e = asciiEntry(file, kPageName, p.TiffPageName)) entries.push_back(*e);
    if (p.TiffXPosition != 0)
        entries.push_back(offsetEntry(kXPosition, kRational, 1,
                                      file.outOfLine(rational(uint32_t(int64_t(p.TiffXPosition) * 10000), 10000))));
    if (p.TiffYPosition != 0)
        entries.push_back(offsetEntry(kYPosition, kRational, 1,
                                      file.outOfLine(rational(uint32_t(int64_t(p.TiffYPosition) * 10000), 10000))));

    // Metadata carried over from the input, as raw blocks.
    if (auto e = blockEntry(file, kXmp, kByte, p.Xmp)) entries.push_back(*e);
    std::vector<uint8_t> iptc;
    for (const auto& record : p.IptcList) iptc.insert(iptc.end(), record.begin(), record.end());
    if (auto e = blockEntry(file, kIptc, kUndefined, iptc)) entries.push_back(*e);
    if (auto e = blockEntry(file, kIccProfile, kUndefined, p.IccProfile)) entries.push_back(*e);

    if (plan.kind == PixelKind::Palette) {
        const size_t size = size_t(1) << plan.bits;
        const std::vector<RgbColour>& pal = quantiser->palette();
        std::vector<uint8_t> v;
        // Entries the quantiser left unfilled stay black.
        for (int channel = 0; channel < 3; ++channel)
            for (size_t i = 0; i < size; ++i) {
                const RgbColour c = i < pal.size() ? pal[i] : RgbColour{};
                const uint8_t value = channel == 0 ? c.r : channel == 1 ? c.g : c.b;
                put16(v, uint16_t(value * 257));
            }
        entries.push_back(offsetEntry(kColorMap, kShort, uint32_t(3 * size), file.outOfLine(v)));
    }

    const bool ccitt = isCcitt(plan.compression);
    entries.push_back(longEntry(kNewSubfileType, 0));
    entries.push_back(longEntry(kImageWidth, uint32_t(w)));
    entries.push_back(longEntry(kImageLength, uint32_t(h)));
    entries.push_back(shortEntry(kCompression, plan.compression));
    uint16_t photometric = 2;
    switch (plan.kind) {
        case PixelKind::Bilevel: photometric = ccitt ? 0 : 1; break;
        case PixelKind::Gray: photometric = 1; break;
        case PixelKind::Palette: photometric = 3; break;
        case PixelKind::Rgb: photometric = 2; break;
    }
    entries.push_back(shortEntry(kPhotometric, photometric));
    entries.push_back(shortEntry(kSamplesPerPixel, uint16_t(samples)));
    entries.push_back(longEntry(kRowsPerStrip, uint32_t(plan.rowsPerStrip)));
    entries.push_back(shortEntry(kResolutionUnit, 2));
    if (ccitt) {
        entries.push_back(shortEntry(kFillOrder, uint16_t(plan.fillOrder)));
        entries.push_back(shortEntry(kPlanarConfiguration, 1));
        entries.push_back(shortEntry(kCleanFaxData, 0));
    }
    if (plan.compression == kGroup3 || plan.compression == kGroup4) {
        entries.push_back(longEntry(kT4Options, plan.ccitt == CcittMode::Group3TwoD ? 1 : 0));
        entries.push_back(longEntry(kT6Options, 0));
    }
    if (p.TiffPageNumber >= 0 || p.TiffPageCount >= 0) {
        const uint8_t b[4] = {uint8_t(p.TiffPageNumber), uint8_t(p.TiffPageNumber >> 8), uint8_t(p.TiffPageCount),
                              uint8_t(p.TiffPageCount >> 8)};
        entries.push_back(inEntry(kPageNumber, kShort, 2, b, 4));
    }
    if (plan.predictor) entries.push_back(shortEntry(kPredictor, 2));
    // Unassociated alpha: the colour samples are not premultiplied.
    if (plan.alpha) entries.push_back(shortEntry(kExtraSamples, 2));

    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    file.padToEven();
    const uint32_t ifdAt = file.position();
    std::vector<uint8_t> ifd;
    put16(ifd, uint16_t(entries.size()));
    for (const Entry& e : entries) {
        put16(ifd, e.tag);
        put16(ifd, e.type);
        put32(ifd, e.count);
        ifd.insert(ifd.end(), e.value, e.value + 4);
    }
    put32(ifd, 0);
    out.write(ifd);
    const uint64_t end = out.tell();
    out.seek(4);
    out.put32le(ifdAt);
    out.seek(end);
}

}  // namespace

void writeTiff(const Image& img, ByteSink& out) {
    if (img.layout == Layout::Bgr24) return writeTiffImage(img, out);
    // The pipeline always hands over 24-bit colour; other callers may not.
    Image colour = img;
    colour.toBgr24();
    writeTiffImage(colour, out);
}

}  // namespace pix
