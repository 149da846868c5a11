#pragma once
// Run-length coding of one bitmap row of palette indexes (RLE8 and RLE4).
// The row's end-of-line escape is not included; the caller adds 0, 0.
#include <cstdint>
#include <vector>

namespace pix {

// Appends the RLE8 coding of w indexes to out.
void bmpRle8Row(const uint8_t* indexes, int w, std::vector<uint8_t>& out);
// Appends the RLE4 coding of w indexes (each below 16) to out.
void bmpRle4Row(const uint8_t* indexes, int w, std::vector<uint8_t>& out);

}  // namespace pix
