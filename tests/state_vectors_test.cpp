// State vectors: rc2t's numerical derivative, round trips, a point fixed on the Earth,
// layouts, threads, NaN rows and misuse (the rule written out: octave/test_state.m).
#include <erfa.h>

#include "batch_util.hpp"
#include "pipeline/state_vectors.hpp"

using namespace varn_test;

namespace {

constexpr double EPS = 0x1p-52, W = varn::EARTH_RATE_RAD_S;
using Vectors = std::array<std::vector<double>, 3>;  // r, v, a: n x 3 column-major

// Every row of s transformed, lod per row (or null), into fresh arrays.
Vectors apply(bool to_itrs, const Series& s, const Vectors& x, const double* lod) {
    Vectors out;
    for (auto& o : out) o.assign(3 * s.n, -1.0);
    EXPECT_TRUE((to_itrs ? varn::gcrs_to_itrs : varn::itrs_to_gcrs)(
        s.n, s.a[RC2T].data(), s.a[RPOM].data(), x[0].data(), x[1].data(), x[2].data(), lod,
        out[0].data(), out[1].data(), out[2].data(), 2));
    return out;
}

// n random states of a 500 km orbit's scale (m, m/s, m/s^2).
Vectors states(std::int64_t n) {
    Vectors x;
    Rng u{77};
    for (int k = 0; k < 3; ++k)
        for (std::int64_t i = 0; i < 3 * n; ++i)
            x[k].push_back((2.0 * u() - 1.0) * (k == 0 ? 6.9e6 : k == 1 ? 7.6e3 : 8.4));
    return x;
}

// Row i of x[k], and each vector's scale in the rule: |r|, |v| + w|r|, |a| + 2w|v| + w^2|r|.
void row(const Vectors& x, std::int64_t n, std::int64_t i, double u[3][3], double scale[3]) {
    for (int k = 0; k < 9; ++k) u[k / 3][k % 3] = x[k / 3][(k % 3) * n + i];
    const double r = eraPm(u[0]), v = eraPm(u[1]);
    scale[0] = r, scale[1] = v + W * r, scale[2] = eraPm(u[2]) + 2 * W * v + W * W * r;
}

}  // namespace

// A point at rest in GCRS seen from ITRS, and one at rest in ITRS seen from GCRS: velocity
// and acceleration against 5-point derivatives of rc2t x (TT 1900-2100, fixed EOP) within
// the documented 1e-11 |r| /s and 3e-15 |r| /s^2. Steps of 60 s and 600 s: rc2t resolves
// TT to 0.6 us (one double MJD), 5e-11 rad of rotation.
TEST(StateVectors, RatesWithinBoundOfRc2tDerivative) {
    constexpr int EPOCHS = 120;
    Batch b;
    Rng u{5};
    for (int e = 0; e < EPOCHS; ++e) {
        const double day = std::floor(15020.0 + 73049.0 * (e + u()) / EPOCHS);
        for (int k = 0; k < 10; ++k)  // k = 2 and 7 the epoch; 60 s, then 600 s apart
            b.add({day, 31968.0 + (k < 5 ? 60.0 * (k - 2) : 600.0 * (k - 7)), 0.12, 0.38, 2e-4,
                   -1e-4, -0.3});
    }
    const Series s = run(b, 2);
    double worst[2] = {0.0, 0.0};
    for (bool to_itrs : {true, false}) {
        for (int e = 0; e < EPOCHS; ++e) {
            double x[3] = {4.2e6 * (u() - 0.5), 4.2e6 * (u() - 0.5), 4.2e6 * (u() - 0.5)};
            double y[10][3], m[3][3], zero[3] = {}, out[3][3], c2t[9], pom[9];
            for (int k = 0; k < 10; ++k)
                s.matrix(RC2T, 10 * e + k, m), (to_itrs ? eraRxp : eraTrxp)(m, x, y[k]);
            for (int k = 0; k < 9; ++k)
                c2t[k] = s.at(RC2T, 10 * e + 2, k), pom[k] = s.at(RPOM, 10 * e + 2, k);
            ASSERT_TRUE((to_itrs ? varn::gcrs_to_itrs : varn::itrs_to_gcrs)(
                1, c2t, pom, x, zero, zero, nullptr, out[0], out[1], out[2], 1));
            for (int c = 0; c < 3; ++c) {
                const double d1 = (y[0][c] - 8 * y[1][c] + 8 * y[3][c] - y[4][c]) / 720.0;
                const double d2 = (-y[5][c] + 16 * y[6][c] - 30 * y[7][c] + 16 * y[8][c] -
                                   y[9][c]) / 4.32e6;
                worst[0] = std::max(worst[0], std::fabs(out[1][c] - d1) / eraPm(x));
                worst[1] = std::max(worst[1], std::fabs(out[2][c] - d2) / eraPm(x));
            }
        }
    }
    EXPECT_LE(worst[0], 1e-11);
    EXPECT_LE(worst[1], 3e-15);
    EXPECT_GE(worst[0], 1e-13);  // the neglected rates show: the check can see a fault
}

// Round trips both ways to 8 eps of each vector's scale over 300 epochs 1950-2060, lod per
// row; a point fixed on the Earth moves in GCRS at w x r and accelerates at w x (w x r),
// with w = omega times the CIP, row 3 of rc2i.
TEST(StateVectors, RoundTripsAndPointFixedOnEarth) {
    Batch b;
    Rng u{11};
    std::vector<double> lod;
    for (int i = 0; i < 300; ++i) {
        b.add_mjd(33282.0 + 40177.0 * u(), {0.5 * u() - 0.1, 0.6 * u(), 3e-4 * u(), -3e-4 * u(), u() - 0.5});
        lod.push_back(4e-3 * u() - 1e-3);
    }
    const Series s = run(b);
    Vectors x = states(300);
    for (bool to_itrs : {true, false}) {
        const Vectors back = apply(!to_itrs, s, apply(to_itrs, s, x, lod.data()), lod.data());
        for (std::int64_t i = 0; i < 300; ++i) {
            double u[3][3], scale[3];
            row(x, 300, i, u, scale);
            for (int k = 0; k < 9; ++k)
                ASSERT_TRUE(near("round trip", u[k / 3][k % 3], back[k / 3][(k % 3) * 300 + i],
                                 8 * EPS * scale[k / 3])) << to_itrs << " row " << i << " " << k;
        }
    }
    std::fill(x[1].begin(), x[1].end(), 0.0), std::fill(x[2].begin(), x[2].end(), 0.0);
    const Vectors gcrs = apply(false, s, x, lod.data());
    for (std::int64_t i = 0; i < 300; ++i) {
        double c2i[3][3], u[3][3], scale[3], w[3], want[3][3];
        s.matrix(RC2I, i, c2i), row(gcrs, 300, i, u, scale);
        eraSxp(W * (1.0 - lod[i] / 86400.0), c2i[2], w);
        eraPxp(w, u[0], want[1]), eraPxp(w, want[1], want[2]);
        for (int k = 3; k < 9; ++k)
            ASSERT_TRUE(near("w x r, w x (w x r)", want[k / 3][k % 3], u[k / 3][k % 3],
                             16 * EPS * scale[0] * (k < 6 ? W : W * W))) << i << " " << k;
    }
}

// Numpy layouts ((n,3,3) matrices by rows, (n,3) vectors) in place, a scalar lod (stride 0),
// 1 or 3 threads over several blocks: the bits of the column-major call; a NaN stays in its row.
TEST(StateVectors, LayoutsThreadsInPlaceAndNaNRows) {
    const std::int64_t n = 3 * 32768 + 5;
    Batch few;  // 200 epochs, repeated down the batch
    for (int i = 0; i < 200; ++i) few.add_mjd(58849.0 + i * 0.01, {0.1, 0.3, 1e-4, -1e-4, -0.2});
    const Series s200 = run(few);
    Series s{n, {}};
    std::vector<double> by_rows[2], lod(n, 1.25e-3), scalar(n, 9.0);
    scalar[0] = 1.25e-3;  // read with stride 0: the 9s never
    for (int o : {RC2T, RPOM})
        for (std::int64_t k = 0; k < 9 * n; ++k) {
            s.a[o].push_back(s200.at(o, k % n % 200, static_cast<int>(k / n)));
            by_rows[o == RPOM].push_back(s200.at(o, k / 9 % 200, static_cast<int>(k % 9 % 3 * 3 + k % 9 / 3)));
        }
    Vectors x = states(n);
    x[0][7] = NaN;  // row 7, x of r
    for (bool to_itrs : {true, false}) {
        const Vectors want = apply(to_itrs, s, x, lod.data());
        for (int threads : {1, 3}) {
            Vectors io;
            for (int k = 0; k < 3; ++k)
                for (std::int64_t j = 0; j < 3 * n; ++j) io[k].push_back(x[k][j % 3 * n + j / 3]);
            ASSERT_TRUE(varn::transform_states(
                to_itrs, n, {by_rows[0].data(), 9, 3, 1}, {by_rows[1].data(), 9, 3, 1},
                {io[0].data(), 3, 1}, {io[1].data(), 3, 1}, {io[2].data(), 3, 1}, {scalar.data(), 0},
                {io[0].data(), 3, 1}, {io[1].data(), 3, 1}, {io[2].data(), 3, 1}, threads));
            std::int64_t differ = 0;
            for (int k = 0; k < 9; ++k)
                for (std::int64_t i = 0; i < n; ++i)
                    differ += !same_bits(want[k / 3][(k % 3) * n + i], io[k / 3][3 * i + k % 3]);
            EXPECT_EQ(differ, 0) << to_itrs << " threads " << threads;
        }
        for (int k = 0; k < 9; ++k) {
            const auto& w = want[k / 3];
            EXPECT_TRUE(std::isnan(w[(k % 3) * n + 7]) && !std::isnan(w[(k % 3) * n + 6]) &&
                        !std::isnan(w[(k % 3) * n + 8])) << k;
        }
    }
}

// An output whose inputs are absent: false and nothing written; n <= 0 writes nothing.
TEST(StateVectors, MissingInputsWriteNothing) {
    double m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, x[3] = {1, 2, 3}, o[3][3];
    const double* no = nullptr;
    struct Case { const double *r, *v, *a; bool v_out, a_out, ok; std::int64_t n; };
    const Case cases[] = {{x, no, no, true, false, false, 1}, {x, x, no, false, true, false, 1},
                          {x, no, x, false, true, false, 1},  {no, x, x, false, false, false, 1},
                          {x, x, x, true, true, true, 0},     {x, x, x, true, true, true, -2},
                          {x, no, no, false, false, true, 1}, {x, x, x, false, true, true, 1}};
    for (bool to_itrs : {true, false}) {
        for (const Case& c : cases) {
            std::fill(&o[0][0], &o[0][0] + 9, 9.0);
            EXPECT_EQ((to_itrs ? varn::gcrs_to_itrs : varn::itrs_to_gcrs)(
                          c.n, m, m, c.r, c.v, c.a, nullptr, o[0], c.v_out ? o[1] : nullptr,
                          c.a_out ? o[2] : nullptr, 1), c.ok);
            for (int k = 0; k < 9; ++k)
                EXPECT_EQ(o[k / 3][k % 3] != 9.0, c.ok && c.n > 0 &&
                          (k < 3 || (k < 6 ? c.v_out : c.a_out))) << k;
        }
    }
}
