// Minimal use of the C++ API: one epoch, the GCRS-to-ITRS matrix and the
// Earth rotation angle.
//
//   build/examples/cpp_example
#include <cstdio>
#include <vector>

#include "rotation/iau_compute.hpp"

int main() {
    const std::int64_t n = 1;
    // 2007 April 5, 12:00:00 UTC is 12:01:05.184 TT (TAI - UTC = 33 s).
    const double tt[2] = {54195.0, 43265.184};  // MJD, seconds of TT
    const double xp[1] = {0.0349282};           // arcseconds
    const double yp[1] = {0.4833163};           // arcseconds
    const double dX[1] = {0.1750e-3};           // arcseconds
    const double dY[1] = {-0.2259e-3};          // arcseconds
    const double dut[1] = {-0.072073685};       // UT1 - UTC, seconds

    // Column counts of the eighteen outputs, each with n rows.
    const int cols[18] = {9, 9, 9, 1, 1, 1, 1, 2, 2, 11, 1, 1, 1, 1, 1, 1, 2, 1};
    std::vector<double> out[18];
    double* p[18];
    for (int k = 0; k < 18; ++k) {
        out[k].assign(static_cast<size_t>(n * cols[k]), 0.0);
        p[k] = out[k].data();
    }

    varn::iau_compute(n, tt, xp, yp, dX, dY, dut, p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7],
                      p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15], p[16], p[17]);

    // rc2t is flattened column-major: element (r, c) of the matrix is at
    // column 3 * c + r of the row.
    std::printf("GCRS to ITRS (with ocean tides and libration):\n");
    for (int r = 0; r < 3; ++r)
        std::printf("  %+.15f %+.15f %+.15f\n", p[0][r], p[0][3 + r], p[0][6 + r]);
    std::printf("Earth rotation angle: %.12f rad\n", p[17][0]);
    std::printf("UTC: MJD %.0f + %.6f s\n", p[7][0], p[7][1]);
    return 0;
}
