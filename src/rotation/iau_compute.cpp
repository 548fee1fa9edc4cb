// The epoch pipeline: high-frequency corrections, time scales and the
// IAU 2006/2000A CIO-based celestial-to-terrestrial rotation, one epoch at a
// time.
//
// References: IERS Conventions (2010), ch. 5 (transformation between the
// ITRS and the GCRS) and ch. 8 (tidal variations of the Earth's rotation);
// SOFA "Tools for Earth Attitude", ch. 5.
#include "rotation/iau_compute.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <vector>

#include <erfa.h>

#include "models/fundarg.hpp"
#include "models/ortho_eop.hpp"
#include "models/pmsdnut2.hpp"
#include "models/utlibr.hpp"
#include "rotation/epoch_steps.hpp"
#include "time/time_scales.hpp"

namespace varn {
namespace {

// Microarcseconds to arcseconds, and microseconds to seconds.
constexpr double MICRO = 1e-6;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Row i of an n x 9 array receives r, column-major: column k holds
// r[k mod 3][k div 3].
inline void put_matrix(double* out, std::int64_t n, std::int64_t i, const double r[3][3]) {
    for (int k = 0; k < 9; ++k) out[k * n + i] = r[k % 3][k / 3];
}

// Row i of an n x 2 array receives the MJD v as (whole day, seconds of day).
// The floor is taken in double, so NaN or huge v never meets an integer
// conversion; NaN gives NaN in both columns.
inline void put_day_seconds(double* out, std::int64_t n, std::int64_t i, double v,
                            double extra_s = 0.0) {
    const double d = std::floor(v);
    out[i] = d;
    out[n + i] = (v - d) * DAYSEC + extra_s;
}

// MJD of a two-part Julian Date that the time-scale chain returned for a
// (DJMJD0, MJD) argument. The chain changes only the smaller part, so below
// MJD 2400000.5 the first part comes back as DJMJD0 exactly and the MJD is
// the second part, bit for bit. From MJD 2400000.5 on (the year 8429) the
// MJD is the larger part and the change lands in the first part: both parts
// are needed then, or TT - TAI, TAI - UTC and UT1 - UTC would be lost.
inline double mjd_of(double part1, double part2) {
    return part1 == DJMJD0 ? part2 : (part1 - DJMJD0) + part2;
}

}  // namespace

namespace detail {

double tt_mjd(const Arrays& a, std::int64_t i) { return a.tt[a.n + i] / DAYSEC + a.tt[i]; }

HighFrequency high_frequency(double m) {
    double ocean[3];
    double lib_pm[2];
    double lib_ut1, lib_lod;  // the LOD term is not needed
    ortho_eop(m, ocean);
    pmsdnut2(m, lib_pm);
    utlibr(m, lib_ut1, lib_lod);
    return {ocean[0] + lib_pm[0], ocean[1] + lib_pm[1], ocean[2] + lib_ut1};
}

Cip cip(double m) {
    double x, y;
    eraXy06(DJMJD0, m, &x, &y);
    return {x, y, eraS06(DJMJD0, m, x, y)};
}

// eraGst06a(uta, utb, tta, ttb) is eraAnp(eraEra00(uta, utb) - EO), where EO
// comes from the bias-precession-nutation matrix of eraPnm06a and the CIO
// locator of the CIP that matrix gives; the same steps here.
double equation_of_origins(double m) {
    double rnpb[3][3];
    double x, y;
    eraPnm06a(DJMJD0, m, rnpb);
    eraBpn2xy(rnpb, &x, &y);
    return eraEors(rnpb, eraS06(DJMJD0, m, x, y));
}

// The per-epoch computation after the quantities of TT alone, in the order
// of the steps; the step numbers are those of the whole epoch, whose steps 1,
// 2, 5 and 11 (TT, the high-frequency models, the CIP and s) the caller has
// done.
void write_row(const Arrays& a, std::int64_t i, double m, const HighFrequency& hf, const Cip& c,
               const double* eo) {
    const std::int64_t n = a.n;

    // 3. Corrected pole.
    const double xp_r = (hf.x_uas * MICRO + a.xp[i]) * DAS2R;
    const double yp_r = (hf.y_uas * MICRO + a.yp[i]) * DAS2R;
    a.xp_rad[i] = xp_r;
    a.yp_rad[i] = yp_r;

    // 4. Polar motion, with the TIO locator s'.
    const double sp = eraSp00(DJMJD0, m);
    double r_pom[3][3];
    eraPom00(xp_r, yp_r, sp, r_pom);
    put_matrix(a.rpom, n, i, r_pom);

    // 6. TT -> TAI -> UTC -> UT1, without the high-frequency terms. A failed
    // step leaves its results unwritten: they stay NaN, and so does every
    // output that depends on them.
    double tai1, tai2;
    double utc1 = NaN, utc2 = NaN;
    double ut11 = NaN, ut12 = NaN;
    tttai(DJMJD0, m, tai1, tai2);
    taiutc(*a.leap, tai1, tai2, utc1, utc2);
    utcut1(*a.leap, utc1, utc2, a.DUT[i], ut11, ut12);

    // 7. Julian centuries of TT.
    const double t_jc = (m - MJD_J2000) / DAYS_PER_JC;
    a.t[i] = t_jc;

    // 8-10. Day-and-seconds pairs; UT1 seconds take the tidal and libration
    // terms, which may carry them just outside [0, 86400).
    put_day_seconds(a.tai, n, i, mjd_of(tai1, tai2));
    put_day_seconds(a.utc, n, i, mjd_of(utc1, utc2));
    put_day_seconds(a.ut1, n, i, mjd_of(ut11, ut12), hf.ut1_us * MICRO);

    // 12-13. The celestial pole offsets, then the celestial-to-intermediate
    // matrix.
    const double x = DAS2R * a.dX[i] + c.x;
    const double y = DAS2R * a.dY[i] + c.y;
    double r_c2i[3][3];
    eraC2ixys(x, y, c.s, r_c2i);
    put_matrix(a.rc2i, n, i, r_c2i);

    // 14. Earth rotation angle from the corrected UT1, day plus seconds.
    const double theta = eraEra00(DJMJD0 + a.ut1[i], a.ut1[n + i] / DAYSEC);
    a.era[i] = theta;

    // 15. rc2t = rpom * Rz(theta) * rc2i.
    double r_tmp[3][3];
    double r_c2t[3][3];
    eraCr(r_c2i, r_tmp);
    eraRz(theta, r_tmp);
    eraRxr(r_pom, r_tmp, r_c2t);
    put_matrix(a.rc2t, n, i, r_c2t);

    // 16. Delaunay arguments (IERS 2003 expressions).
    const double l = eraFal03(t_jc);
    const double lp = eraFalp03(t_jc);
    const double f = eraFaf03(t_jc);
    const double d = eraFad03(t_jc);
    const double om = eraFaom03(t_jc);
    a.fa_l[i] = l;
    a.fa_lp[i] = lp;
    a.fa_f[i] = f;
    a.fa_d[i] = d;
    a.fa_om[i] = om;

    // 17. Sidereal times, from UT1 without the high-frequency terms.
    const double gmst_i = eraGmst06(ut11, ut12, DJMJD0, m);
    a.gmst[i] = gmst_i;
    a.gst[i] = eo ? eraAnp(eraEra00(ut11, ut12) - *eo) : eraGst06a(ut11, ut12, DJMJD0, m);

    // 18. Doodson arguments, then the planetary mean longitudes.
    double* tidal = a.tidal_args;
    tidal[i] = ((DPI + gmst_i) - f) - om;       // tau
    tidal[n + i] = f + om;                      // s
    tidal[2 * n + i] = (f + om) - d;            // h
    tidal[3 * n + i] = (f + om) - l;            // p
    tidal[4 * n + i] = -om;                     // N'
    tidal[5 * n + i] = ((f + om) - d) - lp;     // p_s
    tidal[6 * n + i] = eraFame03(t_jc);
    tidal[7 * n + i] = eraFave03(t_jc);
    tidal[8 * n + i] = eraFama03(t_jc);
    tidal[9 * n + i] = eraFaju03(t_jc);
    tidal[10 * n + i] = eraFasa03(t_jc);
}

std::vector<TimedRow> rows_in_time_order(const Arrays& a) {
    std::vector<TimedRow> rows(static_cast<std::size_t>(a.n));
    for (std::int64_t i = 0; i < a.n; ++i) rows[static_cast<std::size_t>(i)] = {tt_mjd(a, i), i};
    auto before = [](const TimedRow& p, const TimedRow& q) {
        const double kp = std::isnan(p.m) ? INFINITY : p.m;
        const double kq = std::isnan(q.m) ? INFINITY : q.m;
        return kp < kq || (kp == kq && p.row < q.row);
    };
    if (!std::is_sorted(rows.begin(), rows.end(), before))
        std::sort(rows.begin(), rows.end(), before);
    return rows;
}

}  // namespace detail

namespace {

// Row i: the whole per-epoch computation.
void compute_row(const detail::Arrays& a, std::int64_t i) {
    // 1. TT as an MJD; 2 and 5: the high-frequency models; 11: the CIP and
    // the CIO locator from the model.
    const double m = detail::tt_mjd(a, i);
    detail::write_row(a, i, m, detail::high_frequency(m), detail::cip(m), nullptr);
}

// Rows [begin, end) of a batch: the whole per-epoch computation. Rows are
// independent, so any split of [0, n) into ranges gives the same bits as one
// pass.
void compute_rows(const detail::Arrays& a, std::int64_t begin, std::int64_t end) {
    for (std::int64_t i = begin; i < end; ++i) compute_row(a, i);
}

}  // namespace


namespace detail {

void compute_exact(const Arrays& a, int threads) {
    const std::int64_t n = a.n;
    // One epoch costs about 0.1 ms; starting and joining a thread about
    // 0.03 ms. A block of MIN_ROWS_PER_THREAD rows repays its thread many
    // times over (see bench/).
    constexpr std::int64_t MIN_ROWS_PER_THREAD = 8;

    // The rows in time order, each written to its own place; in the order
    // given if there is no memory for the list.
    std::vector<TimedRow> order;
    try {
        order = rows_in_time_order(a);
    } catch (const std::bad_alloc&) {
        run_blocks(n, threads, MIN_ROWS_PER_THREAD,
                   [&a](std::int64_t begin, std::int64_t end) { compute_rows(a, begin, end); });
        return;
    }
    run_blocks(n, threads, MIN_ROWS_PER_THREAD, [&a, &order](std::int64_t begin, std::int64_t end) {
        for (std::int64_t p = begin; p < end; ++p)
            compute_row(a, order[static_cast<std::size_t>(p)].row);
    });
}

}  // namespace detail

void iau_compute(std::int64_t n, const double* tt, const double* xp, const double* yp,
                 const double* dX, const double* dY, const double* DUT, double* rc2t,
                 double* rc2i, double* rpom, double* xp_rad, double* yp_rad, double* gmst,
                 double* gst, double* utc, double* ut1, double* tidal_args, double* t,
                 double* fa_l, double* fa_lp, double* fa_f, double* fa_d, double* fa_om,
                 double* tai, double* era, const LeapTable& leap) {
    if (n <= 0) return;
    const detail::Arrays a{n,    tt,     xp,     yp,   dX,  dY,  DUT, rc2t,       rc2i,
                           rpom, xp_rad, yp_rad, gmst, gst, utc, ut1, tidal_args, t,
                           fa_l, fa_lp,  fa_f,   fa_d, fa_om, tai, era, &leap};
    compute_rows(a, 0, n);
}

void iau_compute_parallel(std::int64_t n, const double* tt, const double* xp, const double* yp,
                          const double* dX, const double* dY, const double* DUT, double* rc2t,
                          double* rc2i, double* rpom, double* xp_rad, double* yp_rad,
                          double* gmst, double* gst, double* utc, double* ut1,
                          double* tidal_args, double* t, double* fa_l, double* fa_lp,
                          double* fa_f, double* fa_d, double* fa_om, double* tai, double* era,
                          int threads, const LeapTable& leap) {
    if (n <= 0) return;
    detail::compute_exact({n,    tt,     xp,     yp,   dX,  dY,  DUT, rc2t,       rc2i,
                           rpom, xp_rad, yp_rad, gmst, gst, utc, ut1, tidal_args, t,
                           fa_l, fa_lp,  fa_f,   fa_d, fa_om, tai, era, &leap},
                          threads);
}

}  // namespace varn
