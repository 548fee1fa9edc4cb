// Fundamental arguments of lunisolar nutation and the argument vector shared by
// the two libration models (subdiurnal polar motion and UT1).
#pragma once

#include <cmath>

#include "common/constants.hpp"

namespace varn {

// DAS2R (radians per arcsecond), DPI and D2PI are those of
// common/constants.hpp.

// Remainder of x / 2 pi with the sign of x: the same value, to the bit, as
// std::fmod(x, D2PI), in about a third of its time for the angles of the
// tidal and libration series.
//
// Why it is exact: for |x| < 2^40 the truncated quotient q is an integer
// well inside double precision, and fma forms x - q * D2PI with one rounding
// of the exact value; when q is the true quotient that value is the
// remainder, which is always representable, so the rounding is exact. When
// x / D2PI rounds across an integer, q is one off and the first result falls
// outside (-2 pi, 2 pi) on the wrong side: q is corrected and the remainder
// formed again. Zero results take the sign of x, as fmod gives them. NaN,
// infinities, zeros and |x| >= 2^40 go to std::fmod itself.
inline double rem_2pi(double x) {
    constexpr double LIMIT = 1099511627776.0;  // 2^40
    if (!(std::fabs(x) < LIMIT) || x == 0.0) return std::fmod(x, D2PI);
    const double q = std::trunc(x / D2PI);
    double r = std::fma(-q, D2PI, x);
    if (x > 0.0) {
        if (r < 0.0) {
            r = std::fma(-(q - 1.0), D2PI, x);
        } else if (r >= D2PI) {
            r = std::fma(-(q + 1.0), D2PI, x);
        }
    } else {
        if (r > 0.0) {
            r = std::fma(-(q + 1.0), D2PI, x);
        } else if (r <= -D2PI) {
            r = std::fma(-(q - 1.0), D2PI, x);
        }
    }
    return r == 0.0 ? std::copysign(0.0, x) : r;
}

// Delaunay arguments l, l', F, D, Omega (radians) at T Julian centuries of TT
// since J2000.0, IERS Conventions (2010) eq. 5.43.
//
//   t_jc   TT Julian centuries since J2000.0 (MJD 51544.5)
//   l      mean anomaly of the Moon
//   lp     mean anomaly of the Sun
//   f      mean longitude of the Moon minus that of its node
//   d      mean elongation of the Moon from the Sun
//   om     mean longitude of the Moon's ascending node
//
// Each polynomial is reduced by a truncating remainder modulo one turn, so a
// result lies in (-2 pi, 2 pi) with the sign of its polynomial and is never
// shifted into [0, 2 pi). NaN or infinite t_jc gives NaN results.
// The constant terms of l' and D are those of the Conventions' libration
// routines (1287104.79305", 1072260.70369"), not the rounder ones of the
// IERS 2003 per-argument functions.
void fundarg(double t_jc, double& l, double& lp, double& f, double& d, double& om);

// Argument vector of the libration models at a TT epoch.
//
//   rmjd   epoch, TT Modified Julian Date (days with fraction)
//   arg    out: gamma = GMST + pi, l, l', F, D, Omega (radians), in that order
//   t_jc   out: TT Julian centuries since J2000.0 the vector was formed from
//
// GMST here is the libration models' own polynomial in TT (IERS Conventions
// (2010) ch. 5.5.1), independent of UT1; gamma lies in (-2 pi, 2 pi).
void libration_args(double rmjd, double arg[6], double& t_jc);

// Angle of one libration term: the sum of the six multipliers times the six
// arguments, in argument order, reduced by a truncating remainder modulo 2 pi.
// Returns the angle and its sine and cosine.
//
//   arg    argument vector from libration_args (radians)
//   mult   six integer multipliers of gamma, l, l', F, D, Omega
//   sin_theta, cos_theta  out: sine and cosine of the term angle
// Returns the term angle (radians), in (-2 pi, 2 pi).
double term_angle(const double arg[6], const int mult[6], double& sin_theta,
                  double& cos_theta);

}  // namespace varn
