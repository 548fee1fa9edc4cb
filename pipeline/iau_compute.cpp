// The epoch pipeline: high-frequency corrections, time scales and the
// IAU 2006/2000A CIO-based celestial-to-terrestrial rotation, one epoch at a
// time.
//
// References: IERS Conventions (2010), ch. 5 (transformation between the
// ITRS and the GCRS) and ch. 8 (tidal variations of the Earth's rotation);
// SOFA "Tools for Earth Attitude", ch. 5.
#include "pipeline/iau_compute.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <thread>

#include <erfa.h>

#include "models/fundarg.hpp"
#include "models/ortho_eop.hpp"
#include "models/pmsdnut2.hpp"
#include "models/utlibr.hpp"
#include "pipeline/time_scales.hpp"

namespace varn {
namespace {

// Microarcseconds to arcseconds, and microseconds to seconds.
constexpr double MICRO = 1e-6;
// MJD of J2000.0 and days per Julian century.
constexpr double MJD_J2000 = 51544.5;
constexpr double DAYS_PER_JC = 36525.0;

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

// Rows [begin, end) of a batch of n rows: the whole per-epoch computation.
// Rows are independent, so any split of [0, n) into ranges gives the same
// bits as one pass.
void compute_rows(std::int64_t n, std::int64_t begin, std::int64_t end, const double* tt,
                  const double* xp, const double* yp, const double* dX, const double* dY,
                  const double* DUT, double* rc2t, double* rc2i, double* rpom, double* xp_rad,
                  double* yp_rad, double* gmst, double* gst, double* utc, double* ut1,
                  double* tidal_args, double* t, double* fa_l, double* fa_lp, double* fa_f,
                  double* fa_d, double* fa_om, double* tai, double* era) {
    for (std::int64_t i = begin; i < end; ++i) {
        // 1. TT as an MJD.
        const double m = tt[n + i] / DAYSEC + tt[i];

        // 2-3. Ocean tides and libration in polar motion; corrected pole.
        double ocean[3];
        double lib_pm[2];
        ortho_eop(m, ocean);
        pmsdnut2(m, lib_pm);
        const double xp_r = ((ocean[0] + lib_pm[0]) * MICRO + xp[i]) * DAS2R;
        const double yp_r = ((ocean[1] + lib_pm[1]) * MICRO + yp[i]) * DAS2R;
        xp_rad[i] = xp_r;
        yp_rad[i] = yp_r;

        // 4. Polar motion, with the TIO locator s'.
        const double sp = eraSp00(DJMJD0, m);
        double r_pom[3][3];
        eraPom00(xp_r, yp_r, sp, r_pom);
        put_matrix(rpom, n, i, r_pom);

        // 5. Libration in UT1 (the LOD term is not needed).
        double lib_ut1, lib_lod;
        utlibr(m, lib_ut1, lib_lod);

        // 6. TT -> TAI -> UTC -> UT1, without the high-frequency terms. A
        // failed step leaves its results unwritten: they stay NaN, and so
        // does every output that depends on them.
        double tai1, tai2;
        double utc1 = NaN, utc2 = NaN;
        double ut11 = NaN, ut12 = NaN;
        tttai(DJMJD0, m, tai1, tai2);
        taiutc(tai1, tai2, utc1, utc2);
        utcut1(utc1, utc2, DUT[i], ut11, ut12);

        // 7. Julian centuries of TT.
        const double t_jc = (m - MJD_J2000) / DAYS_PER_JC;
        t[i] = t_jc;

        // 8-10. Day-and-seconds pairs; UT1 seconds take the tidal and
        // libration terms, which may carry them just outside [0, 86400).
        put_day_seconds(tai, n, i, mjd_of(tai1, tai2));
        put_day_seconds(utc, n, i, mjd_of(utc1, utc2));
        put_day_seconds(ut1, n, i, mjd_of(ut11, ut12), (ocean[2] + lib_ut1) * MICRO);

        // 11-13. CIP and CIO locator from the model, then the offsets.
        double x, y;
        eraXy06(DJMJD0, m, &x, &y);
        const double s = eraS06(DJMJD0, m, x, y);
        x = DAS2R * dX[i] + x;
        y = DAS2R * dY[i] + y;
        double r_c2i[3][3];
        eraC2ixys(x, y, s, r_c2i);
        put_matrix(rc2i, n, i, r_c2i);

        // 14. Earth rotation angle from the corrected UT1, day plus seconds.
        const double theta = eraEra00(DJMJD0 + ut1[i], ut1[n + i] / DAYSEC);
        era[i] = theta;

        // 15. rc2t = rpom * Rz(theta) * rc2i.
        double r_tmp[3][3];
        double r_c2t[3][3];
        eraCr(r_c2i, r_tmp);
        eraRz(theta, r_tmp);
        eraRxr(r_pom, r_tmp, r_c2t);
        put_matrix(rc2t, n, i, r_c2t);

        // 16. Delaunay arguments (IERS 2003 expressions).
        const double l = eraFal03(t_jc);
        const double lp = eraFalp03(t_jc);
        const double f = eraFaf03(t_jc);
        const double d = eraFad03(t_jc);
        const double om = eraFaom03(t_jc);
        fa_l[i] = l;
        fa_lp[i] = lp;
        fa_f[i] = f;
        fa_d[i] = d;
        fa_om[i] = om;

        // 17. Sidereal times, from UT1 without the high-frequency terms.
        const double gmst_i = eraGmst06(ut11, ut12, DJMJD0, m);
        gmst[i] = gmst_i;
        gst[i] = eraGst06a(ut11, ut12, DJMJD0, m);

        // 18. Doodson arguments, then the planetary mean longitudes.
        tidal_args[i] = ((DPI + gmst_i) - f) - om;  // tau
        tidal_args[n + i] = f + om;                 // s
        tidal_args[2 * n + i] = (f + om) - d;       // h
        tidal_args[3 * n + i] = (f + om) - l;       // p
        tidal_args[4 * n + i] = -om;                // N'
        tidal_args[5 * n + i] = ((f + om) - d) - lp;  // p_s
        tidal_args[6 * n + i] = eraFame03(t_jc);
        tidal_args[7 * n + i] = eraFave03(t_jc);
        tidal_args[8 * n + i] = eraFama03(t_jc);
        tidal_args[9 * n + i] = eraFaju03(t_jc);
        tidal_args[10 * n + i] = eraFasa03(t_jc);
    }
}


}  // namespace


void iau_compute(std::int64_t n, const double* tt, const double* xp, const double* yp,
                 const double* dX, const double* dY, const double* DUT, double* rc2t,
                 double* rc2i, double* rpom, double* xp_rad, double* yp_rad, double* gmst,
                 double* gst, double* utc, double* ut1, double* tidal_args, double* t,
                 double* fa_l, double* fa_lp, double* fa_f, double* fa_d, double* fa_om,
                 double* tai, double* era) {
    if (n <= 0) return;
    compute_rows(n, 0, n, tt, xp, yp, dX, dY, DUT, rc2t, rc2i, rpom, xp_rad, yp_rad, gmst, gst,
                 utc, ut1, tidal_args, t, fa_l, fa_lp, fa_f, fa_d, fa_om, tai, era);
}

void iau_compute_parallel(std::int64_t n, const double* tt, const double* xp, const double* yp,
                          const double* dX, const double* dY, const double* DUT, double* rc2t,
                          double* rc2i, double* rpom, double* xp_rad, double* yp_rad,
                          double* gmst, double* gst, double* utc, double* ut1,
                          double* tidal_args, double* t, double* fa_l, double* fa_lp,
                          double* fa_f, double* fa_d, double* fa_om, double* tai, double* era,
                          int threads) {
    if (n <= 0) return;

    // One epoch costs about 0.1 ms; starting and joining a thread about
    // 0.03 ms. A block of MIN_ROWS_PER_THREAD rows repays its thread many
    // times over (see bench/).
    constexpr std::int64_t MIN_ROWS_PER_THREAD = 8;
    constexpr int MAX_THREADS = 256;

    std::int64_t workers = threads;
    if (workers <= 0) workers = static_cast<std::int64_t>(std::thread::hardware_concurrency());
    workers = std::min<std::int64_t>({workers, MAX_THREADS, n / MIN_ROWS_PER_THREAD});

    auto block = [=](std::int64_t begin, std::int64_t end) {
        compute_rows(n, begin, end, tt, xp, yp, dX, dY, DUT, rc2t, rc2i, rpom, xp_rad, yp_rad,
                     gmst, gst, utc, ut1, tidal_args, t, fa_l, fa_lp, fa_f, fa_d, fa_om, tai,
                     era);
    };
    if (workers <= 1) {
        block(0, n);
        return;
    }

    // Contiguous blocks of near-equal size; block 0 runs on the calling
    // thread, the others on workers. A block whose thread cannot be started
    // runs here too.
    std::array<std::thread, MAX_THREADS> pool;
    const std::int64_t base = n / workers;
    const std::int64_t extra = n % workers;
    auto bound = [=](std::int64_t b) { return b * base + std::min(b, extra); };
    for (std::int64_t b = 1; b < workers; ++b) {
        try {
            pool[static_cast<std::size_t>(b)] = std::thread(block, bound(b), bound(b + 1));
        } catch (...) {
            block(bound(b), bound(b + 1));
        }
    }
    block(0, bound(1));
    for (std::thread& th : pool) {
        if (th.joinable()) th.join();
    }
}

}  // namespace varn
