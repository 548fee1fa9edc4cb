// GCRS to ITRS rotation of a batch of epochs by the IAU 2006/2000A CIO-based
// procedure, with the IERS Conventions (2010) high-frequency terms (diurnal
// and semidiurnal ocean tides, subdiurnal libration) added to the pole
// coordinates and UT1, and every intermediate quantity returned.
//
// Self-contained: include this header and link the varn library (and ERFA).
#pragma once

#include <cstdint>

#include "time/leap_table.hpp"

namespace varn {

// Fill the eighteen output series of n epochs.
//
// Every array is column-major with n rows: element (row i, column c), both
// from 0, stands at [c * n + i]. The caller allocates every array; inputs are
// only read, outputs only written. n <= 0 returns at once and writes nothing.
//
// Inputs:
//   tt    n x 2  Terrestrial Time: MJD (column 1) plus seconds (column 2);
//                the epoch is column 1 + column 2 / 86400 and neither column
//                need be normalised
//   xp    n x 1  pole x, arcseconds, without the high-frequency terms
//   yp    n x 1  pole y, arcseconds, without the high-frequency terms
//   dX    n x 1  celestial pole offset added to the model X, arcseconds
//   dY    n x 1  celestial pole offset added to the model Y, arcseconds
//   DUT   n x 1  UT1 - UTC, seconds, without the high-frequency terms
//
// Outputs (3 x 3 matrices flattened column-major: columns 1-3 hold the
// matrix's first column, 4-6 its second, 7-9 its third):
//   rc2t        n x 9   celestial-to-terrestrial matrix, GCRS to ITRS
//   rc2i        n x 9   celestial-to-intermediate matrix, GCRS to CIRS
//   rpom        n x 9   polar-motion matrix, TIRS to ITRS
//   xp_rad      n x 1   pole x with ocean-tide and libration terms, radians
//   yp_rad      n x 1   pole y with ocean-tide and libration terms, radians
//   gmst        n x 1   Greenwich mean sidereal time (IAU 2006), radians
//   gst         n x 1   Greenwich apparent sidereal time (IAU 2006/2000A), rad
//   utc         n x 2   UTC: whole MJD, seconds into that day (on a day that
//                       ends in a leap second, fraction of the day * 86400)
//   ut1         n x 2   UT1: whole MJD, seconds (the seconds carry the
//                       ocean-tide and libration terms and are not brought
//                       back into [0, 86400))
//   tidal_args  n x 11  tau, s, h, p, N', p_s (Doodson arguments), then mean
//                       longitudes of Mercury, Venus, Mars, Jupiter, Saturn;
//                       radians, not reduced to [0, 2 pi)
//   t           n x 1   TT Julian centuries since J2000.0
//   fa_l        n x 1   mean anomaly of the Moon, radians
//   fa_lp       n x 1   mean anomaly of the Sun, radians
//   fa_f        n x 1   F = L - Omega, radians
//   fa_d        n x 1   mean elongation of the Moon from the Sun, radians
//   fa_om       n x 1   mean longitude of the Moon's ascending node, radians
//   tai         n x 2   TAI: whole MJD, seconds into that day
//   era         n x 1   Earth rotation angle from the corrected UT1, radians
//
// A row whose inputs are NaN or infinite gets NaN in the outputs that depend
// on them; a row whose date lies outside the calendar (before the year -4799,
// or beyond Julian Date 1e9) gets NaN in utc, ut1, gmst, gst, era, rc2t and
// tidal_args column 1. Other rows are not affected.
//
// leap: the table of TAI - UTC for utc and ut1 (pipeline/leap_table.hpp),
// the built-in one when not given. TAI - UTC is 0 before 1960; after the
// table's last step it keeps the last value, also past its expiry date.
// Runs in the calling thread. Reentrant.
void iau_compute(std::int64_t n, const double* tt, const double* xp, const double* yp,
                 const double* dX, const double* dY, const double* DUT, double* rc2t,
                 double* rc2i, double* rpom, double* xp_rad, double* yp_rad, double* gmst,
                 double* gst, double* utc, double* ut1, double* tidal_args, double* t,
                 double* fa_l, double* fa_lp, double* fa_f, double* fa_d, double* fa_om,
                 double* tai, double* era, const LeapTable& leap = builtin_leap());

// The same computation with the rows taken in order of TT and split into
// contiguous blocks of that order evaluated on worker threads; each row's
// results go to its own row. Every output bit equals that of iau_compute for
// every n, row order and thread count: rows are independent and each row is
// computed by the same code in the same order. Time order makes unordered
// batches (shuffled, or merged from several series) as fast as sorted ones,
// up to twice as fast as in the given order (see bench/); without memory for
// the order (16 bytes a row) the rows run in the given order.
//
//   threads  number of threads to use, the calling thread included; 0 or
//            less means one per hardware thread. Batches too small to repay
//            the start of a thread stay on the calling thread.
//   leap     the table of TAI - UTC, as in iau_compute.
//
// Worker threads only compute: they call nothing of the host and take no
// lock. If a thread cannot be started, its rows run on the calling thread.
// Returns when every row is written.
void iau_compute_parallel(std::int64_t n, const double* tt, const double* xp, const double* yp,
                          const double* dX, const double* dY, const double* DUT, double* rc2t,
                          double* rc2i, double* rpom, double* xp_rad, double* yp_rad,
                          double* gmst, double* gst, double* utc, double* ut1,
                          double* tidal_args, double* t, double* fa_l, double* fa_lp,
                          double* fa_f, double* fa_d, double* fa_om, double* tai, double* era,
                          int threads, const LeapTable& leap = builtin_leap());

}  // namespace varn
