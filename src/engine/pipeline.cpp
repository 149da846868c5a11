// processimage: the road of one image from its file to the processed pixels.
#include <string>

#include "engine/batch_engine.h"
#include "engine/encoding_settings.h"
#include "engine/processed_marker.h"
#include "engine/steps.h"
#include "imageops/tone.h"
#include "profile/text.h"
#include "readers/readers.h"

namespace pix {

namespace {
int narrow16(int32_t n) { return int16_t(uint16_t(uint32_t(n))); }
}  // namespace

bool BatchEngine::processimage(size_t index) {
    Image& img = image_;
    const std::string& path = jobFiles_.at(index);
    skipReason_.clear();
    img.blank();
    const bool read = loadImage(path, img);
    lastLoadedDpi_ = img.xdpi;
    if (img.height <= 2 || img.width <= 2) {
        skipReason_ = read ? "image of " + std::to_string(img.width) + " x " + std::to_string(img.height) +
                                 " pixels is too small"
                           : "no reader for this file's extension";
        return false;
    }
    const EngineProfile& p = profile_;
    if (!lowerAscii(p.profilevalue("resizemethod", "")).empty()) resizeStep(p, img);
    const std::string orientation = p.profilevalue("orientation", "");
    if (!orientation.empty()) orientationStep(orientation, img);
    adjusthsv(img, 0, 0, narrow16(p.number("brightness", "0")));
    adjustcontrast(img, narrow16(p.number("contrast", "0")));
    if (p.isNonBlankValue("textcaption")) captionStep(p, img);
    if (p.isTrueTrimmed("grayscale")) converttogray(img);
    if (p.isTrueTrimmed("negative")) makenegative(img);
    if (p.isNonBlankValue("colordepth")) colourDepthStep(p, img.params);
    writeProcessedMarker(img);
    return true;
}

}  // namespace pix
