#include "imageops/caption.h"

#include <array>
#include <string_view>

#include "imageops/caption_text.h"
#include "imageops/text_renderer.h"

namespace pix {

int32_t captionEmPixels(int32_t points, int32_t ppi) {
    if (points <= 0) points = kDefaultCaptionPoints;
    if (ppi <= 0) ppi = kDisplayPixelsPerInch;
    const int64_t n = int64_t(points) * ppi;
    int64_t q = n / 72;
    const int64_t twiceRest = 2 * (n % 72);
    if (twiceRest > 72 || (twiceRest == 72 && (q & 1))) ++q;
    return int32_t(std::min<int64_t>(std::max<int64_t>(q, 1), kMaxEmPixels));
}

CaptionPosition placeCaption(const std::string& alignment, int32_t width, int32_t height, int64_t textWidth,
                             int64_t lineHeight) {
    struct Word {
        std::string_view word;
        bool centre, right, bottom;
    };
    static constexpr std::array<Word, 6> kWords{{
        {"topleft", false, false, false},
        {"topcenter", true, false, false},
        {"topright", false, true, false},
        {"bottomleft", false, false, true},
        {"bottomcenter", true, false, true},
        {"bottomright", false, true, true},
    }};
    const int64_t centred = (int64_t(width) - textWidth) / 2;  // truncates toward zero
    const int64_t right = int64_t(width) - textWidth;
    const int64_t bottom = int64_t(height) - lineHeight;

    CaptionPosition pos;
    bool rowSet = false;
    for (const Word& w : kWords)
        if (alignment == w.word) {
            pos.x = w.centre ? centred : w.right ? right : 0;
            pos.y = w.bottom ? bottom : 0;
            rowSet = true;
        }
    if (alignment.find("center") != std::string::npos) pos.x = centred;
    else if (alignment.find("right") != std::string::npos) pos.x = right;
    if (!rowSet && alignment.find("bottom") != std::string::npos) pos.y = bottom;
    return pos;
}

std::string captionFaceName(const std::string& faceName) {
    std::u32string chars = decodeCaptionText(faceName);
    if (chars.size() > kMaxFaceNameLength) chars.resize(kMaxFaceNameLength);
    return encodeUtf8(chars);
}

void drawCaption(Image& img, const std::string& text, const CaptionStyle& style) {
    if (img.layout == Layout::Bilevel) img.toBgr24();
    const std::u32string chars = decodeCaptionText(text);
    TextRenderer renderer;
    renderer.selectFont(captionFaceName(style.face), captionEmPixels(style.points));
    const int64_t tw = renderer.textWidth(chars);
    const CaptionPosition pos = placeCaption(style.alignment, img.width, img.height, tw, renderer.lineHeight());
    renderer.drawText(img, pos.x, pos.y, chars, style.colour & 0xFFFFFF);
}

}  // namespace pix
