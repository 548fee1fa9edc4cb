// Subdiurnal libration in polar motion: the published test case, the bound of
// the circular terms, and replacement of the output.
#include "models/pmsdnut2.hpp"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "test_util.hpp"

namespace {

using varn_test::near;

// Test case published with the IERS Conventions (2010) model software:
// rmjd = 54335 gives dx = 24.83144238273364834 uas, dy = -14.09240692041837661
// uas. Tolerance 1e-10 uas: another mathematics library may move the last
// bits of the sines and cosines.
TEST(Pmsdnut2, PublishedTestCase) {
    double pm[2] = {1e9, -1e9};  // replaced, not added to
    varn::pmsdnut2(54335.0, pm);
    EXPECT_TRUE(near("dx (uas)", 24.83144238273364834, pm[0], 1e-10));
    EXPECT_TRUE(near("dy (uas)", -14.09240692041837661, pm[1], 1e-10));
}

// Every term turns the pole on a circle, so |(dx, dy)| never exceeds the sum
// of the ten radii sqrt(xs^2 + xc^2): 33.97 uas. Over a day the diurnal terms
// sweep most of it.
TEST(Pmsdnut2, BoundedByTheSumOfRadii) {
    const double bound = std::hypot(0.4, 0.3) * 2 + std::hypot(2.3, 1.3) + std::hypot(2.1, 1.2) +
                         std::hypot(11.4, 6.5) + std::hypot(0.8, 0.5) + std::hypot(4.8, 2.7) +
                         std::hypot(14.3, 8.2) + std::hypot(1.9, 1.1) + std::hypot(0.8, 0.4);
    double largest = 0.0;
    for (double m = 40000.0; m < 40001.0; m += 1.0 / 96) {
        for (double base : {0.0, 10000.0, 25000.0}) {
            double pm[2];
            varn::pmsdnut2(m + base, pm);
            const double r = std::hypot(pm[0], pm[1]);
            EXPECT_LE(r, bound * (1 + 1e-7)) << m + base;
            largest = std::fmax(largest, r);
        }
    }
    EXPECT_GT(largest, 0.5 * bound);
}

TEST(Pmsdnut2, NonFiniteEpochGivesNaN) {
    for (double m : {std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()}) {
        double pm[2] = {0.0, 0.0};
        varn::pmsdnut2(m, pm);
        EXPECT_TRUE(std::isnan(pm[0]) && std::isnan(pm[1]));
    }
}

}  // namespace
