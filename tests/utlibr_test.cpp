// Libration in UT1 and LOD: the published test cases and the link between
// the two tabulated series.
#include "models/utlibr.hpp"

#include "test_util.hpp"

using namespace varn_test;

// Test cases published with the IERS Conventions (2010) model software.
// Tolerance 1e-10 of the unit: another mathematics library may move the last
// bits of the sines and cosines. The outputs are replaced, not added to; a
// NaN epoch gives NaN.
TEST(Utlibr, PublishedTestCasesAndNaNEpoch) {
    struct Case { double rmjd, dut1_us, dlod_us_per_day; };
    const Case cases[] = {{44239.1, 2.441143834386761746, -14.78971247349449492},
                          {55227.4, -2.655705844335680244, 27.39445826599846967}};
    double dut1, dlod;
    for (const Case& c : cases) {
        dut1 = 1e9, dlod = -1e9;
        varn::utlibr(c.rmjd, dut1, dlod);
        EXPECT_TRUE(near("dUT1 (us)", c.dut1_us, dut1, 1e-10)) << c.rmjd;
        EXPECT_TRUE(near("dLOD (us/day)", c.dlod_us_per_day, dlod, 1e-10)) << c.rmjd;
    }
    varn::utlibr(NaN, dut1, dlod);
    EXPECT_TRUE(std::isnan(dut1) && std::isnan(dlod));
}

// dLOD is tabulated, not derived, yet it is the negative rate of dUT1 within
// the rounding of the table (coefficients to 0.01 us and 0.1 us/day, with
// rates of about 4 pi per day): a swapped column or a wrong sign shows here.
TEST(Utlibr, LodIsTheNegativeRateOfUt1) {
    const double h = 1e-4;  // days
    for (double m = 51000.0; m < 51003.0; m += 0.0731) {
        double u_plus, u_minus, u, lod;
        varn::utlibr(m + h, u_plus, lod);
        varn::utlibr(m - h, u_minus, lod);
        varn::utlibr(m, u, lod);
        EXPECT_TRUE(near("dLOD + dUT1/dt (us/day)", 0.0, lod + (u_plus - u_minus) / (2 * h), 0.6));
    }
}
