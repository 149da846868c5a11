#pragma once
// The palette quantiser: a palette of at most N colours for a 24-bit image and
// the index of any of its pixels' colours. It chooses, in this order, the gray
// ramp (every pixel gray), the exact colour list (at most N colours), the
// box-splitting quantiser (N < 128) or the neural quantiser (N >= 128).
// Built once per written image; it never changes the image.
#include <cstdint>
#include <memory>
#include <vector>

#include "image/image.h"

namespace pix {

class PaletteQuantiser {
public:
    enum class Method { GrayRamp, ExactList, BoxSplitting, Neural };

    PaletteQuantiser(const Image& img, int n);
    ~PaletteQuantiser();
    PaletteQuantiser(PaletteQuantiser&&) noexcept;
    PaletteQuantiser& operator=(PaletteQuantiser&&) noexcept;

    Method method() const { return method_; }
    bool isGray() const { return method_ == Method::GrayRamp; }
    // The filled entries, in index order (may be fewer than N).
    const std::vector<RgbColour>& palette() const { return palette_; }
    int size() const { return n_; }
    // The palette index of a colour; -1 only from the exact colour list, for a
    // colour the image does not contain.
    int lookup(uint8_t r, uint8_t g, uint8_t b) const;

    struct Impl;  // the box-splitting and neural quantisers' lookup data

private:
    Method method_ = Method::GrayRamp;
    int n_ = 0;
    std::vector<RgbColour> palette_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace pix
