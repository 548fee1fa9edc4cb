// Pipeline tests: a batch of input rows and the outputs of one run.
#pragma once

#include <array>

#include "rotation/iau_compute.hpp"
#include "rotation/iau_compute_fast.hpp"
#include "test_util.hpp"

namespace varn_test {

// Columns of each output, in argument order.
constexpr std::array<int, 18> OUT_COLS = {9, 9, 9, 1, 1, 1, 1, 2, 2, 11, 1, 1, 1, 1, 1, 1, 2, 1};
enum Out { RC2T, RC2I, RPOM, XP_RAD, YP_RAD, GMST, GST, UTC, UT1, TIDAL, T, FA_L, FA_LP, FA_F,
           FA_D, FA_OM, TAI, ERA };

// Input rows as columns: TT day, TT seconds, xp, yp, dX, dY, UT1 - UTC.
struct Batch {
    std::array<std::vector<double>, 7> c;
    std::int64_t n() const { return static_cast<std::int64_t>(c[0].size()); }
    void add(const std::array<double, 7>& r) { for (int k = 0; k < 7; ++k) c[k].push_back(r[k]); }
    // TT as one MJD, split into day and seconds, and the other five inputs.
    void add_mjd(double mjd, const std::array<double, 5>& x) {
        add({std::floor(mjd), (mjd - std::floor(mjd)) * 86400.0, x[0], x[1], x[2], x[3], x[4]});
    }
};

struct Series {
    std::int64_t n;
    std::array<std::vector<double>, 18> a;
    double at(int out, std::int64_t row, int col = 0) const { return a[out][col * n + row]; }
    void matrix(int out, std::int64_t i, double r[3][3]) const {
        for (int k = 0; k < 9; ++k) r[k % 3][k / 3] = at(out, i, k);
    }
    // Row i bitwise that of row j of s, in output k or, for k < 0, in all.
    bool same(const Series& s, std::int64_t i, std::int64_t j, int k = -1) const {
        for (int o = std::max(k, 0); o < (k < 0 ? 18 : k + 1); ++o)
            for (int c = 0; c < OUT_COLS[o]; ++c)
                if (!same_bits(at(o, i, c), s.at(o, j, c))) return false;
        return true;
    }
};

// threads < 0: serial exact, else threaded exact or fast; outputs start at a sentinel.
inline Series run(const Batch& b, int threads = -1, bool fast = false,
                  const varn::LeapTable& leap = varn::builtin_leap()) {
    const std::int64_t n = b.n();
    Series s{n, {}};
    double* o[18];
    for (int k = 0; k < 18; ++k) o[k] = (s.a[k].assign(n * OUT_COLS[k], -12345.0), s.a[k].data());
    std::vector<double> tt(b.c[0]);
    tt.insert(tt.end(), b.c[1].begin(), b.c[1].end());
    const auto& c = b.c;
    auto call = [&](auto f, auto... threads_arg) {
        f(n, tt.data(), c[2].data(), c[3].data(), c[4].data(), c[5].data(), c[6].data(), o[0],
          o[1], o[2], o[3], o[4], o[5], o[6], o[7], o[8], o[9], o[10], o[11], o[12], o[13], o[14],
          o[15], o[16], o[17], threads_arg...);
    };
    threads < 0 ? call(varn::iau_compute, leap)
                : call(fast ? varn::iau_compute_fast : varn::iau_compute_parallel, threads, leap);
    return s;
}

// Rows on which two runs differ in any bit of output k or, for k < 0, of any.
inline std::int64_t rows_differing(const Series& x, const Series& y, int k = -1) {
    std::int64_t count = 0;
    for (std::int64_t i = 0; i < x.n; ++i) count += !x.same(y, i, i, k);
    return count;
}

}  // namespace varn_test
