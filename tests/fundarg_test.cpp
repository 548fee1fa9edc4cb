// Fundamental arguments against ERFA, the sign-keeping remainder, a series term's angle.
#include "models/fundarg.hpp"

#include <erfa.h>

#include "test_util.hpp"

using namespace varn_test;
using varn::D2PI;
using varn::DAS2R;

// At J2000.0 the constant terms ("); elsewhere l, F, Omega are ERFA's, l' and D differ by
// +/-2e-6" (1287104.79305", 1072260.70369"; ERFA ...048", ...692"); signs stay; NaN flows.
TEST(Fundarg, ConstantTermsErfaAndSigns) {
    double a[5];
    varn::fundarg(0.0, a[0], a[1], a[2], a[3], a[4]);
    const double at_j2000[5] = {485868.249036, 1287104.79305, 335779.526232, 1072260.70369,
                                450160.398036};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(a[k], at_j2000[k] * DAS2R) << k;
    for (double t = -1.3; t <= 1.3; t += 0.0371) {
        double l, lp, f, d, om;
        varn::fundarg(t, l, lp, f, d, om);
        EXPECT_TRUE(l == eraFal03(t) && f == eraFaf03(t) && om == eraFaom03(t)) << t;
        const double tol = 4.0 * 2.2e-16 * (1.8e9 * std::fabs(t) + 1.3e6) * DAS2R;  // 4 ulp
        EXPECT_TRUE(near("l' - ERFA l'", 2e-6 * DAS2R, lp - eraFalp03(t), tol)) << t;
        EXPECT_TRUE(near("D - ERFA D", -2e-6 * DAS2R, d - eraFad03(t), tol)) << t;
        EXPECT_TRUE(t >= -0.1 || (l < 0.0 && f < 0.0 && d < 0.0)) << t;
        EXPECT_TRUE(t <= 0.07 || (om < 0.0 && om > -2.0 * varn::DPI)) << t;
    }
    varn::fundarg(NaN, a[0], a[1], a[2], a[3], a[4]);
    EXPECT_TRUE(std::all_of(a, a + 5, [](double v) { return std::isnan(v); }));
}

// Bitwise fmod: random angles, exact multiples of 2 pi and a hair either side, huge values.
TEST(Rem2Pi, EqualsFmodBitForBit) {
    Rng u{12345};
    auto uniform = [&u] { return 2.0 * u() - 1.0; };  // in [-1, 1)
    std::vector<double> xs = {0.0, -0.0, D2PI, -D2PI, 1e-310, -1e-310, 1099511627775.0,
                              1099511627776.0, -3e15, 1e300, INF, NaN};
    for (int i = 0; i < 400000; ++i) {
        const double m = std::round(uniform() * 2e5) * D2PI;
        xs.push_back(uniform() * 4e5);
        xs.push_back(uniform() * std::ldexp(1.0, static_cast<int>(40 * std::fabs(uniform()))));
        xs.insert(xs.end(), {m, std::nextafter(m, 1e9), std::nextafter(m, -1e9)});  // multiple
    }
    for (double x : xs) {
        const double want = std::fmod(x, D2PI), got = varn::rem_2pi(x);
        ASSERT_TRUE(same_bits(want, got)) << std::setprecision(17) << "x " << x << " fmod "
                                          << want << " rem " << got;
    }
}

// The sum of the multiples in argument order, reduced with its sign, with its sine, cosine.
TEST(TermAngle, SumsInArgumentOrderAndReduces) {
    const double arg[6] = {1.5, -2.0, 0.25, 3.0, -1.0, 0.5};
    const int mult[6] = {2, 1, 0, -2, 2, -2};
    double s, c;
    const double theta = varn::term_angle(arg, mult, s, c);
    const double sum = ((((2 * 1.5 + 1 * -2.0) + 0 * 0.25) + -2 * 3.0) + 2 * -1.0) + -2 * 0.5;
    EXPECT_EQ(theta, std::fmod(sum, D2PI));
    EXPECT_LT(theta, 0.0);
    EXPECT_TRUE(s == std::sin(theta) && c == std::cos(theta));
}
