// Conversion of time stamps between UTC, TAI, TT and GPS time.
//
// Every epoch goes through TAI held as (whole MJD, seconds of that day). UTC
// is (UTC day d, clock seconds s), with TAI = 0h of d + s + TAI - UTC(d, s)
// in TAI seconds, and TAI - UTC(d, s) = base + ((d - ref) + s / 86400) *
// rate from the step in force on d (rate and ref 0 from 1972, all 0 before
// 1960). The inverse solves that linear relation for s.
#include "time/time_convert.hpp"

#include <cctype>
#include <cmath>
#include <limits>

#include <erfa.h>

namespace varn {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double DAYSEC = 86400.0;
// Seconds per hour and per minute.
constexpr double HOURSEC = 3600.0;
constexpr double MINSEC = 60.0;
// TT - TAI and TAI - GPS, seconds.
constexpr double TT_MINUS_TAI_S = 32.184;
constexpr double TAI_MINUS_GPS_S = 19.0;
// The calendar conversion takes Julian Dates up to 1e9: MJDs beyond this
// are no dates.
constexpr double MAX_MJD = 1e9;

// TAI - UTC (s) at clock second s of the UTC day d under step r (-1: none).
double tai_minus_utc(const LeapTable& leap, int r, double d, double s) {
    if (r < 0) return 0.0;
    const LeapStep& st = leap.steps()[static_cast<std::size_t>(r)];
    return st.tai_minus_utc_s + ((d - st.ref_mjd) + s / DAYSEC) * st.rate_s_per_day;
}

double rate_of(const LeapTable& leap, int r) {
    return r < 0 ? 0.0 : leap.steps()[static_cast<std::size_t>(r)].rate_s_per_day;
}

bool whole(double x) { return std::floor(x) == x; }  // false for NaN and infinities

// 0h of a calendar date given as doubles, as an MJD; false for a date that
// does not exist.
bool mjd_of_date(double y, double m, double d, double& day) {
    if (!(whole(y) && whole(m) && whole(d) && std::fabs(y) < 1e6 && std::fabs(m) < 1e6 &&
          std::fabs(d) < 1e6))
        return false;
    double djm0;
    return eraCal2jd(static_cast<int>(y), static_cast<int>(m), static_cast<int>(d), &djm0, &day) == 0;
}

// (day, seconds) to a whole day and seconds in [0, 86400). False when either
// is not finite or the day leaves the calendar.
bool normalize(double& day, double& s) {
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

// UTC (whole day, clock seconds, existing) to TAI, normalized.
bool utc_to_tai(const LeapTable& leap, double d, double s, double& tai_day, double& tai_s) {
    tai_day = d;
    tai_s = s + tai_minus_utc(leap, leap.step_on(d), d, s);
    return normalize(tai_day, tai_s);
}

// Clock seconds of the UTC day d at TAI (whole day D, seconds S): the
// relation of utc_to_tai solved for s.
double utc_seconds(const LeapTable& leap, double D, double S, double d) {
    const int r = leap.step_on(d);
    const double x = (D - d) * DAYSEC + S;  // TAI seconds since 0h TAI of d
    return (x - tai_minus_utc(leap, r, d, 0.0)) / (1.0 + rate_of(leap, r) / DAYSEC);
}

// TAI (whole day D, seconds S in [0, 86400)) to UTC. TAI - UTC is never
// negative and below a minute, so the UTC day is D or the day before.
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

// Seconds that turn TAI into the scale (TT, GPS); 0 for TAI and UTC.
double from_tai_s(TimeScale scale) {
    return scale == TimeScale::TT ? TT_MINUS_TAI_S : scale == TimeScale::GPS ? -TAI_MINUS_GPS_S : 0.0;
}

// A row of t as (day, seconds) of its scale; false when it is no time of it.
bool read_row(const LeapTable& leap, TimeScale from, std::int64_t n, const double* t, int cols,
              std::int64_t i, double& day, double& s) {
    if (cols == 2) {
        day = t[i];
        s = t[n + i];
    } else {
        const double h = t[3 * n + i], mi = t[4 * n + i], sec = t[5 * n + i];
        if (!mjd_of_date(t[i], t[n + i], t[2 * n + i], day)) return false;
        if (from == TimeScale::UTC &&
            !(whole(h) && h >= 0.0 && h <= 23.0 && whole(mi) && mi >= 0.0 && mi <= 59.0 &&
              sec >= 0.0 && (sec < MINSEC || (h == 23.0 && mi == 59.0))))
            return false;
        s = (h * HOURSEC + mi * MINSEC) + sec;
    }
    if (from != TimeScale::UTC) return normalize(day, s);
    int y, m, d;
    return whole(day) && date_of_mjd(day, y, m, d) && s >= 0.0 && s < utc_day_seconds(leap, day);
}

// Day and seconds as a calendar date and time of day. Seconds from 86400 on
// (a UTC day that ends with a step up) are 23:59:60 and beyond.
void write_calendar(double day, double s, std::int64_t n, std::int64_t i, double* cal) {
    int y, m, d;
    date_of_mjd(day, y, m, d);
    // As in normalize, no quotient rounds up to the next whole hour or
    // minute; the differences below are exact.
    const double h = std::fmin(std::floor(s / HOURSEC), 23.0);
    const double in_hour = s - h * HOURSEC;
    const double mi = std::fmin(std::floor(in_hour / MINSEC), 59.0);
    const double row[6] = {double(y), double(m), double(d), h, mi, in_hour - mi * MINSEC};
    for (int c = 0; c < 6; ++c) cal[c * n + i] = row[c];
}

}  // namespace

bool time_scale_named(std::string_view name, TimeScale& scale) {
    static const struct {
        const char* name;
        TimeScale scale;
    } NAMES[] = {{"UTC", TimeScale::UTC}, {"TAI", TimeScale::TAI}, {"TT", TimeScale::TT},
                 {"GPS", TimeScale::GPS}};
    for (const auto& entry : NAMES) {
        const std::string_view want(entry.name);
        bool same = name.size() == want.size();
        for (std::size_t k = 0; same && k < name.size(); ++k)
            same = std::toupper(static_cast<unsigned char>(name[k])) == want[k];
        if (same) {
            scale = entry.scale;
            return true;
        }
    }
    return false;
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

TimeCounts time_convert(const LeapTable& leap, TimeScale from, TimeScale to, std::int64_t n,
                        const double* t, int cols, double* out, double* cal) {
    TimeCounts counts;
    for (std::int64_t i = 0; i < n; ++i) {
        double day = NaN, s = NaN, tai_day = NaN, tai_s = NaN, utc_day = NaN, utc_s = NaN;
        bool ok = (cols == 2 || cols == 6) && read_row(leap, from, n, t, cols, i, day, s);
        // Through TAI.
        if (ok && from == TimeScale::UTC) {
            utc_day = day;
            utc_s = s;
            ok = utc_to_tai(leap, day, s, tai_day, tai_s);
        } else if (ok) {
            tai_day = day;
            tai_s = s - from_tai_s(from);
            ok = normalize(tai_day, tai_s);
            if (ok) tai_to_utc(leap, tai_day, tai_s, utc_day, utc_s);
        }
        if (ok && to == TimeScale::UTC) {
            day = utc_day;
            s = utc_s;
        } else if (ok) {
            day = tai_day;
            s = tai_s + from_tai_s(to);
            ok = normalize(day, s);
        }
        if (!ok) {
            ++counts.invalid;
            out[i] = out[n + i] = NaN;
            for (int c = 0; cal && c < 6; ++c) cal[c * n + i] = NaN;
            continue;
        }
        if (leap.expired(utc_day)) ++counts.expired;
        out[i] = day;
        out[n + i] = s;
        if (cal) write_calendar(day, s, n, i, cal);
    }
    return counts;
}

}  // namespace varn
