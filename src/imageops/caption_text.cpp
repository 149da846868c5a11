#include "imageops/caption_text.h"

#include <cstdint>

namespace pix {

namespace {

// Windows-1252 bytes 80..9F; the unassigned ones keep their Latin-1 codes.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

// Decodes one UTF-8 sequence at bytes[i]; returns its length, 0 when malformed.
size_t utf8Sequence(std::string_view bytes, size_t i, char32_t& cp) {
    const uint8_t b0 = uint8_t(bytes[i]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    size_t len;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) len = 2, cp = b0 & 0x1F, min = 0x80;
    else if ((b0 & 0xF0) == 0xE0) len = 3, cp = b0 & 0x0F, min = 0x800;
    else if ((b0 & 0xF8) == 0xF0) len = 4, cp = b0 & 0x07, min = 0x10000;
    else return 0;
    if (bytes.size() - i < len) return 0;
    for (size_t k = 1; k < len; ++k) {
        const uint8_t b = uint8_t(bytes[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    char32_t cp;
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = utf8Sequence(bytes, i, cp);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::u32string decodeCaptionText(std::string_view bytes) {
    std::u32string out;
    out.reserve(bytes.size());
    if (isValidUtf8(bytes)) {
        char32_t cp = 0;
        for (size_t i = 0; i < bytes.size();) {
            i += utf8Sequence(bytes, i, cp);
            out += cp;
        }
        return out;
    }
    for (char c : bytes) {
        const uint8_t b = uint8_t(c);
        out += (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : char32_t(b);
    }
    return out;
}

std::string encodeUtf8(std::u32string_view text) {
    std::string out;
    for (char32_t cp : text) {
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | (cp >> 18));
            out += char(0x80 | ((cp >> 12) & 0x3F));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

}  // namespace pix
