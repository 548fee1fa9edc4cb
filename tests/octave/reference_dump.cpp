// Writes a fixed batch of epochs and the eighteen output series that
// varn::iau_compute gives for it, so that the host tests can check that the
// plug-in hands the library's results back bit for bit.
// File: n, then tt (n x 2), xp, yp, dX, dY, DUT, then the eighteen outputs,
// every array column-major, as doubles in this machine's byte order.
// Usage: varn_reference_dump <file>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <vector>

#include "pipeline/iau_compute.hpp"

int main(int argc, char** argv) {
    constexpr int OUT_COLS[18] = {9, 9, 9, 1, 1, 1, 1, 2, 2, 11, 1, 1, 1, 1, 1, 1, 2, 1};
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double Inf = std::numeric_limits<double>::infinity();
    // Rows (tt day, tt s, xp ", yp ", dX ", dY ", DUT s): realistic epochs from
    // 1960 to 2060, seconds beyond a day, a fractional MJD, the last minute of
    // a leap-second day, a negative MJD, a date before the calendar, and
    // non-finite values in single columns.
    const std::vector<std::vector<double>> rows = {
        {36934.0, 21600.0, 0.012, 0.245, 0.0, 0.0, 0.0342},
        {44000.0, 28512.0, 0.143, 0.318, -1.2e-4, 2.0e-5, -0.4812},
        {55000.25, 7200.5, 0.229, 0.430, 1.8e-4, -9.0e-5, -0.0712},
        {57203.0, 86340.0, 0.072, 0.438, 1.1e-4, -2.5e-4, 0.6893},
        {58000.0, 90000.0, 0.237, 0.307, 2.3e-4, 1.2e-4, 0.3213},
        {69807.0, 3600.0, 0.150, 0.350, 0.0, 0.0, -0.2},
        {-0.25, 0.0, 0.1, 0.2, 0.0, 0.0, 0.0},
        {-2500000.0, 0.0, 0.1, 0.2, 0.0, 0.0, 0.0},
        {NaN, 0.0, 0.1, 0.2, 0.0, 0.0, 0.0},
        {58849.0, Inf, 0.1, 0.2, 0.0, 0.0, 0.0},
        {58849.0, 0.0, NaN, 0.2, -Inf, 0.0, NaN},
    };
    const std::int64_t n = static_cast<std::int64_t>(rows.size());
    std::vector<double> in(7 * n);
    for (std::int64_t i = 0; i < n; ++i)
        for (int c = 0; c < 7; ++c) in[c * n + i] = rows[i][c];
    std::vector<std::vector<double>> out(18);
    for (int k = 0; k < 18; ++k) out[k].assign(n * OUT_COLS[k], -1.0);
    auto o = [&out](int k) { return out[k].data(); };
    const double* v = in.data();
    varn::iau_compute(n, v, v + 2 * n, v + 3 * n, v + 4 * n, v + 5 * n, v + 6 * n, o(0), o(1),
                      o(2), o(3), o(4), o(5), o(6), o(7), o(8), o(9), o(10), o(11), o(12), o(13),
                      o(14), o(15), o(16), o(17));
    std::FILE* f = argc == 2 ? std::fopen(argv[1], "wb") : nullptr;
    if (!f) return 2;
    const double nd = static_cast<double>(n);
    bool ok = std::fwrite(&nd, sizeof nd, 1, f) == 1 && std::fwrite(v, sizeof nd, in.size(), f) == in.size();
    for (const auto& a : out) ok = ok && std::fwrite(a.data(), sizeof nd, a.size(), f) == a.size();
    return std::fclose(f) == 0 && ok ? 0 : 1;
}
