// Internal to the library: the steps of one epoch that the exact and the fast
// computations share (pipeline/iau_compute.hpp, pipeline/iau_compute_fast.hpp),
// and the sharing of rows among threads. Not part of the public interface.
//
// The epoch's work splits into what depends on TT alone and changes slowly
// (the high-frequency terms, the CIP and CIO locator, the equation of the
// origins), which the fast computation may interpolate, and the rest, which
// write_row always evaluates in full.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <thread>
#include <vector>

#include "time/leap_table.hpp"

namespace varn::detail {

// The 24 arrays of a call and their row count, as in pipeline/iau_compute.hpp.
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

// Runs work(begin, end) over contiguous blocks that cover [0, count) (once,
// on an empty range, for count <= 0), on up to `threads` threads (0 or
// less: one per hardware thread), the calling thread included, each with at
// least min_per_thread items. A block whose thread cannot be started runs
// on the calling thread. Returns, when every block is done, the number of
// blocks.
template <class Work>
std::int64_t run_blocks(std::int64_t count, int threads, std::int64_t min_per_thread, Work work) {
    constexpr int MAX_THREADS = 256;
    const std::int64_t wanted =
        threads > 0 ? threads : static_cast<std::int64_t>(std::thread::hardware_concurrency());
    const std::int64_t workers = std::max<std::int64_t>(
        1, std::min<std::int64_t>({wanted, MAX_THREADS, count / min_per_thread}));
    // Blocks of near-equal size; block 0 runs on the calling thread.
    std::array<std::thread, MAX_THREADS> pool;
    const std::int64_t base = count / workers;
    const std::int64_t extra = count % workers;
    auto bound = [=](std::int64_t b) { return b * base + std::min(b, extra); };
    for (std::int64_t b = 1; b < workers; ++b) {
        try {
            pool[static_cast<std::size_t>(b)] = std::thread(work, bound(b), bound(b + 1));
        } catch (...) {
            work(bound(b), bound(b + 1));
        }
    }
    work(std::int64_t{0}, bound(1));
    for (std::thread& th : pool) {
        if (th.joinable()) th.join();
    }
    return workers;
}

}  // namespace varn::detail
