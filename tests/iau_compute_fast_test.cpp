// The fast computation: its bound, rows left exact, order, threads, interpolant.
#include "batch_util.hpp"
#include "rotation/lagrange.hpp"

using namespace varn_test;

static void add(Batch& b, double mjd, Rng& u) {  // TT mjd, random plausible orientation
    b.add_mjd(mjd, {0.4 * u(), 0.4 * u(), 3e-4 * u(), 3e-4 * u(), u()});
}

// Degree below N comes back to 1e-14, degree N does not (off by c[N] / 9^N prod (x - j), at
// least 2.5e-7 c[N]); at a node the weights are 1, 0.
TEST(Lagrange, ReproducesPolynomialsBelowItsOrderAndNodeValues) {
    constexpr int N = 10;
    Rng u;
    for (int trial = 0; trial < 200; ++trial) {
        double c[N + 1], nodes[N], w[N], got;
        for (double& ck : c) ck = 2.0 * u() - 1.0;
        for (int degree : {N - 1, N}) {
            auto p = [&](double x, double s = 0.0) {  // sum of c[k] (x / 9)^k, |p| < 11
                for (int k = degree; k >= 0; --k) s = s * (x / (N - 1)) + c[k];
                return s;
            };
            for (int j = 0; j < N; ++j) nodes[j] = p(j);
            const double x = degree < N ? (N - 1) * u() : trial % (N - 1) + 0.5;
            varn::detail::lagrange_interpolate<N, 1>(x, nodes, &got);
            if (degree < N) EXPECT_TRUE(near("degree N-1", p(x), got, 1e-14));
            else EXPECT_GT(std::fabs(got - p(x)), 2e-7 * std::fabs(c[N]));
        }
        varn::detail::lagrange_weights<N>(trial % N, w);
        for (int i = 0; i < N; ++i) EXPECT_EQ(w[i], i == trial % N ? 1.0 : 0.0);
    }
}

// Dense runs over 1900-2100 within a tenth above the errors measured on this batch (rc2t,
// ERA 1.14e-13, x 3.2e-14, y 2.25e-14, GST 1.07e-14, rc2i 4.5e-15 rad, UT1 3.06e-10 s; one
// node off: x 3.9e-14, UT1 3.9e-10 s), 98 % interpolated; reversed, 2 or 3 threads: same bits.
TEST(IauComputeFast, DenseRunsWithinMeasuredBoundAndIndependentOfOrderAndThreads) {
    Rng u;  // the batch the errors were measured on
    Batch b;
    for (int r = 0; r < 24; ++r) {
        const double m0 = 15021.0 + 73040.0 * u();
        for (int i = 0; i < 120; ++i)
            add(b, r % 3 == 0 ? m0 + i / 86400.0 : r % 3 == 1 ? m0 + i / 144.0 : m0 + u(), u);
    }
    const std::int64_t n = b.n();
    const Series exact = run(b), fast = run(b, 1, true);
    const double tol[18] = {1.3e-13, 5e-15, 3.5e-14, 3.5e-14, 2.5e-14, 0, 1.2e-14, 0, 3.4e-10,
                            0,       0,     0,       0,       0,       0, 0,       0, 1.3e-13};
    std::int64_t interpolated[2] = {0, 0};  // rows where either grid changed a bit
    for (std::int64_t i = 0; i < n; ++i) {
        interpolated[0] += !fast.same(exact, i, i, XP_RAD);
        interpolated[1] += !fast.same(exact, i, i, RC2I);
        for (int k = 0; k < 18; ++k)
            for (int c = 0; c < OUT_COLS[k]; ++c) {
                double d = fast.at(k, i, c) - exact.at(k, i, c);
                if (k == GST || k == ERA) d = std::remainder(d, 2 * 3.14159265358979323846);
                if (!(std::fabs(d) <= (k == UT1 && c == 0 ? 0.0 : tol[k])))
                    ADD_FAILURE() << "output " << k + 1 << " col " << c + 1 << " diff " << d;
            }
    }
    EXPECT_TRUE(interpolated[0] > 0.98 * n && interpolated[1] > 0.98 * n) << interpolated[0];
    for (auto& v : b.c) std::reverse(v.begin(), v.end());
    for (int threads : {2, 3}) {
        const Series s = run(b, threads, true);
        for (std::int64_t i = 0; i < n; ++i) EXPECT_TRUE(s.same(fast, n - 1 - i, i)) << i;
    }
}

// Clusters on the 1/16-day pole/UT1 grid (MJD 58849 a node): a run of 10-node stencils is
// interpolated when it holds 1.25 epochs per node; the same for the 1/2-day grid of rc2i.
TEST(IauComputeFast, InterpolatesRunsWithAtLeastFiveEpochsPerFourNodes) {
    struct Cluster { int epochs, interval, spread; bool hf, slow; };
    const std::vector<std::vector<Cluster>> cases = {
        {{12, 0, 1, false, false}}, {{13, 0, 1, true, true}},             // on 10 nodes
        {{5, 0, 1, true, true}, {5, 1, 1, true, true}, {5, 2, 1, true, true}},  // 15 on 12
        {{5, 0, 1, false, true}, {5, 1, 1, false, true}, {4, 2, 1, false, true}},
        {{12, 0, 1, true, true}, {12, 9, 1, true, true}},    // stencils share a node
        {{13, 0, 1, true, true}, {12, 10, 1, false, true}},  // separate runs
        {{12, 0, 8, false, false}}, {{13, 0, 8, false, true}}};
    Rng u;
    for (std::size_t c = 0; c < cases.size(); ++c) {
        Batch b;
        for (const Cluster& k : cases[c])
            for (int e = 0; e < k.epochs; ++e)
                add(b, 58849.0 + (k.interval + k.spread * (e + 0.5) / k.epochs) / 16.0, u);
        const Series exact = run(b), fast = run(b, 2, true);
        std::int64_t i = 0;
        for (const Cluster& k : cases[c])
            for (int e = 0; e < k.epochs; ++e, ++i)
                EXPECT_TRUE(fast.same(exact, i, i, XP_RAD) != k.hf &&
                            fast.same(exact, i, i, RC2I) != k.slow) << "case " << c << " row " << i;
    }
}

// Exact bits outside 1900-2100 (its first day inside interpolated), for bad rows, a sparse
// batch, at a node (every 9th 10-minute epoch for the 1/16-day grid, every 72nd for both).
TEST(IauComputeFast, KeepsExactBitsOutsideTheSpanForBadRowsSparseBatchesAndAtNodes) {
    Rng u;
    Batch b;
    for (double start : {15019.0, 88067.5, 58849.0})  // 3, 3 and 2 days
        for (int i = 0; i < (start == 58849.0 ? 288 : 432); ++i) add(b, start + i / 144.0, u);
    for (int k = 0; k < 5; ++k) b.c[2 + k][900 + k] = k % 2 ? NaN : INF;
    b.c[0][905] = b.c[1][905] = NaN, b.c[0][906] = -3e6;
    for (int i = 0; i < 200; ++i) add(b, 15020.0 + 73049.0 * u(), u);  // sparse
    const Series exact = run(b), fast = run(b, 2, true);
    for (std::int64_t i = 0; i < b.n(); ++i) {
        const double m = b.c[0][i] + b.c[1][i] / 86400.0;
        const bool outside = !(m >= 15020.0 && m < 88069.0) || (i >= 900 && i <= 906) ||
                             i >= 1152 || i % 72 == 0;
        const bool hf_node = i < 1152 && i % 9 == 0;
        EXPECT_TRUE(fast.same(exact, i, i) || !outside) << i;
        EXPECT_EQ(fast.same(exact, i, i, XP_RAD), outside || hf_node) << "row " << i;
        const bool first_day = (m >= 15020.0 && m < 15021.0) || (m >= 88068.0 && m < 88069.0);
        EXPECT_TRUE(!first_day || outside || !fast.same(exact, i, i, RC2I)) << "row " << i;
    }
}
