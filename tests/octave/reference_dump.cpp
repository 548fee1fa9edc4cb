// Writes a fixed batch and the eighteen outputs that varn::iau_compute gives
// for it, for the host tests to check that a plug-in hands them back bit for
// bit: n, then tt, xp, yp, dX, dY, DUT and the outputs, each column-major, as
// doubles in this machine's byte order. Then the same for state vectors on
// the matrices of the first M rows: M, then r, v, a (M x 3), lod (M x 1), the
// r, v, a that varn::gcrs_to_itrs gives for them and those that
// varn::itrs_to_gcrs gives for the same inputs.
// Usage: varn_reference_dump <file> [n]
// With n, n more epochs follow the fixed ones, spread from 1960 to 2060 with
// plausible Earth orientation: the batch on which builds for other
// platforms are compared bit for bit with this one.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "../batch_util.hpp"
#include "frames/state_vectors.hpp"

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

    // States of a low, a geostationary and a lunar distance (m, m/s, m/s^2
    // of gravity), lod from -2 to 3 ms; outputs start at a sentinel.
    constexpr std::int64_t M = 6;
    std::vector<double> st(10 * M + 18 * M, -12345.0);
    double* x = st.data();
    for (std::int64_t i = 0; i < M; ++i) {
        const double scale = i % 3 == 0 ? 7.0e6 : i % 3 == 1 ? 4.2e7 : 3.8e8;
        const double r[3] = {scale * 0.6, scale * (0.3 * i - 0.7), scale * 0.35};
        const double norm = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
        for (int c = 0; c < 3; ++c) {
            x[c * M + i] = r[c];
            x[3 * M + c * M + i] = std::sqrt(3.986004418e14 / norm) * (c == 1 ? 0.9 : 0.3 - 0.1 * c);
            x[6 * M + c * M + i] = -3.986004418e14 * r[c] / (norm * norm * norm);
        }
        x[9 * M + i] = 1e-3 * (static_cast<double>(i) - 2.0);
    }
    const std::int64_t n64 = b.n();
    for (int to_itrs = 1; to_itrs >= 0; --to_itrs) {
        double* o = x + 10 * M + (1 - to_itrs) * 9 * M;
        ok = ok && varn::transform_states(
                       to_itrs, M, {s.a[varn_test::RC2T].data(), 1, n64, 3 * n64},
                       {s.a[varn_test::RPOM].data(), 1, n64, 3 * n64}, {x, 1, M},
                       {x + 3 * M, 1, M}, {x + 6 * M, 1, M}, {x + 9 * M, 1}, {o, 1, M},
                       {o + 3 * M, 1, M}, {o + 6 * M, 1, M}, 1);
    }
    const double m = static_cast<double>(M);
    ok = ok && std::fwrite(&m, sizeof m, 1, f) == 1 &&
         std::fwrite(st.data(), sizeof m, st.size(), f) == st.size();
    return std::fclose(f) == 0 && ok ? 0 : 1;
}
