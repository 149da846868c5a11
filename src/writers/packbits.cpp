#include "writers/packbits.h"

namespace pix {

namespace {
constexpr size_t kMaxRun = 128;
constexpr size_t kMinRun = 4;  // shorter runs cost no more as literals
}  // namespace

void packBitsRow(const uint8_t* row, size_t n, std::vector<uint8_t>& out) {
    size_t literalStart = 0, literalLength = 0;
    auto flushLiteral = [&] {
        if (literalLength == 0) return;
        out.push_back(uint8_t(literalLength - 1));
        out.insert(out.end(), row + literalStart, row + literalStart + literalLength);
        literalLength = 0;
    };
    size_t i = 0;
    while (i < n) {
        size_t run = 1;
        while (i + run < n && run < kMaxRun && row[i + run] == row[i]) ++run;
        if (run >= kMinRun) {
            flushLiteral();
            out.push_back(uint8_t(int8_t(1 - int(run))));
            out.push_back(row[i]);
        } else {
            for (size_t k = 0; k < run; ++k) {
                if (literalLength == 0) literalStart = i + k;
                if (++literalLength == kMaxRun) flushLiteral();
            }
        }
        i += run;
    }
    flushLiteral();
}

}  // namespace pix
