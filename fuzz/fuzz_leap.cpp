// Fuzz target for the leap-second reader: any bytes as a file. A table that is returned holds
// the built-in steps, then steps of +-1 s in ever later months, and expires no earlier than
// its last step or the built-in table; a refusal gives a reason.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "time/leap_table.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    varn::LeapFileError e;
    const auto t = varn::parse_leap_text(std::string_view(reinterpret_cast<const char*>(data), size), "f", e);
    if (!t) {
        if (e.file != "f" || e.reason.empty() || e.line < 0) std::abort();
        return 0;
    }
    const auto &known = varn::builtin_leap().steps(), &steps = t->steps();
    if (steps.size() < known.size() || !(t->expires_mjd() >= steps.back().mjd) ||
        !(t->expires_mjd() >= varn::builtin_leap().expires_mjd()))
        std::abort();
    for (std::size_t k = 1; k < steps.size(); ++k) {
        const double step = steps[k].tai_minus_utc_s - steps[k - 1].tai_minus_utc_s;
        const bool known_step = k < known.size();
        if (known_step ? steps[k].mjd != known[k].mjd || steps[k].tai_minus_utc_s != known[k].tai_minus_utc_s
                       : steps[k].mjd <= steps[k - 1].mjd || std::fabs(step) != 1.0)
            std::abort();
    }
    return 0;
}
