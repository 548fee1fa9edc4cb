// Fuzz target for the leap-second reader: any bytes as a file. A table that is returned holds
// the built-in steps first, then steps of +-1 s on the first day of ever later months; a
// refusal names the source and gives a reason. Then the conversion round trip under it.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "pipeline/leap_table.hpp"
#include "pipeline/time_convert.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    varn::LeapFileError e;
    const auto t = varn::parse_leap_text(
        std::string_view(reinterpret_cast<const char*>(data), size), "fuzz", e);
    if (!t) {
        if (e.file != "fuzz" || e.reason.empty() || e.line < 0) std::abort();
        return 0;
    }
    const auto& known = varn::builtin_leap().steps();
    const auto& steps = t->steps();
    if (steps.size() < known.size() || std::isnan(t->expires_mjd())) std::abort();
    for (std::size_t k = 0; k < steps.size(); ++k) {
        if (k < known.size() && (steps[k].months != known[k].months ||
                                 steps[k].tai_minus_utc_s != known[k].tai_minus_utc_s))
            std::abort();
        if (k >= known.size() && (steps[k].months <= steps[k - 1].months ||
                                  std::fabs(steps[k].tai_minus_utc_s - steps[k - 1].tai_minus_utc_s) != 1.0))
            std::abort();
    }
    // UTC at the end of the last step's eve and of the expiry day, there and back through TAI.
    const double day = steps.back().mjd - 1.0;
    double utc[4] = {day, t->expires_mjd(), varn::utc_day_seconds(*t, day) - 0.25, 43200.0};
    double tai[4], back[4];
    if (varn::time_convert(*t, varn::TimeScale::UTC, varn::TimeScale::TAI, 2, utc, 2, tai, nullptr).invalid != 0)
        return 0;  // an expiry beyond the calendar
    varn::time_convert(*t, varn::TimeScale::TAI, varn::TimeScale::UTC, 2, tai, 2, back, nullptr);
    for (int i = 0; i < 2; ++i)
        if (!(back[i] == utc[i] && std::fabs(back[2 + i] - utc[2 + i]) < 1e-9)) std::abort();
    return 0;
}
