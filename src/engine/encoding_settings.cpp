#include "engine/encoding_settings.h"

#include <cfenv>
#include <cmath>
#include <string>

#include "profile/text.h"

namespace pix {

void colourDepthStep(const EngineProfile& profile, TIOParamsVals& p) {
    const std::string v = trimBlank(profile.profilevalue("colordepth", ""));
    if (v == "1") p.BitsPerSample = 1, p.SamplesPerPixel = 1;
    else if (v == "4") p.BitsPerSample = 4, p.SamplesPerPixel = 1;
    else if (v == "8") p.BitsPerSample = 8, p.SamplesPerPixel = 1;
    else if (v == "24") p.BitsPerSample = 8, p.SamplesPerPixel = 3;
}

uint8_t tiffCompressionFor(const std::string& imageformat) {
    const std::string lower = lowerAscii(imageformat);
    const std::string trimmed = trimBlank(imageformat);
    if (lower == "tiffuncompressed") return kTiffNone;
    if (lower == "tiffpackbit") return kTiffPackBits;
    if (lower == "tiffg3") return kTiffG3;
    if (trimmed == "tiffg4") return kTiffG4;
    if (trimmed == "tiffhuffman") return kTiffHuffman;
    return kTiffLzw;
}

int32_t pngLevelFor(int32_t quality) {
    const double level = std::nearbyint((100.0 - double(quality)) / 10.0);  // round half to even
    return std::min<int32_t>(int32_t(level), 9);
}

void encodingSettingsStep(const EngineProfile& profile, TIOParamsVals& p, int32_t lastLoadedDpi) {
    p.JpegQuality = profile.number("quality", "70");
    p.JpegSmoothing = profile.number("smoothing", "0");
    p.JpegProgressive = profile.profilevalue("progressivejpeg", "") == "true";
    p.Jpeg2000Rate = double(profile.number("quality", "70")) / 2000.0;
    p.Jpeg2000Colour = 1;
    p.BmpRle = 1;
    p.PngCompressionLevel = pngLevelFor(profile.number("quality", "70"));
    p.PcxRle = 1;
    p.TiffCompression = tiffCompressionFor(profile.profilevalue("imageformat", ""));
    p.GifTransparent = false;
    const std::string v = profile.profilevalue("dpi", std::to_string(lastLoadedDpi));
    const int32_t dpi = v == "0" ? lastLoadedDpi : toNumber(v);
    p.HorizontalDpi = dpi;
    p.VerticalDpi = dpi;
}

}  // namespace pix
