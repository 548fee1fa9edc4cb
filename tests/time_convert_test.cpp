// Time-stamp conversion: the published drift expressions, leap seconds as clocks count
// them, the GPS and TT offsets, round trips in every pair of scales, times that do not exist.
#include "time/time_convert.hpp"

#include <cstdio>
#include <fstream>
#include <string>

#include "test_util.hpp"

using namespace varn_test;
using varn::TimeScale;

namespace {

const TimeScale SCALES[] = {TimeScale::UTC, TimeScale::TAI, TimeScale::TT, TimeScale::GPS};

// One epoch (n x 2 or n x 6) and its results.
struct One { double out[2], cal[6]; varn::TimeCounts counts; };
One convert(TimeScale from, TimeScale to, std::vector<double> t) {
    One r;
    r.counts = varn::time_convert(varn::builtin_leap(), from, to, 1, t.data(), int(t.size()), r.out, r.cal);
    return r;
}

}  // namespace

// TAI - UTC as the IERS publishes it (data/tai-utc.dat, typed apart from the code's table), at
// 0h and 18h UTC of each step's first day, into TAI, TT and GPS: to 1e-9 s.
TEST(TimeConvert, PublishedStepsIntoEveryScale) {
    std::ifstream list(DATA + "tai-utc.dat");
    int rows = 0;
    double old_v = 0.0, old_ref = 0.0, old_rate = 0.0;  // before 1960 UTC = TAI
    for (std::string line; std::getline(list, line); ++rows) {
        int year; char mon[4]; double jd, v, ref, rate;
        ASSERT_EQ(std::sscanf(line.c_str(), "%d %3s 1 =JD %lf TAI-UTC= %lf S + (MJD - %lf) X %lf",
                              &year, mon, &jd, &v, &ref, &rate), 6) << line;
        const double day = jd - 2400000.5;
        // The UTC day before the step lasts 86400 s plus the step, in clock seconds of its rate.
        const double step = v + (day - ref) * rate - (old_v + (day - old_ref) * old_rate);
        EXPECT_TRUE(near(line.c_str(), 86400.0 + step / (1.0 + old_rate / 86400.0),
                         varn::utc_day_seconds(varn::builtin_leap(), day - 1.0), 1e-9));
        old_v = v, old_ref = ref, old_rate = rate;
        for (double s : {0.0, 64800.0}) {
            const double tai_s = s + v + (day + s / 86400.0 - ref) * rate;
            for (int k = 0; k < 3; ++k) {  // TAI, TT = TAI + 32.184 s, GPS = TAI - 19 s
                const One r = convert(TimeScale::UTC, SCALES[k + 1], {day, s});
                const double got_s = (r.out[0] - day) * 86400.0 + r.out[1];
                EXPECT_TRUE(near(line.c_str(), tai_s + (k == 1 ? 32.184 : k == 2 ? -19.0 : 0.0), got_s, 1e-9));
            }
        }
    }
    EXPECT_EQ(rows, 42);
}

// The leap second of 2016-12-31 (TAI - UTC 36 -> 37 s): 23:59:60.5 is TAI 2017-01-01
// 00:00:36.5 (the calendar forms in the host test); GPS week zero (1980-01-06, TAI - UTC 19 s) reads UTC. Exact: these are sums
// of small multiples of 2^-1.
TEST(TimeConvert, LeapSecondMinuteAndGpsEpoch) {
    struct Case { TimeScale from, to; std::vector<double> in; double day, s; std::array<double, 6> cal; };
    const Case cases[] = {
        {TimeScale::UTC, TimeScale::TAI, {57753, 86400.5}, 57754, 36.5, {2017, 1, 1, 0, 0, 36.5}},
        {TimeScale::TAI, TimeScale::UTC, {57754, 37.0}, 57754, 0.0, {2017, 1, 1, 0, 0, 0}},
        {TimeScale::TAI, TimeScale::UTC, {57754, 37 - 1e-14}, 57754, 0.0, {2017, 1, 1, 0, 0, 0}},  // rounds up
        {TimeScale::TAI, TimeScale::GPS, {57754, 19 - 1e-12}, 57754, 0.0, {2017, 1, 1, 0, 0, 0}},  // 86400 - 1e-12
        {TimeScale::UTC, TimeScale::GPS, {1980, 1, 6, 0, 0, 0}, 44244, 0.0, {1980, 1, 6, 0, 0, 0}},
        {TimeScale::GPS, TimeScale::UTC, {57753.5, 43200 + 18}, 57754, 0.0, {2017, 1, 1, 0, 0, 0}},
        {TimeScale::UTC, TimeScale::UTC, {1958, 1, 1, 12, 30, 1}, 36204, 45001, {1958, 1, 1, 12, 30, 1}},
    };
    for (const Case& c : cases) {
        const One r = convert(c.from, c.to, c.in);
        EXPECT_TRUE(r.out[0] == c.day && r.out[1] == c.s && std::equal(r.cal, r.cal + 6, c.cal.begin()))
            << c.day << " " << r.out[0] << " " << r.out[1];
    }
}

// Every pair of scales, both forms, 3000 epochs 1955-2100 (a third on step days, near their
// end): there and back within 1e-9 s, and the n x 6 result the same time as the n x 2.
TEST(TimeConvert, RoundTripsInEveryPair) {
    const double step_days[] = {36933, 37511, 38333, 39156, 41316, 41498, 50082, 57753};
    Rng u;
    const std::int64_t n = 3000;
    std::vector<double> t(2 * n);
    for (std::int64_t i = 0; i < n; ++i) {
        t[i] = i % 3 == 0 ? step_days[i % 8] : std::floor(35000.0 + 53000.0 * u());
        const double length = varn::utc_day_seconds(varn::builtin_leap(), t[i]);
        t[n + i] = i % 3 == 0 ? 86399.0 + (length - 86399.0) * u() : 86399.0 * u();
    }
    const auto& leap = varn::builtin_leap();
    for (TimeScale from : SCALES) {
        for (TimeScale to : SCALES) {
            std::vector<double> out(2 * n), cal(6 * n), back(2 * n), back6(2 * n);
            ASSERT_EQ(varn::time_convert(leap, from, to, n, t.data(), 2, out.data(), cal.data()).invalid, 0);
            varn::time_convert(leap, to, from, n, out.data(), 2, back.data(), nullptr);
            varn::time_convert(leap, to, from, n, cal.data(), 6, back6.data(), nullptr);
            for (std::int64_t i = 0; i < n; ++i)
                for (const auto* b : {&back, &back6})
                    ASSERT_TRUE(near("round trip, s", 0.0, ((*b)[i] - t[i]) * 86400 + ((*b)[n + i] - t[n + i]), 1e-9))
                        << int(from) << "->" << int(to) << " " << t[i] << " " << t[n + i];
        }
    }
}

// UTC times that do not exist, and what the other scales carry instead; NaN rows, counted.
// The ends of days where TAI - UTC stepped (tai-utc.dat): 1959-12-31 +0.943482 s, 1961-07-31
// -0.05 s, 1971-12-31 +0.107758 s (each at the old rate, 1e-8 of it).
TEST(TimeConvert, InvalidTimesGiveNaNRows) {
    struct Case { TimeScale from; std::vector<double> in; bool valid; };
    const Case cases[] = {  // the last six: TAI, TT, GPS carry any finite value, not NaN or Inf
        {TimeScale::UTC, {2016, 12, 30, 23, 59, 60.5}, false}, {TimeScale::UTC, {2017, 13, 1, 0, 0, 0}, false},
        {TimeScale::UTC, {2017, 4, 31, 0, 0, 0}, false}, {TimeScale::UTC, {2017, 1, 1, 24, 0, 0}, false},
        {TimeScale::UTC, {2017, 1, 1, 0, 60, 0}, false}, {TimeScale::UTC, {2017, 1, 1, 0, 0, -1}, false},
        {TimeScale::UTC, {2016, 12, 31, 12, 30, 60}, false},  // second 60 only in the day's last minute
        {TimeScale::UTC, {2017, 1, 1, 0.5, 0, 0}, false}, {TimeScale::UTC, {2016, 12, 31, 23, 59, 61}, false},
        {TimeScale::UTC, {2016, 12, 31, 23, 59, 60.999}, true}, {TimeScale::UTC, {1961, 7, 31, 23, 59, 59.97}, false},
        {TimeScale::UTC, {1961, 7, 31, 23, 59, 59.9499}, true}, {TimeScale::UTC, {57753, 86401.0}, false},
        {TimeScale::UTC, {36933, 86400.9434}, true}, {TimeScale::UTC, {36933, 86400.9435}, false},
        {TimeScale::UTC, {41316, 86400.107757}, true}, {TimeScale::UTC, {41316, 86400.107759}, false},
        {TimeScale::UTC, {37511, 86399.9501}, false}, {TimeScale::UTC, {39156, 86399.8999}, true},
        {TimeScale::UTC, {57754.5, 0.0}, false}, {TimeScale::UTC, {57754, -1e-9}, false},
        {TimeScale::UTC, {NaN, 0.0}, false}, {TimeScale::UTC, {-2500000, 0.0}, false},
        {TimeScale::TAI, {57754, 1e9}, true}, {TimeScale::TT, {2017, 1, 1, 25, -70, -1e5}, true},
        {TimeScale::TAI, {1e12, 0.0}, false}, {TimeScale::GPS, {57754, INF}, false},
        {TimeScale::TAI, {2017, 2, 29, 0, 0, 0}, false}, {TimeScale::TT, {2016, 12, 31, NaN, 0, 0}, false},
        {TimeScale::TAI, {2017, 1, 1.5, 0, 0, 0}, false}, {TimeScale::GPS, {1e7, 1, 1, 0, 0, 0}, false}};
    for (const Case& c : cases) {
        const One r = convert(c.from, TimeScale::TAI, c.in);
        EXPECT_TRUE(r.counts.invalid == !c.valid && std::isnan(r.out[0] + r.out[1] + r.cal[0] + r.cal[5]) == !c.valid)
            << c.in[0] << " " << c.in.back();
    }
    // A carried TT time: 2017-01-01 + 25 h - 70 min - 1e5 s = -14200 s, 2016-12-31 72200 s.
    const One r = convert(TimeScale::TT, TimeScale::TT, {2017, 1, 1, 25, -70, -1e5});
    EXPECT_TRUE(r.out[0] == 57753 && r.out[1] == 72200.0) << r.out[0] << " " << r.out[1];
    // Columns other than 2 or 6, and scale names.
    EXPECT_EQ(convert(TimeScale::TAI, TimeScale::UTC, {57754, 0, 0}).counts.invalid, 1);
    TimeScale s = TimeScale::UTC;
    EXPECT_TRUE(varn::time_scale_named("gps", s) && s == TimeScale::GPS);
    EXPECT_TRUE(varn::time_scale_named("Tt", s) && s == TimeScale::TT);
    EXPECT_FALSE(varn::time_scale_named("UT1", s) || varn::time_scale_named("TTX", s) ||
                 varn::time_scale_named("", s));
}

// Epochs after the table's expiry day (2027-06-28) are counted, in any scale; invalid ones not.
TEST(TimeConvert, EpochsAfterExpiryAreCounted) {
    // TAI 61585 37 s is UTC 61585 0h; 36.9 s still the expiry day.
    const std::vector<double> t = {61585, 61585, 61586, NaN, 37, 36.9, 0, 0};
    double out[8], cal[24];
    const auto c = varn::time_convert(varn::builtin_leap(), TimeScale::TAI, TimeScale::GPS, 4, t.data(), 2, out, cal);
    EXPECT_TRUE(c.expired == 2 && c.invalid == 1) << c.expired << " " << c.invalid;
}
