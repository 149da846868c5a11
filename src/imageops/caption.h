#pragma once
// The text caption: one line of text drawn onto a 24-bit image along its top
// or bottom edge, in a named face, a size in points and a colour.
#include <cstdint>
#include <string>

#include "image/image.h"

namespace pix {

// The display resolution sizes are converted with (a standard display).
constexpr int32_t kDisplayPixelsPerInch = 96;
// The size a caption takes when its size is 0 or below.
constexpr int32_t kDefaultCaptionPoints = 8;
// Longest face name a font takes, in characters.
constexpr size_t kMaxFaceNameLength = 31;

// Em height in pixels of a size in points: points * ppi / 72, rounded to the
// nearest integer (an exact half to the even one). At 96 pixels per inch 8
// points are 11 pixels, 12 are 16. Sizes of 0 or below take the default size;
// the result is at most kMaxEmPixels.
int32_t captionEmPixels(int32_t points, int32_t ppi = kDisplayPixelsPerInch);

// Top-left corner of the caption's line cell.
struct CaptionPosition {
    int64_t x = 0;
    int64_t y = 0;
};

// Placement of a caption of textWidth x lineHeight pixels on a width x height
// image. The words topleft, topcenter, topright, bottomleft, bottomcenter and
// bottomright (exactly, in lower case) set both coordinates; then any text
// that contains "center" is centred across, else any that contains "right" is
// set against the right edge. Whatever sets no row this way goes to the top,
// unless the text contains "bottom"; whatever sets no column stays at the
// left. So an empty alignment, or one in other letter case ("TopLeft",
// "BottomRight"), draws at the top left. Centring divides truncating toward
// zero, so a caption wider than the image gets a negative x and is cut on
// both sides.
CaptionPosition placeCaption(const std::string& alignment, int32_t width, int32_t height, int64_t textWidth,
                             int64_t lineHeight);

// The face a face name asks for, as UTF-8: the 8-bit name read like caption
// text and cut to kMaxFaceNameLength characters. Empty stays empty (the
// platform's default face).
std::string captionFaceName(const std::string& faceName);

struct CaptionStyle {
    std::string face;         // 8-bit face name; empty: the platform's default face
    int32_t points = kDefaultCaptionPoints;
    uint32_t colour = 0xFFFFFF;  // 0xBBGGRR, red in the low byte
    std::string alignment;
};

// Draws the 8-bit caption text (see caption_text.h for its characters) onto
// the image: only the glyphs, no box or margin, cut at the edges. A bilevel
// image is made 24-bit first; the alpha plane is not changed.
void drawCaption(Image& img, const std::string& text, const CaptionStyle& style);

}  // namespace pix
