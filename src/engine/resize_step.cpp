#include <exception>
#include <string>

#include "engine/steps.h"
#include "imageops/resample_filters.h"
#include "imageops/resize_geometry.h"
#include "imageops/scaler.h"
#include "profile/text.h"

namespace pix {

namespace {

// The view background colour that a failed shrink or grow leaves behind: the
// desktop's button face, the light gray of common themes.
constexpr uint8_t kViewBackground = 240;

// The shrink-to-fit and grow-to-cover rules recover from a scaler failure
// (typically a target too large to allocate): the image keeps its size, every
// pixel becomes the view background (a 1-bit image white), and the run goes on.
void resampleOrBlank(Image& img, const TargetSize& t, int filter) {
    try {
        resample(img, t.width, t.height, filter);
    } catch (const std::exception&) {
        std::fill(img.pixels.begin(), img.pixels.end(),
                  img.layout == Layout::Bilevel ? uint8_t(0xFF) : kViewBackground);
    }
}

bool readsZero(const EngineProfile& p, const char* key) { return p.profilevalue(key, "0") == "0"; }

}  // namespace

void resizeStep(const EngineProfile& p, Image& img) {
    const std::string method = lowerAscii(p.profilevalue("resizemethod", ""));
    const std::string keep = p.profilevalue("keepdimensionratio", "");
    const bool keepTrue = keep == "true";
    auto filter = [&p] { return filterCode(p.profilevalue("resamplemethod", "none")); };
    const int32_t W = img.width, H = img.height;
    TargetSize t;

    if (fixedFactorSize(method, W, H, t)) {
        resample(img, t.width, t.height, filter());
        return;
    }
    if (keep == "false") {  // exact size, whatever the method's name
        const int32_t w = p.number("width", std::to_string(W));
        const int32_t h = p.number("height", std::to_string(H));
        resample(img, w, h, filter());
        return;
    }
    if (method == "downsizebypixel" || method == "upsizebypixel") {
        const int32_t w = p.number("width", "0");
        const int32_t h = p.number("height", "0");
        const TargetSize box = portraitBox(W, H, w, h, keepTrue);
        t = method[0] == 'd' ? shrinkToFit(W, H, box.width, box.height) : growToCover(W, H, box.width, box.height);
        resampleOrBlank(img, t, filter());
        return;
    }
    if (method == "resizebypixel") {
        if (readsZero(p, "minheight") && readsZero(p, "minwidth") && readsZero(p, "maxheight") &&
            readsZero(p, "maxwidth") && keepTrue) {
            const int32_t w = p.number("width", "0");
            const int32_t h = p.number("height", "0");
            resampleOrBlank(img, shrinkToFit(W, H, w, h), filter());
            return;
        }
        if (p.number("minheight", "0") > 0 || p.number("minwidth", "0") > 0 || p.number("maxheight", "0") > 0 ||
            p.number("maxwidth", "0") > 0) {
            SizeBounds b;
            b.minHeight = p.number("minheight", "5");
            b.minWidth = p.number("minwidth", "5");
            b.maxHeight = p.number("maxheight", "12000");
            b.maxWidth = p.number("maxwidth", "12000");
            t = boundsSize(W, H, b, keepTrue);
            resample(img, t.width, t.height, filter());
        }
        return;
    }
    if (method == "downsizebypercent") {
        if (percentDownSize(W, H, p.number("percentage", "0"), t)) resample(img, t.width, t.height, filter());
        return;
    }
    if (method == "upsizebypercent") {
        t = percentUpSize(W, H, p.number("percentage", "0"));
        resample(img, t.width, t.height, filter());
    }
}

}  // namespace pix
