#pragma once
// The scaler: replaces the working image by a resampled copy of another size,
// by nearest-pixel copying (filter code 0) or by the separable two-pass
// integer-weight convolution of the filters 1..5 (see resample_filters.h).
#include <cstdint>
#include <vector>

#include "image/image.h"
#include "imageops/resize_geometry.h"

namespace pix {

// Resolves a size request against the current size W x H. Returns false when
// nothing is to happen (both values negative). Width: -1 keeps the aspect to
// the requested height, 0 keeps W, other negatives count by their absolute
// value, below 1 becomes 1; then the height likewise against the new width.
bool resolveSizeRequest(int32_t W, int32_t H, int32_t width, int32_t height, TargetSize& out);

// Source column (or row) of each output column for nearest-pixel scaling.
std::vector<int32_t> nearestMap(int32_t srcSize, int32_t dstSize);

// The scaler. Filter codes outside 1..5 scale by nearest pixel. Fully
// transparent 24-bit pixels are first set to mid-gray in img itself; a 1-bit
// image scaled with a filter becomes 24-bit gray; the alpha plane is scaled
// alike. Throws an Error (image unchanged but for the gray step) when the
// target or its weight tables would need an absurd allocation.
void resample(Image& img, int32_t width, int32_t height, int filterCode);

}  // namespace pix
