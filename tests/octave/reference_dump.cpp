// Writes a fixed batch of epochs and the eighteen output series that
// varn::iau_compute gives for it, so that the Octave tests can check that the
// plug-in hands the library's results back bit for bit.
//
// File layout, IEEE doubles in the byte order of this machine: n; then tt (n x 2), xp, yp, dX,
// dY, DUT (n x 1 each); then the eighteen outputs in call order, every array
// column-major.
//
// Usage: varn_reference_dump <file>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <vector>

#include "pipeline/iau_compute.hpp"

namespace {

constexpr int OUT_COLS[18] = {9, 9, 9, 1, 1, 1, 1, 2, 2, 11, 1, 1, 1, 1, 1, 1, 2, 1};

struct Epoch { double mjd, sec, xp_as, yp_as, dx_as, dy_as, dut_s; };

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

// Realistic epochs from 1960 to 2060 with pole coordinates of a few tenths of
// an arcsecond, UT1 - UTC within a second and offsets of a few tenths of a
// milliarcsecond; then the awkward cases: a second count beyond one day, a
// fractional MJD, the last minute of a leap-second day, a negative MJD, a
// date before the calendar, non-finite values in single columns.
constexpr Epoch EPOCHS[] = {
    {36934.0, 21600.0, 0.012, 0.245, 0.0, 0.0, 0.0342},
    {44000.0, 28512.0, 0.143, 0.318, -1.2e-4, 2.0e-5, -0.4812},
    {51544.0, 43200.0, 0.043, 0.377, -2.9e-4, -1.4e-4, 0.3554},
    {55000.25, 7200.5, 0.229, 0.430, 1.8e-4, -9.0e-5, -0.0712},
    {57203.0, 86340.0, 0.072, 0.438, 1.1e-4, -2.5e-4, 0.6893},
    {58000.0, 90000.0, 0.237, 0.307, 2.3e-4, 1.2e-4, 0.3213},
    {59580.0, 0.0, 0.054, 0.276, 3.0e-4, -1.0e-5, -0.1103},
    {60310.0, 61234.567, 0.088, 0.201, 1.5e-4, -2.2e-4, 0.0105},
    {69807.0, 3600.0, 0.150, 0.350, 0.0, 0.0, -0.2},
    {-0.25, 0.0, 0.1, 0.2, 0.0, 0.0, 0.0},
    {-2500000.0, 0.0, 0.1, 0.2, 0.0, 0.0, 0.0},
    {NaN, 0.0, 0.1, 0.2, 0.0, 0.0, 0.0},
    {58849.0, Inf, 0.1, 0.2, 0.0, 0.0, 0.0},
    {58849.0, 0.0, NaN, 0.2, 0.0, 0.0, 0.0},
    {58849.0, 0.0, 0.1, 0.2, -Inf, 0.0, 0.0},
    {58849.0, 0.0, 0.1, 0.2, 0.0, 0.0, NaN},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <file>\n", argv[0]);
        return 2;
    }
    const std::int64_t n = static_cast<std::int64_t>(sizeof EPOCHS / sizeof EPOCHS[0]);
    std::vector<double> tt(2 * n), xp(n), yp(n), dX(n), dY(n), DUT(n);
    for (std::int64_t i = 0; i < n; ++i) {
        const Epoch& e = EPOCHS[i];
        tt[i] = e.mjd;
        tt[n + i] = e.sec;
        xp[i] = e.xp_as;
        yp[i] = e.yp_as;
        dX[i] = e.dx_as;
        dY[i] = e.dy_as;
        DUT[i] = e.dut_s;
    }
    std::vector<std::vector<double>> out(18);
    for (int k = 0; k < 18; ++k) out[k].assign(n * OUT_COLS[k], -1.0);
    varn::iau_compute(n, tt.data(), xp.data(), yp.data(), dX.data(), dY.data(), DUT.data(),
                      out[0].data(), out[1].data(), out[2].data(), out[3].data(),
                      out[4].data(), out[5].data(), out[6].data(), out[7].data(),
                      out[8].data(), out[9].data(), out[10].data(), out[11].data(),
                      out[12].data(), out[13].data(), out[14].data(), out[15].data(),
                      out[16].data(), out[17].data());

    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    const double n_as_double = static_cast<double>(n);
    bool ok = std::fwrite(&n_as_double, sizeof(double), 1, f) == 1;
    for (const std::vector<double>* a : {&tt, &xp, &yp, &dX, &dY, &DUT})
        ok = ok && std::fwrite(a->data(), sizeof(double), a->size(), f) == a->size();
    for (const std::vector<double>& a : out)
        ok = ok && std::fwrite(a.data(), sizeof(double), a.size(), f) == a.size();
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) {
        std::fprintf(stderr, "%s: write failed\n", argv[1]);
        return 1;
    }
    return 0;
}
