// State vectors: rc2t's derivative, round trips, a point on the Earth, layouts (rule: octave/).
#include <erfa.h>

#include "batch_util.hpp"
#include "frames/state_vectors.hpp"

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

// A point at rest in GCRS seen from ITRS, and a station at rest in ITRS seen from GCRS: v and
// a against 5-point derivatives of rc2t x (TT 1900-2100, fixed pole) within the documented
// 1e-11 |r| /s and 3e-15 |r| /s^2; steps 60 s and 600 s, as rc2t resolves TT to 0.6 us. lod
// is what it means: UT1 - UTC drifts at -lod / 86400 (lod 0.2 to 0.6 s, so that a fault in
// its use shows above the bounds: 0.5 s moves v by 4e-10 |r| /s, a by 6e-14 |r| /s^2).
TEST(StateVectors, RatesWithinBoundOfRc2tDerivative) {
    constexpr std::int64_t EPOCHS = 120;
    Batch b;
    Rng u{5};
    std::vector<double> lod;
    for (int e = 0; e < EPOCHS; ++e) {
        const double day = std::floor(15020.0 + 73049.0 * (e + u()) / EPOCHS);
        lod.push_back(0.2 + 0.4 * u());
        for (int k = 0; k < 10; ++k) {  // k = 2 and 7 the epoch; 60 s, then 600 s apart
            const double dt = k < 5 ? 60.0 * (k - 2) : 600.0 * (k - 7);
            b.add({day, 31968.0 + dt, 0.12, 0.38, 2e-4, -1e-4, -0.3 - lod[e] / 86400.0 * dt});
        }
    }
    const Series s = run(b, 2);
    Vectors x = states(EPOCHS), out = x;  // at rest: v = a = 0
    std::fill(x[1].begin(), x[1].end(), 0.0), std::fill(x[2].begin(), x[2].end(), 0.0);
    double err[2] = {0.0, 0.0};
    for (bool to_itrs : {true, false}) {  // every tenth row of s from the third: the epochs
        ASSERT_TRUE(varn::transform_states(
            to_itrs, EPOCHS, {&s.a[RC2T][2], 10, s.n, 3 * s.n}, {&s.a[RPOM][2], 10, s.n, 3 * s.n},
            {x[0].data(), 1, EPOCHS}, {x[1].data(), 1, EPOCHS}, {x[2].data(), 1, EPOCHS},
            {lod.data(), 1}, {}, {out[1].data(), 1, EPOCHS}, {out[2].data(), 1, EPOCHS}, 1));
        for (std::int64_t e = 0; e < EPOCHS; ++e) {
            double u3[3][3], scale[3], y[10][3], m[3][3];
            row(x, EPOCHS, e, u3, scale);
            for (int k = 0; k < 10; ++k)
                s.matrix(RC2T, 10 * e + k, m), (to_itrs ? eraRxp : eraTrxp)(m, u3[0], y[k]);
            for (int c = 0; c < 3; ++c) {
                const double d1 = (y[0][c] - 8 * y[1][c] + 8 * y[3][c] - y[4][c]) / 720.0;
                const double d2 = (-y[5][c] + 16 * y[6][c] - 30 * y[7][c] + 16 * y[8][c] -
                                   y[9][c]) / 4.32e6;
                err[0] = std::max(err[0], std::fabs(out[1][c * EPOCHS + e] - d1) / scale[0]);
                err[1] = std::max(err[1], std::fabs(out[2][c * EPOCHS + e] - d2) / scale[0]);
            }
        }
    }
    // Above 1e-13 the neglected rates show: the check would see a fault.
    EXPECT_TRUE(err[0] <= 1e-11 && err[0] >= 1e-13 && err[1] <= 3e-15) << err[0] << " " << err[1];
}

// Round trips both ways to 8 eps of each vector's scale, 300 epochs 1950-2060, lod per row.
TEST(StateVectors, RoundTripsBothWays) {
    Batch b;
    Rng u{11};
    std::vector<double> lod;
    for (int i = 0; i < 300; ++i)
        b.add_mjd(33282.0 + 40177.0 * u(), {0.5 * u() - 0.1, 0.6 * u(), 3e-4 * u(), -3e-4 * u(),
                                            u() - 0.5}), lod.push_back(4e-3 * u() - 1e-3);
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
}

// Numpy layouts ((n,3,3) matrices by rows, (n,3) vectors) in place, a scalar lod (stride 0),
// 1 or 3 threads over several blocks: the i of the column-major call; a NaN stays in its row.
TEST(StateVectors, LayoutsThreadsInPlaceAndNaNRows) {
    const std::int64_t n = 3 * 32768 + 5;
    Series s{n, {}};
    Rng u{3};
    std::vector<double> by_rows[2], lod(n, 1.25e-3), scalar(n, 9.0);
    scalar[0] = 1.25e-3;  // read with stride 0: the 9s never
    for (int o : {RC2T, RPOM}) {  // any numbers: no layout may change a bit
        for (std::int64_t k = 0; k < 9 * n; ++k) s.a[o].push_back(2.0 * u() - 1.0);
        for (std::int64_t k = 0; k < 9 * n; ++k)
            by_rows[o == RPOM].push_back(s.a[o][(k % 9 / 3 + k % 3 * 3) * n + k / 9]);
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
                {io[0].data(), 3, 1}, {io[1].data(), 3, 1}, {io[2].data(), 3, 1}, {&scalar[0], 0},
                {io[0].data(), 3, 1}, {io[1].data(), 3, 1}, {io[2].data(), 3, 1}, threads));
            std::int64_t differ = 0;  // or NaN outside row 7, or not NaN in it
            for (int k = 0; k < 9; ++k)
                for (std::int64_t i = 0; i < n; ++i) {
                    const double w = want[k / 3][(k % 3) * n + i];
                    differ += !same_bits(w, io[k / 3][3 * i + k % 3]) + (std::isnan(w) != (i == 7));
                }
            EXPECT_EQ(differ, 0) << to_itrs << " threads " << threads;
        }
    }
}

// Every combination of inputs given and outputs asked: false and nothing written when an
// output lacks its inputs (r; v for v; v and a for a); n <= 0 writes nothing.
TEST(StateVectors, MissingInputsWriteNothing) {
    double m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, x[3] = {1, 2, 3}, o[9];
    for (std::int64_t n : {1, 0, -2})
        for (int i = 0; i < 64; ++i) {  // r, v, a given; v, a asked; direction
            const bool r = i & 1, v = i & 2, a = i & 4, v_out = i & 8, a_out = i & 16;
            const bool ok = r && (v || !(v_out || a_out)) && (a || !a_out);
            std::fill(o, o + 9, 9.0);
            EXPECT_EQ((i & 32 ? varn::gcrs_to_itrs : varn::itrs_to_gcrs)(
                          n, m, m, r ? x : nullptr, v ? x : nullptr, a ? x : nullptr, nullptr, o,
                          v_out ? o + 3 : nullptr, a_out ? o + 6 : nullptr, 1), ok) << i;
            for (int k = 0; k < 9; ++k)
                EXPECT_EQ(o[k] != 9.0, ok && n > 0 && (k < 3 || (k < 6 ? v_out : a_out))) << i;
        }
}
