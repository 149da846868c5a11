#include "imageops/box_splitting_quantiser.h"
#include "image/rounding.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace pix {

namespace {

constexpr int kBins = 32;


struct Box {
    std::array<int, 3> lo{}, hi{};                       // bins, hi exclusive; axes red, green, blue
    std::array<std::array<uint32_t, kBins>, 3> hst{};    // marginal histograms
    uint32_t n = 0;
    std::array<double, 3> mean{};
    double e = 0.0;
};

using Histogram = std::vector<uint32_t>;  // 32768 cells, (r5 * 32 + g5) * 32 + b5

size_t cell(int r5, int g5, int b5) { return size_t(r5) << 10 | size_t(g5) << 5 | size_t(b5); }

// Means and error; the sums are exact integers in doubles, the rest keeps
// the order of evaluation the palette depends on.
void computeStatistics(Box& box, double pixels) {
    if (box.n == 0) {
        box.e = 0.0;
        return;
    }
    const double n = box.n;
    double sum = 0.0;
    for (int a = 0; a < 3; ++a) {
        double s1 = 0.0, s2 = 0.0;
        for (int j = box.lo[a]; j < box.hi[a]; ++j) {
            const double h = box.hst[a][j];
            s1 += double(j) * h;
            s2 += double(j) * double(j) * h;
        }
        const double mean = s1 / n;
        box.mean[a] = mean;
        sum += s2 - n * (mean * mean);
    }
    box.e = sum / pixels;
}

// The lower part's marginal histograms from the 3-D histogram over its bounds.
void fillMarginals(Box& box, const Histogram& hist) {
    for (auto& h : box.hst) h.fill(0);
    for (int r = box.lo[0]; r < box.hi[0]; ++r)
        for (int g = box.lo[1]; g < box.hi[1]; ++g) {
            const uint32_t* row = &hist[cell(r, g, 0)];
            for (int b = box.lo[2]; b < box.hi[2]; ++b) {
                const uint32_t c = row[b];
                box.hst[0][r] += c;
                box.hst[1][g] += c;
                box.hst[2][b] += c;
            }
        }
}

void shrink(Box& box) {
    for (int a = 0; a < 3; ++a) {
        int first = -1, last = -1;
        for (int j = 0; j < kBins; ++j)
            if (box.hst[a][j] != 0) {
                if (first < 0) first = j;
                last = j;
            }
        if (first >= 0) {
            box.lo[a] = first;
            box.hi[a] = last + 1;
        }
    }
}

// Splits c along axis a into lower and upper; false when the axis cannot be split.
bool splitAlong(const Box& c, int a, const Histogram& hist, double pixels, Box& lower, Box& upper) {
    const int lo = c.lo[a], hi = c.hi[a];
    if (hi == lo + 1) return false;
    const auto& hst = c.hst[a];
    const double m = c.mean[a];
    const double n = c.n;
    const int start = int(roundHalfEven((lo + m) * 0.5));
    const int end = int(roundHalfEven((hi + m) * 0.5));

    uint32_t below = 0;
    for (int j = lo; j < start; ++j) below += hst[j];
    int cut = start;
    uint32_t ncut = c.n;
    double cum = 0.0, best = -1.0;
    // The bins up to hi - 1 hold all n pixels, so the walk ends there at the latest.
    for (int j = start; j <= end && j < hi; ++j) {
        below += hst[j];
        if (below == c.n) break;
        cum = cum + double(hst[j]) * double(j) / n;
        const double d = m - cum;
        const double score = double(below) / double(c.n - below) * (d * d);
        if (score > best) {
            best = score;
            cut = j;
            ncut = below;
        }
    }
    cut = cut + 1;

    lower = c;
    lower.hi[a] = cut;
    lower.n = ncut;
    upper = c;
    upper.lo[a] = cut;
    upper.n = c.n - ncut;
    if (lower.n == 0 || upper.n == 0) return false;

    fillMarginals(lower, hist);
    for (int x = 0; x < 3; ++x)
        for (int j = 0; j < kBins; ++j) upper.hst[x][j] = c.hst[x][j] - lower.hst[x][j];
    shrink(lower);
    shrink(upper);
    computeStatistics(lower, pixels);
    computeStatistics(upper, pixels);
    return true;
}

// The best split of c over the three axes; false when none can be split.
bool split(const Box& c, const Histogram& hist, double pixels, Box& lower, Box& upper) {
    bool found = false;
    double bestSum = 0.0;
    Box l, u;
    for (int a = 0; a < 3; ++a) {
        if (!splitAlong(c, a, hist, pixels, l, u)) continue;
        const double sum = l.e + u.e;
        // Strictly smaller: on equal sums the earlier axis stays.
        if (!found || sum < bestSum) {
            found = true;
            bestSum = sum;
            lower = l;
            upper = u;
        }
    }
    return found;
}

}  // namespace

BoxSplittingQuantiser::BoxSplittingQuantiser(const Image& source, int n) : table_(kBins * kBins * kBins, 0) {
    n = std::clamp(n, 1, 256);  // box numbers are table bytes
    Image holder;
    if (source.layout != Layout::Bgr24) {
        holder = source;
        holder.toBgr24();
    }
    const Image& img = source.layout == Layout::Bgr24 ? source : holder;

    Histogram hist(kBins * kBins * kBins, 0);
    for (int32_t y = 0; y < img.height; ++y) {
        const uint8_t* p = img.row(y);
        for (int32_t x = 0; x < img.width; ++x, p += 3) ++hist[cell(p[2] >> 3, p[1] >> 3, p[0] >> 3)];
    }
    const double pixels = double(img.width) * double(img.height);

    std::vector<Box> boxes;
    boxes.reserve(size_t(n));
    Box first;
    first.lo = {0, 0, 0};
    first.hi = {kBins, kBins, kBins};
    first.n = uint32_t(int64_t(img.width) * img.height);
    for (int r = 0; r < kBins; ++r)
        for (int g = 0; g < kBins; ++g)
            for (int b = 0; b < kBins; ++b) {
                const uint32_t c = hist[cell(r, g, b)];
                first.hst[0][r] += c;
                first.hst[1][g] += c;
                first.hst[2][b] += c;
            }
    computeStatistics(first, pixels);
    boxes.push_back(first);

    Box lower, upper;
    while (int(boxes.size()) < n) {
        int c = -1;
        for (int i = 0; i < int(boxes.size()); ++i)
            if (boxes[i].e > 0.0 && (c < 0 || boxes[i].e > boxes[c].e)) c = i;
        if (c < 0) break;
        if (split(boxes[c], hist, pixels, lower, upper)) {
            boxes[c] = lower;
            boxes.push_back(upper);
        } else {
            boxes[c].e = 0.0;
        }
    }

    palette_.reserve(boxes.size());
    for (size_t i = 0; i < boxes.size(); ++i) {
        const Box& b = boxes[i];
        palette_.push_back({uint8_t(roundHalfEven(b.mean[0]) * 8), uint8_t(roundHalfEven(b.mean[1]) * 8),
                            uint8_t(roundHalfEven(b.mean[2]) * 8)});
        for (int r = b.lo[0]; r < b.hi[0]; ++r)
            for (int g = b.lo[1]; g < b.hi[1]; ++g)
                for (int bl = b.lo[2]; bl < b.hi[2]; ++bl) table_[cell(r, g, bl)] = uint8_t(i);
    }
}

}  // namespace pix
