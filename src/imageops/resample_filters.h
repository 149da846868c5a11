#pragma once
// The resampling filters of the scaler: filter codes, kernels, scale factors
// and the integer-weight contribution lists of one axis.
//
// The numbers are kept exactly as the scaler has always produced them:
// intermediate steps in x87 extended precision (long double), and a 64-bit
// double wherever a value is stored (scale factors, centres, support widths,
// kernel arguments). Plain double arithmetic gives other weights for ordinary
// sizes (57 -> 36 pixels already), so do not "simplify" the casts below.
#include <cstdint>
#include <string_view>
#include <vector>

namespace pix {

enum FilterCode : int {
    kFilterNone = 0,
    kFilterTriangle = 1,
    kFilterHermite = 2,
    kFilterBell = 3,
    kFilterBSpline = 4,
    kFilterLanczos3 = 5,
};

// resamplemethod value -> filter code: codes up to 32 trimmed from both ends,
// ASCII lower-cased, compared whole; anything unknown (and "none") is 0.
int filterCode(std::string_view resamplemethod);

// Kernel k(x) of a filter code 1..5 and its support radius (k is 0 beyond it).
double filterKernel(int code, double x);
double filterSupport(int code);

// Rounds to the nearest integer, an exact half to the even neighbour.
long double roundHalfEven(long double v);

// Scale factor of one axis: (dst - 1) / (src - 1), or dst / src when either
// size is 1, formed in extended precision and stored as a double.
double axisScale(int32_t srcSize, int32_t dstSize);

// Mirrored edge: -j below 0, 2*size - 1 - j beyond the end, then clamped.
int32_t mirrorIndex(int64_t j, int32_t size);

// One entry of a contribution list as the filter defines it.
struct Contribution {
    int32_t index;   // source column (or row) after mirroring
    int32_t weight;  // kernel value times 256, rounded; never 0
};

// The contribution lists of one axis, kept in the form the passes use:
// output i takes the unmirrored source positions first[i] .. first[i]+taps-1
// with weights[i*taps + t] (zeros included, lists padded to a common length
// that is a multiple of 8). Mapping a position through mirrorIndex gives the
// source index of the filter's own list; zero weights add nothing to a sum.
struct ContributionTable {
    int32_t srcSize = 0;
    int32_t dstSize = 0;
    int32_t taps = 0;               // weights per output, a multiple of 8 (0: all lists empty)
    int32_t lo = 0, hi = 0;         // every position read lies in [lo, hi)
    std::vector<int32_t> first;     // per output
    std::vector<int16_t> weights;   // dstSize * taps
    std::vector<int32_t> weightSum; // per output: sum of its weights

    // The list of output i in the filter's own form (non-zero entries, in order).
    std::vector<Contribution> list(int32_t i) const;
};

// Builds the lists for scaling one axis from srcSize to dstSize with a filter
// code 1..5. Throws an Error when the tables would need an absurd allocation.
ContributionTable buildContributions(int code, int32_t srcSize, int32_t dstSize);

}  // namespace pix
