#pragma once
// The JPEG 2000 encoder options: the text the system builds from the encoding
// settings ("rate=0.035 prg=lrcp") and its one translation into OpenJPEG's
// parameters.
#include <string>

#include <openjpeg.h>

#include "image/params.h"

namespace pix {

// "rate=" with Jpeg2000Rate in its shortest decimal form, then " prg=lrcp" or
// " prg=rlcp".
std::string jpeg2000OptionsText(const TIOParamsVals& p);

// Sets one quality layer and the progression order from an options text.
// rate=r (the compressed size as a fraction of the raw size) is OpenJPEG's
// compression ratio 1/r; a rate of 1 or more asks for no truncation at all.
void applyJpeg2000Options(const std::string& text, opj_cparameters_t& params);

}  // namespace pix
