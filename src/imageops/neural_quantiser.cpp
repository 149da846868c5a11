#include "imageops/neural_quantiser.h"
#include "image/rounding.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace pix {

namespace {

constexpr int kCycles = 100;
constexpr int kInitAlpha = 1024;       // learning rate, 10 fraction bits
constexpr int kRadiusBiasShift = 6;    // radius in 1/64 units
constexpr int kRadiusDec = 30;
constexpr int kRadBias = 256;
constexpr int kAlphaRadBias = 262144;  // kInitAlpha * kRadBias
constexpr int kIntBias = 65536;        // frequency and bias, 16 fraction bits
constexpr int kBeta = 64;              // kIntBias >> 10
constexpr int kBetaGamma = 65536;      // kIntBias << (10 - 10)


// The neurons' components, frequencies and biases in arrays of 256: neurons
// beyond n sit far outside the colour cube with no frequency, so they never
// win a contest, and the contest's loops run a fixed length the compiler can
// vectorise.
struct Network {
    static constexpr int kSlots = 256;
    static constexpr int32_t kFar = 1 << 20;
    int n;
    std::array<int32_t, kSlots> b, g, r, freq, bias, dist, biasdist;

    explicit Network(int size) : n(size) {
        for (int i = 0; i < kSlots; ++i) {
            b[i] = g[i] = r[i] = i < n ? (i * 4096) / n : kFar;
            freq[i] = i < n ? kIntBias / n : 0;
            bias[i] = 0;
        }
    }

    // The neuron to move: the closest one after the bias against neurons
    // that win too often (the first such neuron on equal distances); every
    // frequency decays and the closest one's grows.
    int contest(int32_t cb, int32_t cg, int32_t cr) {
        int32_t bestd = 2147483647, bestbiasd = 2147483647;
        for (int i = 0; i < kSlots; ++i) {
            const int32_t d = std::abs(b[i] - cb) + std::abs(g[i] - cg) + std::abs(r[i] - cr);
            dist[i] = d;
            biasdist[i] = d - (bias[i] >> 12);
            const int32_t betafreq = freq[i] >> 10;
            freq[i] -= betafreq;
            bias[i] += betafreq << 10;
        }
        for (int i = 0; i < kSlots; ++i) {
            bestd = std::min(bestd, dist[i]);
            bestbiasd = std::min(bestbiasd, biasdist[i]);
        }
        int bestpos = 0, bestbiaspos = 0;
        while (dist[bestpos] != bestd) ++bestpos;
        while (biasdist[bestbiaspos] != bestbiasd) ++bestbiaspos;
        freq[bestpos] += kBeta;
        bias[bestpos] -= kBetaGamma;
        return bestbiaspos;
    }

    void moveSingle(int alpha, int j, int32_t cb, int32_t cg, int32_t cr) {
        b[j] -= int32_t((int64_t(b[j] - cb) * alpha) / kInitAlpha);
        g[j] -= int32_t((int64_t(g[j] - cg) * alpha) / kInitAlpha);
        r[j] -= int32_t((int64_t(r[j] - cr) * alpha) / kInitAlpha);
    }

    void moveNeighbour(int32_t a, int k, int32_t cb, int32_t cg, int32_t cr) {
        b[k] -= int32_t((int64_t(b[k] - cb) * a) / kAlphaRadBias);
        g[k] -= int32_t((int64_t(g[k] - cg) * a) / kAlphaRadBias);
        r[k] -= int32_t((int64_t(r[k] - cr) * a) / kAlphaRadBias);
    }

    void moveNeighbours(int rad, const std::vector<int32_t>& radpower, int j, int32_t cb, int32_t cg,
                        int32_t cr) {
        const int lo = std::max(j - rad, -1), hi = std::min(j + rad, n);
        for (int m = 1; j + m < hi || j - m > lo; ++m) {
            const int32_t a = radpower[m];
            if (j + m < hi) moveNeighbour(a, j + m, cb, cg, cr);
            if (j - m > lo) moveNeighbour(a, j - m, cb, cg, cr);
        }
    }
};

void setRadPower(int rad, int alpha, std::vector<int32_t>& radpower) {
    radpower.assign(size_t(rad), 0);
    const int rad2 = rad * rad;
    for (int i = 0; i < rad; ++i) radpower[i] = alpha * (((rad2 - i * i) * kRadBias) / rad2);
}

int radiusBins(int radius) {
    const int rad = radius >> kRadiusBiasShift;
    return rad <= 1 ? 0 : rad;
}

}  // namespace

int neuralSamplingFactor(int64_t pixels) {
    if (pixels < 2000) return 1;
    const int64_t f = roundHalfEven(double(13 * (pixels - 2000)) / 148000.0 + 2.0);
    return int(std::clamp<int64_t>(f, 1, 30));
}

// The search's answer is the neuron nearest to the colour (the least sum of
// channel differences); among equally near neurons, the one it meets first,
// visiting the sorted neurons alternately upward from the green index i0 and
// downward from i0 - 1. Neurons stop being visited on a side only once they
// can no longer come strictly nearer, so that first-met rank decides every tie:
// rank 2 (k - i0) for k >= i0, 2 (i0 - k) - 1 below.
//
// The colour cube is cut into cells. For a cell, the candidates are the
// neurons whose least distance to the cell is at most the smallest greatest
// distance of a neuron to it: every colour's nearest neurons in the cell, ties
// included, are among them. Cells of 8 x 8 x 8 colours take their candidates
// from all neurons, cells of 4 x 4 x 4 from those of the large cell around
// them (a smaller cell's candidates are always among its large cell's), and a
// lookup compares only the small cell's few candidates. Cells are filled when
// first met; a small cell with many candidates (a palette with many equal
// entries) is left to the plain search, which keeps the lists small.
struct NeuralQuantiser::Cells {
    struct Candidate {
        int16_t b, g, r;
        uint8_t k;      // position in green order
        uint8_t index;  // palette index
    };
    static constexpr int kMaxSmall = 32;
    static constexpr uint32_t kUnfilled = 0, kSearch = 255;  // else candidates + 1

    std::vector<Candidate> all;  // by position in green order
    std::vector<uint32_t> largeStart;
    std::vector<uint16_t> largeCount;  // kUnfilled or candidates + 1
    // Per small cell, one word: its start in smallPool << 8 | its count entry
    // (kUnfilled, kSearch or candidates + 1); smallPool stays below 2^23 entries.
    std::vector<uint32_t> small;
    std::vector<uint8_t> largePool, smallPool;  // positions in green order

    explicit Cells(const std::vector<Neuron>& sorted)
        : largeStart(size_t(1) << 15), largeCount(size_t(1) << 15), small(size_t(1) << 18) {
        for (size_t k = 0; k < sorted.size(); ++k) {
            const Neuron& u = sorted[k];
            all.push_back({int16_t(u.b), int16_t(u.g), int16_t(u.r), uint8_t(k), uint8_t(u.index)});
        }
    }

    static int below(int v, int lo, int hi) { return v < lo ? lo - v : v > hi ? v - hi : 0; }
    static int farthest(int v, int lo, int hi) { return std::max(std::abs(v - lo), std::abs(v - hi)); }

    // Appends to `out` the positions among `from` that are candidates for the
    // cell of side 2^shift holding (r, g, b).
    template <class Positions>
    void select(int shift, int r, int g, int b, const Positions& from, std::vector<uint8_t>& out) const {
        const int w = (1 << shift) - 1;
        const int rl = r >> shift << shift, gl = g >> shift << shift, bl = b >> shift << shift;
        int bound = 1 << 30;
        for (const uint8_t k : from) {
            const Candidate& u = all[k];
            bound = std::min(bound, farthest(u.r, rl, rl + w) + farthest(u.g, gl, gl + w) + farthest(u.b, bl, bl + w));
        }
        for (const uint8_t k : from) {
            const Candidate& u = all[k];
            if (below(u.r, rl, rl + w) + below(u.g, gl, gl + w) + below(u.b, bl, bl + w) <= bound) out.push_back(k);
        }
    }

    struct Range {
        const uint8_t *b, *e;
        const uint8_t* begin() const { return b; }
        const uint8_t* end() const { return e; }
    };

    // Fills the small cell of (r, g, b) (and its large cell) when first met.
    // Returns its word.
    uint32_t fill(size_t cell, int r, int g, int b) {
        const size_t big = size_t(r >> 3) << 10 | size_t(g >> 3) << 5 | size_t(b >> 3);
        if (largeCount[big] == kUnfilled) {
            std::vector<uint8_t> every(all.size());
            for (size_t k = 0; k < all.size(); ++k) every[k] = uint8_t(k);
            largeStart[big] = uint32_t(largePool.size());
            select(3, r, g, b, every, largePool);
            largeCount[big] = uint16_t(largePool.size() - largeStart[big] + 1);
        }
        const uint8_t* from = largePool.data() + largeStart[big];
        std::vector<uint8_t> picked;
        select(2, r, g, b, Range{from, from + (largeCount[big] - 1)}, picked);
        if (picked.size() > size_t(kMaxSmall)) return small[cell] = kSearch;
        const uint32_t start = uint32_t(smallPool.size());
        smallPool.insert(smallPool.end(), picked.begin(), picked.end());
        return small[cell] = start << 8 | uint32_t(picked.size() + 1);
    }
};

NeuralQuantiser::~NeuralQuantiser() = default;
NeuralQuantiser::NeuralQuantiser(NeuralQuantiser&&) noexcept = default;
NeuralQuantiser& NeuralQuantiser::operator=(NeuralQuantiser&&) noexcept = default;

NeuralQuantiser::NeuralQuantiser(const Image& source, int n) {
    n = std::clamp(n, 1, 256);
    Image holder;
    if (source.layout != Layout::Bgr24) {
        holder = source;
        holder.toBgr24();
    }
    const Image& img = source.layout == Layout::Bgr24 ? source : holder;
    const int64_t pixels = int64_t(img.width) * img.height;
    Network net(n);

    const int f = neuralSamplingFactor(pixels);
    const int alphadec = 30 + (f - 1) / 3;
    const int64_t length = 3 * pixels;
    const int64_t samplepixels = length / (3 * f);
    int64_t delta = samplepixels / kCycles;
    if (delta == 0) delta = 1;
    int64_t step;
    if (length % 499 != 0)
        step = 499;
    else if (length % 491 != 0)
        step = 491;
    else if (length % 487 != 0)
        step = 487;
    else
        step = 503;

    int alpha = kInitAlpha;
    int radius = (n / 8) << kRadiusBiasShift;
    int rad = radiusBins(radius);
    std::vector<int32_t> radpower;
    setRadPower(rad, alpha, radpower);

    const size_t width = size_t(img.width);
    int64_t pos = 0;
    for (int64_t s = 1; s <= samplepixels; ++s) {
        const uint8_t* p = img.row(int32_t(pos / int64_t(width))) + 3 * size_t(pos % int64_t(width));
        const int32_t cb = int32_t(p[0]) << 4, cg = int32_t(p[1]) << 4, cr = int32_t(p[2]) << 4;
        const int j = net.contest(cb, cg, cr);
        net.moveSingle(alpha, j, cb, cg, cr);
        if (rad > 0) net.moveNeighbours(rad, radpower, j, cb, cg, cr);

        // Below 503 pixels one step can pass the end more than once; the
        // remainder keeps the position inside the image (the same position
        // as one subtraction whenever that suffices).
        pos += step;
        if (pos >= pixels) pos %= pixels;

        if (s % delta == 0) {
            alpha -= alpha / alphadec;
            radius -= radius / kRadiusDec;
            rad = radiusBins(radius);
            setRadPower(rad, alpha, radpower);
        }
    }

    sorted_.resize(size_t(n));
    palette_.resize(size_t(n));
    for (int i = 0; i < n; ++i) {
        Neuron& u = sorted_[size_t(i)];
        u.b = std::min((net.b[i] + 8) >> 4, 255);
        u.g = std::min((net.g[i] + 8) >> 4, 255);
        u.r = std::min((net.r[i] + 8) >> 4, 255);
        u.index = i;
        palette_[size_t(i)] = {uint8_t(u.r), uint8_t(u.g), uint8_t(u.b)};
    }

    // Selection sort by green, swapping (not shifting) the smallest into place,
    // and the green index built on the way.
    int previous = 0, startpos = 0;
    for (int i = 0; i < n; ++i) {
        int smallpos = i;
        int32_t smallval = sorted_[size_t(i)].g;
        for (int j = i + 1; j < n; ++j)
            if (sorted_[size_t(j)].g < smallval) {
                smallpos = j;
                smallval = sorted_[size_t(j)].g;
            }
        if (smallpos != i) std::swap(sorted_[size_t(i)], sorted_[size_t(smallpos)]);
        if (smallval != previous) {
            greenIndex_[size_t(previous)] = (startpos + i) >> 1;
            for (int u = previous + 1; u < smallval; ++u) greenIndex_[size_t(u)] = i;
            previous = smallval;
            startpos = i;
        }
    }
    greenIndex_[size_t(previous)] = (startpos + n - 1) >> 1;
    for (int u = previous + 1; u < 256; ++u) greenIndex_[size_t(u)] = n - 1;

    cells_ = std::make_unique<Cells>(sorted_);
}

int NeuralQuantiser::search(uint8_t r, uint8_t g, uint8_t b) const {
    const int n = int(sorted_.size());
    int bestd = 1000, best = -1;
    // Adds blue and red to a neuron's green distance; it wins when still nearer.
    auto consider = [&](const Neuron& u, int greenDistance) {
        int d = std::abs(greenDistance) + std::abs(u.b - b);
        if (d >= bestd) return;
        d += std::abs(u.r - r);
        if (d >= bestd) return;
        bestd = d;
        best = u.index;
    };
    int i = greenIndex_[g], j = i - 1;
    while (i < n || j >= 0) {
        if (i < n) {
            const Neuron& u = sorted_[size_t(i)];
            const int d = u.g - g;
            if (d >= bestd) {
                i = n;
            } else {
                ++i;
                consider(u, d);
            }
        }
        if (j >= 0) {
            const Neuron& u = sorted_[size_t(j)];
            const int d = g - u.g;
            if (d >= bestd) {
                j = -1;
            } else {
                --j;
                consider(u, d);
            }
        }
    }
    return best;
}

int NeuralQuantiser::lookup(uint8_t r, uint8_t g, uint8_t b) const {
    Cells& c = *cells_;
    const size_t cell = size_t(r >> 2) << 12 | size_t(g >> 2) << 6 | size_t(b >> 2);
    uint32_t word = c.small[cell];
    if (word == Cells::kUnfilled) word = c.fill(cell, r, g, b);
    if (word == Cells::kSearch) return search(r, g, b);
    const uint8_t* p = c.smallPool.data() + (word >> 8);
    const uint8_t* end = p + ((word & 0xFF) - 1);
    const int i0 = greenIndex_[g];
    int bestKey = 1 << 30, best = -1;
    for (; p != end; ++p) {
        const Cells::Candidate& u = c.all[*p];
        const int d = std::abs(u.b - b) + std::abs(u.g - g) + std::abs(u.r - r);
        const int rank = u.k >= i0 ? 2 * (u.k - i0) : 2 * (i0 - u.k) - 1;
        const int key = d << 9 | rank;
        if (key < bestKey) {
            bestKey = key;
            best = u.index;
        }
    }
    return best;
}

}  // namespace pix
