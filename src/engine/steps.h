#pragma once
// The per-image steps that read their own keys from the profile and call the
// image operations. Each lives in a file named after it.
#include <string>

#include "image/image.h"
#include "profile/engine_profile.h"

namespace pix {

// Resize by the profile's resizemethod and its size keys.
void resizeStep(const EngineProfile& profile, Image& img);
// Quarter turns and mirrors by the orientation value exactly as the profile holds it.
void orientationStep(const std::string& value, Image& img);
// The text caption with the profile's font, size, colour and placement.
void captionStep(const EngineProfile& profile, Image& img);

}  // namespace pix
