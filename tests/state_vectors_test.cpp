// State vectors: the rule against ERFA's own products, rc2t's numerical
// derivative, round trips, a point fixed on the Earth, layouts and misuse.
#include <erfa.h>

#include "batch_util.hpp"
#include "pipeline/state_vectors.hpp"

using namespace varn_test;

namespace {

constexpr double EPS = 2.220446049250313e-16, W = varn::EARTH_RATE_RAD_S;

// Matrices of a batch and n states: r, v, a (n x 3 each, column-major).
struct States {
    Series s;
    std::array<std::vector<double>, 3> x;
    void get(int k, std::int64_t i, double u[3]) const {
        for (int c = 0; c < 3; ++c) u[c] = x[k][c * s.n + i];
    }
    const double* m(int out) const { return s.a[out].data(); }
};

// One state per row of s: a 500 km orbit's scale (m, m/s, m/s^2), varied by row.
States states_for(Series s) {
    States st{std::move(s), {}};
    Rng u{77};
    for (int k = 0; k < 3; ++k)
        for (std::int64_t i = 0; i < 3 * st.s.n; ++i)
            st.x[k].push_back((2.0 * u() - 1.0) * (k == 0 ? 6.9e6 : k == 1 ? 7.6e3 : 8.4));
    return st;
}

// transform of every row of st (lod per row, or null) into fresh n x 3 arrays.
std::array<std::vector<double>, 3> apply(bool to_itrs, const States& st, const double* lod) {
    std::array<std::vector<double>, 3> out;
    for (auto& o : out) o.assign(3 * st.s.n, -1.0);
    auto f = to_itrs ? varn::gcrs_to_itrs : varn::itrs_to_gcrs;
    EXPECT_TRUE(f(st.s.n, st.m(RC2T), st.m(RPOM), st.x[0].data(), st.x[1].data(), st.x[2].data(),
                  lod, out[0].data(), out[1].data(), out[2].data(), 2));
    return out;
}

double norm(const double u[3]) { return eraPm(const_cast<double*>(u)); }

// 5-point central derivatives (first, second) of rc2t(t) x, or rc2t(t)^T x, at the middle
// of five rows of s spaced by h seconds.
void derivatives(const Series& s, std::int64_t row0, double h, const double x[3], bool transpose,
                 double d1[3], double d2[3]) {
    double y[5][3];
    for (int k = 0; k < 5; ++k) {
        double m[3][3];
        s.matrix(RC2T, row0 + k, m);
        transpose ? eraTrxp(m, const_cast<double*>(x), y[k]) : eraRxp(m, const_cast<double*>(x), y[k]);
    }
    for (int c = 0; c < 3; ++c) {
        d1[c] = (y[0][c] - 8.0 * y[1][c] + 8.0 * y[3][c] - y[4][c]) / (12.0 * h);
        d2[c] = (-y[0][c] + 16.0 * y[1][c] - 30.0 * y[2][c] + 16.0 * y[3][c] - y[4][c]) / (12.0 * h * h);
    }
}

}  // namespace

// 2007 April 5, 12h UTC with its published EOP and a low-orbit state: both directions
// against the rule evaluated with ERFA's products in another association (W^T (rc2t x)
// instead of (W^T rc2t) x); 16 eps of each term's scale, lod 0 and 2 ms.
TEST(StateVectors, PublishedEpochAgainstErfaProducts) {
    Batch b;
    for (int k = 0; k < 2; ++k)
        b.add({54195.0, 43200.0 + 33.0 + 32.184, 0.0349282, 0.4833163, 0.1750e-3, -0.2259e-3,
               -0.072073685});
    States st{run(b), {}};
    const double x[3][3] = {{-1.2371e6, 6.0893e6, 2.9844e6},       // r, m (|r| = 6878 km)
                            {-5.2713e3, 1.4105e3, -5.0633e3},      // v, m/s
                            {1.6012, -7.8818, -3.8628}};           // a, m/s^2 (gravity)
    for (int k = 0; k < 3; ++k) st.x[k] = {x[k][0], x[k][0], x[k][1], x[k][1], x[k][2], x[k][2]};
    const double lod[2] = {0.0, 2e-3};
    for (bool to_itrs : {true, false}) {
        const auto out = apply(to_itrs, st, lod);
        for (int i = 0; i < 2; ++i) {
            double c2t[3][3], w[3][3], u[3][3], rp[3], vp[3], ap[3], t[3], wr[3], wv[3], wwr[3];
            double omega[3] = {0.0, 0.0, W * (1.0 - lod[i] / 86400.0)};
            st.s.matrix(RC2T, i, c2t), st.s.matrix(RPOM, i, w);
            for (int k = 0; k < 3; ++k) st.get(k, i, u[k]);
            double want[3][3];
            if (to_itrs) {  // primed: TIRS
                eraRxp(c2t, u[0], t), eraTrxp(w, t, rp);
                eraRxp(c2t, u[1], t), eraTrxp(w, t, vp), eraPxp(omega, rp, wr), eraPmp(vp, wr, vp);
                eraRxp(c2t, u[2], t), eraTrxp(w, t, ap), eraPxp(omega, vp, wv), eraPxp(omega, wr, wwr);
                eraPpsp(ap, -2.0, wv, ap), eraPmp(ap, wwr, ap);
                eraRxp(w, rp, want[0]), eraRxp(w, vp, want[1]), eraRxp(w, ap, want[2]);
            } else {
                eraTrxp(w, u[0], rp), eraTrxp(w, u[1], vp), eraTrxp(w, u[2], ap);
                eraPxp(omega, rp, wr), eraPxp(omega, vp, wv), eraPxp(omega, wr, wwr);
                eraPpp(vp, wr, t), eraRxp(w, t, t), eraTrxp(c2t, t, want[1]);
                eraPpsp(ap, 2.0, wv, t), eraPpp(t, wwr, t), eraRxp(w, t, t), eraTrxp(c2t, t, want[2]);
                eraRxp(w, rp, t), eraTrxp(c2t, t, want[0]);
            }
            const double scale[3] = {norm(u[0]), norm(u[1]) + W * norm(u[0]),
                                     norm(u[2]) + 2 * W * norm(u[1]) + W * W * norm(u[0])};
            for (int k = 0; k < 3; ++k)
                for (int c = 0; c < 3; ++c)
                    EXPECT_TRUE(near("state", want[k][c], out[k][c * 2 + i], 16 * EPS * scale[k]))
                        << to_itrs << " lod " << lod[i] << " vector " << k << " component " << c;
        }
    }
}

// A point at rest in GCRS seen from ITRS, and one at rest in ITRS seen from GCRS: velocity
// and acceleration against the derivatives of rc2t (TT 1900-2100, fixed EOP) within the
// documented 1e-11 |r| /s and 3e-15 |r| /s^2 (rates of W and Q left out). Steps of 60 s and
// 600 s: rc2t resolves TT to 0.6 us (one double MJD), 5e-11 rad of rotation.
TEST(StateVectors, RatesWithinBoundOfRc2tDerivative) {
    constexpr int EPOCHS = 120;
    constexpr double H[2] = {60.0, 600.0};
    Batch b;
    Rng u{5};
    for (int e = 0; e < EPOCHS; ++e) {
        const double day = std::floor(15020.0 + (88069.0 - 15020.0) * (e + u()) / EPOCHS);
        for (int k = -2; k <= 7; ++k)
            b.add({day, 0.37 * 86400.0 + (k < 3 ? k * H[0] : (k - 5) * H[1]), 0.12, 0.38, 2e-4,
                   -1e-4, -0.3});
    }
    const Series s = run(b, 2);
    double worst_v = 0.0, worst_a = 0.0;
    for (bool to_itrs : {true, false}) {
        for (int e = 0; e < EPOCHS; ++e) {
            const double x[3] = {4.2e6 * (u() - 0.5), 4.2e6 * (u() - 0.5), 4.2e6 * (u() - 0.5)};
            double d1[3], d2[3], unused[3], rates[2][3], zero[3] = {0, 0, 0}, r_out[3];
            derivatives(s, 10 * e, H[0], x, !to_itrs, d1, unused);
            derivatives(s, 10 * e + 5, H[1], x, !to_itrs, unused, d2);
            double c2t[9], pom[9];  // the middle row alone
            for (int k = 0; k < 9; ++k)
                c2t[k] = s.at(RC2T, 10 * e + 2, k), pom[k] = s.at(RPOM, 10 * e + 2, k);
            auto f = to_itrs ? varn::gcrs_to_itrs : varn::itrs_to_gcrs;
            ASSERT_TRUE(f(1, c2t, pom, x, zero, zero, nullptr, r_out, rates[0], rates[1], 1));
            for (int c = 0; c < 3; ++c) {
                worst_v = std::max(worst_v, std::fabs(rates[0][c] - d1[c]) / norm(x));
                worst_a = std::max(worst_a, std::fabs(rates[1][c] - d2[c]) / norm(x));
            }
        }
    }
    EXPECT_LE(worst_v, 1e-11);
    EXPECT_LE(worst_a, 3e-15);
    EXPECT_GE(worst_v, 1e-13);  // the neglected rates are really there: the check can see them
}

// Round trips both ways to 8 eps of each term's scale over 300 epochs 1950-2060, lod per
// row; a point fixed on the Earth moves in GCRS at w_GCRS x r, w_GCRS = omega times the CIP
// (row 3 of rc2i), and accelerates at w x (w x r).
TEST(StateVectors, RoundTripsAndPointFixedOnEarth) {
    Batch b;
    Rng u{11};
    for (int i = 0; i < 300; ++i)
        b.add_mjd(33282.0 + 40177.0 * u(), {0.5 * u() - 0.1, 0.6 * u(), 3e-4 * u(), -3e-4 * u(), u() - 0.5});
    States st = states_for(run(b));
    std::vector<double> lod(300);
    for (double& l : lod) l = 4e-3 * u() - 1e-3;
    for (bool to_itrs : {true, false}) {
        States there = st;
        there.x = apply(to_itrs, st, lod.data());
        const auto back = apply(!to_itrs, there, lod.data());
        for (std::int64_t i = 0; i < 300; ++i) {
            double x[3][3];
            for (int k = 0; k < 3; ++k) st.get(k, i, x[k]);
            const double scale[3] = {norm(x[0]), norm(x[1]) + W * norm(x[0]),
                                     norm(x[2]) + 2 * W * norm(x[1]) + W * W * norm(x[0])};
            for (int k = 0; k < 3; ++k)
                for (int c = 0; c < 3; ++c)
                    ASSERT_TRUE(near("round trip", x[k][c], back[k][c * 300 + i], 8 * EPS * scale[k]))
                        << to_itrs << " row " << i << " vector " << k;
        }
    }
    States fixed = st;
    for (std::int64_t i = 0; i < 900; ++i) fixed.x[1][i] = fixed.x[2][i] = 0.0;
    const auto gcrs = apply(false, fixed, lod.data());
    for (std::int64_t i = 0; i < 300; ++i) {
        double c2i[3][3], r[3], w[3], wr[3], wwr[3];
        fixed.s.matrix(RC2I, i, c2i);
        eraSxp(W * (1.0 - lod[i] / 86400.0), c2i[2], w);
        for (int c = 0; c < 3; ++c) r[c] = gcrs[0][c * 300 + i];
        eraPxp(w, r, wr), eraPxp(w, wr, wwr);
        for (int c = 0; c < 3; ++c) {
            ASSERT_TRUE(near("v = w x r", wr[c], gcrs[1][c * 300 + i], 16 * EPS * W * norm(r))) << i;
            ASSERT_TRUE(near("a = w x (w x r)", wwr[c], gcrs[2][c * 300 + i], 16 * EPS * W * W * norm(r))) << i;
        }
    }
}

// Numpy layouts ((n,3,3) matrices by rows, (n,3) vectors), a scalar lod (stride 0), any thread
// count and in place give the bits of the column-major call; a NaN stays in its row.
TEST(StateVectors, LayoutsThreadsInPlaceAndNaNRows) {
    const std::int64_t n = 3 * 32768 + 5;  // more than one block a thread
    Batch few;  // 200 epochs, repeated down the batch
    for (int i = 0; i < 200; ++i) few.add_mjd(58849.0 + i * 0.01, {0.1, 0.3, 1e-4, -1e-4, -0.2});
    const Series s200 = run(few);
    Series big{n, {}};
    for (int o : {RC2T, RPOM})
        for (int k = 0; k < 9; ++k)
            for (std::int64_t i = 0; i < n; ++i) big.a[o].push_back(s200.at(o, i % 200, k));
    States st = states_for(big);
    st.x[0][7] = NaN;  // row 7, x of r
    const std::vector<double> lods(n, 1.25e-3);
    for (bool to_itrs : {true, false}) {
        const auto want = apply(to_itrs, st, lods.data());
        std::vector<double> rm[2], rv[3], out[3];
        for (int o = 0; o < 2; ++o)
            for (std::int64_t i = 0; i < n; ++i)
                for (int k = 0; k < 9; ++k) rm[o].push_back(st.s.at(o ? RPOM : RC2T, i, (k % 3) * 3 + k / 3));
        for (int v = 0; v < 3; ++v) {
            for (std::int64_t i = 0; i < n; ++i)
                for (int c = 0; c < 3; ++c) rv[v].push_back(st.x[v][c * n + i]);
            out[v] = rv[v];
        }
        const double lod = 1.25e-3;
        for (int threads : {1, 3}) {
            ASSERT_TRUE(varn::transform_states(
                to_itrs, n, {rm[0].data(), 9, 3, 1}, {rm[1].data(), 9, 3, 1}, {out[0].data(), 3, 1},
                {out[1].data(), 3, 1}, {out[2].data(), 3, 1}, {&lod, 0}, {out[0].data(), 3, 1},
                {out[1].data(), 3, 1}, {out[2].data(), 3, 1}, threads));
            for (int v = 0; v < 3; ++v) {
                std::int64_t differ = 0;
                for (std::int64_t i = 0; i < n; ++i)
                    for (int c = 0; c < 3; ++c) differ += !same_bits(want[v][c * n + i], out[v][3 * i + c]);
                EXPECT_EQ(differ, 0) << "vector " << v << " threads " << threads;
                out[v] = rv[v];
            }
        }
        for (int v = 0; v < 3; ++v)
            for (int c = 0; c < 3; ++c)
                EXPECT_TRUE(std::isnan(want[v][c * n + 7]) && !std::isnan(want[v][c * n + 6]) &&
                            !std::isnan(want[v][c * n + 8])) << v << " " << c;
    }
}

// An output whose inputs are absent: false and nothing written; n <= 0 writes nothing.
TEST(StateVectors, MissingInputsWriteNothing) {
    double m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, x[3] = {1, 2, 3}, o[3][3];
    const double* none = nullptr;
    struct Case { const double *r, *v, *a; bool v_out, a_out, ok; std::int64_t n; };
    const Case cases[] = {{x, none, none, true, false, false, 1}, {x, x, none, false, true, false, 1},
                          {x, none, x, false, true, false, 1},    {none, x, x, false, false, false, 1},
                          {x, x, x, true, true, true, 0},         {x, x, x, true, true, true, -2},
                          {x, none, none, false, false, true, 1}, {x, x, x, false, true, true, 1}};
    for (bool to_itrs : {true, false}) {
        for (const Case& c : cases) {
            for (auto& row : o) std::fill(row, row + 3, 9.0);
            auto f = to_itrs ? varn::gcrs_to_itrs : varn::itrs_to_gcrs;
            EXPECT_EQ(f(c.n, m, m, c.r, c.v, c.a, nullptr, o[0], c.v_out ? o[1] : nullptr,
                        c.a_out ? o[2] : nullptr, 1), c.ok);
            const bool written = c.ok && c.n > 0;
            for (int k = 0; k < 3; ++k)
                for (int i = 0; i < 3; ++i)
                    EXPECT_EQ(o[k][i] != 9.0, written && (k == 0 || (k == 1 ? c.v_out : c.a_out)));
        }
    }
}
