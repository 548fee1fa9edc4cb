// Subdiurnal libration in polar motion: the published test case and NaN epochs.
#include "models/pmsdnut2.hpp"

#include "test_util.hpp"

using namespace varn_test;

// Test case published with the IERS Conventions (2010) model software:
// rmjd = 54335 gives dx = 24.83144238273364834 uas, dy = -14.09240692041837661
// uas. Tolerance 1e-10 uas: another mathematics library may move the last
// bits of the sines and cosines. The output is replaced, not added to.
TEST(Pmsdnut2, PublishedTestCaseAndNonFiniteEpochs) {
    double pm[2] = {1e9, -1e9};
    varn::pmsdnut2(54335.0, pm);
    EXPECT_TRUE(near("dx (uas)", 24.83144238273364834, pm[0], 1e-10));
    EXPECT_TRUE(near("dy (uas)", -14.09240692041837661, pm[1], 1e-10));
    for (double m : {NaN, INF}) {
        varn::pmsdnut2(m, pm);
        EXPECT_TRUE(std::isnan(pm[0]) && std::isnan(pm[1])) << m;
    }
}
