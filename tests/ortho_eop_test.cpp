// Ocean-tide variations: the published test case, the roles of the three
// samples of the potential, and NaN epochs.
#include "models/ortho_eop.hpp"

#include "test_util.hpp"

using namespace varn_test;

// Test case published with the IERS Conventions (2010) model software:
// rmjd = 47100 gives dx = -162.8386373279636530 uas, dy = 117.7907525842668974
// uas, dUT1 = -23.39092370609808214 us. Tolerance 1e-9 of the unit: the sums
// of 213 sines and cosines may move in the last bits with another library.
// The output is replaced, not added to; a non-finite epoch gives NaN.
TEST(OrthoEop, PublishedTestCaseAndNonFiniteEpochs) {
    double eop[3] = {1e9, 1e9, 1e9}, c[12];
    varn::ortho_eop(47100.0, eop);
    EXPECT_TRUE(near("dx (uas)", -162.8386373279636530, eop[0], 1e-9));
    EXPECT_TRUE(near("dy (uas)", 117.7907525842668974, eop[1], 1e-9));
    EXPECT_TRUE(near("dUT1 (us)", -23.39092370609808214, eop[2], 1e-9));
    for (double m : {NaN, -INF}) {
        varn::cnmtx(m, c);
        varn::ortho_eop(m, eop);
        EXPECT_TRUE(std::all_of(c, c + 12, [](double v) { return std::isnan(v); })) << m;
        EXPECT_TRUE(std::all_of(eop, eop + 3, [](double v) { return std::isnan(v); })) << m;
    }
}

// P0, Q0 (positions 1, 2, 7, 8) come from the middle sample alone, P1, Q1
// from it and the sum of the outer two, and P2, Q2 also from the outer
// samples' difference, earlier minus later. The middle samples of rmjd - 2 and
// rmjd + 2 days are the outer samples of rmjd, so the coefficients of rmjd
// can be rebuilt from three calls: a swapped sample or sign shows here.
// Scale factors of the two bands, as the model tabulates them.
TEST(Cnmtx, CoefficientsShareTheMiddleSample) {
    const double S[2][6] = {{0.0298, 0.1408, 0.0805, 0.6002, 0.3025, 0.1517},
                            {0.0200, 0.0905, 0.0638, 0.3476, 0.1645, 0.0923}};
    double c0[12], cm[12], cp[12];
    const double m = 52000.3;
    varn::cnmtx(m, c0);
    varn::cnmtx(m - 2.0, cm);  // its later sample is m
    varn::cnmtx(m + 2.0, cp);  // its earlier sample is m
    for (int band = 0; band < 2; ++band) {
        const double* s = S[band];
        const double *p0 = c0 + 6 * band, *pm = cm + 6 * band, *pp = cp + 6 * band;
        // AP(m) = A0(m + 2) + A0(m - 2), AM = A(earlier) - A(later) = A0(m - 2) - A0(m + 2).
        const double a0 = p0[0] / s[0], b0 = p0[1] / s[0];
        const double ap = (pp[0] + pm[0]) / s[0], bp = (pp[1] + pm[1]) / s[0];
        const double am = (pm[0] - pp[0]) / s[0], bm = (pm[1] - pp[1]) / s[0];
        EXPECT_TRUE(near("P1", s[1] * a0 - s[2] * ap, p0[2], 1e-12));
        EXPECT_TRUE(near("Q1", s[1] * b0 - s[2] * bp, p0[3], 1e-12));
        EXPECT_TRUE(near("P2", (s[3] * a0 - s[4] * ap) + s[5] * bm, p0[4], 1e-12));
        EXPECT_TRUE(near("Q2", (s[3] * b0 - s[4] * bp) - s[5] * am, p0[5], 1e-12));
    }
}
