// Ocean-tide variations: the published test case, which sums every coefficient
// of cnmtx (a swapped sample or sign moves it), and NaN epochs.
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
