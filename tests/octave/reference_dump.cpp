// Writes a fixed batch and the eighteen outputs that varn::iau_compute gives
// for it, for the host tests to check that a plug-in hands them back bit for
// bit: n, then tt, xp, yp, dX, dY, DUT and the outputs, each column-major, as
// doubles in this machine's byte order. Usage: varn_reference_dump <file> [n]
// With n, n more epochs follow, spread from 1960 to 2060 with plausible
// Earth orientation: the batch on which builds for other platforms are
// compared bit for bit with this one.
#include <cstdio>
#include <cstdlib>

#include "../batch_util.hpp"

int main(int argc, char** argv) {
    using varn_test::NaN;
    using varn_test::INF;
    // Realistic epochs from 1960 to 2060 (tt day, s, xp ", yp ", dX ", dY ", DUT s), seconds
    // beyond a day, a fractional MJD, the last minute of a leap-second day, a negative MJD, a
    // date before the calendar, and non-finite values in single columns.
    varn_test::Batch b;
    for (const auto& r : std::vector<std::array<double, 7>>{
             {36934.0, 21600.0, 0.012, 0.245, 0.0, 0.0, 0.0342},
             {44000.0, 28512.0, 0.143, 0.318, -1.2e-4, 2.0e-5, -0.4812},
             {55000.25, 7200.5, 0.229, 0.430, 1.8e-4, -9.0e-5, -0.0712},
             {57203.0, 86340.0, 0.072, 0.438, 1.1e-4, -2.5e-4, 0.6893},
             {58000.0, 90000.0, 0.237, 0.307, 2.3e-4, 1.2e-4, 0.3213},
             {69807.0, 3600.0, 0.150, 0.350, 0.0, 0.0, -0.2}, {-0.25, 0.0, 0.1, 0.2, 0.0, 0.0, 0.0},
             {-2500000.0, 0.0, 0.1, 0.2, 0.0, 0.0, 0.0}, {NaN, 0.0, 0.1, 0.2, 0.0, 0.0, 0.0},
             {58849.0, INF, 0.1, 0.2, 0.0, 0.0, 0.0}, {58849.0, 0.0, NaN, 0.2, -INF, 0.0, NaN}})
        b.add(r);
    varn_test::Rng u;
    for (long k = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 0; k > 0; --k) {
        double r[6];  // drawn in order: the order of a call's arguments is the compiler's
        for (double& x : r) x = u();
        b.add_mjd(36934.0 + 36525.0 * r[0], {0.6 * r[1] - 0.3, 0.6 * r[2], 1e-3 * (r[3] - 0.5),
                                             1e-3 * (r[4] - 0.5), 1.8 * r[5] - 0.9});
    }
    const varn_test::Series s = varn_test::run(b);
    std::FILE* f = argc == 2 || argc == 3 ? std::fopen(argv[1], "wb") : nullptr;
    if (!f) return 2;
    const double n = static_cast<double>(b.n());
    bool ok = std::fwrite(&n, sizeof n, 1, f) == 1;
    for (const auto& c : b.c) ok = ok && std::fwrite(c.data(), sizeof n, c.size(), f) == c.size();
    for (const auto& a : s.a) ok = ok && std::fwrite(a.data(), sizeof n, a.size(), f) == a.size();
    return std::fclose(f) == 0 && ok ? 0 : 1;
}
