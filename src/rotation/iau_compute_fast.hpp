// GCRS to ITRS rotation of a batch of epochs, as pipeline/iau_compute.hpp
// computes it, with the costly quantities of TT alone interpolated from grids
// wherever the batch is dense in time: within 1e-12 of the exact computation
// and, on dense batches, tens of times faster.
//
// Self-contained: include this header and link the varn library (and ERFA).
#pragma once

#include <cstdint>

#include "time/leap_table.hpp"

namespace varn {

// Fill the eighteen output series of n epochs, as iau_compute does (same
// arguments, units, layout and NaN behaviour; see pipeline/iau_compute.hpp),
// interpolating where that pays.
//
// What is interpolated. Two groups of quantities depend on TT alone and vary
// slowly against the spacing of dense data:
//   - the CIP X, Y and the CIO locator s (IAU 2006/2000A), and the equation of
//     the origins EO = ERA - GST; no period shorter than a few days. Grid of
//     nodes every 1/2 day of TT, read with a 10-node Lagrange interpolant;
//   - the sums of the ocean-tide and libration terms of the pole x, y
//     (microarcseconds) and of UT1 (microseconds); diurnal and semidiurnal.
//     Grid of nodes every 1/16 day, read with a 10-node Lagrange interpolant.
// The nodes lie at TT MJD k * step for whole k, the same for every batch, and
// each is evaluated exactly as iau_compute evaluates an epoch. An epoch is read
// from the nodes centred on it. Everything else is evaluated for each epoch as
// in iau_compute: the time scales, t, the Delaunay and tidal arguments, GMST,
// s', the Earth rotation angle from the corrected UT1, and the matrices from
// the interpolated values. GST is ERA (uncorrected UT1) - EO, reduced to
// [0, 2 pi), as iau_compute forms it.
//
// Accuracy, for TT from 1900 to 2100: every element of rc2t, rc2i and rpom,
// and xp_rad, yp_rad, gst and era (modulo 2 pi) within 1e-12 of iau_compute
// (measured: 1.2e-13 at most in rc2t and era, where the rotation angle's own
// rounding shows, 4e-14 elsewhere); the seconds of ut1 within 1e-8 s
// (measured: 4.1e-10 s). gmst, utc, tai, t, tidal_args and the five Delaunay arguments are
// identical bit for bit, as are the day columns of ut1.
//
// Where it stays exact. A row is computed entirely as iau_compute computes it
// (identical bits) when its TT lies outside 1900 January 1 to 2100 January 1
// (MJD 15020 to 88069), which takes in NaN and out-of-calendar epochs, or when
// any of its inputs is NaN or infinite. For each grid the other rows are
// grouped into runs whose stencils overlap; a run is interpolated only when it
// holds at least 1.25 epochs per node it needs, and is otherwise computed
// exactly for that grid's quantities: a sparse batch costs no more than the
// exact computation. Which rows are interpolated, and every output bit,
// depend only on the batch's set of rows: not on their order, nor on the
// thread count.
//
//   threads  number of threads to use, the calling thread included; 0 or less
//            means one per hardware thread, as in iau_compute_parallel.
//   leap     the table of TAI - UTC, as in iau_compute.
//
// Works on scratch memory of 33 bytes per row plus the nodes; should
// that not be available, the whole batch is computed as iau_compute_parallel
// computes it. Worker threads only compute and take no lock; a thread that
// cannot be started leaves its work to the calling thread. n <= 0 returns at
// once and writes nothing. Reentrant.
void iau_compute_fast(std::int64_t n, const double* tt, const double* xp, const double* yp,
                      const double* dX, const double* dY, const double* DUT, double* rc2t,
                      double* rc2i, double* rpom, double* xp_rad, double* yp_rad, double* gmst,
                      double* gst, double* utc, double* ut1, double* tidal_args, double* t,
                      double* fa_l, double* fa_lp, double* fa_f, double* fa_d, double* fa_om,
                      double* tai, double* era, int threads,
                      const LeapTable& leap = builtin_leap());

}  // namespace varn
