// Pipeline tests: a published GCRS-to-ITRS matrix, invariants of the outputs,
// row independence, and NaN rows kept to themselves.
#include "pipeline/iau_compute.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <vector>

#include <erfa.h>
#include <gtest/gtest.h>

#include "models/fundarg.hpp"
#include "models/ortho_eop.hpp"
#include "models/pmsdnut2.hpp"
#include "models/utlibr.hpp"
#include "pipeline/time_scales.hpp"
#include "test_util.hpp"

namespace {

using varn_test::near;
using varn_test::same_bits;

// Column counts of the eighteen outputs, in output order.
constexpr std::array<int, 18> OUT_COLS = {9, 9, 9, 1, 1, 1, 1, 2, 2, 11, 1, 1, 1, 1, 1, 1, 2, 1};
enum Out { RC2T, RC2I, RPOM, XP_RAD, YP_RAD, GMST, GST, UTC, UT1, TIDAL, T, FA_L, FA_LP, FA_F,
           FA_D, FA_OM, TAI, ERA };

struct Batch {
    std::int64_t n;
    std::vector<double> tt, xp, yp, dX, dY, DUT;
    explicit Batch(std::int64_t rows)
        : n(rows), tt(2 * rows), xp(rows), yp(rows), dX(rows), dY(rows), DUT(rows) {}
    void set(std::int64_t i, double mjd, double sec, double x, double y, double dx, double dy,
             double dut) {
        tt[i] = mjd; tt[n + i] = sec; xp[i] = x; yp[i] = y; dX[i] = dx; dY[i] = dy; DUT[i] = dut;
    }
};

struct Series {
    std::int64_t n;
    std::array<std::vector<double>, 18> a;
    explicit Series(std::int64_t rows, double fill = -12345.0) : n(rows) {
        for (int k = 0; k < 18; ++k) a[k].assign(static_cast<size_t>(rows * OUT_COLS[k]), fill);
    }
    double at(int out, std::int64_t row, int col = 0) const { return a[out][col * n + row]; }
    // Row i as a 3 x 3 matrix r[row][col].
    void matrix(int out, std::int64_t i, double r[3][3]) const {
        for (int k = 0; k < 9; ++k) r[k % 3][k / 3] = at(out, i, k);
    }
};

Series run(const Batch& b) {
    Series s(b.n);
    varn::iau_compute(b.n, b.tt.data(), b.xp.data(), b.yp.data(), b.dX.data(), b.dY.data(),
                      b.DUT.data(), s.a[0].data(), s.a[1].data(), s.a[2].data(), s.a[3].data(),
                      s.a[4].data(), s.a[5].data(), s.a[6].data(), s.a[7].data(), s.a[8].data(),
                      s.a[9].data(), s.a[10].data(), s.a[11].data(), s.a[12].data(),
                      s.a[13].data(), s.a[14].data(), s.a[15].data(), s.a[16].data(),
                      s.a[17].data());
    return s;
}

Series run_parallel(const Batch& b, int threads) {
    Series s(b.n);
    varn::iau_compute_parallel(
        b.n, b.tt.data(), b.xp.data(), b.yp.data(), b.dX.data(), b.dY.data(), b.DUT.data(),
        s.a[0].data(), s.a[1].data(), s.a[2].data(), s.a[3].data(), s.a[4].data(), s.a[5].data(),
        s.a[6].data(), s.a[7].data(), s.a[8].data(), s.a[9].data(), s.a[10].data(),
        s.a[11].data(), s.a[12].data(), s.a[13].data(), s.a[14].data(), s.a[15].data(),
        s.a[16].data(), s.a[17].data(), threads);
    return s;
}

// n epochs spread pseudo-randomly over 1950 to 2060, with a NaN row among
// them when n > 5.
Batch spread_batch(std::int64_t n) {
    Batch b(n);
    std::uint64_t state = 0x9e3779b97f4a7c15ull;
    auto uniform = [&state]() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    };
    for (std::int64_t i = 0; i < n; ++i) {
        b.set(i, std::floor(33282.0 + 40177.0 * uniform()), 86400.0 * uniform(),
              0.5 * uniform() - 0.1, 0.6 * uniform(), 3e-4 * uniform(), -3e-4 * uniform(),
              uniform() - 0.5);
    }
    if (n > 5) b.xp[5] = std::numeric_limits<double>::quiet_NaN();
    return b;
}

// A batch of realistic epochs from 1950 to 2060, a few on leap-second days.
Batch sample_batch() {
    const double mjds[] = {33282.0,  36934.25, 39000.7,  41317.0,  44000.33, 51544.5,
                           54195.5,  56108.99, 57203.999, 57754.5, 59000.1,  60000.0,
                           62502.75, 66154.0,  51543.2};
    const std::int64_t n = static_cast<std::int64_t>(std::size(mjds));
    Batch b(n);
    for (std::int64_t i = 0; i < n; ++i) {
        const double frac = mjds[i] - std::floor(mjds[i]);
        b.set(i, std::floor(mjds[i]), frac * 86400.0, 0.05 + 0.01 * i, 0.3 - 0.02 * i,
              1e-4 * (i - 7), -2e-4 + 1e-5 * i, -0.5 + 0.07 * i);
    }
    return b;
}

// SOFA "Tools for Earth Attitude", Example 5.6: 2007 April 5, 12:00:00 UTC,
// xp = 0.0349282", yp = 0.4833163", UT1-UTC = -0.072073685 s,
// dX = 0.1750 mas, dY = -0.2259 mas, TAI-UTC = 33 s. The published matrix has
// no high-frequency terms, so they are subtracted from the inputs here.
// Tolerance 2e-11 per element: an MJD held in one double resolves about 0.6
// microseconds of time, up to 5e-11 rad of Earth rotation.
TEST(IauCompute, ReproducesPublishedCelestialToTerrestrialMatrix) {
    const double tt_mjd = 54195.0;
    const double tt_sec = 43200.0 + 33.0 + 32.184;
    const double m = tt_sec / 86400.0 + tt_mjd;
    double ocean[3], lib_pm[2], lib_ut1, lib_lod;
    varn::ortho_eop(m, ocean);
    varn::pmsdnut2(m, lib_pm);
    varn::utlibr(m, lib_ut1, lib_lod);

    Batch b(1);
    b.set(0, tt_mjd, tt_sec, 0.0349282 - (ocean[0] + lib_pm[0]) * 1e-6,
          0.4833163 - (ocean[1] + lib_pm[1]) * 1e-6, 0.1750e-3, -0.2259e-3,
          -0.072073685 - (ocean[2] + lib_ut1) * 1e-6);
    const Series s = run(b);

    const double want[3][3] = {
        {+0.973104317697536, +0.230363826239128, -0.000703163481769},
        {-0.230363800456036, +0.973104570632801, +0.000118545368117},
        {+0.000711560162594, +0.000046626402444, +0.999999745754024}};
    double got[3][3];
    s.matrix(RC2T, 0, got);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_TRUE(near("rc2t element", want[r][c], got[r][c], 2e-11));

    // The same example's time scales: UTC 12:00:00 on MJD 54195, TAI 33 s on.
    EXPECT_EQ(s.at(UTC, 0, 0), 54195.0);
    EXPECT_TRUE(near("utc seconds", 43200.0, s.at(UTC, 0, 1), 1e-6));
    EXPECT_EQ(s.at(TAI, 0, 0), 54195.0);
    EXPECT_TRUE(near("tai seconds", 43233.0, s.at(TAI, 0, 1), 1e-6));
    EXPECT_TRUE(near("ut1 seconds", 43200.0 - 0.072073685, s.at(UT1, 0, 1), 1e-6));
}

// The three matrices are rotations, and rc2t = rpom * Rz(era) * rc2i.
TEST(IauCompute, MatricesAreRotationsAndCompose) {
    const Batch b = sample_batch();
    const Series s = run(b);
    for (std::int64_t i = 0; i < b.n; ++i) {
        for (int out : {RC2T, RC2I, RPOM}) {
            double r[3][3];
            s.matrix(out, i, r);
            for (int p = 0; p < 3; ++p)
                for (int q = 0; q < 3; ++q) {
                    double dot = 0.0;
                    for (int k = 0; k < 3; ++k) dot += r[p][k] * r[q][k];
                    EXPECT_TRUE(near("R R^T", p == q ? 1.0 : 0.0, dot, 1e-14)) << "row " << i;
                }
            double det = r[0][0] * (r[1][1] * r[2][2] - r[1][2] * r[2][1]) -
                         r[0][1] * (r[1][0] * r[2][2] - r[1][2] * r[2][0]) +
                         r[0][2] * (r[1][0] * r[2][1] - r[1][1] * r[2][0]);
            EXPECT_TRUE(near("det R", 1.0, det, 1e-14)) << "row " << i;
        }
        double c2i[3][3], pom[3][3], c2t[3][3], tmp[3][3], want[3][3];
        s.matrix(RC2I, i, c2i);
        s.matrix(RPOM, i, pom);
        s.matrix(RC2T, i, c2t);
        eraCr(c2i, tmp);
        eraRz(s.at(ERA, i), tmp);
        eraRxr(pom, tmp, want);
        for (int p = 0; p < 3; ++p)
            for (int q = 0; q < 3; ++q)
                EXPECT_TRUE(near("rc2t composition", want[p][q], c2t[p][q], 1e-15)) << i;
    }
}

// A batch equals, bit for bit, the same epochs computed one at a time.
TEST(IauCompute, RowsAreIndependent) {
    const Batch b = sample_batch();
    const Series all = run(b);
    for (std::int64_t i = 0; i < b.n; ++i) {
        Batch one(1);
        one.set(0, b.tt[i], b.tt[b.n + i], b.xp[i], b.yp[i], b.dX[i], b.dY[i], b.DUT[i]);
        const Series s = run(one);
        for (int out = 0; out < 18; ++out)
            for (int c = 0; c < OUT_COLS[out]; ++c)
                EXPECT_TRUE(same_bits(all.at(out, i, c), s.at(out, 0, c)))
                    << "output " << out + 1 << " column " << c + 1 << " row " << i;
    }
}

// The outputs that each input may touch, and no others.
TEST(IauCompute, EachInputChangesOnlyItsOutputs) {
    const Batch base = sample_batch();
    const Series s0 = run(base);
    struct Case { const char* name; std::vector<int> changed; };
    const Case cases[] = {
        {"dX", {RC2I, RC2T}},
        {"dY", {RC2I, RC2T}},
        {"xp", {XP_RAD, RPOM, RC2T}},
        {"DUT", {UT1, ERA, RC2T, GMST, GST, TIDAL}},
    };
    for (const Case& c : cases) {
        Batch b = base;
        std::vector<double>& v = c.name[0] == 'd' ? (c.name[1] == 'X' ? b.dX : b.dY)
                                 : c.name[0] == 'x' ? b.xp : b.DUT;
        for (double& e : v) e += 1e-3;
        const Series s = run(b);
        for (int out = 0; out < 18; ++out) {
            bool differs = false;
            for (size_t k = 0; k < s.a[out].size(); ++k)
                differs = differs || !same_bits(s.a[out][k], s0.a[out][k]);
            const bool expected =
                std::find(c.changed.begin(), c.changed.end(), out) != c.changed.end();
            EXPECT_EQ(differs, expected) << c.name << " and output " << out + 1;
        }
    }
}

// The UT1 terms of the ocean tides and libration move ut1 seconds, era and
// rc2t, never the sidereal times or the tidal arguments.
TEST(IauCompute, HighFrequencyUt1TermsEnterEraNotSiderealTime) {
    Batch b(1);
    const double mjd = 58849.0, sec = 12345.678;
    b.set(0, mjd, sec, 0.1, 0.3, 0.0, 0.0, -0.2);
    const Series s = run(b);
    const double m = sec / 86400.0 + mjd;
    double ocean[3], lu, lod;
    varn::ortho_eop(m, ocean);
    varn::utlibr(m, lu, lod);
    const double hf_s = (ocean[2] + lu) * 1e-6;
    ASSERT_GT(std::fabs(hf_s), 5e-6);  // tens of microseconds at this epoch
    // UT1 without the terms: TT - 32.184 - 37 + DUT on 2020 January 1, to the
    // 0.6 us that an MJD near 58849 resolves in one double.
    const double ut1_plain = sec - 32.184 - 37.0 - 0.2;
    EXPECT_EQ(s.at(UT1, 0, 0), mjd);
    EXPECT_TRUE(near("ut1 seconds", ut1_plain + hf_s, s.at(UT1, 0, 1), 1e-6));
    // Exactly: the time-scale chain's UT1 plus the terms, in that order.
    double tai1, tai2, utc1, utc2, ut11, ut12;
    varn::tttai(varn::DJMJD0, m, tai1, tai2);
    varn::taiutc(tai1, tai2, utc1, utc2);
    varn::utcut1(utc1, utc2, -0.2, ut11, ut12);
    EXPECT_EQ(s.at(UT1, 0, 1), (ut12 - mjd) * 86400.0 + hf_s);
    EXPECT_EQ(s.at(ERA, 0), eraEra00(varn::DJMJD0 + mjd, s.at(UT1, 0, 1) / 86400.0));
    EXPECT_EQ(s.at(GMST, 0), eraGmst06(ut11, ut12, varn::DJMJD0, m));
    EXPECT_EQ(s.at(GST, 0), eraGst06a(ut11, ut12, varn::DJMJD0, m));
    // The corrected UT1 would move GMST by about 1e-9 rad: it must not.
    EXPECT_GT(std::fabs(eraGmst06(varn::DJMJD0 + mjd, s.at(UT1, 0, 1) / 86400.0, varn::DJMJD0, m) -
                        s.at(GMST, 0)), 1e-10);
}

// The tidal-argument columns, from the Delaunay outputs and GMST of the row.
TEST(IauCompute, TidalArgumentsAndDelaunayOutputs) {
    const Batch b = sample_batch();
    const Series s = run(b);
    for (std::int64_t i = 0; i < b.n; ++i) {
        const double t = s.at(T, i);
        const double m = b.tt[b.n + i] / 86400.0 + b.tt[i];
        EXPECT_EQ(t, (m - 51544.5) / 36525.0);
        const double l = s.at(FA_L, i), lp = s.at(FA_LP, i), f = s.at(FA_F, i),
                     d = s.at(FA_D, i), om = s.at(FA_OM, i);
        EXPECT_EQ(l, eraFal03(t));
        EXPECT_EQ(lp, eraFalp03(t));
        EXPECT_EQ(f, eraFaf03(t));
        EXPECT_EQ(d, eraFad03(t));
        EXPECT_EQ(om, eraFaom03(t));
        const double want[11] = {((varn::DPI + s.at(GMST, i)) - f) - om, f + om, (f + om) - d,
                                 (f + om) - l, -om, ((f + om) - d) - lp, eraFame03(t),
                                 eraFave03(t), eraFama03(t), eraFaju03(t), eraFasa03(t)};
        for (int c = 0; c < 11; ++c) EXPECT_EQ(s.at(TIDAL, i, c), want[c]) << "column " << c + 1;
    }
}

// Epoch forms: (58000.5, 0) and (58000, 43200) are one epoch, seconds past a
// day are taken as they stand.
TEST(IauCompute, EpochFormsAgree) {
    Batch b(4);
    b.set(0, 58000.5, 0.0, 0.1, 0.2, 0.0, 0.0, 0.1);
    b.set(1, 58000.0, 43200.0, 0.1, 0.2, 0.0, 0.0, 0.1);
    b.set(2, 58000.0, 90000.0, 0.1, 0.2, 0.0, 0.0, 0.1);
    b.set(3, 58001.0, 3600.0, 0.1, 0.2, 0.0, 0.0, 0.1);
    const Series s = run(b);
    for (int out = 0; out < 18; ++out)
        for (int c = 0; c < OUT_COLS[out]; ++c) {
            EXPECT_TRUE(same_bits(s.at(out, 0, c), s.at(out, 1, c))) << out + 1;
            EXPECT_TRUE(same_bits(s.at(out, 2, c), s.at(out, 3, c))) << out + 1;
        }
}

// The threaded batch equals the sequential one bit for bit, whatever the
// number of rows and threads, including block sizes that do not divide n.
TEST(IauComputeParallel, BitIdenticalToSequential) {
    for (std::int64_t n : {1, 7, 8, 9, 16, 17, 31, 100, 257}) {
        const Batch b = spread_batch(n);
        const Series seq = run(b);
        for (int threads : {0, 1, 2, 3, 4, 7, 16}) {
            const Series par = run_parallel(b, threads);
            for (int out = 0; out < 18; ++out)
                for (size_t k = 0; k < seq.a[out].size(); ++k)
                    ASSERT_TRUE(same_bits(seq.a[out][k], par.a[out][k]))
                        << "n " << n << " threads " << threads << " output " << out + 1
                        << " element " << k;
        }
    }
}

// n = 0 and negative n write nothing.
TEST(IauCompute, EmptyBatchWritesNothing) {
    double sentinel[32];
    for (double& v : sentinel) v = 7.0;
    double* p = sentinel;
    for (std::int64_t n : {0, -3}) {
        varn::iau_compute(n, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p,
                          p);
        varn::iau_compute_parallel(n, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p, p,
                                   p, p, p, p, 4);
    }
    for (double v : sentinel) EXPECT_EQ(v, 7.0);
}

// Fixed fault: a NaN or infinite epoch, or a date outside the calendar, once
// reached an integer conversion; now its row is NaN where it depends on the
// failed conversion and every other row is untouched.
TEST(IauCompute, BadEpochRowsAreNaNAndIsolated) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Batch b = sample_batch();
    const Series clean = run(b);
    const std::int64_t bad_rows[] = {1, 4, 9, 12};
    b.tt[1] = nan;
    b.tt[b.n + 4] = inf;
    b.tt[9] = -4e6;   // before the year -4799
    b.tt[12] = 1e9;   // beyond Julian Date 1e9
    const Series s = run(b);
    for (std::int64_t i = 0; i < b.n; ++i) {
        const bool bad = std::find(std::begin(bad_rows), std::end(bad_rows), i) != std::end(bad_rows);
        for (int out = 0; out < 18; ++out)
            for (int c = 0; c < OUT_COLS[out]; ++c) {
                if (!bad) {
                    EXPECT_TRUE(same_bits(s.at(out, i, c), clean.at(out, i, c)))
                        << "clean row " << i << " output " << out + 1;
                }
            }
        if (bad) {
            for (int out : {UTC, UT1}) {
                EXPECT_TRUE(std::isnan(s.at(out, i, 0))) << "row " << i << " out " << out + 1;
                EXPECT_TRUE(std::isnan(s.at(out, i, 1))) << "row " << i << " out " << out + 1;
            }
            for (int out : {GMST, GST, ERA}) EXPECT_TRUE(std::isnan(s.at(out, i))) << out + 1;
            for (int c = 0; c < 9; ++c) EXPECT_TRUE(std::isnan(s.at(RC2T, i, c)));
            EXPECT_TRUE(std::isnan(s.at(TIDAL, i, 0)));
        }
    }
    // The finite far dates still have their TAI and time in centuries.
    EXPECT_EQ(s.at(T, 9), (-4e6 + b.tt[b.n + 9] / 86400.0 - 51544.5) / 36525.0);
    EXPECT_TRUE(std::isfinite(s.at(TAI, 12, 0)));
}

// Fixed fault: from TT MJD 2400000.5 on (the year 8429) the MJD is the larger
// part of each two-part date, so the time-scale chain puts its change into
// the first part; reading only the second part lost TT - TAI, TAI - UTC and
// UT1 - UTC, and a NaN or infinite DUT gave finite results.
TEST(IauCompute, FarFutureEpochsKeepTheirTimeScales) {
    Batch b(2);
    b.set(0, 2400001.0, 43200.0, 0.1, 0.2, 0.0, 0.0, 0.5);
    b.set(1, 2400001.0, 43200.0, 0.1, 0.2, 0.0, 0.0, -std::numeric_limits<double>::infinity());
    const Series s = run(b);
    // TAI = TT - 32.184 s; UTC = TAI - 37 s; UT1 = UTC + 0.5 s plus the terms,
    // to the 0.05 ms that an MJD near 2.4e6 resolves.
    EXPECT_EQ(s.at(TAI, 0, 0), 2400001.0);
    EXPECT_TRUE(near("tai seconds", 43200.0 - 32.184, s.at(TAI, 0, 1), 1e-4));
    EXPECT_TRUE(near("utc seconds", 43200.0 - 32.184 - 37.0, s.at(UTC, 0, 1), 1e-4));
    EXPECT_TRUE(near("ut1 seconds", 43200.0 - 32.184 - 37.0 + 0.5, s.at(UT1, 0, 1), 1e-3));
    EXPECT_TRUE(std::isnan(s.at(UT1, 1, 1)));
    EXPECT_TRUE(std::isnan(s.at(ERA, 1)));
    EXPECT_TRUE(std::isnan(s.at(GMST, 1)));
    for (int c = 0; c < 9; ++c) EXPECT_TRUE(std::isnan(s.at(RC2T, 1, c)));
}

// Day-and-seconds split: MJD -0.25 is day -1 and 64800 s; UT1 seconds may
// leave [0, 86400) by the size of the correction while the day stays.
TEST(IauCompute, DaySecondsSplit) {
    Batch b(2);
    // TT such that TAI is MJD -0.25 exactly: TT = TAI + 32.184 s.
    b.set(0, -1.0, 64800.0 + 32.184, 0.0, 0.0, 0.0, 0.0, 0.0);
    // UTC a hair before midnight with DUT chosen so UT1 lands 1 us before it.
    b.set(1, 59000.0, 86400.0 - 1e-6 - 0.0 + 32.184 + 37.0, 0.0, 0.0, 0.0, 0.0, 0.0);
    const Series s = run(b);
    EXPECT_EQ(s.at(TAI, 0, 0), -1.0);
    EXPECT_TRUE(near("tai seconds", 64800.0, s.at(TAI, 0, 1), 1e-6));
    EXPECT_EQ(s.at(UT1, 1, 0), 59000.0);
    // The day column stays while seconds may cross 86400 by the correction.
    EXPECT_GT(s.at(UT1, 1, 1), 86399.99);
    EXPECT_LT(s.at(UT1, 1, 1), 86400.01);
}

}  // namespace
