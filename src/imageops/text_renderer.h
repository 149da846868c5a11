#pragma once
// The text renderer behind the caption: a face looked up by name through
// fontconfig, measured and drawn with FreeType.
//
// The renderer owns its fontconfig configuration and FreeType library; make
// one where it is needed (the caption step makes one per image) and nothing
// outlives it.
//
// Measures follow the usual desktop text layout: a line is the sum of the
// characters' whole-pixel advances (no kerning), and the line cell is the
// face's ascent plus descent (its Windows ascent and descent from the OS/2
// table when it has one, else the horizontal header's), each rounded to whole
// pixels at the em height. Only the glyphs are drawn: anti-aliased coverage
// blends the colour over the pixels, nothing is drawn outside the raster.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "image/image.h"

namespace pix {

// Largest em height the font engine takes; larger ones are drawn at this.
constexpr int32_t kMaxEmPixels = 0xFFFF;

class TextRenderer {
public:
    TextRenderer();  // throws an Error when the font engine cannot start
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    // Chooses the regular face that best matches a family name (UTF-8); an
    // empty name takes the platform's default face, a name that is not
    // installed takes fontconfig's best match. Only an installation without
    // any outline font is an error. emPixels is clamped to 1..kMaxEmPixels.
    void selectFont(const std::string& familyUtf8, int32_t emPixels);

    const std::string& family() const;  // the family actually chosen
    const std::string& fontFile() const;
    int32_t emPixels() const;
    int32_t ascent() const;   // whole pixels above the baseline
    int32_t descent() const;  // whole pixels below it
    int32_t lineHeight() const { return ascent() + descent(); }

    // Sum of the characters' advances in whole pixels.
    int64_t textWidth(std::u32string_view text) const;

    // Draws one line with the line cell's top-left corner at (x, y) into a
    // 24-bit image, in colour 0xBBGGRR (red in the low byte; higher bits are
    // ignored). The alpha plane is left alone.
    void drawText(Image& img, int64_t x, int64_t y, std::u32string_view text, uint32_t colour) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace pix
