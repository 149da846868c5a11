#pragma once
// PackBits run-length coding of one row (TIFF compression 32773).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pix {

// Appends the coded row to out. Runs of 4 to 128 equal bytes become
// (1 - length, value); everything else goes into literal stretches of at most
// 128 bytes, (length - 1, bytes...).
void packBitsRow(const uint8_t* row, size_t n, std::vector<uint8_t>& out);

}  // namespace pix
