#pragma once
// The two engine steps that fill the encoding settings from the profile.
#include "image/params.h"
#include "profile/engine_profile.h"

namespace pix {

// Colour depth step: "1", "4", "8" or "24" (trimmed) set BitsPerSample and
// SamplesPerPixel; anything else leaves the input's values.
void colourDepthStep(const EngineProfile& profile, TIOParamsVals& p);

// Encoding settings step: quality, smoothing, progression, JPEG 2000 rate and
// colour, BMP and PCX run-length coding, PNG level, TIFF compression, GIF
// transparency and the resolution (from lastLoadedDpi unless dpi says otherwise).
void encodingSettingsStep(const EngineProfile& profile, TIOParamsVals& p, int32_t lastLoadedDpi);

// The TIFF compression code for an imageformat value.
uint8_t tiffCompressionFor(const std::string& imageformat);
// The PNG level for a quality: (100 - q) / 10 rounded half to even, at most 9.
int32_t pngLevelFor(int32_t quality);

}  // namespace pix
