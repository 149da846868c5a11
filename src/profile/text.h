#pragma once
// Small text helpers shared by the profile readers and the engine. The system's
// texts are 8-bit; only ASCII letters are folded.
#include <cstdint>
#include <string>
#include <string_view>

namespace pix {

std::string lowerAscii(std::string_view s);
std::string upperAscii(std::string_view s);
bool startsWithNoCase(std::string_view text, std::string_view prefix);
bool equalsNoCase(std::string_view a, std::string_view b);
// Removes characters with codes 0..32 from both ends.
std::string trimBlank(std::string_view s);
bool isNonBlank(std::string_view s);
// Every double-quote character removed, wherever it stands.
std::string removequote(std::string_view s);
inline std::string stripquotes(std::string_view s) { return removequote(s); }

// The number test: a 32-bit integer with optional leading spaces, sign, and
// decimal digits or hexadecimal digits after "$", "x", "X", "0x" or "0X".
// Anything else throws "'%s' is not a valid integer value".
int32_t toNumber(const std::string& text);
bool tryNumber(const std::string& text, int32_t& out);

// Hexadecimal colour reading: "00FF80", " 0x00ff80", "$FF" -> 0xBBGGRR number.
uint32_t hexColour(std::string_view text);
// Six upper-case hexadecimal digits, as profiles store colours.
std::string colourHex6(uint32_t colour);

}  // namespace pix
