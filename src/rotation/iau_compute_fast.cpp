// The fast computation: the quantities of TT alone from grids of exactly
// evaluated nodes, everything else per epoch by the exact steps.
//
// Why it pays. An epoch of iau_compute spends nine tenths of its time on
// two nutation series (the CIP X, Y with s, and again inside the apparent
// sidereal time) and most of the rest on the ocean-tide model. Those depend
// on TT alone and have no period shorter than a few days (the series) or
// about half a day (the high-frequency terms), so a few nodes per day carry
// them to far below a microarcsecond.
//
// How the grids were chosen. Errors of the interpolant against the exact
// values, largest over 1,000 random epochs of 1900-2100 (node step h in
// days, N nodes per stencil):
//   X, Y, s, EO  h = 1/2, N = 8:   X 9.4e-14, EO 2.2e-13 rad
//                h = 1/2, N = 10:  X 6.4e-15, EO 1.5e-14 rad     <- used
//                h = 1,   N = 14:  X 4.5e-13, EO 1.1e-12 rad
//   pole, UT1    h = 1/8,  N = 12: x 2.0 uas, UT1 0.094 us
//                h = 1/16, N = 8:  x 0.057 uas, UT1 0.0029 us
//                h = 1/16, N = 10: x 0.0073 uas, UT1 0.00037 us  <- used
//                h = 1/12, N = 14: x 0.0059 uas, UT1 0.00029 us
// 0.0073 uas is 3.5e-14 rad of pole; 0.00037 us of UT1 is 2.7e-14 rad of
// Earth rotation. Steps that are powers of two make every node an exact MJD
// and m * (nodes per day) exact, so an epoch that falls on a node takes the
// node's own bits.
#include "rotation/iau_compute_fast.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "rotation/epoch_steps.hpp"
#include "rotation/lagrange.hpp"

namespace varn {
namespace {

// TT MJD of 1900 January 1 and of 2100 January 1, 0h: the span over which the
// interpolants were measured against the exact values.
constexpr double MJD_1900 = 15020.0;
constexpr double MJD_2100 = 88069.0;

// The two grids: nodes per day of TT, nodes per stencil (even: as many on
// either side of the epoch's interval), and values per node.
constexpr double SLOW_NODES_PER_DAY = 2.0;  // X, Y, s, EO
constexpr int SLOW_ORDER = 10;
constexpr int SLOW_WIDTH = 4;
constexpr double HF_NODES_PER_DAY = 16.0;   // pole x, y and UT1 terms
constexpr int HF_ORDER = 10;
constexpr int HF_WIDTH = 3;
enum GridId { SLOW, HF };

// Rows per thread below which a thread costs more than it saves: an
// interpolated row costs about 1 us, starting a thread some 30 us. (A node
// costs 50 us for the series, 5 us for the high-frequency terms.)
constexpr std::int64_t MIN_ROWS_PER_THREAD = 256;

// The rows in time order, and for each (by its place in that order):
// whether it may be interpolated (TT in 1900-2100, every input finite), and
// per grid the index in the grid's node list of its stencil's first node, or
// -1 for the exact computation.
struct Plan {
    std::vector<detail::TimedRow> order;
    std::vector<char> interpolable;
    std::vector<std::int64_t> first[2];
};

// A grid: nodes at TT MJD k / NODES_PER_DAY for whole k, and the values of
// the nodes that dense runs of rows need.
template <int ORDER, int WIDTH>
struct Grid {
    static constexpr int LEAD = ORDER / 2 - 1;  // stencil nodes before the epoch's interval
    double nodes_per_day;
    std::vector<std::int64_t> node_k;  // the nodes to evaluate, run after run
    std::vector<double> values;        // WIDTH per node, in the order of node_k

    // First node of the stencil centred on the TT MJD m, which is positive
    // (1900-2100), so that truncation takes the floor.
    std::int64_t stencil_start(double m) const {
        return static_cast<std::int64_t>(m * nodes_per_day) - LEAD;
    }

    // Walks the rows in time order, groups the interpolable ones into runs
    // of overlapping stencils, and keeps the runs that hold at least 1.25
    // epochs per node: their nodes join node_k and their rows learn where
    // their stencil starts (plan.first[id]).
    void make_plan(Plan& plan, GridId id) {
        const std::vector<detail::TimedRow>& rows = plan.order;
        std::vector<std::int64_t>& first = plan.first[id];
        first.assign(rows.size(), -1);
        const std::size_t count = rows.size();
        std::size_t p = 0;
        while (p < count) {
            if (!plan.interpolable[p]) {
                ++p;
                continue;
            }
            const std::int64_t k_first = stencil_start(rows[p].m);
            std::int64_t k_last = k_first;
            std::int64_t epochs = 1;
            std::size_t q = p + 1;
            for (; q < count; ++q) {
                if (!plan.interpolable[q]) continue;
                const std::int64_t k = stencil_start(rows[q].m);
                if (k > k_last + (ORDER - 1)) break;
                k_last = k;
                ++epochs;
            }
            const std::int64_t nodes = k_last - k_first + ORDER;
            if (4 * epochs >= 5 * nodes) {
                const std::int64_t base = static_cast<std::int64_t>(node_k.size()) - k_first;
                for (std::int64_t k = k_first; k < k_first + nodes; ++k) node_k.push_back(k);
                for (std::size_t r = p; r < q; ++r) {
                    if (plan.interpolable[r]) first[r] = base + stencil_start(rows[r].m);
                }
            }
            p = q;
        }
        values.resize(node_k.size() * WIDTH);
    }

    // Runs eval(m, v) for every node of node_k: m its TT MJD, v its WIDTH
    // values; the nodes are shared out among the threads one by one.
    template <class Eval>
    void evaluate(int threads, Eval eval) {
        detail::run_blocks(static_cast<std::int64_t>(node_k.size()), threads, 1,
                           [this, &eval](std::int64_t begin, std::int64_t end) {
                               for (auto j = static_cast<std::size_t>(begin);
                                    j < static_cast<std::size_t>(end); ++j)
                                   eval(static_cast<double>(node_k[j]) / nodes_per_day,
                                        &values[j * WIDTH]);
                           });
    }

    // The WIDTH values at the TT MJD m from the stencil starting at node
    // index `first` of node_k. The epoch's place in node steps from the
    // stencil's first node is exact: a difference of two numbers within a
    // factor of two of each other.
    void interpolate(double m, std::int64_t first, double out[WIDTH]) const {
        const double x = m * nodes_per_day - static_cast<double>(stencil_start(m));
        detail::lagrange_interpolate<ORDER, WIDTH>(
            x, &values[static_cast<std::size_t>(first) * WIDTH], out);
    }
};

using SlowGrid = Grid<SLOW_ORDER, SLOW_WIDTH>;
using HfGrid = Grid<HF_ORDER, HF_WIDTH>;

bool finite_inputs(const detail::Arrays& a, std::int64_t i) {
    return std::isfinite(a.xp[i]) && std::isfinite(a.yp[i]) && std::isfinite(a.dX[i]) &&
           std::isfinite(a.dY[i]) && std::isfinite(a.DUT[i]);
}

void compute_fast(const detail::Arrays& a, int threads) {
    Plan plan;
    plan.order = detail::rows_in_time_order(a);
    plan.interpolable.resize(plan.order.size());
    for (std::size_t p = 0; p < plan.order.size(); ++p) {
        const double m = plan.order[p].m;
        const bool in_span = m >= MJD_1900 && m < MJD_2100;  // false for NaN
        plan.interpolable[p] = in_span && finite_inputs(a, plan.order[p].row);
    }
    SlowGrid slow{SLOW_NODES_PER_DAY, {}, {}};
    HfGrid hf{HF_NODES_PER_DAY, {}, {}};
    slow.make_plan(plan, SLOW);
    hf.make_plan(plan, HF);

    // The nodes, each as iau_compute evaluates an epoch at its time.
    slow.evaluate(threads, [](double m, double* v) {
        const detail::Cip c = detail::cip(m);
        v[0] = c.x;
        v[1] = c.y;
        v[2] = c.s;
        v[3] = detail::equation_of_origins(m);
    });
    hf.evaluate(threads, [](double m, double* v) {
        const detail::HighFrequency h = detail::high_frequency(m);
        v[0] = h.x_uas;
        v[1] = h.y_uas;
        v[2] = h.ut1_us;
    });

    // The rows, in time order: neighbouring epochs take the same branches
    // through whatever series are still evaluated in full.
    detail::run_blocks(
        a.n, threads, MIN_ROWS_PER_THREAD, [&](std::int64_t begin, std::int64_t end) {
            for (auto p = static_cast<std::size_t>(begin); p < static_cast<std::size_t>(end); ++p) {
                const double m = plan.order[p].m;
                const std::int64_t i = plan.order[p].row;
                detail::HighFrequency h;
                if (plan.first[HF][p] >= 0) {
                    double v[HF_WIDTH];
                    hf.interpolate(m, plan.first[HF][p], v);
                    h = {v[0], v[1], v[2]};
                } else {
                    h = detail::high_frequency(m);
                }
                if (plan.first[SLOW][p] >= 0) {
                    double v[SLOW_WIDTH];
                    slow.interpolate(m, plan.first[SLOW][p], v);
                    detail::write_row(a, i, m, h, {v[0], v[1], v[2]}, &v[3]);
                } else {
                    detail::write_row(a, i, m, h, detail::cip(m), nullptr);
                }
            }
        });
}

}  // namespace

void iau_compute_fast(std::int64_t n, const double* tt, const double* xp, const double* yp,
                      const double* dX, const double* dY, const double* DUT, double* rc2t,
                      double* rc2i, double* rpom, double* xp_rad, double* yp_rad, double* gmst,
                      double* gst, double* utc, double* ut1, double* tidal_args, double* t,
                      double* fa_l, double* fa_lp, double* fa_f, double* fa_d, double* fa_om,
                      double* tai, double* era, int threads, const LeapTable& leap) {
    if (n <= 0) return;
    const detail::Arrays a{n,    tt,     xp,     yp,   dX,  dY,  DUT, rc2t,       rc2i,
                           rpom, xp_rad, yp_rad, gmst, gst, utc, ut1, tidal_args, t,
                           fa_l, fa_lp,  fa_f,   fa_d, fa_om, tai, era, &leap};
    try {
        compute_fast(a, threads);
    } catch (const std::bad_alloc&) {
        detail::compute_exact(a, threads);  // no scratch memory: every row exactly
    }
}

}  // namespace varn
