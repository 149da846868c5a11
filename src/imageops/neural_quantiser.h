#pragma once
// The neural quantiser: the NeuQuant self-organising network of N neurons,
// trained on a sample of the image's pixels; a colour's index comes from a
// search outward from the green index of the neurons sorted by green.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "image/image.h"

namespace pix {

// Pixels between samples taken by the training, from the pixel count.
int neuralSamplingFactor(int64_t pixels);

class NeuralQuantiser {
public:
    // n is held to 1..256; a bilevel image is read as black and white.
    NeuralQuantiser(const Image& img, int n);
    ~NeuralQuantiser();
    NeuralQuantiser(NeuralQuantiser&&) noexcept;
    NeuralQuantiser& operator=(NeuralQuantiser&&) noexcept;

    // n entries, in neuron order.
    const std::vector<RgbColour>& palette() const { return palette_; }
    // The search outward from the green index, neuron by neuron.
    int search(uint8_t r, uint8_t g, uint8_t b) const;
    // The same answer as search(), faster: writers look up every pixel.
    int lookup(uint8_t r, uint8_t g, uint8_t b) const;

private:
    struct Neuron {
        int32_t b, g, r, index;
    };
    std::vector<RgbColour> palette_;
    std::vector<Neuron> sorted_;  // by green, after training
    std::array<int32_t, 256> greenIndex_{};
    struct Cells;
    std::unique_ptr<Cells> cells_;  // filled by lookup(); owned by one writer on one thread
};

}  // namespace pix
