// Cost of the Earth orientation reader: reading a whole daily series (goal:
// 50 ms for the 1962-now series of about 23,000 rows) and interpolating it
// to epochs (goal: 1 us per epoch).
//
//   VARN_EOP_FILE=/path/to/eopc04_IAU2000.62-now eop_bench
// reads that file; without the variable a synthetic series of 23,000 rows in
// the EOP 14 C04 layout is written to a temporary file first.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <erfa.h>
#include <stdlib.h>  // mkstemp

#include "eop/eop_table.hpp"

namespace {

constexpr int SYNTHETIC_ROWS = 23000;
constexpr double FIRST_MJD = 37665.0;  // 1962 January 1

// A series with the real file's header, layout and magnitudes.
std::string write_synthetic() {
    char path[] = "/tmp/varn_eop_benchXXXXXX";
    const int fd = mkstemp(path);
    std::FILE* f = fd >= 0 ? fdopen(fd, "w") : nullptr;
    if (!f) return "";
    std::fprintf(f, "  EOP (IERS) 14 C04 TIME SERIES (synthetic, for the benchmark)\n"
                    "  FORMAT(3(I4),I7,2(F11.6),2(F12.7),2(F11.6),2(F11.6),2(F11.7),2(F12.6))\n"
                    "  Date  MJD  x  y  UT1-UTC  LOD  dX  dY  x Err  y Err  UT1-UTC Err  "
                    "LOD Err  dX Err  dY Err\n\n");
    for (int k = 0; k < SYNTHETIC_ROWS; ++k) {
        const double mjd = FIRST_MJD + k;
        int y, m, d;
        double fd_unused;
        eraJd2cal(2400000.5, mjd, &y, &m, &d, &fd_unused);
        std::fprintf(f,
                     "%4d%4d%4d%7d%11.6f%11.6f%12.7f%12.7f%11.6f%11.6f%11.6f%11.6f%11.7f%11.7f"
                     "%12.6f%12.6f\n",
                     y, m, d, static_cast<int>(mjd), 0.1 + 0.2 * std::sin(k * 0.0145),
                     0.3 + 0.2 * std::cos(k * 0.0145), 0.3 * std::sin(k * 0.002), 0.001, 1e-4,
                     -1e-4, 3e-5, 3e-5, 1e-5, 1e-5, 4e-5, 4e-5);
    }
    std::fclose(f);
    return path;
}

bool synthetic = false;

const std::string& series_path() {
    static const std::string path = [] {
        const char* env = std::getenv("VARN_EOP_FILE");
        synthetic = !env;
        return env ? std::string(env) : write_synthetic();
    }();
    return path;
}

void BM_EopRead(benchmark::State& state) {
    varn::EopTable table;
    for (auto _ : state) {
        if (varn::read_eop(series_path(), table).error != varn::EopError::None) {
            state.SkipWithError(("cannot read " + series_path()).c_str());
            break;
        }
        benchmark::DoNotOptimize(table.mjd.data());
    }
    state.counters["rows"] = static_cast<double>(table.mjd.size());
}
BENCHMARK(BM_EopRead)->Unit(benchmark::kMillisecond);

// Epochs spread over the whole series, TT as (MJD, seconds).
void BM_EopInterpolate(benchmark::State& state) {
    varn::EopTable table;
    if (varn::read_eop(series_path(), table).error != varn::EopError::None) {
        state.SkipWithError("cannot read the series");
        return;
    }
    const std::int64_t n = 100000;
    const double span = table.mjd.back() - table.mjd.front();
    std::vector<double> tt(2 * n), out(5 * n);
    std::unique_ptr<bool[]> predicted(new bool[n]);
    for (std::int64_t i = 0; i < n; ++i) {
        tt[i] = std::floor(table.mjd.front() + 1 + (span - 2) * i / n);
        tt[n + i] = std::fmod(i * 997.0, 86400.0);
    }
    for (auto _ : state) {
        varn::eop_interpolate(table, n, tt.data(), &out[0], &out[n], &out[2 * n], &out[3 * n],
                              &out[4 * n], predicted.get());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["s/epoch"] = benchmark::Counter(
        static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate |
                                    benchmark::Counter::kInvert);
}
BENCHMARK(BM_EopInterpolate)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (synthetic) std::remove(series_path().c_str());
    return 0;
}
