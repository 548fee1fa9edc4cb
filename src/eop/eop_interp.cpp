// Interpolation of an EOP table to the epochs of a batch: each epoch's UTC
// from TT by this library's own chain, then the four-point Lagrange
// polynomial through the rows around it.
#include <algorithm>
#include <cmath>

#include "eop/eop_detail.hpp"
#include "time/time_scales.hpp"
#include "time/utc_clock.hpp"

namespace varn {
namespace {

using eop_detail::NaN;
using eop_detail::STENCIL;

// MJD of a two-part Julian Date that the time-scale chain returned for a
// (DJMJD0, MJD) argument (the chain changes only the smaller part).
double mjd_of(double part1, double part2) {
    return part1 == DJMJD0 ? part2 : (part1 - DJMJD0) + part2;
}

}  // namespace

std::int64_t eop_interpolate(const EopTable& table, std::int64_t n, const double* tt, double* xp,
                             double* yp, double* dX, double* dY, double* DUT, bool* predicted,
                             std::int64_t* expired, double* lod) {
    const LeapTable& leap = table.leap ? *table.leap : builtin_leap();
    const std::vector<double>& t = table.mjd;
    const std::size_t rows = t.size();
    // A table not as the reader makes it (too short, columns of unequal
    // length) covers no epoch. One made without the LOD column still gives
    // the other values, and NaN for LOD.
    const bool usable = rows >= STENCIL && table.xp.size() == rows && table.yp.size() == rows &&
                        table.ut1_tai.size() == rows && table.dX.size() == rows &&
                        table.dY.size() == rows && table.predicted.size() == rows;
    const bool has_lod = lod && table.lod.size() == rows;
    const double first = usable ? t.front() : NaN, last = usable ? t.back() : NaN;
    std::int64_t outside = 0;
    if (expired) *expired = 0;
    for (std::int64_t i = 0; i < n; ++i) {
        xp[i] = yp[i] = dX[i] = dY[i] = DUT[i] = NaN;
        if (predicted) predicted[i] = false;
        if (lod) lod[i] = NaN;

        // UTC of the epoch, as the pipeline forms it.
        const double m = tt[n + i] / DAYSEC + tt[i];
        double tai1, tai2, utc1 = NaN, utc2 = NaN;
        tttai(DJMJD0, m, tai1, tai2);
        taiutc(leap, tai1, tai2, utc1, utc2);
        const double u = mjd_of(utc1, utc2), day = std::floor(u);
        if (expired && leap.expired(day)) ++*expired;
        if (!(u >= first && u <= last)) {
            if (!std::isnan(m)) ++outside;
            continue;
        }

        // Row j (from 0) with t_j <= u < t_j+1, or the last row at u = t_N;
        // the stencil starts a row before it, moved inside the table at the
        // ends (which also takes the last node to the last four rows).
        const std::size_t j =
            static_cast<std::size_t>(std::upper_bound(t.begin(), t.end(), u) - t.begin()) - 1;
        const std::size_t s = std::min(j == 0 ? j : j - 1, rows - STENCIL);

        // Lagrange weights of the four nodes at u: at a node its own weight
        // is exactly 1 and the others exactly 0.
        double w[STENCIL];
        for (std::size_t a = 0; a < STENCIL; ++a) {
            w[a] = 1.0;
            for (std::size_t b = 0; b < STENCIL; ++b) {
                if (b != a) w[a] *= (u - t[s + b]) / (t[s + a] - t[s + b]);
            }
        }
        auto lagrange = [&](const std::vector<double>& q) {
            double sum = 0.0;
            for (std::size_t a = 0; a < STENCIL; ++a) sum += w[a] * q[s + a];
            return sum;
        };
        xp[i] = lagrange(table.xp);
        yp[i] = lagrange(table.yp);
        dX[i] = lagrange(table.dX);
        dY[i] = lagrange(table.dY);
        DUT[i] = lagrange(table.ut1_tai) + tai_minus_utc_at(leap, u);
        if (has_lod) lod[i] = lagrange(table.lod);
        if (predicted) {
            for (std::size_t a = 0; a < STENCIL; ++a)
                predicted[i] = predicted[i] || table.predicted[s + a];
        }
    }
    return outside;
}

}  // namespace varn
