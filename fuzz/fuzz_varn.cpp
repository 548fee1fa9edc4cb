// Fuzz target for the time scales and the epoch pipeline.
//
// The input bytes choose up to eight operations and their arguments: raw
// doubles (NaN, infinities, subnormals, anything), doubles at or near the
// limits of the calendar (Julian Date -68569.5 and 1e9, year -4799), of 32-bit
// day counts and of the 64-bit day count inside the calendar conversion, the
// dates of leap seconds, and plausible epochs. Beside the sanitizers, each run
// checks properties that hold for every input:
//   - each time-scale operation returns a status from its documented set, a
//     failed operation leaves its results untouched, and the larger part of a
//     two-part date comes back unchanged in its place;
//   - TAI - UTC has the table's values in each era, and UTC <-> TAI round
//     trips from 1972 on, leap-second days included;
//   - a row of the pipeline holds non-finite values only in the outputs that
//     depend on a non-finite input of that row or on a time-scale step that
//     failed (a date outside the calendar), and then it does hold them;
//   - the three matrices are rotations;
//   - a batch gives, row by row, the bits of one-row calls on the same inputs,
//     writes every element of every output and leaves its inputs alone; the
//     threaded form gives the bits of the serial one.
// A violated property prints the values involved and aborts, so that
// libFuzzer keeps the input as a reproducer.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <vector>

#include <erfa.h>

#include "models/fundarg.hpp"
#include "pipeline/iau_compute.hpp"
#include "pipeline/time_scales.hpp"

namespace {

using varn::DAYSEC;
using varn::DJMJD0;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double DMAX = std::numeric_limits<double>::max();
constexpr double DMIN = std::numeric_limits<double>::min();
constexpr double DENORM = std::numeric_limits<double>::denorm_min();

// Julian Dates that bound the calendar conversion, and the first day on which
// TAI - UTC is defined at all (year -4799 January 1, 0h); as MJD too.
constexpr double JD_CONV_MIN = -68569.5;
constexpr double JD_CONV_MAX = 1e9;
constexpr double JD_YEAR_MIN = -31738.5;
constexpr double MJD_CONV_MIN = JD_CONV_MIN - DJMJD0;
constexpr double MJD_YEAR_MIN = JD_YEAR_MIN - DJMJD0;
constexpr double MJD_CONV_MAX = JD_CONV_MAX - DJMJD0;
// Days kept clear of those limits before a status is asserted: the
// conversions look up to three days ahead and one back, and TAI - UTC moves a
// date by under a minute.
constexpr double MARGIN_DAYS = 5.0;
// Largest part of a two-part date for which the sum, rounded, stays within a
// fraction of a day of the exact date (ulp of 1e15 is 1/8 day).
constexpr double MODERATE_PART = 1e15;

// MJD at 0h UTC of the dates where TAI - UTC changes era.
constexpr double MJD_1960 = 36934.0;  // first drift row
constexpr double MJD_1972 = 41317.0;  // whole leap seconds from here
constexpr double MJD_2017 = 57754.0;  // last step, 37 s
constexpr double MJD_2023 = 59945.0;  // first year the table is doubtful
constexpr double LAST_TAI_MINUS_UTC_S = 37.0;
// Years of the same limits, for dat.
constexpr std::int32_t YEAR_MIN = -4799;
constexpr std::int32_t YEAR_UTC = 1960;
constexpr std::int32_t YEAR_LEAP = 1972;
constexpr std::int32_t YEAR_LAST_STEP = 2017;
constexpr std::int32_t YEAR_DOUBTFUL = 2023;

// Julian centuries from J2000.0 beyond which a finite epoch may overflow the
// polynomials of the models (t^5 terms): no finiteness is asserted there.
constexpr double BIG_T_JC = 1e12;
// Julian centuries within which the CIP X, Y of the model stay well inside the
// unit circle (2004" per century): the celestial-to-intermediate matrix is
// then finite for celestial pole offsets up to MAX_OFFSET_AS.
constexpr double MODEL_T_JC = 40.0;
constexpr double MAX_OFFSET_AS = 1e4;
// Bounds of the high-frequency terms: ocean tides plus libration stay far
// below a milliarcsecond in the pole and a millisecond in UT1.
constexpr double HF_POLE_BOUND_AS = 1e-3;
constexpr double HF_UT1_BOUND_S = 1e-3;

[[noreturn]] void fail(int line, const char* what, std::initializer_list<double> values) {
    std::fprintf(stderr, "fuzz_varn: property violated (line %d): %s\n", line, what);
    for (const double v : values) std::fprintf(stderr, "    %.17g\n", v);
    std::abort();
}
#define REQUIRE(cond, ...)                                        \
    do {                                                          \
        if (!(cond)) fail(__LINE__, #cond, {__VA_ARGS__});        \
    } while (0)

bool fin(double v) { return std::isfinite(v); }

std::uint64_t bits(double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}
bool same_bits(double a, double b) { return bits(a) == bits(b); }

double from_bits(std::uint64_t u) {
    double v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}

// Results of a call that must not write them start as this value.
const double UNTOUCHED = from_bits(0x7ff4'dead'beef'0001ull);  // a signalling NaN

// Ulp-scaled tolerance, days, for a date part of magnitude v.
double date_tol_days(double v, double ulps) {
    const double a = std::fabs(v) > 1.0 ? std::fabs(v) : 1.0;
    return ulps * (std::nextafter(a, INF) - a);
}

// ---------------------------------------------------------------------------
// Argument generation.

const double SPECIALS[] = {
    0.0, -0.0, 1.0, -1.0, 0.5, NaN, -NaN, INF, -INF, DMAX, -DMAX, DMIN, -DMIN, DENORM,
    -DENORM, std::numeric_limits<double>::epsilon(),
    // Julian Dates at the calendar limits, and their MJD.
    DJMJD0, JD_CONV_MIN, JD_CONV_MAX, JD_YEAR_MIN, MJD_CONV_MIN, MJD_CONV_MAX, MJD_YEAR_MIN,
    2451545.0,
    // 32-bit and 64-bit day counts, and past them.
    2147483647.0, 2147483648.0, -2147483648.0, -2147483649.0, 4294967296.0,
    9007199254740992.0, 1e15, 1e18, -1e18, 9.3e18, -9.3e18, 1e300,
    // MJD of the eras of TAI - UTC and of leap seconds.
    36931.0, 36932.0, MJD_1960, 38395.0, 39887.0, MJD_1972, 41499.0, 51544.5, 56109.0,
    57204.0, MJD_2017, MJD_2023, 64000.0,
    // Seconds of a day.
    86400.0, -86400.0, 43200.0, 86401.0, 1e5,
};
constexpr unsigned N_SPECIALS = static_cast<unsigned>(std::size(SPECIALS));

enum class Kind { Mjd, Seconds, Arcsec, Dut, Fraction };

// One double: raw bits, a special value, a special value nudged by ulps or by
// a fraction of a day, or a plausible value of the given kind.
double pick(FuzzedDataProvider& in, Kind kind) {
    const std::uint8_t tag = in.ConsumeIntegral<std::uint8_t>();
    const unsigned sel = tag >> 2;
    switch (tag & 3u) {
        case 0:
            return from_bits(in.ConsumeIntegral<std::uint64_t>());
        case 1:
            return SPECIALS[sel % N_SPECIALS];
        case 2: {
            const double base = SPECIALS[sel % N_SPECIALS];
            const std::int16_t k = in.ConsumeIntegral<std::int16_t>();
            if (k & 1) {
                double v = base;
                for (int j = 0; j < ((k >> 1) & 7); ++j) v = std::nextafter(v, k < 0 ? -INF : INF);
                return v;
            }
            return base + (k >> 1) / 64.0;
        }
        default: {
            const double u = in.ConsumeIntegral<std::uint32_t>() / 4294967296.0;  // [0, 1)
            switch (kind) {
                case Kind::Mjd:
                    // 1957-2029 (the leap-second era and its edges), or anywhere
                    // in the calendar's range and a little past it.
                    return (sel & 1) ? 36000.0 + u * 26000.0
                                     : (MJD_CONV_MIN - 10.0) + u * (MJD_CONV_MAX - MJD_CONV_MIN + 20.0);
                case Kind::Seconds: return -172800.0 + u * 345600.0;
                case Kind::Arcsec: return -2.0 + u * 4.0;
                case Kind::Dut: return -1.0 + u * 2.0;
                case Kind::Fraction: return (sel & 1) ? u : static_cast<double>(sel & 2) / 2.0;
            }
            return u;
        }
    }
}

std::int32_t pick_int(FuzzedDataProvider& in, std::initializer_list<std::int32_t> table) {
    const std::uint8_t tag = in.ConsumeIntegral<std::uint8_t>();
    if (tag & 1u) return in.ConsumeIntegral<std::int32_t>();
    return table.begin()[(tag >> 1) % table.size()];
}

struct Date {
    double d1, d2;
    bool pipeline_split;  // (DJMJD0, MJD), as the pipeline passes dates
};

Date pick_date(FuzzedDataProvider& in) {
    const std::uint8_t form = in.ConsumeIntegral<std::uint8_t>() & 3u;
    const double v = pick(in, Kind::Mjd);
    switch (form) {
        case 0: return {DJMJD0, v, true};
        case 1: return {v, DJMJD0, false};
        case 2: return {v, pick(in, Kind::Mjd), false};
        default: return {0.0, v + DJMJD0, false};
    }
}

bool moderate(const Date& d) {
    return std::fabs(d.d1) <= MODERATE_PART && std::fabs(d.d2) <= MODERATE_PART;
}
// The date surely inside the range where TAI - UTC is defined.
bool surely_inside(const Date& d) {
    const double jd = d.d1 + d.d2;
    return moderate(d) && jd >= JD_YEAR_MIN + MARGIN_DAYS && jd <= JD_CONV_MAX - MARGIN_DAYS;
}
// The date surely outside it (or not a date at all).
bool surely_outside(const Date& d) {
    if (!fin(d.d1) || !fin(d.d2)) return true;
    const double jd = d.d1 + d.d2;
    return moderate(d) && (jd < JD_YEAR_MIN - MARGIN_DAYS || jd > JD_CONV_MAX + MARGIN_DAYS);
}

// The pipeline's split with an MJD in [lo, hi].
bool split_mjd_in(const Date& d, double lo, double hi) {
    return d.pipeline_split && d.d2 >= lo && d.d2 <= hi;
}

// Whether the UTC day holding this quasi-JD ends in a step of TAI - UTC.
bool ends_in_step(double d1, double d2) {
    int iy, im, id, iyn, imn, idn;
    double fd, fdn, today, tomorrow;
    if (eraJd2cal(d1, d2, &iy, &im, &id, &fd) != 0) return true;
    if (eraJd2cal(d1, d2 + 1.0, &iyn, &imn, &idn, &fdn) != 0) return true;
    varn::dat(iy, im, id, 0.0, today);
    varn::dat(iyn, imn, idn, 0.0, tomorrow);
    return today != tomorrow;
}

// ---------------------------------------------------------------------------
// Time-scale operations.

void check_tttai(FuzzedDataProvider& in) {
    const Date d = pick_date(in);
    double o1 = UNTOUCHED, o2 = UNTOUCHED;
    REQUIRE(varn::tttai(d.d1, d.d2, o1, o2) == 0, d.d1, d.d2);
    if (d.d1 > d.d2) {
        REQUIRE(same_bits(o1, d.d1), d.d1, o1);
        REQUIRE(fin(o2) == fin(d.d2), d.d2, o2);
    } else {
        REQUIRE(same_bits(o2, d.d2), d.d2, o2);
        REQUIRE(fin(o1) == fin(d.d1), d.d1, o1);
    }
}

void check_taiut1(FuzzedDataProvider& in) {
    const Date d = pick_date(in);
    const double dta = pick(in, Kind::Dut);
    double o1 = UNTOUCHED, o2 = UNTOUCHED;
    REQUIRE(varn::taiut1(d.d1, d.d2, dta, o1, o2) == 0, d.d1, d.d2, dta);
    const bool first_kept = d.d1 > d.d2;
    const double changed_in = first_kept ? d.d2 : d.d1;
    const double changed_out = first_kept ? o2 : o1;
    REQUIRE(same_bits(first_kept ? o1 : o2, first_kept ? d.d1 : d.d2), d.d1, d.d2, o1, o2);
    if (!fin(changed_in) || !fin(dta)) REQUIRE(!fin(changed_out), changed_in, dta, changed_out);
    if (std::fabs(changed_in) <= 1e300 && std::fabs(dta) <= 1e300)
        REQUIRE(fin(changed_out), changed_in, dta, changed_out);
}

bool gregorian_leap(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

void check_dat(FuzzedDataProvider& in) {
    const std::int32_t year = pick_int(
        in, {INT32_MIN, INT32_MAX, -4801, -4800, YEAR_MIN, -4798, 0, 1582, 1900, 1959, YEAR_UTC,
             1961, 1963, 1968, 1971, YEAR_LEAP, 2000, 2012, 2015, 2016, YEAR_LAST_STEP, 2022,
             YEAR_DOUBTFUL, 100000});
    const std::int32_t month = pick_int(in, {INT32_MIN, -1, 0, 1, 2, 6, 7, 11, 12, 13, INT32_MAX});
    const std::int32_t day = pick_int(in, {INT32_MIN, -1, 0, 1, 28, 29, 30, 31, 32, INT32_MAX});
    const double fraction = pick(in, Kind::Fraction);

    double delta_at = UNTOUCHED;
    const std::int32_t st = varn::dat(year, month, day, fraction, delta_at);
    REQUIRE(st >= -4 && st <= 1, double(st), double(year), double(month), double(day), fraction);
    if (st < 0) REQUIRE(same_bits(delta_at, 0.0), double(st), delta_at);

    // The checks run in the order fraction, year, month, day.
    if (fraction < 0.0 || fraction > 1.0) {
        REQUIRE(st == -4, double(st), fraction);
        return;
    }
    if (year < YEAR_MIN) {
        REQUIRE(st == -1, double(st), double(year));
        return;
    }
    if (month < 1 || month > 12) {
        REQUIRE(st == -2, double(st), double(month));
        return;
    }
    static const int DAYS_IN_MONTH[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int last_day = DAYS_IN_MONTH[month - 1] + ((month == 2 && gregorian_leap(year)) ? 1 : 0);
    if (day < 1 || day > last_day) {
        REQUIRE(st == -3, double(st), double(year), double(month), double(day));
        return;
    }
    if (year < YEAR_UTC) {  // before UTC: no offset, with a warning
        REQUIRE(st == 1 && same_bits(delta_at, 0.0), double(st), delta_at);
        return;
    }
    REQUIRE(st == (year >= YEAR_DOUBTFUL ? 1 : 0), double(st), double(year));
    if (year >= YEAR_LEAP) {
        // Whole seconds, 10 s in 1972 up to the table's last value, which
        // holds from 2017 January 1 on; never decreasing.
        REQUIRE(delta_at == std::floor(delta_at) && delta_at >= 10.0 &&
                    delta_at <= LAST_TAI_MINUS_UTC_S,
                delta_at, double(year), double(month), double(day));
        if (year >= YEAR_LAST_STEP) REQUIRE(delta_at == LAST_TAI_MINUS_UTC_S, delta_at);
        if (year < INT32_MAX) {
            double later;
            varn::dat(year + 1, 1, 1, 0.0, later);
            REQUIRE(later >= delta_at, delta_at, later);
        }
    } else if (fin(fraction)) {
        // Rubber seconds: 0.94 s on 1960 January 1 rising to 9.89 s on 1971
        // December 31.
        REQUIRE(delta_at > 0.9 && delta_at < 10.0, delta_at, double(year), double(month),
                double(day), fraction);
    } else {
        REQUIRE(std::isnan(delta_at), delta_at);  // the drift carries the NaN fraction
    }
}

// Shared checks of utctai and taiutc: status set, results untouched on
// failure, larger part kept, status by range.
void check_conversion(const Date& d, std::int32_t st, double o1, double o2, bool may_warn) {
    REQUIRE(st == 0 || st == -1 || (may_warn && st == 1), double(st), d.d1, d.d2);
    if (!fin(d.d1) || !fin(d.d2)) REQUIRE(st == -1, double(st), d.d1, d.d2);
    if (st < 0) {
        REQUIRE(same_bits(o1, UNTOUCHED) && same_bits(o2, UNTOUCHED), d.d1, d.d2, o1, o2);
        REQUIRE(!surely_inside(d), d.d1, d.d2);
        return;
    }
    REQUIRE(!surely_outside(d), double(st), d.d1, d.d2, o1, o2);
    if (d.d1 >= d.d2) {
        REQUIRE(same_bits(o1, d.d1) && fin(o2), d.d1, d.d2, o1, o2);
    } else {
        REQUIRE(same_bits(o2, d.d2) && fin(o1), d.d1, d.d2, o1, o2);
    }
}

void check_utctai(FuzzedDataProvider& in) {
    const Date d = pick_date(in);
    double o1 = UNTOUCHED, o2 = UNTOUCHED;
    const std::int32_t st = varn::utctai(d.d1, d.d2, o1, o2);
    check_conversion(d, st, o1, o2, false);

    // From 1972 on TAI -> UTC undoes UTC -> TAI to within rounding, also on a
    // day that ends in a leap second.
    if (st == 0 && split_mjd_in(d, MJD_1972 + MARGIN_DAYS, 1e6)) {
        double b1 = UNTOUCHED, b2 = UNTOUCHED;
        const std::int32_t sb = varn::taiutc(o1, o2, b1, b2);
        REQUIRE(sb >= 0 && same_bits(b1, DJMJD0), double(sb), d.d2, b1);
        REQUIRE(std::fabs(b2 - d.d2) <= date_tol_days(d.d2, 8.0), d.d2, b2, b2 - d.d2,
                date_tol_days(d.d2, 8.0));
    }
}

void check_taiutc(FuzzedDataProvider& in) {
    const Date d = pick_date(in);
    double o1 = UNTOUCHED, o2 = UNTOUCHED;
    const std::int32_t st = varn::taiutc(d.d1, d.d2, o1, o2);
    check_conversion(d, st, o1, o2, true);
    if (st < 0 || !d.pipeline_split) return;

    // TAI - UTC in seconds, era by era; status +1 before 1960 and once the
    // table is doubtful. The rounding of a date near MJD 1e6 is 1e-5 s.
    const double v = d.d2;
    const double tai_minus_utc_s = (v - o2) * DAYSEC;
    const double tol_s = 1e-4;
    if (v >= MJD_YEAR_MIN + MARGIN_DAYS && v <= MJD_1960 - MARGIN_DAYS) {
        REQUIRE(st == 1 && same_bits(o2, v), double(st), v, o2);
    } else if (split_mjd_in(d, MJD_1960 + MARGIN_DAYS, MJD_1972 - MARGIN_DAYS)) {
        REQUIRE(st == 0 && tai_minus_utc_s > 0.9 && tai_minus_utc_s < 10.0, double(st), v,
                tai_minus_utc_s);
    } else if (split_mjd_in(d, MJD_1972 + MARGIN_DAYS, 1e6)) {
        REQUIRE(tai_minus_utc_s >= 10.0 - tol_s && tai_minus_utc_s <= LAST_TAI_MINUS_UTC_S + tol_s,
                v, tai_minus_utc_s);
        if (v >= MJD_2017 + MARGIN_DAYS)
            REQUIRE(std::fabs(tai_minus_utc_s - LAST_TAI_MINUS_UTC_S) <= tol_s, v, tai_minus_utc_s);
        REQUIRE(st == (v >= MJD_2023 ? 1 : 0) || std::fabs(v - MJD_2023) < MARGIN_DAYS,
                double(st), v);
        // And back: UTC -> TAI gives the TAI to within rounding.
        double b1 = UNTOUCHED, b2 = UNTOUCHED;
        REQUIRE(varn::utctai(o1, o2, b1, b2) == 0 && same_bits(b1, DJMJD0), v, o2, b1);
        REQUIRE(std::fabs(b2 - v) <= date_tol_days(v, 8.0), v, b2, b2 - v,
                date_tol_days(v, 8.0));
    }
}

void check_utcut1(FuzzedDataProvider& in) {
    const Date d = pick_date(in);
    const double dut = pick(in, Kind::Dut);
    double o1 = UNTOUCHED, o2 = UNTOUCHED;
    const std::int32_t st = varn::utcut1(d.d1, d.d2, dut, o1, o2);
    REQUIRE(st >= -1 && st <= 1, double(st), d.d1, d.d2, dut);
    if (!fin(d.d1) || !fin(d.d2)) REQUIRE(st == -1, double(st), d.d1, d.d2);

    // It fails exactly where UTC -> TAI fails.
    double t1 = UNTOUCHED, t2 = UNTOUCHED;
    const std::int32_t st_tai = varn::utctai(d.d1, d.d2, t1, t2);
    REQUIRE((st < 0) == (st_tai < 0), double(st), double(st_tai), d.d1, d.d2);
    if (st < 0) {
        REQUIRE(same_bits(o1, UNTOUCHED) && same_bits(o2, UNTOUCHED), d.d1, d.d2, o1, o2);
        return;
    }
    const double changed = (t1 > t2) ? o2 : o1;
    if (!fin(dut)) REQUIRE(!fin(changed), dut, o1, o2);
    if (std::fabs(dut) <= 1e300) REQUIRE(fin(o1) && fin(o2), dut, o1, o2);
    if (!d.pipeline_split || !(d.d2 <= 1e6)) return;

    REQUIRE(same_bits(o1, DJMJD0), o1);
    const double v = d.d2;
    if (v >= MJD_YEAR_MIN + MARGIN_DAYS && v < MJD_1960 - 1.0) REQUIRE(st == 1, double(st), v);
    if (v >= MJD_1960 && v < MJD_2023 - 1.0) REQUIRE(st == 0, double(st), v);
    if (v >= MJD_2023) REQUIRE(st == 1, double(st), v);
    // From 1972 on, UT1 - UTC is dut itself, except on a day that ends in a
    // leap second, whose quasi-JD fraction spans 86401 SI seconds.
    if (v >= MJD_1972 && std::fabs(dut) <= 1e3 && !ends_in_step(d.d1, v)) {
        const double ut1_minus_utc_s = (o2 - v) * DAYSEC;
        const double tol_s = DAYSEC * date_tol_days(v, 8.0);
        REQUIRE(std::fabs(ut1_minus_utc_s - dut) <= tol_s, v, dut, ut1_minus_utc_s, tol_s);
    }
}

// ---------------------------------------------------------------------------
// The pipeline.

constexpr int N_OUT = 18;
constexpr int OUT_COLS[N_OUT] = {9, 9, 9, 1, 1, 1, 1, 2, 2, 11, 1, 1, 1, 1, 1, 1, 2, 1};
const char* const OUT_NAMES[N_OUT] = {"rc2t", "rc2i", "rpom", "xp_rad", "yp_rad", "gmst",
                                      "gst", "utc", "ut1", "tidal_args", "t", "fa_l",
                                      "fa_lp", "fa_f", "fa_d", "fa_om", "tai", "era"};
enum Out { RC2T, RC2I, RPOM, XP, YP, GMST, GST, UTC, UT1, TIDAL, T, FA_L, FA_LP, FA_F, FA_D,
           FA_OM, TAI, ERA };

struct Batch {
    std::int64_t n;
    std::vector<double> tt, xp, yp, dX, dY, DUT;
    std::array<std::vector<double>, N_OUT> out;

    Batch(std::int64_t rows, double fill) : n(rows) {
        const auto un = static_cast<std::size_t>(rows);
        tt.assign(2 * un, 0.0);
        xp.assign(un, 0.0);
        yp.assign(un, 0.0);
        dX.assign(un, 0.0);
        dY.assign(un, 0.0);
        DUT.assign(un, 0.0);
        // Exactly n * k elements each, so that a stray write is a heap overflow.
        for (int k = 0; k < N_OUT; ++k) out[k].assign(un * OUT_COLS[k], fill);
    }
    void run() {
        varn::iau_compute(n, tt.data(), xp.data(), yp.data(), dX.data(), dY.data(), DUT.data(),
                          out[0].data(), out[1].data(), out[2].data(), out[3].data(),
                          out[4].data(), out[5].data(), out[6].data(), out[7].data(),
                          out[8].data(), out[9].data(), out[10].data(), out[11].data(),
                          out[12].data(), out[13].data(), out[14].data(), out[15].data(),
                          out[16].data(), out[17].data());
    }
    double at(int k, std::int64_t i, int c = 0) const {
        return out[k][static_cast<std::size_t>(c * n + i)];
    }
    bool row_finite(int k, std::int64_t i) const {
        for (int c = 0; c < OUT_COLS[k]; ++c)
            if (!fin(at(k, i, c))) return false;
        return true;
    }
    std::vector<double> inputs() const {
        std::vector<double> all(tt);
        for (const auto* v : {&xp, &yp, &dX, &dY, &DUT}) all.insert(all.end(), v->begin(), v->end());
        return all;
    }
};

// R R^T = I and det R = +1, to 1e-12 (a product of three rotations).
void require_rotation(const Batch& b, int k, std::int64_t i) {
    double r[3][3];
    for (int c = 0; c < 9; ++c) r[c % 3][c / 3] = b.at(k, i, c);
    for (int p = 0; p < 3; ++p) {
        for (int q = 0; q < 3; ++q) {
            const double dot = r[p][0] * r[q][0] + r[p][1] * r[q][1] + r[p][2] * r[q][2];
            REQUIRE(std::fabs(dot - (p == q ? 1.0 : 0.0)) <= 1e-12, double(k), double(i),
                    double(p), double(q), dot);
        }
    }
    const double det = r[0][0] * (r[1][1] * r[2][2] - r[1][2] * r[2][1]) -
                       r[0][1] * (r[1][0] * r[2][2] - r[1][2] * r[2][0]) +
                       r[0][2] * (r[1][0] * r[2][1] - r[1][1] * r[2][0]);
    REQUIRE(std::fabs(det - 1.0) <= 1e-12, double(k), double(i), det);
}

// Which outputs of row i may or must be non-finite, from its inputs and from
// the time-scale chain run as the pipeline runs it.
void check_row(const Batch& b, std::int64_t i) {
    const std::int64_t n = b.n;
    const double tt_day = b.tt[i], tt_s = b.tt[n + i];
    const double xp = b.xp[i], yp = b.yp[i], dX = b.dX[i], dY = b.dY[i], dut = b.DUT[i];
    const double m = tt_s / DAYSEC + tt_day;  // the epoch, TT MJD
    const double t_jc = (m - 51544.5) / 36525.0;

    double tai1, tai2, utc1 = UNTOUCHED, utc2 = UNTOUCHED, ut11 = NaN, ut12 = NaN;
    varn::tttai(DJMJD0, m, tai1, tai2);
    const std::int32_t st_utc = varn::taiutc(tai1, tai2, utc1, utc2);
    const std::int32_t st_ut1 = st_utc < 0 ? -1 : varn::utcut1(utc1, utc2, dut, ut11, ut12);

    // Depends on the epoch alone.
    REQUIRE(fin(b.at(T, i)) == fin(m), m, b.at(T, i));
    REQUIRE(b.row_finite(TAI, i) == fin(m), m, b.at(TAI, i), b.at(TAI, i, 1));

    // UTC exists exactly where TAI -> UTC succeeds, and that is the calendar.
    REQUIRE(b.row_finite(UTC, i) == (st_utc >= 0), m, double(st_utc), b.at(UTC, i));
    if (st_utc < 0) REQUIRE(std::isnan(b.at(UTC, i)) && std::isnan(b.at(UTC, i, 1)), m);
    const Date epoch{DJMJD0, m, true};
    if (surely_inside(epoch)) REQUIRE(st_utc >= 0, m, double(st_utc));
    if (surely_outside(epoch)) REQUIRE(st_utc < 0, m, double(st_utc));

    if (!fin(m)) {
        // A non-finite epoch reaches every output.
        for (int k = 0; k < N_OUT; ++k)
            REQUIRE(!b.row_finite(k, i), double(k), tt_day, tt_s);
        return;
    }
    if (!(std::fabs(t_jc) <= BIG_T_JC)) return;  // the polynomials may overflow

    // The MJD of UT1 is the second part while the epoch is below MJD
    // 2400000.5 (the first part, DJMJD0, is then the larger and comes back
    // unchanged); beyond it the change lands in the first part.
    const double ut1_mjd = same_bits(ut11, DJMJD0) ? ut12 : (ut11 - DJMJD0) + ut12;
    const bool ut1_day_ok = st_ut1 >= 0 && fin(ut1_mjd);        // ut1, era
    const bool ut1_both_ok = ut1_day_ok && fin(ut11);           // gmst, gst
    if (st_ut1 >= 0) REQUIRE(fin(ut1_mjd) == fin(dut), m, dut, ut11, ut12);
    REQUIRE(b.row_finite(UT1, i) == ut1_day_ok, m, dut, double(st_ut1), b.at(UT1, i),
            b.at(UT1, i, 1));
    if (ut1_day_ok) {
        // The uncorrected UT1 day, and seconds that differ from it only by the
        // ocean-tide and libration terms.
        const double day = std::floor(ut1_mjd);
        REQUIRE(same_bits(b.at(UT1, i), day), ut1_mjd, b.at(UT1, i));
        const double hf_s = b.at(UT1, i, 1) - (ut1_mjd - day) * DAYSEC;
        REQUIRE(std::fabs(hf_s) <= HF_UT1_BOUND_S, m, ut1_mjd, b.at(UT1, i, 1), hf_s);
    }
    REQUIRE(fin(b.at(ERA, i)) == ut1_day_ok, m, dut, b.at(ERA, i));
    REQUIRE(fin(b.at(GMST, i)) == ut1_both_ok, m, dut, b.at(GMST, i));
    REQUIRE(fin(b.at(GST, i)) == ut1_both_ok, m, dut, b.at(GST, i));
    REQUIRE(fin(b.at(TIDAL, i, 0)) == ut1_both_ok, m, dut, b.at(TIDAL, i, 0));
    for (int c = 1; c < OUT_COLS[TIDAL]; ++c) REQUIRE(fin(b.at(TIDAL, i, c)), m, double(c));
    for (int k : {FA_L, FA_LP, FA_F, FA_D, FA_OM}) REQUIRE(fin(b.at(k, i)), m, double(k));

    // Pole: the input plus terms far below a milliarcsecond.
    for (const auto& [k, p] : {std::pair<int, double>{XP, xp}, {YP, yp}}) {
        const double v = b.at(k, i);
        REQUIRE(fin(v) == fin(p), m, p, v);
        if (std::fabs(p) <= 1e3)
            REQUIRE(std::fabs(v / varn::DAS2R - p) <= HF_POLE_BOUND_AS, m, p, v / varn::DAS2R);
    }
    const bool pom_ok = fin(xp) && fin(yp);
    REQUIRE(b.row_finite(RPOM, i) == pom_ok, m, xp, yp);

    const bool offsets_ok = fin(dX) && fin(dY);
    if (!offsets_ok) REQUIRE(!b.row_finite(RC2I, i), dX, dY);
    if (std::fabs(t_jc) <= MODEL_T_JC && std::fabs(dX) <= MAX_OFFSET_AS &&
        std::fabs(dY) <= MAX_OFFSET_AS)
        REQUIRE(b.row_finite(RC2I, i), m, dX, dY);

    // rc2t = rpom Rz(era) rc2i: non-finite exactly where a factor is.
    const bool c2t_ok = b.row_finite(RPOM, i) && b.row_finite(RC2I, i) && fin(b.at(ERA, i));
    REQUIRE(b.row_finite(RC2T, i) == c2t_ok, m, xp, yp, dX, dY, dut);
    for (int k : {RC2T, RC2I, RPOM})
        if (b.row_finite(k, i)) require_rotation(b, k, i);
}

void check_pipeline(FuzzedDataProvider& in) {
    const std::uint8_t sel = in.ConsumeIntegral<std::uint8_t>();

    // n <= 0 writes nothing, whatever the pointers hold.
    if ((sel >> 3) == 0) {
        const std::int64_t bad_n[] = {0, -1, INT64_MIN};
        Batch canary(1, UNTOUCHED);
        canary.n = bad_n[sel % 3];
        canary.run();
        for (int k = 0; k < N_OUT; ++k)
            for (const double v : canary.out[k]) REQUIRE(same_bits(v, UNTOUCHED), double(k));
        return;
    }

    const std::int64_t n = 1 + (sel & 7);
    Batch batch(n, UNTOUCHED);
    for (std::int64_t i = 0; i < n; ++i) {
        batch.tt[i] = pick(in, Kind::Mjd);
        batch.tt[n + i] = pick(in, Kind::Seconds);
        batch.xp[i] = pick(in, Kind::Arcsec);
        batch.yp[i] = pick(in, Kind::Arcsec);
        batch.dX[i] = pick(in, Kind::Arcsec);
        batch.dY[i] = pick(in, Kind::Arcsec);
        batch.DUT[i] = pick(in, Kind::Dut);
    }
    const std::vector<double> inputs_before = batch.inputs();
    batch.run();
    const std::vector<double> inputs_after = batch.inputs();
    REQUIRE(std::memcmp(inputs_before.data(), inputs_after.data(),
                        inputs_before.size() * sizeof(double)) == 0);

    // The threaded form on the rows repeated into a batch large enough to be
    // split (it keeps batches under 8 rows per thread on the calling thread):
    // every bit as in the serial batch.
    if ((sel & 0xc0) == 0xc0) {
        const std::int64_t copies = 2 + ((sel >> 4) & 3) * 3;  // 2..11
        const std::int64_t big_n = n * copies < 16 ? 16 : n * copies;
        const int threads = 1 + ((sel >> 4) & 3);
        Batch big(big_n, -0.0);
        for (std::int64_t i = 0; i < big_n; ++i) {
            const std::int64_t src = i % n;
            big.tt[i] = batch.tt[src];
            big.tt[big_n + i] = batch.tt[n + src];
            big.xp[i] = batch.xp[src];
            big.yp[i] = batch.yp[src];
            big.dX[i] = batch.dX[src];
            big.dY[i] = batch.dY[src];
            big.DUT[i] = batch.DUT[src];
        }
        varn::iau_compute_parallel(
            big_n, big.tt.data(), big.xp.data(), big.yp.data(), big.dX.data(), big.dY.data(),
            big.DUT.data(), big.out[0].data(), big.out[1].data(), big.out[2].data(),
            big.out[3].data(), big.out[4].data(), big.out[5].data(), big.out[6].data(),
            big.out[7].data(), big.out[8].data(), big.out[9].data(), big.out[10].data(),
            big.out[11].data(), big.out[12].data(), big.out[13].data(), big.out[14].data(),
            big.out[15].data(), big.out[16].data(), big.out[17].data(), threads);
        for (std::int64_t i = 0; i < big_n; ++i)
            for (int k = 0; k < N_OUT; ++k)
                for (int c = 0; c < OUT_COLS[k]; ++c)
                    REQUIRE(same_bits(big.at(k, i, c), batch.at(k, i % n, c)), double(k),
                            double(c), double(i), double(big_n), double(threads));
    }

    for (std::int64_t i = 0; i < n; ++i) {
        check_row(batch, i);

        // The same row alone, into arrays that start from other bits: equal
        // bits show that the row depends on nothing else and that every
        // element was written.
        Batch one(1, -0.0);
        one.tt = {batch.tt[i], batch.tt[n + i]};
        one.xp = {batch.xp[i]};
        one.yp = {batch.yp[i]};
        one.dX = {batch.dX[i]};
        one.dY = {batch.dY[i]};
        one.DUT = {batch.DUT[i]};
        one.run();
        for (int k = 0; k < N_OUT; ++k)
            for (int c = 0; c < OUT_COLS[k]; ++c)
                if (!same_bits(one.at(k, 0, c), batch.at(k, i, c))) {
                    std::fprintf(stderr, "fuzz_varn: %s column %d of row %lld of %lld\n",
                                 OUT_NAMES[k], c + 1, static_cast<long long>(i + 1),
                                 static_cast<long long>(n));
                    REQUIRE(same_bits(one.at(k, 0, c), batch.at(k, i, c)), one.at(k, 0, c),
                            batch.at(k, i, c));
                }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    for (int op = 0; op < 8 && in.remaining_bytes() > 0; ++op) {
        switch (in.ConsumeIntegral<std::uint8_t>() % 8) {
            case 0: check_tttai(in); break;
            case 1: check_taiut1(in); break;
            case 2: check_dat(in); break;
            case 3: check_utctai(in); break;
            case 4: check_taiutc(in); break;
            case 5: check_utcut1(in); break;
            default: check_pipeline(in); break;
        }
    }
    return 0;
}
