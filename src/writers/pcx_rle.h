#pragma once
// Run-length coding of one PCX line.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pix {

// Appends the coding of n bytes to out: runs of up to 63 equal bytes become
// 0xC0 | length and the value; a single byte of 0xC0 or more becomes 0xC1 and
// the byte; other single bytes stay. When n is odd, one 0 byte follows, so the
// decoded line has the even bytes-per-line length.
void pcxRleLine(const uint8_t* bytes, size_t n, std::vector<uint8_t>& out);

}  // namespace pix
