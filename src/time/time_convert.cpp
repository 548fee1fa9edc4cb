// Conversion of time stamps between UTC, TAI, TT and GPS time.
//
// Every epoch goes through TAI held as (whole MJD, seconds of that day); UTC
// is (UTC day, clock seconds), related to TAI by utc_clock.hpp.
#include "time/time_convert.hpp"

#include <cctype>
#include <cmath>
#include <limits>

#include "common/calendar.hpp"
#include "common/constants.hpp"
#include "time/utc_clock.hpp"

namespace varn {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
// Seconds per hour and per minute.
constexpr double HOURSEC = 3600.0;
constexpr double MINSEC = 60.0;

bool whole(double x) { return std::floor(x) == x; }  // false for NaN and infinities

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
        day = mjd_of_date(t[i], t[n + i], t[2 * n + i]);
        if (std::isnan(day)) return false;
        if (from == TimeScale::UTC &&
            !(whole(h) && h >= 0.0 && h <= 23.0 && whole(mi) && mi >= 0.0 && mi <= 59.0 &&
              sec >= 0.0 && (sec < MINSEC || (h == 23.0 && mi == 59.0))))
            return false;
        s = (h * HOURSEC + mi * MINSEC) + sec;
    }
    if (from != TimeScale::UTC) return normalize_day_seconds(day, s);
    int y, m, d;
    return whole(day) && date_of_mjd(day, y, m, d) && s >= 0.0 && s < utc_day_seconds(leap, day);
}

// Day and seconds as a calendar date and time of day. Seconds from 86400 on
// (a UTC day that ends with a step up) are 23:59:60 and beyond.
void write_calendar(double day, double s, std::int64_t n, std::int64_t i, double* cal) {
    int y, m, d;
    date_of_mjd(day, y, m, d);
    // As in normalize_day_seconds, no quotient rounds up to the next whole hour or
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
            ok = normalize_day_seconds(tai_day, tai_s);
            if (ok) tai_to_utc(leap, tai_day, tai_s, utc_day, utc_s);
        }
        if (ok && to == TimeScale::UTC) {
            day = utc_day;
            s = utc_s;
        } else if (ok) {
            day = tai_day;
            s = tai_s + from_tai_s(to);
            ok = normalize_day_seconds(day, s);
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
