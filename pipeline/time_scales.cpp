// Time scales: TT, TAI, UTC, UT1, and the table of TAI - UTC.
//
// The calendar conversions are ERFA's (eraJd2cal, eraCal2jd); the leap-second
// table and the TAI <-> UTC steps are this system's own, so that the table can
// be kept here and the treatment of leap-second days and of the pre-1972
// rubber-second era is fixed in one place.
#include "pipeline/time_scales.hpp"

#include <cmath>
#include <iterator>

#include <erfa.h>

namespace varn {
namespace {

// Year of the table's last step; dat warns for years more than five past it.
constexpr std::int32_t TABLE_RELEASE_YEAR = 2017;
constexpr std::int32_t DOUBTFUL_AFTER_YEAR = TABLE_RELEASE_YEAR + 5;

// TAI - UTC (s) in force from 0h UTC on the first day of the month.
//
// To add a leap second: append a row {year, month, new value}, raise the row
// count below and set TABLE_RELEASE_YEAR to the year of the announcement
// (IERS Bulletin C).
struct LeapStep {
    std::int32_t year;
    std::int32_t month;
    double tai_minus_utc_s;
};

constexpr LeapStep LEAP_STEPS[] = {
    // year  mo  TAI-UTC (s)
    // 1
    {1960,  1,  1.4178180},
    {1961,  1,  1.4228180},
    {1961,  8,  1.3728180},
    {1962,  1,  1.8458580},
    {1963, 11,  1.9458580},
    {1964,  1,  3.2401300},
    {1964,  4,  3.3401300},
    {1964,  9,  3.4401300},
    {1965,  1,  3.5401300},
    {1965,  3,  3.6401300},
    // 11
    {1965,  7,  3.7401300},
    {1965,  9,  3.8401300},
    {1966,  1,  4.3131700},
    {1968,  2,  4.2131700},
    {1972,  1,       10.0},
    {1972,  7,       11.0},
    {1973,  1,       12.0},
    {1974,  1,       13.0},
    {1975,  1,       14.0},
    {1976,  1,       15.0},
    // 21
    {1977,  1,       16.0},
    {1978,  1,       17.0},
    {1979,  1,       18.0},
    {1980,  1,       19.0},
    {1981,  7,       20.0},
    {1982,  7,       21.0},
    {1983,  7,       22.0},
    {1985,  7,       23.0},
    {1988,  1,       24.0},
    {1990,  1,       25.0},
    // 31
    {1991,  1,       26.0},
    {1992,  7,       27.0},
    {1993,  7,       28.0},
    {1994,  7,       29.0},
    {1996,  1,       30.0},
    {1997,  7,       31.0},
    {1999,  1,       32.0},
    {2006,  1,       33.0},
    {2009,  1,       34.0},
    {2012,  7,       35.0},
    // 41
    {2015,  7,       36.0},
    {2017,  1,       37.0},
};
constexpr int N_LEAP_STEPS = static_cast<int>(std::size(LEAP_STEPS));
static_assert(N_LEAP_STEPS == 42, "one row per step of TAI - UTC, 1960 to 2017");

// Until 1968 February (steps 1-14) UTC ran at a rate offset from TAI: the
// value of the step is a base, to which (MJD - reference) * rate is added.
struct Drift {
    double ref_mjd;
    double rate_s_per_day;
};

constexpr Drift DRIFT[] = {
    // ref (MJD)  rate (s/day)
    // 1
    {37300.0, 0.001296},
    {37300.0, 0.001296},
    {37300.0, 0.001296},
    {37665.0, 0.0011232},
    {37665.0, 0.0011232},
    {38761.0, 0.001296},
    {38761.0, 0.001296},
    {38761.0, 0.001296},
    {38761.0, 0.001296},
    {38761.0, 0.001296},
    // 11
    {38761.0, 0.001296},
    {38761.0, 0.001296},
    {39126.0, 0.002592},
    {39126.0, 0.002592},
};
constexpr int N_DRIFT_ROWS = static_cast<int>(std::size(DRIFT));
static_assert(N_DRIFT_ROWS == 14 && LEAP_STEPS[N_DRIFT_ROWS].year == 1972 &&
                  LEAP_STEPS[N_DRIFT_ROWS].month == 1,
              "the drift rows end with 1972 January");

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

std::int32_t dat(std::int32_t year, std::int32_t month, std::int32_t day, double fraction,
                 double& delta_at) {
    delta_at = 0.0;
    if (fraction < 0.0 || fraction > 1.0) return -4;

    // Validates year, month and day even where the MJD is not needed.
    double djm0, djm;
    const int cal = eraCal2jd(year, month, day, &djm0, &djm);
    if (cal < 0) return cal;

    if (year < LEAP_STEPS[0].year) return 1;  // before UTC
    const std::int32_t status = (year > DOUBTFUL_AFTER_YEAR) ? 1 : 0;

    // Latest step in force: 64-bit month count so no year overflows it.
    const std::int64_t m = 12 * static_cast<std::int64_t>(year) + month;
    int i = N_LEAP_STEPS - 1;
    while (i > 0 && 12 * static_cast<std::int64_t>(LEAP_STEPS[i].year) + LEAP_STEPS[i].month > m) {
        --i;
    }

    const LeapStep& row = LEAP_STEPS[i];
    delta_at = row.tai_minus_utc_s;
    if (i < N_DRIFT_ROWS) {
        delta_at = row.tai_minus_utc_s + ((fraction + djm) - DRIFT[i].ref_mjd) * DRIFT[i].rate_s_per_day;
    }
    return status;
}

std::int32_t utctai(double utc1, double utc2, double& tai1, double& tai2) {
    const bool big1 = utc1 >= utc2;
    const double u1 = big1 ? utc1 : utc2;
    const double u2 = big1 ? utc2 : utc1;

    int iy, im, id;
    double fd;
    if (jd2cal(u1, u2, iy, im, id, fd) != 0) return -1;
    double today;
    if (dat(iy, im, id, fd, today) < 0) return -1;

    // Noon of the next calendar day, to see whether this day ends in a leap.
    int iyt, imt, idt;
    double fdt;
    if (jd2cal(u1 + 1.5, u2 - fd, iyt, imt, idt, fdt) != 0) return -1;
    double tomorrow;
    if (dat(iyt, imt, idt, fdt, tomorrow) < 0) return -1;

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

std::int32_t taiutc(double tai1, double tai2, double& utc1, double& utc2) {
    const bool big1 = tai1 >= tai2;
    const double a1 = big1 ? tai1 : tai2;
    const double a2 = big1 ? tai2 : tai1;

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
        status = dat(iy, im, id, 0.0, cur);
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

std::int32_t utcut1(double utc1, double utc2, double dut, double& ut11, double& ut12) {
    int iy, im, id;
    double fd;
    if (jd2cal(utc1, utc2, iy, im, id, fd) != 0) return -1;
    double d0;
    const std::int32_t status = dat(iy, im, id, 0.0, d0);
    if (status < 0) return status;
    const double dta = dut - d0;

    double tai1, tai2;
    const std::int32_t j = utctai(utc1, utc2, tai1, tai2);
    if (j < 0) return j;
    taiut1(tai1, tai2, dta, ut11, ut12);
    return status;
}

}  // namespace varn
