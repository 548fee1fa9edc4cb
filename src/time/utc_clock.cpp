// UTC as a clock counts it: TAI - UTC at a clock reading, the length of a
// UTC day, and the two directions between UTC and TAI.
#include "time/utc_clock.hpp"

#include <cmath>

#include "common/calendar.hpp"
#include "common/constants.hpp"

namespace varn {
namespace {

// The calendar conversion takes Julian Dates up to 1e9: MJDs beyond this
// are no dates.
constexpr double MAX_MJD = 1e9;

// TAI - UTC (s) at clock second s of the UTC day d under step r (-1: none).
double tai_minus_utc(const LeapTable& leap, int r, double d, double s) {
    if (r < 0) return 0.0;
    const LeapStep& st = leap.steps()[static_cast<std::size_t>(r)];
    if (st.rate_s_per_day == 0.0) return st.tai_minus_utc_s;  // whole seconds, at any s
    return st.tai_minus_utc_s + ((d - st.ref_mjd) + s / DAYSEC) * st.rate_s_per_day;
}

double rate_of(const LeapTable& leap, int r) {
    return r < 0 ? 0.0 : leap.steps()[static_cast<std::size_t>(r)].rate_s_per_day;
}

// Clock seconds of the UTC day d at TAI (whole day D, seconds S): the
// relation of utc_to_tai solved for s.
double utc_seconds(const LeapTable& leap, double D, double S, double d) {
    const int r = leap.step_on(d);
    const double x = (D - d) * DAYSEC + S;  // TAI seconds since 0h TAI of d
    return (x - tai_minus_utc(leap, r, d, 0.0)) / (1.0 + rate_of(leap, r) / DAYSEC);
}

}  // namespace

double tai_minus_utc_s(const LeapTable& leap, double day, double s) {
    return tai_minus_utc(leap, leap.step_on(day), day, s);
}

double tai_minus_utc_at(const LeapTable& leap, double u) {
    const double day = std::floor(u);
    return tai_minus_utc_s(leap, day, (u - day) * DAYSEC);
}

double utc_day_seconds(const LeapTable& leap, double day) {
    const int r = leap.step_on(day);
    const int next = leap.step_on(day + 1.0);
    if (r == next) return DAYSEC;
    // The clock runs on at the old rate until TAI reaches 0h UTC of the next
    // day under the new step: 86400 + step / (1 + rate / 86400) seconds.
    const double step = tai_minus_utc(leap, next, day + 1.0, 0.0) - tai_minus_utc(leap, r, day + 1.0, 0.0);
    return DAYSEC + step / (1.0 + rate_of(leap, r) / DAYSEC);
}

bool normalize_day_seconds(double& day, double& s) {
    if (!(std::fabs(day) <= MAX_MJD && std::fabs(s) <= MAX_MJD * DAYSEC)) return false;
    const double whole_day = std::floor(day);
    s += (day - whole_day) * DAYSEC;
    const double carry = std::floor(s / DAYSEC);
    day = whole_day + carry;
    // carry is never above the true quotient (86400 k is no power of two, so
    // no quotient just below a whole number rounds up to it) and s stays
    // >= 0; a tiny negative s, though, leaves 86400 - tiny, which rounds to
    // 86400: the start of the next day.
    s -= carry * DAYSEC;
    if (s >= DAYSEC) {
        s -= DAYSEC;
        day += 1.0;
    }
    int y, m, d;
    return date_of_mjd(day, y, m, d);
}

bool utc_to_tai(const LeapTable& leap, double d, double s, double& tai_day, double& tai_s) {
    tai_day = d;
    tai_s = s + tai_minus_utc(leap, leap.step_on(d), d, s);
    return normalize_day_seconds(tai_day, tai_s);
}

// TAI - UTC is never negative and below a minute, so the UTC day is D or
// the day before.
void tai_to_utc(const LeapTable& leap, double D, double S, double& d, double& s) {
    d = D;
    s = utc_seconds(leap, D, S, d);
    if (s >= 0.0) return;
    d = D - 1.0;
    s = utc_seconds(leap, D, S, d);
    // Rounding may put an instant at the very start of day D at the end of
    // the day before.
    if (s >= utc_day_seconds(leap, d)) {
        d = D;
        s = 0.0;
    }
}

}  // namespace varn
