// The bare ERFA work of one epoch: the calls the pipeline makes, with the
// arguments it gives them (CIP X, Y and the CIO locator, the
// celestial-to-intermediate matrix, polar motion, the rotation angle and the
// product of the matrices, the sidereal times and the fundamental
// arguments). Whatever the implementation, an epoch costs at least this; the
// benchmarks measure the pipeline against it.
#pragma once

#include <cmath>

#include <erfa.h>

#include "time/time_scales.hpp"

namespace varn_bench {

// Runs the floor for the TT epoch m (MJD) and returns a sum of its results,
// so that no call can be optimised away.
inline double erfa_floor_epoch(double m) {
    const double djm0 = varn::DJMJD0;
    const double t = (m - 51544.5) / 36525.0;
    double x, y, rc2i[3][3], rpom[3][3], r[3][3], rc2t[3][3];
    eraXy06(djm0, m, &x, &y);
    const double s = eraS06(djm0, m, x, y);
    eraC2ixys(x, y, s, rc2i);
    eraPom00(1e-6, 2e-6, eraSp00(djm0, m), rpom);
    const double era = eraEra00(djm0 + std::floor(m), m - std::floor(m));
    eraCr(rc2i, r);
    eraRz(era, r);
    eraRxr(rpom, r, rc2t);
    return rc2t[0][0] + eraGmst06(djm0, m, djm0, m) + eraGst06a(djm0, m, djm0, m) +
           eraFal03(t) + eraFalp03(t) + eraFaf03(t) + eraFad03(t) + eraFaom03(t) +
           eraFame03(t) + eraFave03(t) + eraFama03(t) + eraFaju03(t) + eraFasa03(t);
}

}  // namespace varn_bench
