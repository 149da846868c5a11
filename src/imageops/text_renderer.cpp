#include "imageops/text_renderer.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>

#include "image/error.h"

namespace pix {

namespace {

int64_t floorDiv64(int64_t v) { return v >= 0 ? v / 64 : -((-v + 63) / 64); }
int64_t ceilDiv64(int64_t v) { return -floorDiv64(-v); }

// Font units to whole pixels at the em height, an exact half rounding up.
int32_t unitsToPixels(int64_t units, int64_t em, int64_t unitsPerEm) {
    if (units <= 0 || unitsPerEm <= 0) return 0;
    return int32_t((2 * units * em + unitsPerEm) / (2 * unitsPerEm));
}

// Spans arrive with a 16-bit x, so wide areas are rasterised in tiles.
constexpr int64_t kTileWidth = 16384;
// The rasteriser folds everything left of its clip box into one column, which
// can move the coverage of the columns just inside by a level. So a glyph is
// rasterised from its own left edge whenever that is within reach, and only
// the parts of giant glyphs far from it start a few columns left of what is
// drawn.
constexpr int64_t kLeftReach = 16000;
constexpr int64_t kLeftPad = 4;

struct SpanTarget {
    Image* img;
    int64_t baseline;  // image row just below the baseline
    int64_t originX;   // image column of span x 0
    int64_t fromX;     // image columns [fromX, toX) are drawn
    int64_t toX;
    uint8_t b, g, r;
};

inline uint8_t blend(uint8_t under, uint8_t over, unsigned coverage) {
    return uint8_t((under * (255u - coverage) + over * coverage + 127u) / 255u);
}

// Span rows count upwards from the baseline; image rows count downwards.
void blendSpans(int y, int count, const FT_Span* spans, void* user) {
    const SpanTarget& t = *static_cast<const SpanTarget*>(user);
    const int64_t row = t.baseline - 1 - y;
    if (row < 0 || row >= t.img->height) return;
    uint8_t* line = t.img->row(int32_t(row));
    for (int i = 0; i < count; ++i) {
        const unsigned cov = spans[i].coverage;
        if (cov == 0) continue;
        const int64_t x0 = std::max<int64_t>(t.fromX, t.originX + spans[i].x);
        const int64_t x1 = std::min<int64_t>(t.toX, t.originX + spans[i].x + spans[i].len);
        for (int64_t x = x0; x < x1; ++x) {
            uint8_t* p = line + 3 * x;
            p[0] = blend(p[0], t.b, cov);
            p[1] = blend(p[1], t.g, cov);
            p[2] = blend(p[2], t.r, cov);
        }
    }
}

}  // namespace

struct TextRenderer::Impl {
    FcConfig* config = nullptr;
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    bool symbolMap = false;  // symbol fonts take characters 20..FF at F020..F0FF
    std::string family, file;
    int32_t em = 0, ascent = 0, descent = 0;

    ~Impl() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
        if (config) FcConfigDestroy(config);
    }

    // Loads the outline of a character into the glyph slot; false when the
    // face cannot give one (the character is then left out).
    bool loadGlyph(char32_t cp) const {
        if (!face) return false;
        FT_ULong code = cp;
        if (symbolMap && cp >= 0x20 && cp <= 0xFF) code = 0xF000 + cp;
        const FT_UInt index = FT_Get_Char_Index(face, code);
        return FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL) == 0;
    }
    int64_t advance() const { return (int64_t(face->glyph->advance.x) + 32) >> 6; }
};

TextRenderer::TextRenderer() : impl_(std::make_unique<Impl>()) {
    impl_->config = FcInitLoadConfigAndFonts();
    if (!impl_->config) throw Error("Cannot load the font configuration");
    if (FT_Init_FreeType(&impl_->library) != 0) {
        impl_->library = nullptr;
        throw Error("Cannot start the font engine");
    }
}

TextRenderer::~TextRenderer() = default;

void TextRenderer::selectFont(const std::string& familyUtf8, int32_t emPixels) {
    Impl& m = *impl_;
    if (m.face) FT_Done_Face(m.face);
    m.face = nullptr;
    m.em = std::clamp(emPixels, int32_t(1), kMaxEmPixels);

    FcPattern* pattern = FcPatternCreate();
    if (!pattern) throw Error("Cannot look up the font " + familyUtf8);
    if (!familyUtf8.empty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(familyUtf8.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, double(m.em));
    FcConfigSubstitute(m.config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcFontSet* fonts = FcFontSort(m.config, pattern, FcFalse, nullptr, &result);
    FcPatternDestroy(pattern);

    // The best match that FreeType can draw as outlines: bitmap-only and
    // colour-bitmap faces are passed over for the next best.
    for (int i = 0; fonts && i < fonts->nfont && !m.face; ++i) {
        FcPattern* font = fonts->fonts[i];
        FcBool outline = FcFalse;
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetBool(font, FC_OUTLINE, 0, &outline) != FcResultMatch || !outline) continue;
        if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) continue;
        FcPatternGetInteger(font, FC_INDEX, 0, &index);
        FT_Face face = nullptr;
        if (FT_New_Face(m.library, reinterpret_cast<const char*>(file), index, &face) != 0) continue;
        if (!FT_IS_SCALABLE(face) || FT_Set_Pixel_Sizes(face, 0, FT_UInt(m.em)) != 0) {
            FT_Done_Face(face);
            continue;
        }
        m.face = face;
        m.file = reinterpret_cast<const char*>(file);
        FcChar8* name = nullptr;
        m.family = FcPatternGetString(font, FC_FAMILY, 0, &name) == FcResultMatch
                       ? reinterpret_cast<const char*>(name)
                       : std::string();
    }
    if (fonts) FcFontSetDestroy(fonts);
    if (!m.face) throw Error("No installed font can draw the caption (font " + familyUtf8 + ")");

    m.symbolMap = false;
    if (!m.face->charmap && FT_Select_Charmap(m.face, FT_ENCODING_MS_SYMBOL) == 0) m.symbolMap = true;

    // The line cell of desktop text: the Windows ascent and descent when the
    // face has them, else the horizontal header's.
    const int64_t upem = m.face->units_per_EM;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(m.face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && int(os2->usWinAscent) + int(os2->usWinDescent) > 0) {
        m.ascent = unitsToPixels(os2->usWinAscent, m.em, upem);
        m.descent = unitsToPixels(os2->usWinDescent, m.em, upem);
    } else {
        m.ascent = unitsToPixels(m.face->ascender, m.em, upem);
        m.descent = unitsToPixels(-int64_t(m.face->descender), m.em, upem);
    }
    if (m.ascent + m.descent <= 0) m.ascent = m.em;
}

const std::string& TextRenderer::family() const { return impl_->family; }
const std::string& TextRenderer::fontFile() const { return impl_->file; }
int32_t TextRenderer::emPixels() const { return impl_->em; }
int32_t TextRenderer::ascent() const { return impl_->ascent; }
int32_t TextRenderer::descent() const { return impl_->descent; }

int64_t TextRenderer::textWidth(std::u32string_view text) const {
    int64_t width = 0;
    for (char32_t cp : text)
        if (impl_->loadGlyph(cp)) width += impl_->advance();
    return width;
}

void TextRenderer::drawText(Image& img, int64_t x, int64_t y, std::u32string_view text, uint32_t colour) const {
    const Impl& m = *impl_;
    if (!m.face || img.layout != Layout::Bgr24 || img.width <= 0 || img.height <= 0) return;
    SpanTarget target{&img, y + m.ascent, 0, 0, 0, uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour)};
    FT_Raster_Params params{};
    params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT | FT_RASTER_FLAG_CLIP;
    params.gray_spans = blendSpans;
    params.user = &target;

    int64_t pen = x;
    for (char32_t cp : text) {
        if (!m.loadGlyph(cp)) continue;
        const int64_t advance = m.advance();
        FT_GlyphSlot slot = m.face->glyph;
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE && slot->outline.n_points > 0) {
            FT_BBox box;
            FT_Outline_Get_CBox(&slot->outline, &box);
            // The glyph's pixels in image coordinates, cut to the image.
            const int64_t gx0 = pen + floorDiv64(box.xMin);
            const int64_t vx0 = std::max<int64_t>(0, gx0);
            const int64_t vx1 = std::min<int64_t>(img.width, pen + ceilDiv64(box.xMax));
            const int64_t vy0 = std::max<int64_t>(0, target.baseline - ceilDiv64(box.yMax));
            const int64_t vy1 = std::min<int64_t>(img.height, target.baseline - floorDiv64(box.yMin));
            FT_Pos shifted = 0;
            for (int64_t tx = vx0; tx < vx1 && vy0 < vy1; tx += kTileWidth) {
                target.fromX = tx;
                target.toX = std::min(tx + kTileWidth, vx1);
                target.originX = tx - gx0 <= kLeftReach ? gx0 : tx - kLeftPad;
                const FT_Pos want = FT_Pos((pen - target.originX) * 64);
                FT_Outline_Translate(&slot->outline, want - shifted, 0);
                shifted = want;
                params.clip_box.xMin = 0;
                params.clip_box.xMax = FT_Pos(target.toX - target.originX);
                params.clip_box.yMin = FT_Pos(target.baseline - vy1);
                params.clip_box.yMax = FT_Pos(target.baseline - vy0);
                FT_Outline_Render(m.library, &slot->outline, &params);
            }
        }
        pen += advance;
    }
}

}  // namespace pix
