// Time scales: TAI - UTC, leap-second days, drift era, round trips, statuses.
#include "time/time_scales.hpp"

#include <array>
#include <cstring>
#include <fstream>
#include <string>

#include <erfa.h>

#include "test_util.hpp"

using namespace varn_test;
using varn::DJMJD0;

// An MJD near 5e4 has an ulp of 7.3e-12 days; round trips agree to a few.
constexpr double MJD_ROUNDING = 4e-11;

static double mjd_of(int y, int m, int d) { double a, b; eraCal2jd(y, m, d, &a, &b); return b; }


// The steps as the IERS publishes them (data/tai-utc.dat, typed apart from the code's table):
// each row on its first day and the eve, 0h and 18h, to 1e-12 s (fixed: it ended in 2012).
TEST(Dat, EveryPublishedStepRowByRow) {
    const char* MONTHS = "JANFEBMARAPRMAYJUNJULAUGSEPOCTNOVDEC";
    double prev[3] = {0.0, 0.0, 0.0};  // TAI - UTC is 0 before 1960 (with a warning)
    std::ifstream list(DATA + "tai-utc.dat");
    int rows = 0;
    for (std::string line; std::getline(list, line); ++rows) {
        const char* row = line.c_str();
        int year, py, pm, pd;
        char mon[4];
        double jd, step[3] = {0.0, 0.0, 0.0}, got, pf;  // value, reference MJD, rate
        ASSERT_EQ(std::sscanf(row, "%d %3s 1 =JD %lf TAI-UTC= %lf S + (MJD - %lf) X %lf", &year, mon,
                              &jd, &step[0], &step[1], &step[2]), 6) << row;
        const int month = static_cast<int>((std::strstr(MONTHS, mon) - MONTHS) / 3) + 1;
        const double mjd = jd - DJMJD0;
        EXPECT_EQ(mjd_of(year, month, 1), mjd) << row;  // the typed list is consistent
        for (double frac : {0.0, 0.75}) {
            const double m = mjd + frac;
            EXPECT_EQ(varn::dat(year, month, 1, frac, got), 0) << row;
            EXPECT_TRUE(near(row, step[0] + (m - step[1]) * step[2], got, 1e-12));
            ASSERT_EQ(eraJd2cal(jd, -1.0 + frac, &py, &pm, &pd, &pf), 0);
            EXPECT_EQ(varn::dat(py, pm, pd, frac, got), year == 1960 ? 1 : 0) << row;
            EXPECT_TRUE(near(row, prev[0] + (m - 1 - prev[1]) * prev[2], got, 1e-12)) << "before";
        }
        std::copy(step, step + 3, prev);
    }
    EXPECT_EQ(rows, 42);
}

// Statuses: warnings before 1960 and after the expiry day 2027-06-28, fraction 1 and NaN accepted (NaN in the drift
// era), errors in order (fraction, year, month, day, pre-1960 warning). Values to 1e-12 s.
TEST(Dat, StatusesAndTheirOrder) {
    struct Case { int year, month, day; double fraction; std::int32_t status; double want_s; };
    const Case cases[] = {
        {1959, 12, 31, 0.75, 1, 0.0}, {2027, 6, 28, 0.99, 0, 37.0}, {2027, 6, 29, 0.0, 1, 37.0},
        {2100, 6, 1, 0.3, 1, 37.0}, {2000, 2, 29, 0.0, 0, 32.0}, {1990, 5, 5, 1.0, 0, 25.0},
        {1990, 5, 5, NaN, 0, 25.0}, {2000, 1, 1, -0.1, -4, 0.0}, {2000, 1, 1, 1.5, -4, 0.0},
        {-4800, 13, 1, -0.1, -4, 0.0}, {-4800, 1, 1, 0.0, -1, 0.0}, {-4800, 13, 40, 0.0, -1, 0.0},
        {2000, 13, 1, 0.0, -2, 0.0}, {2000, 0, 1, 0.0, -2, 0.0}, {2000, 2, 30, 0.0, -3, 0.0},
        {1900, 2, 29, 0.0, -3, 0.0}, {1950, 2, 30, 0.0, -3, 0.0}, {1965, 5, 5, NaN, 0, NaN}};
    for (const Case& c : cases) {
        double got = -999.0;
        EXPECT_EQ(varn::dat(c.year, c.month, c.day, c.fraction, got), c.status)
            << c.year << "-" << c.month << "-" << c.day << " " << c.fraction;
        EXPECT_TRUE(near("TAI-UTC", c.want_s, got, 1e-12) || same_bits(c.want_s, got)) << c.year;
    }
}

// 2012 June 30 had 86401 SI seconds: TAI July 1 (MJD 56109) 0h is UTC 86366 s into it.
// Then utctai(taiutc(TAI)) is TAI around leap-second days, whichever part is larger.
TEST(TaiUtc, LeapSecondDayAndRoundTrips) {
    struct { double tai_s, want_utc_mjd; } cases[] = {
        {0.0, 56108.0 + 86366.0 / 86401.0}, {34.5, 56108.0 + 86400.5 / 86401.0}, {35.0, 56109.0},
        {36.0, 56109.0 + 1.0 / 86400.0}, {-3600.0, 56108.0 + (86400.0 - 3600.0 - 34.0) / 86401.0}};
    double u1, u2, t1, t2;
    for (const auto& c : cases) {
        const double tai2 = 56109.0 + c.tai_s / 86400.0;
        EXPECT_TRUE(varn::taiutc(DJMJD0, tai2, u1, u2) == 0 && u1 == DJMJD0) << c.tai_s;
        EXPECT_TRUE(near("UTC MJD", c.want_utc_mjd, u2, MJD_ROUNDING)) << "TAI +" << c.tai_s;
        EXPECT_TRUE(varn::utctai(u1, u2, t1, t2) == 0 && near("TAI", tai2, t2, MJD_ROUNDING));
    }
    for (double day : {41498.0, 56108.0, 57203.0, 57753.0})  // 1972, 2012, 2015 Jun 30, 2016 Dec 31
        for (double h = -30.0; h <= 54.0; h += 0.37) {
            const double tai2 = day + h / 24.0;
            ASSERT_TRUE(varn::taiutc(DJMJD0, tai2, u1, u2) == 0 && u1 == DJMJD0);
            ASSERT_TRUE(varn::utctai(u1, u2, t1, t2) == 0 && t1 == DJMJD0);
            EXPECT_TRUE(near("TAI", tai2, t2, MJD_ROUNDING)) << "day " << day << " h " << h;
            ASSERT_TRUE(varn::taiutc(tai2, DJMJD0, u1, u2) == 0 && u2 == DJMJD0);
            EXPECT_TRUE(varn::utctai(u1, u2, t1, t2) == 0 && near("TAI", tai2, t1, MJD_ROUNDING));
        }
}

// Fixed fault (UTC took TAI - UTC of two days ahead, up to 0.113 s off): before 1972 UTC
// keeps TAI - UTC = v + (MJD_UTC - ref) * rate of the row in force (data/tai-utc.dat) at the
// instant itself, every 0.37 h from 1959-12-26 to 1972-01-04, to 2e-6 s (an MJD resolves
// 0.6 us); UTC = TAI before 1960 with status +1; utctai gives the TAI back.
TEST(TaiUtc, DriftEraIsThePublishedClock) {
    std::vector<std::array<double, 4>> rows;  // MJD of the step, v (s), ref (MJD), rate (s/d)
    std::ifstream list(DATA + "tai-utc.dat");
    for (std::string line; std::getline(list, line);) {
        std::array<double, 4> r;
        std::sscanf(line.c_str(), "%*d %*s 1 =JD %lf TAI-UTC= %lf S + (MJD - %lf) X %lf", &r[0], &r[1], &r[2], &r[3]);
        rows.push_back({r[0] - DJMJD0, r[1], r[2], r[3]});
    }
    double u1, u2, t1, t2;
    for (double tai = 36929.9; tai < 41321.0; tai += 0.37 / 24.0) {
        const int status = varn::taiutc(DJMJD0, tai, u1, u2);
        ASSERT_TRUE(status == (u2 < 36934.0) && u1 == DJMJD0) << tai;
        double want_s = 0.0;
        for (const auto& r : rows)
            if (r[0] <= std::floor(u2)) want_s = r[1] + (u2 - r[2]) * r[3];
        EXPECT_TRUE(near("TAI - UTC (s)", want_s, (tai - u2) * 86400.0, 2e-6)) << tai;
        EXPECT_TRUE(varn::utctai(u1, u2, t1, t2) == 0 && near("TAI", tai, t2, MJD_ROUNDING)) << tai;
    }
}

// UT1 - UTC is DUT off leap-second days (fixed fault: before 1972 it took the drift since
// 0h UTC as well), to 1e-5 s (an MJD's resolution); TT MJD 64000 (2034) warns, uses the
// last TAI - UTC.
TEST(UtcUt1, Ut1MinusUtcIsDutAndLateDatesWarn) {
    double t1, t2;
    for (double mjd : {36933.9, 39552.9, 41316.7, 41499.5, 51544.25, 56109.9, 57754.1, 60000.0}) {
        EXPECT_TRUE(varn::utcut1(DJMJD0, mjd, -0.3456, t1, t2) >= 0 && t1 == DJMJD0) << mjd;
        EXPECT_TRUE(near("UT1-UTC (s)", -0.3456, (t2 - mjd) * 86400.0, 1e-5)) << mjd;
    }
    double a1, a2, u1, u2;
    varn::tttai(DJMJD0, 64000.0, a1, a2);
    EXPECT_TRUE(varn::taiutc(a1, a2, u1, u2) == 1 && varn::utcut1(u1, u2, 0.25, t1, t2) == 1);
    EXPECT_TRUE(near("UTC", a2 - 37.0 / 86400.0, u2, MJD_ROUNDING));
    EXPECT_TRUE(near("UT1", u2 + 0.25 / 86400.0, t2, MJD_ROUNDING));
}

// Fixed fault: NaN, infinite, out-of-calendar dates (MJD -2450000) error and write nothing.
TEST(TimeScales, NonFiniteAndOutOfRangeDatesFailWithoutWriting) {
    const double cases[][2] = {{DJMJD0, NaN},  {NaN, DJMJD0},         {DJMJD0, INF},
                               {DJMJD0, -INF}, {DJMJD0, -2450000.0},  {1e300, -1e300 + 1.0},
                               {DJMJD0, -4e6}, {DJMJD0, 1e9}};
    for (const auto& c : cases) {
        double r1 = 11.0, r2 = 22.0;
        EXPECT_TRUE(varn::taiutc(c[0], c[1], r1, r2) == -1 && varn::utctai(c[0], c[1], r1, r2) == -1
                    && varn::utcut1(c[0], c[1], 0.1, r1, r2) == -1 && r1 == 11.0 && r2 == 22.0)
            << c[0] << " " << c[1];
    }
}
