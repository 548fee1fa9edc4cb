// A fixed amount of work for instruction counting under callgrind, which,
// unlike a clock, gives the same count on a busy or a virtual machine:
//
//   varn_work floor|pipeline|fast <epochs>
//
// floor: the bare ERFA calls of each epoch (as in varn_bench); pipeline:
// iau_compute over the same epochs, 1 s apart from 2020 January 1; fast:
// iau_compute_fast on one thread over them. See bench/icount.sh, which
// subtracts a run of zero epochs from each.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "erfa_floor.hpp"
#include "rotation/iau_compute.hpp"
#include "rotation/iau_compute_fast.hpp"
#include "time/time_scales.hpp"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: varn_work floor|pipeline|fast <epochs>\n");
        return 2;
    }
    const long n = std::atol(argv[2]);
    const bool floor_only = std::strcmp(argv[1], "floor") == 0;
    std::vector<double> tt(2 * n), xp(n, 0.1), yp(n, 0.35), dX(n, 1.5e-4), dY(n, -2e-4),
        dut(n, -0.2);
    for (long i = 0; i < n; ++i) {
        tt[i] = 58849.0;
        tt[n + i] = static_cast<double>(i);
    }
    double acc = 0.0;
    if (floor_only) {
        for (long i = 0; i < n; ++i) acc += varn_bench::erfa_floor_epoch(tt[n + i] / 86400.0 + tt[i]);
    } else {
        const int cols[18] = {9, 9, 9, 1, 1, 1, 1, 2, 2, 11, 1, 1, 1, 1, 1, 1, 2, 1};
        std::vector<double> out[18];
        double* p[18];
        for (int k = 0; k < 18; ++k) {
            out[k].resize(static_cast<size_t>(n * cols[k]));
            p[k] = out[k].data();
        }
        if (std::strcmp(argv[1], "fast") == 0)
            varn::iau_compute_fast(n, tt.data(), xp.data(), yp.data(), dX.data(), dY.data(),
                                   dut.data(), p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7],
                                   p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15], p[16],
                                   p[17], 1);
        else
            varn::iau_compute(n, tt.data(), xp.data(), yp.data(), dX.data(), dY.data(),
                              dut.data(), p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8],
                              p[9], p[10], p[11], p[12], p[13], p[14], p[15], p[16], p[17]);
        if (n > 0) acc = p[0][0];
    }
    std::printf("%.3f\n", acc);
    return 0;
}
