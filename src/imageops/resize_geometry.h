#pragma once
// The size rules of the resize step as pure functions of the current size and
// the profile's numbers. Products and quotients are formed in x87 extended
// precision (long double) and rounded half to even; the ratios of the
// shrink-to-fit and grow-to-cover rules are stored as 64-bit doubles between
// the two steps, exactly as the sizes have always been worked out.
#include <cstdint>
#include <string_view>

namespace pix {

struct TargetSize {
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const TargetSize&) const = default;
};

// Rounds half to even into the 32-bit range; values beyond it saturate (the
// scaler then refuses the size), a NaN gives 0.
int32_t roundToInt32(long double v);

// "1/4x", "1/3x", "1/2x", "3/4x", "2x", "3x", "4x" (already lower-cased).
// Returns false for any other text.
bool fixedFactorSize(std::string_view method, int32_t W, int32_t H, TargetSize& out);

// The box of downsizebypixel and upsizebypixel: width x height, the two
// exchanged for a portrait image (H > W) when keepdimensionratio is "true".
TargetSize portraitBox(int32_t W, int32_t H, int32_t width, int32_t height, bool keepRatioTrue);

// Shrinks to fit tw x th (0: the current size) keeping the aspect; never enlarges.
TargetSize shrinkToFit(int32_t W, int32_t H, int32_t tw, int32_t th);
// Grows to cover tw x th (0: the current size) keeping the aspect; never shrinks.
TargetSize growToCover(int32_t W, int32_t H, int32_t tw, int32_t th);

// downsizebypercent: false (nothing to do) when p >= 99; else the size times (100 - p) / 100.
bool percentDownSize(int32_t W, int32_t H, int32_t p, TargetSize& out);
// upsizebypercent: the size times (100 + p) / 100.
TargetSize percentUpSize(int32_t W, int32_t H, int32_t p);

// The bounds of resizebypixel, with the defaults the step reads them with.
struct SizeBounds {
    int32_t minHeight = 5;
    int32_t minWidth = 5;
    int32_t maxHeight = 12000;
    int32_t maxWidth = 12000;
};

// The bounds rule. A bound of 0 or less does not limit.
//  - keep ratio not "true": each dimension on its own is capped at its maximum
//    and then raised to its minimum (so a minimum above its maximum wins, and
//    a dimension inside its bounds keeps its value);
//  - keep ratio "true": the image is first grown, keeping its aspect, until
//    both minima are met (grow-to-cover), then shrunk, keeping its aspect,
//    until both maxima hold (shrink-to-fit). A maximum is the firmer limit:
//    when both cannot hold, the result fits the maxima.
TargetSize boundsSize(int32_t W, int32_t H, const SizeBounds& b, bool keepRatioTrue);

}  // namespace pix
