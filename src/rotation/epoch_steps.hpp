// Internal to the library: the steps of one epoch that the exact and the fast
// computations share (rotation/iau_compute.hpp, rotation/iau_compute_fast.hpp).
// Not part of the public interface.
//
// The epoch's work splits into what depends on TT alone and changes slowly
// (the high-frequency terms, the CIP and CIO locator, the equation of the
// origins), which the fast computation may interpolate, and the rest, which
// write_row always evaluates in full.
#pragma once

#include <cstdint>
#include <vector>

#include "common/run_blocks.hpp"
#include "time/leap_table.hpp"

namespace varn::detail {

// The 24 arrays of a call and their row count, as in rotation/iau_compute.hpp.
struct Arrays {
    std::int64_t n;
    const double *tt, *xp, *yp, *dX, *dY, *DUT;
    double *rc2t, *rc2i, *rpom, *xp_rad, *yp_rad, *gmst, *gst, *utc, *ut1, *tidal_args, *t,
        *fa_l, *fa_lp, *fa_f, *fa_d, *fa_om, *tai, *era;
    const LeapTable* leap;  // TAI - UTC for the UTC and UT1 outputs
};

// TT of row i as an MJD: tt(i,2) / 86400 + tt(i,1).
double tt_mjd(const Arrays& a, std::int64_t i);

// The high-frequency terms at the TT MJD m, summed per quantity: ocean tides
// plus libration in the pole x and y (microarcseconds) and in UT1
// (microseconds).
struct HighFrequency {
    double x_uas, y_uas, ut1_us;
};
HighFrequency high_frequency(double m);

// CIP coordinates X, Y of the IAU 2006/2000A model (radians, before the
// celestial pole offsets) and the CIO locator s (radians) at the TT MJD m.
struct Cip {
    double x, y, s;
};
Cip cip(double m);

// Equation of the origins (radians) at the TT MJD m, formed as the apparent
// sidereal time of IAU 2006/2000A forms it: GST = ERA - EO, reduced to
// [0, 2 pi). With this value, gst_from_eo gives the bits of that sidereal
// time.
double equation_of_origins(double m);

// Every output of row i from its TT MJD m and the quantities of TT alone.
// eo: null for the apparent sidereal time evaluated in full; otherwise the
// equation of the origins from which it is formed.
void write_row(const Arrays& a, std::int64_t i, double m, const HighFrequency& hf, const Cip& c,
               const double* eo);

// The exact computation of every row, as iau_compute_parallel runs it.
void compute_exact(const Arrays& a, int threads);

// The rows of a batch in order of TT, NaN last and equal times by row, so
// that the order is total and repeatable. Computing the rows in this order
// saves up to half the time on unordered batches: the processor predicts the
// branches of the series' sines and cosines only when consecutive epochs lie
// close together in time. Throws std::bad_alloc when there is no memory for
// the list (16 bytes a row).
struct TimedRow {
    double m;  // TT MJD
    std::int64_t row;
};
std::vector<TimedRow> rows_in_time_order(const Arrays& a);

}  // namespace varn::detail
