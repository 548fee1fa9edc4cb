// Time scales: TT, TAI, UTC, UT1, and the table of TAI - UTC.
//
// The calendar conversions are ERFA's (eraJd2cal, eraCal2jd); the leap-second
// table (time/leap_table.hpp) and the TAI <-> UTC steps are this system's
// own, so that the table can be replaced at run time and the treatment of
// leap-second days and of the pre-1972 rubber-second era is fixed in one
// place.
#include "time/time_scales.hpp"

#include <cmath>

#include <erfa.h>

#include "common/calendar.hpp"
#include "time/leap_table.hpp"
#include "time/utc_clock.hpp"

namespace varn {
namespace {

// Largest magnitude of one part of a two-part date that the calendar
// conversion can take: it converts the nearest whole number of each part to a
// 64-bit integer, which is undefined beyond about 9.2e18.
constexpr double MAX_DATE_PART = 1e18;

bool date_part_ok(double part) { return std::fabs(part) <= MAX_DATE_PART; }  // false for NaN

// Calendar date of a two-part JD; -1 for a non-finite part or a part too
// large for the conversion, otherwise eraJd2cal's own status (0, or -1 for a
// JD below -68569.5 or above 1e9).
int jd2cal(double d1, double d2, int& year, int& month, int& day, double& fd) {
    if (!(date_part_ok(d1) && date_part_ok(d2))) return -1;
    return eraJd2cal(d1, d2, &year, &month, &day, &fd);
}

// Before 1972 UTC ran at a rate offset from TAI and stepped by fractions of
// a second that were never spread over a day. There the chain takes the
// exact relation of the UTC clock (utc_clock.hpp), the one the time stamps
// use: UTC = TAI - (TAI - UTC) at the UTC instant itself, and UT1 = UTC +
// dut. From 1972 on it keeps the scan and the spread leap-second day of the
// published operations below, which agree with the clock except inside a
// leap second.
//
// The first step of whole seconds, 1972 January 1 (10 s): the drift era
// ends there in every table (a file never replaces it).
const LeapStep& first_whole_step(const LeapTable& leap) {
    return leap.steps()[leap.first_integral()];
}

// MJD of a two-part Julian Date. Exact for the chain's (DJMJD0, MJD) form.
double mjd_of(double d1, double d2) { return (d1 - DJMJD0) + d2; }

// Whether the UTC date of that year and month lies before 1972.
bool utc_before_1972(const LeapTable& leap, int year, int month) {
    const LeapStep& step = first_whole_step(leap);
    return 12 * std::int64_t{year} + month < 12 * std::int64_t{step.year} + step.month;
}

// TAI as a whole MJD and seconds of the day, and whether that instant lies
// before 0h UTC of 1972 January 1 (TAI 1972-01-01 00:00:10). False for an
// instant outside the calendar or not finite, which the scan refuses.
bool tai_before_1972(const LeapTable& leap, double a1, double a2, double& day, double& s) {
    if (!(date_part_ok(a1) && date_part_ok(a2))) return false;
    day = mjd_of(a1, a2);
    const LeapStep& step = first_whole_step(leap);
    if (!(day < step.mjd + 1.0)) return false;  // the common case, decided at once
    s = 0.0;
    return normalize_day_seconds(day, s) &&
           (day < step.mjd || (day == step.mjd && s < step.tai_minus_utc_s));
}

}  // namespace

std::int32_t tttai(double tt1, double tt2, double& tai1, double& tai2) {
    if (tt1 > tt2) {
        tai1 = tt1;
        tai2 = tt2 - DTAT;
    } else {
        tai1 = tt1 - DTAT;
        tai2 = tt2;
    }
    return 0;
}

std::int32_t taiut1(double tai1, double tai2, double dta, double& ut11, double& ut12) {
    const double dtr = dta / DAYSEC;
    if (tai1 > tai2) {
        ut11 = tai1;
        ut12 = tai2 + dtr;
    } else {
        ut11 = tai1 + dtr;
        ut12 = tai2;
    }
    return 0;
}

std::int32_t dat(const LeapTable& table, std::int32_t year, std::int32_t month, std::int32_t day,
                 double fraction, double& delta_at) {
    delta_at = 0.0;
    if (fraction < 0.0 || fraction > 1.0) return -4;

    // Validates year, month and day even where the MJD is not needed.
    double djm0, djm;
    const int cal = eraCal2jd(year, month, day, &djm0, &djm);
    if (cal < 0) return cal;

    const int r = table.step_on(djm);
    if (r < 0) return 1;  // before UTC
    const std::int32_t status = table.expired(djm) ? 1 : 0;

    // The drift is that of the clock at the fraction's second of the day:
    // the same expression as the time stamps and the chain before 1972.
    delta_at = tai_minus_utc_s(table, djm, fraction * DAYSEC);
    return status;
}

std::int32_t dat(std::int32_t year, std::int32_t month, std::int32_t day, double fraction,
                 double& delta_at) {
    return dat(builtin_leap(), year, month, day, fraction, delta_at);
}

std::int32_t utctai(const LeapTable& table, double utc1, double utc2, double& tai1, double& tai2) {
    const bool big1 = utc1 >= utc2;
    const double u1 = big1 ? utc1 : utc2;
    const double u2 = big1 ? utc2 : utc1;

    int iy, im, id;
    double fd;
    if (jd2cal(u1, u2, iy, im, id, fd) != 0) return -1;
    if (utc_before_1972(table, iy, im)) {
        const double day = mjd_of_date(iy, im, id);
        if (std::isnan(day)) return -1;  // a year before -4799
        // The clock's TAI - UTC at this instant; no day is spread.
        const double a2 = u2 + tai_minus_utc_s(table, day, fd * DAYSEC) / DAYSEC;
        tai1 = big1 ? u1 : a2;
        tai2 = big1 ? a2 : u1;
        return 0;
    }
    double today;
    if (dat(table, iy, im, id, fd, today) < 0) return -1;

    // Noon of the next calendar day, to see whether this day ends in a leap.
    int iyt, imt, idt;
    double fdt;
    if (jd2cal(u1 + 1.5, u2 - fd, iyt, imt, idt, fdt) != 0) return -1;
    double tomorrow;
    if (dat(table, iyt, imt, idt, fdt, tomorrow) < 0) return -1;

    // A day that ends in a leap second is longer (or shorter) than 86400 SI
    // seconds: scale its fraction into SI days. Pre-1972 day-to-day changes
    // are all below 0.5 s and stay unscaled.
    const double jump = tomorrow - today;
    if (std::fabs(jump) > 0.5) fd = ((jump * fd) / DAYSEC) + fd;

    double z1, z2;
    if (eraCal2jd(iy, im, id, &z1, &z2) != 0) return -1;
    const double a2 = ((today / DAYSEC) + fd) + ((z1 - u1) + z2);

    if (big1) {
        tai1 = u1;
        tai2 = a2;
    } else {
        tai1 = a2;
        tai2 = u1;
    }
    return 0;
}

std::int32_t taiutc(const LeapTable& table, double tai1, double tai2, double& utc1, double& utc2) {
    const bool big1 = tai1 >= tai2;
    const double a1 = big1 ? tai1 : tai2;
    const double a2 = big1 ? tai2 : tai1;

    double tai_day, tai_s;
    if (tai_before_1972(table, a1, a2, tai_day, tai_s)) {
        double day, s, unused;
        tai_to_utc(table, tai_day, tai_s, day, s);
        int y, m, d;
        // The UTC date must be one of the calendar (the year -4799 on).
        const std::int32_t status = date_of_mjd(day, y, m, d) ? dat(table, y, m, d, 0.0, unused) : -1;
        if (status < 0) return -1;
        // UTC as a quasi MJD: the clock's seconds over 86400. In the last
        // tenth of a second before a 1960s step up, when the clock reads
        // past 86400, it carries into the next date, as UTC then jumped.
        const double s2 = (day + s / DAYSEC) - (a1 - DJMJD0);
        utc1 = big1 ? a1 : s2;
        utc2 = big1 ? s2 : a1;
        return status;  // +1 before 1960, where UTC = TAI
    }

    // Scan from the day before to three days after the TAI date for a step of
    // TAI - UTC of half a second or more (a leap second).
    double prev = 0.0;
    double offset = 0.0;
    double jump = 0.0;
    std::int32_t status = 0;
    bool stepped = false;
    int iy = 0, im = 0, id = 0;
    for (int k = -1; k <= 3; ++k) {
        double fd;
        if (jd2cal(a1, a2 + static_cast<double>(k), iy, im, id, fd) != 0) return -1;
        double cur;
        status = dat(table, iy, im, id, 0.0, cur);
        if (status < 0) return -1;
        if (k == -1) prev = cur;
        jump = cur - prev;
        offset = prev / DAYSEC;
        if (std::fabs(jump) >= 0.5) {
            stepped = true;
            break;
        }
        prev = cur;
    }

    if (stepped) {
        // (iy, im, id) is the first day of the new value. TAI - UTC rises
        // linearly across the UTC day that ends in the step.
        double d1, d2;
        if (eraCal2jd(iy, im, id, &d1, &d2) != 0) return -1;
        d2 = (d2 - 1.0) + offset;  // TAI at the start of the UTC day of the leap
        double fd = (a1 - d1) + (a2 - d2);
        if (fd > 0.0) {
            fd = (fd * DAYSEC) / (DAYSEC + jump);
            const double f = (fd <= 1.0) ? fd : 1.0;
            offset = offset + (f * jump) / DAYSEC;
        }
    }

    const double s = a2 - offset;
    if (big1) {
        utc1 = a1;
        utc2 = s;
    } else {
        utc1 = s;
        utc2 = a1;
    }
    return status;
}

std::int32_t utcut1(const LeapTable& table, double utc1, double utc2, double dut, double& ut11, double& ut12) {
    int iy, im, id;
    double fd;
    if (jd2cal(utc1, utc2, iy, im, id, fd) != 0) return -1;
    double d0;
    const std::int32_t status = dat(table, iy, im, id, 0.0, d0);
    if (status < 0) return status;
    if (utc_before_1972(table, iy, im)) {
        taiut1(utc1, utc2, dut, ut11, ut12);  // UT1 = UTC + dut
        return status;
    }
    const double dta = dut - d0;

    double tai1, tai2;
    const std::int32_t j = utctai(table, utc1, utc2, tai1, tai2);
    if (j < 0) return j;
    taiut1(tai1, tai2, dta, ut11, ut12);
    return status;
}

std::int32_t utctai(double utc1, double utc2, double& tai1, double& tai2) {
    return utctai(builtin_leap(), utc1, utc2, tai1, tai2);
}

std::int32_t taiutc(double tai1, double tai2, double& utc1, double& utc2) {
    return taiutc(builtin_leap(), tai1, tai2, utc1, utc2);
}

std::int32_t utcut1(double utc1, double utc2, double dut, double& ut11, double& ut12) {
    return utcut1(builtin_leap(), utc1, utc2, dut, ut11, ut12);
}

}  // namespace varn
