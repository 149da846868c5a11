#pragma once
// TIOParamsVals: the encoding settings that travel with the working image.
// The load of each input records the input's own values here; the engine then
// overwrites most of them from the profile; each writer reads its own fields.
#include <cstdint>
#include <string>
#include <vector>

namespace pix {

enum class JpegColourSpaceKind { RGB, Gray, YCbCr, CMYK, YCCK };
enum class JpegDctMethodKind { IntegerSlow, IntegerFast, FloatingPoint };
enum class JpegChromaKind { S2x2, S2x1, S1x1 };
enum class TiffPhotometricKind { Gray, RGB, Palette, CMYK, YCbCr, CIELab };
enum class BmpHeaderKindValue { Header12, Header40, Header64 };
enum class PngFilterKindValue { None, Sub, Paeth };
enum class Jpeg2000ProgressionKind { LRCP, RLCP };

// TiffCompression codes as the engine sets them.
enum TiffCompressionCode : uint8_t {
    kTiffNone = 0,
    kTiffHuffman = 1,   // CCITT modified Huffman run-length (tag 2)
    kTiffG3 = 3,        // CCITT Group 3 with two-dimensional coding
    kTiffG4 = 4,        // CCITT Group 4
    kTiffLzw = 5,
    kTiffPackBits = 8,
    kTiffG3OneD = 9,    // Group 3 one-dimensional; the engine never asks for it
    kTiffDeflate = 10,  // the engine never asks for it
};

struct JpegMarker {
    int code = 0;  // JPEG_APP0 + n or JPEG_COM
    std::vector<uint8_t> data;
};

struct RgbColour {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const RgbColour&) const = default;
};

struct TIOParamsVals {
    int32_t BitsPerSample = 8;
    int32_t SamplesPerPixel = 3;
    int32_t HorizontalDpi = 300;
    int32_t VerticalDpi = 300;

    int32_t JpegQuality = 80;
    int32_t JpegSmoothing = 0;
    bool JpegProgressive = false;
    JpegColourSpaceKind JpegColourSpace = JpegColourSpaceKind::YCbCr;
    JpegDctMethodKind JpegDctMethod = JpegDctMethodKind::IntegerSlow;
    JpegChromaKind JpegChromaSubsampling = JpegChromaKind::S2x2;
    bool JpegOptimalHuffman = false;
    std::vector<JpegMarker> JpegMarkers;  // markers read from an input JPEG

    uint8_t TiffCompression = kTiffNone;
    TiffPhotometricKind TiffPhotometric = TiffPhotometricKind::RGB;
    int32_t TiffFillOrder = 1;
    std::string TiffDocumentName, TiffImageDescription, TiffPageName;
    int32_t TiffPageNumber = -1, TiffPageCount = -1;
    int32_t TiffXPosition = 0, TiffYPosition = 0;

    std::string GifVersion = "GIF89a";
    bool GifTransparent = false;
    RgbColour GifTransparentColour, GifBackgroundColour;
    bool GifInterlaced = false;
    int32_t GifDisposal = 2;
    uint16_t GifDelay = 0, GifLeft = 0, GifTop = 0;
    std::vector<std::string> GifComments;

    BmpHeaderKindValue BmpHeaderKind = BmpHeaderKindValue::Header40;
    uint8_t BmpRle = 0;
    bool BmpAlpha = false;

    uint8_t PcxVersion = 5;
    uint8_t PcxRle = 1;

    bool PngInterlaced = false;
    PngFilterKindValue PngFilter = PngFilterKindValue::None;
    int32_t PngCompressionLevel = 5;
    RgbColour PngBackgroundColour;
    std::vector<std::string> PngTextKeys, PngTextValues;

    uint8_t Jpeg2000Colour = 1;  // 0 gray, 1 colour
    double Jpeg2000Rate = 1.0;
    Jpeg2000ProgressionKind Jpeg2000Progression = Jpeg2000ProgressionKind::LRCP;

    // Metadata read from the input; reset by every load.
    std::vector<std::vector<uint8_t>> IptcList;
    std::vector<uint8_t> Exif, Xmp, IccProfile;

    void resetMetadata() {
        JpegMarkers.clear();
        IptcList.clear();
        Exif.clear();
        Xmp.clear();
        IccProfile.clear();
        GifComments.clear();
        PngTextKeys.clear();
        PngTextValues.clear();
    }
};

}  // namespace pix
