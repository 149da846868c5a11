#include "writers/bmp_rle.h"

namespace pix {

namespace {

// Pending literal pixels, in pieces of at most 255. Pieces of one or two
// pixels go out as runs, since absolute mode needs at least three.
void flushLiteral8(const uint8_t* p, int n, std::vector<uint8_t>& out) {
    while (n > 0) {
        const int k = n > 255 ? 255 : n;
        if (k <= 2) {
            for (int i = 0; i < k; ++i) out.insert(out.end(), {1, p[i]});
        } else {
            out.insert(out.end(), {0, uint8_t(k)});
            out.insert(out.end(), p, p + k);
            if (k & 1) out.push_back(0);
        }
        p += k;
        n -= k;
    }
}

void flushLiteral4(const uint8_t* p, int n, std::vector<uint8_t>& out) {
    while (n > 0) {
        const int k = n > 255 ? 255 : n;
        if (k == 1) {
            out.insert(out.end(), {1, uint8_t(p[0] << 4)});
        } else if (k == 2) {
            out.insert(out.end(), {2, uint8_t(p[0] << 4 | p[1])});
        } else {
            out.insert(out.end(), {0, uint8_t(k)});
            const int bytes = (k + 1) / 2;
            for (int i = 0; i < bytes; ++i) {
                const uint8_t hi = p[2 * i];
                const uint8_t lo = 2 * i + 1 < k ? p[2 * i + 1] : 0;
                out.push_back(uint8_t(hi << 4 | lo));
            }
            if (bytes & 1) out.push_back(0);
        }
        p += k;
        n -= k;
    }
}

// The walk both codings share: runs of two or more equal pixels become
// (length, value); whatever lies between them is flushed as literal pixels.
template <class Flush>
void walk(const uint8_t* row, int w, std::vector<uint8_t>& out, uint8_t runMultiplier, Flush flush) {
    int i = 0, lit = 0;
    while (i < w) {
        if (i - lit > 255) {
            flush(row + lit, i - lit, out);
            lit = i;
        }
        if (i + 1 < w && row[i] == row[i + 1]) {
            flush(row + lit, i - lit, out);
            int run = 2;
            while (run < 255 && i + run < w && row[i + run] == row[i]) ++run;
            out.push_back(uint8_t(run));
            out.push_back(uint8_t(row[i] * runMultiplier));
            i += run;
            lit = i;
        } else {
            ++i;
        }
    }
    flush(row + lit, w - lit, out);
}

}  // namespace

void bmpRle8Row(const uint8_t* indexes, int w, std::vector<uint8_t>& out) {
    walk(indexes, w, out, 1, flushLiteral8);
}

void bmpRle4Row(const uint8_t* indexes, int w, std::vector<uint8_t>& out) {
    walk(indexes, w, out, 17, flushLiteral4);
}

}  // namespace pix
