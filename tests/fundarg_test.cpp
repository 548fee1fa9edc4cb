// Fundamental-argument tests: against ERFA's IERS 2003 expressions (which
// share every coefficient but the constant terms of l' and D), the constant
// terms at J2000.0, signs kept by the truncating remainder, and the
// libration models' sidereal argument.
#include "models/fundarg.hpp"

#include <cmath>
#include <cstdint>
#include <iomanip>
#include <limits>
#include <vector>

#include <erfa.h>
#include <gtest/gtest.h>

#include "test_util.hpp"

namespace {

using varn_test::near;

// At J2000.0 the arguments are the constant terms in arcseconds, reduced by
// one turn (1296000"). Elsewhere l, F and Omega agree with ERFA to the bit;
// l' and D differ by the constant terms alone: 1287104.79305" against
// 1287104.793048", 1072260.70369" against 1072260.703692", i.e. +2e-6" and
// -2e-6" (9.7e-12 rad). The remainder keeps the polynomial's sign, and NaN
// flows through.
TEST(Fundarg, ConstantTermsErfaAndSigns) {
    double l, lp, f, d, om;
    varn::fundarg(0.0, l, lp, f, d, om);
    EXPECT_EQ(l, 485868.249036 * varn::DAS2R);
    EXPECT_EQ(lp, 1287104.79305 * varn::DAS2R);
    EXPECT_EQ(f, 335779.526232 * varn::DAS2R);
    EXPECT_EQ(d, 1072260.70369 * varn::DAS2R);
    EXPECT_EQ(om, 450160.398036 * varn::DAS2R);
    for (double t = -1.3; t <= 1.3; t += 0.0371) {
        varn::fundarg(t, l, lp, f, d, om);
        EXPECT_EQ(l, eraFal03(t)) << t;
        EXPECT_EQ(f, eraFaf03(t)) << t;
        EXPECT_EQ(om, eraFaom03(t)) << t;
        // Both sides round a polynomial of up to 1.7e9" * |t|: a few units
        // of its last place.
        const double tol = 4.0 * 2.2e-16 * (1.8e9 * std::fabs(t) + 1.3e6) * varn::DAS2R;
        EXPECT_TRUE(near("l' - ERFA l'", 2e-6 * varn::DAS2R, lp - eraFalp03(t), tol)) << t;
        EXPECT_TRUE(near("D - ERFA D", -2e-6 * varn::DAS2R, d - eraFad03(t), tol)) << t;
        EXPECT_TRUE(t >= -0.1 || (l < 0.0 && f < 0.0 && d < 0.0)) << t;
        EXPECT_TRUE(t <= 0.07 || (om < 0.0 && om > -2.0 * varn::DPI)) << t;
    }
    varn::fundarg(std::nan(""), l, lp, f, d, om);
    EXPECT_TRUE(std::isnan(l) && std::isnan(lp) && std::isnan(f) && std::isnan(d) && std::isnan(om));
}

TEST(LibrationArgs, SiderealArgumentAndVector) {
    double arg[6], t;
    varn::libration_args(51544.5, arg, t);
    EXPECT_EQ(t, 0.0);
    // GMST 67310.54841 s at J2000.0, turned to radians, plus pi, mod 2 pi.
    EXPECT_EQ(arg[0], std::fmod(67310.54841 / 13750.987083139758 + varn::DPI, varn::D2PI));
    double l, lp, f, d, om;
    varn::fundarg(0.0, l, lp, f, d, om);
    EXPECT_EQ(arg[1], l);
    EXPECT_EQ(arg[5], om);

    // The sidereal argument advances at the mean sidereal rate,
    // 1 + 8640184.812866 / (36525 * 86400) turns per day (mod 2 pi).
    double a0[6], a1[6];
    varn::libration_args(58000.0, a0, t);
    varn::libration_args(58000.25, a1, t);
    double adv = std::fmod(a1[0] - a0[0] + 4.0 * varn::D2PI, varn::D2PI);
    EXPECT_TRUE(near("gamma in 6 h (rad)", std::fmod(0.25 * 1.002737909350795 * varn::D2PI,
                                                     varn::D2PI), adv, 1e-9));

    // Before the zero of the GMST polynomial (a little less than a day before
    // J2000.0) the remainder, and gamma with it, may be negative.
    varn::libration_args(51540.0, arg, t);
    EXPECT_LT(t, 0.0);
    EXPECT_GT(arg[0], -2.0 * varn::D2PI);
    EXPECT_LT(arg[0], varn::D2PI);
}

// The fast remainder must equal fmod to the bit: random angles of the size
// the series make, values a hair either side of multiples of 2 pi (where the
// quotient rounds across an integer), exact multiples (signed zeros), and the
// values handed on to fmod itself.
TEST(Rem2Pi, EqualsFmodBitForBit) {
    std::uint64_t state = 12345;
    auto uniform = [&state]() {  // in [-1, 1)
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state >> 11) / 4503599627370496.0 - 1.0;
    };
    std::vector<double> xs = {0.0, -0.0, varn::D2PI, -varn::D2PI, 1e-310, -1e-310,
                              1099511627775.0, 1099511627776.0, -3e15, 1e300,
                              std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN()};
    for (int i = 0; i < 400000; ++i) {
        const double k = std::round(uniform() * 2e5);
        const double near = k * varn::D2PI;
        xs.push_back(uniform() * 4e5);
        xs.push_back(uniform() * std::ldexp(1.0, static_cast<int>(40 * std::fabs(uniform()))));
        xs.push_back(near);
        xs.push_back(std::nextafter(near, 1e9));
        xs.push_back(std::nextafter(near, -1e9));
    }
    for (double x : xs) {
        const double want = std::fmod(x, varn::D2PI);
        const double got = varn::rem_2pi(x);
        ASSERT_TRUE(varn_test::same_bits(want, got)) << std::setprecision(17) << "x " << x
                                                     << " fmod " << want << " rem " << got;
    }
}

TEST(TermAngle, SumsInArgumentOrderAndReduces) {
    const double arg[6] = {1.5, -2.0, 0.25, 3.0, -1.0, 0.5};
    const int mult[6] = {2, 1, 0, -2, 2, -2};
    double s, c;
    const double theta = varn::term_angle(arg, mult, s, c);
    const double sum = ((((2 * 1.5 + 1 * -2.0) + 0 * 0.25) + -2 * 3.0) + 2 * -1.0) + -2 * 0.5;
    EXPECT_EQ(theta, std::fmod(sum, varn::D2PI));
    EXPECT_LT(theta, 0.0);  // the sum is negative and keeps its sign
    EXPECT_TRUE(near("sin^2 + cos^2", 1.0, s * s + c * c, 4e-16));
    EXPECT_EQ(s, std::sin(theta));
    EXPECT_EQ(c, std::cos(theta));
}

}  // namespace
