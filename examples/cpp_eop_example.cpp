// The whole job in C++: Earth orientation read from an IERS series and
// interpolated to the epochs, then the GCRS-to-ITRS rotation of a dense batch
// by the fast computation (within 1e-12 of the exact one).
//
//   build/examples/cpp_eop_example [EOP file]
// Without an argument it reads the excerpt of the EOP 14 C04 series that the
// tests use (2016-12-17 to 2017-01-15) and takes 2017 January 1, a minute
// apart: the first day after the last leap second.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "eop/eop_table.hpp"
#include "rotation/iau_compute_fast.hpp"

int main(int argc, char** argv) {
    const std::string here = __FILE__;
    const std::string file = argc > 1 ? argv[1]
        : here.substr(0, here.rfind('/')) + "/../tests/data/eopc04_14_2016-12.txt";
    varn::EopTable table;
    const varn::EopStatus status = varn::read_eop(file, table);
    if (status.error != varn::EopError::None) {
        std::fprintf(stderr, "%s: cannot read (line %lld, field %s)\n", file.c_str(),
                     static_cast<long long>(status.line), status.field);
        return 1;
    }

    // TT of 2017 January 1 (UTC) every minute: TT - UTC = 37 s + 32.184 s.
    const std::int64_t n = 1440;
    std::vector<double> tt(2 * n);
    for (std::int64_t i = 0; i < n; ++i) {
        tt[i] = 57754.0;                          // MJD
        tt[n + i] = 60.0 * i + 37.0 + 32.184;     // seconds of TT
    }

    // xp, yp, dX, dY (arcseconds) and UT1 - UTC (seconds) at each epoch.
    std::vector<double> xp(n), yp(n), dX(n), dY(n), dut(n);
    std::unique_ptr<bool[]> predicted(new bool[n]);
    varn::eop_interpolate(table, n, tt.data(), xp.data(), yp.data(), dX.data(), dY.data(),
                          dut.data(), predicted.get());

    // The eighteen outputs, n rows each; 0 threads: one per hardware thread.
    const int cols[18] = {9, 9, 9, 1, 1, 1, 1, 2, 2, 11, 1, 1, 1, 1, 1, 1, 2, 1};
    std::vector<double> out[18];
    double* p[18];
    for (int k = 0; k < 18; ++k) p[k] = (out[k].assign(n * cols[k], 0.0), out[k].data());
    varn::iau_compute_fast(n, tt.data(), xp.data(), yp.data(), dX.data(), dY.data(), dut.data(),
                           p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9], p[10],
                           p[11], p[12], p[13], p[14], p[15], p[16], p[17], 0);

    std::printf("%s: %zu rows, MJD %.2f to %.2f\n", file.c_str(), table.mjd.size(),
                table.mjd.front(), table.mjd.back());
    std::printf("12:00 UTC: xp %.6f\" yp %.6f\" UT1-UTC %.7f s\n", xp[720], yp[720], dut[720]);
    std::printf("GCRS to ITRS at 12:00 UTC:\n");
    for (int r = 0; r < 3; ++r)  // matrix element (r, c) is column 3c + r of the row
        std::printf("  %+.15f %+.15f %+.15f\n", p[0][r * n + 720], p[0][(3 + r) * n + 720],
                    p[0][(6 + r) * n + 720]);
    return 0;
}
