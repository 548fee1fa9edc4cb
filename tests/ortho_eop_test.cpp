// Ocean-tide variations: the published test case, the roles of the three
// samples of the potential, and NaN epochs.
#include "models/ortho_eop.hpp"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "test_util.hpp"

namespace {

using varn_test::near;

// Test case published with the IERS Conventions (2010) model software:
// rmjd = 47100 gives dx = -162.8386373279636530 uas, dy = 117.7907525842668974
// uas, dUT1 = -23.39092370609808214 us. Tolerance 1e-9 of the unit: the sums
// of 213 sines and cosines may move in the last bits with another library.
TEST(OrthoEop, PublishedTestCase) {
    double eop[3] = {1e9, 1e9, 1e9};  // replaced, not added to
    varn::ortho_eop(47100.0, eop);
    EXPECT_TRUE(near("dx (uas)", -162.8386373279636530, eop[0], 1e-9));
    EXPECT_TRUE(near("dy (uas)", 117.7907525842668974, eop[1], 1e-9));
    EXPECT_TRUE(near("dUT1 (us)", -23.39092370609808214, eop[2], 1e-9));
}

// P0, Q0 (positions 1, 2, 7, 8) come from the middle sample alone, P1, Q1
// from it and the sum of the outer two, and P2, Q2 also from the outer
// samples' difference, earlier minus later. The middle samples of rmjd - 2 and
// rmjd + 2 days are the outer samples of rmjd, so the coefficients of rmjd
// can be rebuilt from three calls: a swapped sample or sign shows here.
TEST(Cnmtx, CoefficientsShareTheMiddleSample) {
    double c0[12], cm[12], cp[12];
    const double m = 52000.3;
    varn::cnmtx(m, c0);
    varn::cnmtx(m - 2.0, cm);  // its later sample is m
    varn::cnmtx(m + 2.0, cp);  // its earlier sample is m
    for (int band = 0; band < 2; ++band) {
        const double s1 = band == 0 ? 0.0298 : 0.0200;
        const double s3 = band == 0 ? 0.0805 : 0.0638;
        const double s6 = band == 0 ? 0.1517 : 0.0923;
        const double a0 = c0[6 * band] / s1, b0 = c0[6 * band + 1] / s1;
        // The middle potential of m - 2 and m + 2 gives back their outer
        // sums: AP(m) = A0(m + 2) + A0(m - 2).
        const double ap = cp[6 * band] / s1 + cm[6 * band] / s1;
        const double bp = cp[6 * band + 1] / s1 + cm[6 * band + 1] / s1;
        const double s2 = band == 0 ? 0.1408 : 0.0905;
        EXPECT_TRUE(near("P1", s2 * a0 - s3 * ap, c0[6 * band + 2], 1e-12));
        EXPECT_TRUE(near("Q1", s2 * b0 - s3 * bp, c0[6 * band + 3], 1e-12));
        // AM = A(earlier) - A(later) = A0(m - 2) - A0(m + 2).
        const double am = cm[6 * band] / s1 - cp[6 * band] / s1;
        const double bm = cm[6 * band + 1] / s1 - cp[6 * band + 1] / s1;
        const double s4 = band == 0 ? 0.6002 : 0.3476;
        const double s5 = band == 0 ? 0.3025 : 0.1645;
        EXPECT_TRUE(near("P2", (s4 * a0 - s5 * ap) + s6 * bm, c0[6 * band + 4], 1e-12));
        EXPECT_TRUE(near("Q2", (s4 * b0 - s5 * bp) - s6 * am, c0[6 * band + 5], 1e-12));
    }
}

TEST(OrthoEop, NonFiniteEpochGivesNaN) {
    for (double m : {std::numeric_limits<double>::quiet_NaN(),
                     -std::numeric_limits<double>::infinity()}) {
        double c[12], eop[3];
        varn::cnmtx(m, c);
        varn::ortho_eop(m, eop);
        for (double v : c) EXPECT_TRUE(std::isnan(v));
        for (double v : eop) EXPECT_TRUE(std::isnan(v));
    }
}

}  // namespace
