#include "writers/jpeg2000_options.h"

#include <charconv>
#include <cmath>
#include <sstream>

namespace pix {

std::string jpeg2000OptionsText(const TIOParamsVals& p) {
    // The shortest digits that read back as the same double, never in
    // exponent form: quality 70 gives 0.035.
    char number[400];
    auto res = std::to_chars(number, number + sizeof number, p.Jpeg2000Rate, std::chars_format::fixed);
    if (res.ec != std::errc()) res = std::to_chars(number, number + sizeof number, p.Jpeg2000Rate);
    std::string text = "rate=" + std::string(number, res.ptr);
    text += p.Jpeg2000Progression == Jpeg2000ProgressionKind::RLCP ? " prg=rlcp" : " prg=lrcp";
    return text;
}

void applyJpeg2000Options(const std::string& text, opj_cparameters_t& params) {
    std::istringstream in(text);
    std::string option;
    while (in >> option) {
        const size_t eq = option.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = option.substr(0, eq), value = option.substr(eq + 1);
        if (key == "rate") {
            double rate = 1.0;
            std::from_chars(value.data(), value.data() + value.size(), rate);
            // A rate of 0 or less (quality 0 or below in a hand-edited
            // profile) cannot be met; it gets the smallest stream the library
            // makes rather than a division by zero.
            const double ratio = !(rate > 0) ? 1e6 : 1.0 / rate;
            params.tcp_numlayers = 1;
            params.tcp_rates[0] = ratio <= 1.0 ? 0.0f : float(ratio);
            params.cp_disto_alloc = 1;
        } else if (key == "prg") {
            if (value == "lrcp") params.prog_order = OPJ_LRCP;
            else if (value == "rlcp") params.prog_order = OPJ_RLCP;
        }
    }
}

}  // namespace pix
