#include "imageops/palette_quantiser.h"

#include <algorithm>
#include <optional>

#include "imageops/box_splitting_quantiser.h"
#include "imageops/neural_quantiser.h"

namespace pix {

namespace {

uint32_t key(uint8_t r, uint8_t g, uint8_t b) { return uint32_t(r) << 16 | uint32_t(g) << 8 | b; }

bool allGray(const Image& img) {
    for (int32_t y = 0; y < img.height; ++y) {
        const uint8_t* p = img.row(y);
        for (int32_t x = 0; x < img.width; ++x, p += 3)
            if (p[0] != p[1] || p[1] != p[2]) return false;
    }
    return true;
}

// The exact colour list's first-match index of a colour, by open addressing:
// the list never holds a colour twice, so the slot found is the index a
// linear search of the list would return.
class ColourIndex {
public:
    static constexpr int kBits = 10;  // 1024 slots for at most 256 colours

    int find(uint32_t c) const {
        for (size_t s = slot(c);; s = (s + 1) & kMask) {
            if (keys_[s] == c) return values_[s];
            if (keys_[s] == kEmpty) return -1;
        }
    }
    void add(uint32_t c, int index) {
        size_t s = slot(c);
        while (keys_[s] != kEmpty) s = (s + 1) & kMask;
        keys_[s] = c;
        values_[s] = int16_t(index);
    }

private:
    static constexpr size_t kMask = (size_t(1) << kBits) - 1;
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
    static size_t slot(uint32_t c) { return (c * 0x9E3779B1u) >> (32 - kBits); }
    std::vector<uint32_t> keys_ = std::vector<uint32_t>(size_t(1) << kBits, kEmpty);
    std::vector<int16_t> values_ = std::vector<int16_t>(size_t(1) << kBits, -1);
};

// The image's colours in first-met order, or no answer beyond n colours.
std::optional<std::vector<RgbColour>> exactColours(const Image& img, int n, ColourIndex& index) {
    std::vector<RgbColour> list;
    uint32_t last = 0xFFFFFFFFu;  // runs of one colour need no search
    for (int32_t y = 0; y < img.height; ++y) {
        const uint8_t* p = img.row(y);
        for (int32_t x = 0; x < img.width; ++x, p += 3) {
            const uint32_t c = key(p[2], p[1], p[0]);
            if (c == last) continue;
            last = c;
            if (index.find(c) >= 0) continue;
            if (int(list.size()) == n) return std::nullopt;
            index.add(c, int(list.size()));
            list.push_back({p[2], p[1], p[0]});
        }
    }
    return list;
}

}  // namespace

struct PaletteQuantiser::Impl {
    ColourIndex exact;
    std::optional<BoxSplittingQuantiser> boxes;
    std::optional<NeuralQuantiser> neural;
};

PaletteQuantiser::~PaletteQuantiser() = default;
PaletteQuantiser::PaletteQuantiser(PaletteQuantiser&&) noexcept = default;
PaletteQuantiser& PaletteQuantiser::operator=(PaletteQuantiser&&) noexcept = default;

PaletteQuantiser::PaletteQuantiser(const Image& source, int n)
    : n_(std::clamp(n, 1, 256)), impl_(std::make_unique<Impl>()) {
    // Writers hand over 24-bit colour; a bilevel image is read as black and white.
    Image holder;
    const Image* imgp = &source;
    if (source.layout != Layout::Bgr24) {
        holder = source;
        holder.toBgr24();
        imgp = &holder;
    }
    const Image& img = *imgp;

    if (allGray(img)) {
        method_ = Method::GrayRamp;
        palette_.reserve(size_t(n_));
        for (int i = 0; i < n_; ++i) {
            const uint8_t v = uint8_t(256 * i / n_);
            palette_.push_back({v, v, v});
        }
        return;
    }
    if (auto list = exactColours(img, n_, impl_->exact)) {
        method_ = Method::ExactList;
        palette_ = std::move(*list);
        return;
    }
    if (n_ < 128) {
        method_ = Method::BoxSplitting;
        impl_->boxes.emplace(img, n_);
        palette_ = impl_->boxes->palette();
    } else {
        method_ = Method::Neural;
        impl_->neural.emplace(img, n_);
        palette_ = impl_->neural->palette();
    }
}

int PaletteQuantiser::lookup(uint8_t r, uint8_t g, uint8_t b) const {
    switch (method_) {
        case Method::GrayRamp:
            return r * n_ / 256;
        case Method::ExactList:
            return impl_->exact.find(key(r, g, b));
        case Method::BoxSplitting:
            return impl_->boxes->lookup(r, g, b);
        case Method::Neural:
            return impl_->neural->lookup(r, g, b);
    }
    return -1;
}

}  // namespace pix
