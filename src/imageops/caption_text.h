#pragma once
// How the caption's 8-bit text becomes characters.
//
// Profiles written on this platform hold UTF-8; profiles written on Windows
// hold bytes in the Western ANSI code page (Windows-1252). A text that is valid
// UTF-8 as a whole is read as UTF-8; any other text is read byte by byte as
// Windows-1252, whose five unassigned bytes (81, 8D, 8F, 90, 9D hex) stand for
// the Latin-1 control characters of the same codes. Plain ASCII reads the same
// either way, and no byte sequence is ever refused.
#include <string>
#include <string_view>

namespace pix {

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// The characters (Unicode code points) of an 8-bit caption or face name text.
std::u32string decodeCaptionText(std::string_view bytes);

// Code points back to UTF-8, for the font lookup.
std::string encodeUtf8(std::u32string_view text);

}  // namespace pix
