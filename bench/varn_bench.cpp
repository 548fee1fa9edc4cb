// Cost per epoch of the pipeline against the ERFA work it cannot avoid.
//
// The floor is one epoch's bare ERFA calls (CIP, CIO locator, sidereal
// times, polar motion, rotation angle, fundamental arguments); the rest of
// iau_compute is this system's own overhead: the three high-frequency models,
// the time-scale chain and the stores. After the runs, the ratios that
// matter are printed: pipeline / floor per epoch, and the speed-up of all
// cores over one.
//
//   varn_bench [--benchmark_repetitions=3] [--benchmark_filter=...]
// (built by CMake, never run by ctest). On a shared or virtual machine the
// times move by 10% or more from run to run; with repetitions the ratios use
// the fastest run of each benchmark.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <erfa.h>

#include "erfa_floor.hpp"
#include "models/ortho_eop.hpp"
#include "models/pmsdnut2.hpp"
#include "models/utlibr.hpp"
#include "rotation/iau_compute.hpp"
#include "rotation/iau_compute_fast.hpp"
#include "frames/state_vectors.hpp"
#include "time/time_scales.hpp"

namespace {

// Epochs are 1 s apart from 2020 January 1, as in a batch of 1 Hz data, with
// realistic Earth orientation values. The cost of the series' sines and
// cosines depends on how well the processor predicts their branches, which it
// does for neighbouring epochs: epochs scattered over decades cost up to twice
// as much per epoch, in the pipeline and in the bare ERFA calls alike.
constexpr double FIRST_MJD = 58849.0;
struct Batch {
    std::int64_t n;
    std::vector<double> tt, xp, yp, dX, dY, DUT;
    std::vector<double> out[18];
    explicit Batch(std::int64_t rows) : n(rows), tt(2 * rows), xp(rows), yp(rows), dX(rows),
                                        dY(rows), DUT(rows) {
        static const int cols[18] = {9, 9, 9, 1, 1, 1, 1, 2, 2, 11, 1, 1, 1, 1, 1, 1, 2, 1};
        for (std::int64_t i = 0; i < rows; ++i) {
            tt[i] = FIRST_MJD + std::floor(static_cast<double>(i) / 86400.0);
            tt[rows + i] = std::fmod(static_cast<double>(i), 86400.0);
            xp[i] = 0.1 + 0.2 * std::sin(1e-3 * i);
            yp[i] = 0.35 + 0.1 * std::cos(1e-3 * i);
            dX[i] = 1.5e-4;
            dY[i] = -2.0e-4;
            DUT[i] = -0.2 + 0.3 * std::sin(1e-4 * i);
        }
        for (int k = 0; k < 18; ++k) out[k].resize(static_cast<size_t>(rows * cols[k]));
    }
    // threads 0: iau_compute; otherwise iau_compute_parallel, or
    // iau_compute_fast when fast.
    void run(int threads, bool fast = false) {
        double* o[18];
        for (int k = 0; k < 18; ++k) o[k] = out[k].data();
        if (fast) {
            varn::iau_compute_fast(n, tt.data(), xp.data(), yp.data(), dX.data(), dY.data(),
                                   DUT.data(), o[0], o[1], o[2], o[3], o[4], o[5], o[6], o[7],
                                   o[8], o[9], o[10], o[11], o[12], o[13], o[14], o[15], o[16],
                                   o[17], threads);
        } else if (threads == 0) {
            varn::iau_compute(n, tt.data(), xp.data(), yp.data(), dX.data(), dY.data(),
                              DUT.data(), o[0], o[1], o[2], o[3], o[4], o[5], o[6], o[7], o[8],
                              o[9], o[10], o[11], o[12], o[13], o[14], o[15], o[16], o[17]);
        } else {
            varn::iau_compute_parallel(n, tt.data(), xp.data(), yp.data(), dX.data(), dY.data(),
                                       DUT.data(), o[0], o[1], o[2], o[3], o[4], o[5], o[6],
                                       o[7], o[8], o[9], o[10], o[11], o[12], o[13], o[14],
                                       o[15], o[16], o[17], threads);
        }
    }
};

double epoch_mjd(std::int64_t i) {
    return FIRST_MJD + static_cast<double>(i % 10000000) / 86400.0;
}

void per_epoch(benchmark::State& state, std::int64_t epochs_per_iteration) {
    state.SetItemsProcessed(state.iterations() * epochs_per_iteration);
    // Seconds per epoch (printed with an SI prefix: u is microseconds).
    state.counters["s/epoch"] = benchmark::Counter(
        static_cast<double>(state.iterations() * epochs_per_iteration),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Runs work(m) for consecutive epochs m, one per iteration.
template <class Work>
void each_epoch(benchmark::State& state, Work work) {
    std::int64_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(work(epoch_mjd(i++)));
    per_epoch(state, 1);
}

// The bare ERFA calls of one epoch: the floor.
void BM_ErfaFloor(benchmark::State& state) { each_epoch(state, varn_bench::erfa_floor_epoch); }
BENCHMARK(BM_ErfaFloor);

// The three calls that dominate the floor.
void BM_ErfaXy06S06Gst06a(benchmark::State& state) {
    each_epoch(state, [](double m) {
        double x, y;
        eraXy06(varn::DJMJD0, m, &x, &y);
        return eraS06(varn::DJMJD0, m, x, y) + eraGst06a(varn::DJMJD0, m, varn::DJMJD0, m);
    });
}
BENCHMARK(BM_ErfaXy06S06Gst06a);

void BM_OrthoEop(benchmark::State& state) {
    each_epoch(state, [](double m) {
        double eop[3];
        varn::ortho_eop(m, eop);
        return eop[0] + eop[1] + eop[2];
    });
}
BENCHMARK(BM_OrthoEop);

void BM_Pmsdnut2(benchmark::State& state) {
    each_epoch(state, [](double m) {
        double pm[2];
        varn::pmsdnut2(m, pm);
        return pm[0] + pm[1];
    });
}
BENCHMARK(BM_Pmsdnut2);

void BM_Utlibr(benchmark::State& state) {
    each_epoch(state, [](double m) {
        double dut1, dlod;
        varn::utlibr(m, dut1, dlod);
        return dut1 + dlod;
    });
}
BENCHMARK(BM_Utlibr);

// TT -> TAI -> UTC -> UT1 as the pipeline runs it.
void BM_TimeScaleChain(benchmark::State& state) {
    each_epoch(state, [](double m) {
        double a1, a2, u1, u2, t1, t2;
        varn::tttai(varn::DJMJD0, m, a1, a2);
        varn::taiutc(a1, a2, u1, u2);
        varn::utcut1(u1, u2, -0.1, t1, t2);
        return t2;
    });
}
BENCHMARK(BM_TimeScaleChain);

// iau_compute, sequential, on n epochs per call.
void BM_IauCompute(benchmark::State& state) {
    Batch b(state.range(0));
    for (auto _ : state) {
        b.run(0);
        benchmark::ClobberMemory();
    }
    per_epoch(state, b.n);
}
BENCHMARK(BM_IauCompute)->Arg(1)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// iau_compute_parallel on n epochs with the given number of threads (real
// time: the work of the workers is not on the calling thread's clock).
void BM_IauComputeParallel(benchmark::State& state) {
    Batch b(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    for (auto _ : state) {
        b.run(threads);
        benchmark::ClobberMemory();
    }
    per_epoch(state, b.n);
}
const int HW = static_cast<int>(std::thread::hardware_concurrency() ? std::thread::hardware_concurrency() : 1);
BENCHMARK(BM_IauComputeParallel)
    ->Args({16, 1})->Args({16, HW})->Args({100000, 1})->Args({100000, HW})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

// The use cases of the fast computation, against the exact one in the same
// run: 10-minute epochs over a year (52,560), 1 Hz over a day (86,400),
// 1,000 random epochs over ten years (sparse: the fast computation must stay
// exact and cost no more); and the year's epochs shuffled, to see what
// computing the rows in time order recovers.
enum Scenario { YEAR_10MIN, DAY_1HZ, SPARSE_10Y, YEAR_SHUFFLED };
Batch scenario_batch(int s) {
    const std::int64_t n = s == DAY_1HZ ? 86400 : s == SPARSE_10Y ? 1000 : 52560;
    Batch b(n);
    std::uint64_t state = 0x2545f4914f6cdd1dull;
    auto next = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return state >> 11;
    };
    std::vector<double> m(static_cast<size_t>(n));
    for (std::int64_t i = 0; i < n; ++i) {
        m[i] = s == DAY_1HZ      ? FIRST_MJD + static_cast<double>(i) / 86400.0
               : s == SPARSE_10Y ? FIRST_MJD + 3652.5 * static_cast<double>(next()) / 0x1p53
                                 : FIRST_MJD + static_cast<double>(i) / 144.0;
    }
    if (s == YEAR_SHUFFLED) {
        for (std::int64_t i = n - 1; i > 0; --i) std::swap(m[i], m[next() % (i + 1)]);
    }
    for (std::int64_t i = 0; i < n; ++i) {
        b.tt[i] = std::floor(m[i]);
        b.tt[n + i] = (m[i] - std::floor(m[i])) * 86400.0;
    }
    return b;
}

// Arguments: scenario; 0 exact (iau_compute_parallel, rows in time order),
// 1 fast, 2 iau_compute (one thread, rows in the given order); threads.
void BM_Scenario(benchmark::State& state) {
    Batch b = scenario_batch(static_cast<int>(state.range(0)));
    const int mode = static_cast<int>(state.range(1));
    const int threads = mode == 2 ? 0 : static_cast<int>(state.range(2));
    for (auto _ : state) {
        b.run(threads, mode == 1);
        benchmark::ClobberMemory();
    }
    per_epoch(state, b.n);
}
BENCHMARK(BM_Scenario)
    ->ArgsProduct({{YEAR_10MIN, DAY_1HZ, SPARSE_10Y}, {0, 1}, {1, HW}})
    ->Args({YEAR_SHUFFLED, 0, 1})->Args({YEAR_SHUFFLED, 2, 1})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

// The gateway's copies for n epochs: the 7n input doubles into private
// arrays and the 63n doubles of the eighteen private outputs into the host's,
// all buffers touched before (the host and the pipeline touch them anyway).
void BM_GatewayCopies(benchmark::State& state) {
    const std::int64_t n = state.range(0);
    std::vector<double> host_in(static_cast<size_t>(7 * n), 1.0);
    std::vector<double> priv_in(static_cast<size_t>(7 * n), 0.0);
    std::vector<double> priv_out(static_cast<size_t>(63 * n), 2.0);
    std::vector<double> host_out(static_cast<size_t>(63 * n), 0.0);
    for (auto _ : state) {
        std::copy(host_in.begin(), host_in.end(), priv_in.begin());
        std::copy(priv_out.begin(), priv_out.end(), host_out.begin());
        benchmark::DoNotOptimize(priv_in.data());
        benchmark::DoNotOptimize(host_out.data());
        benchmark::ClobberMemory();
    }
    per_epoch(state, n);
}
BENCHMARK(BM_GatewayCopies)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The memory cost of the private arrays themselves: allocating the 70n
// doubles, the first touch of every page (the kernel's zeroing; the pipeline
// pays it when it first writes), and the release.
void BM_GatewayPrivateArrays(benchmark::State& state) {
    const std::int64_t n = state.range(0);
    for (auto _ : state) {
        std::vector<double> priv(static_cast<size_t>(70 * n));
        benchmark::DoNotOptimize(priv.data());
        benchmark::ClobberMemory();
    }
    per_epoch(state, n);
}
BENCHMARK(BM_GatewayPrivateArrays)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

// State vectors GCRS to ITRS (r, v, a and lod per row) of n rows on the given
// threads, from matrices that varn computed: 64 epochs repeated down the
// batch (the transform's cost does not depend on the values).
void BM_StateVectors(benchmark::State& state) {
    const std::int64_t n = state.range(0);
    const int threads = static_cast<int>(state.range(1));
    Batch b(64);
    b.run(0);
    std::vector<double> rc2t(9 * n), rpom(9 * n), x(9 * n), lod(n, 1e-3), out(9 * n);
    for (std::int64_t j = 0; j < 9 * n; ++j) {
        rc2t[j] = b.out[0][j / n * 64 + j % n % 64];
        rpom[j] = b.out[2][j / n * 64 + j % n % 64];
        x[j] = 1e6 + static_cast<double>(j % 1000);
    }
    for (auto _ : state) {
        varn::gcrs_to_itrs(n, rc2t.data(), rpom.data(), x.data(), x.data() + 3 * n,
                           x.data() + 6 * n, lod.data(), out.data(), out.data() + 3 * n,
                           out.data() + 6 * n, threads);
        benchmark::ClobberMemory();
    }
    per_epoch(state, n);
}
BENCHMARK(BM_StateVectors)->Args({1000000, 1})->Args({1000000, HW})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps the per-epoch time of every run, for the ratios printed at the end:
// with repetitions, the fastest run of each benchmark, the one least
// disturbed by whatever else the machine was doing.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> us_per_epoch;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration) continue;
            auto it = r.counters.find("s/epoch");
            if (it == r.counters.end()) continue;
            const double us = it->second.value * 1e6;
            auto [slot, fresh] = us_per_epoch.emplace(r.benchmark_name(), us);
            if (!fresh && us < slot->second) slot->second = us;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    auto get = [&](const std::string& name) {
        auto it = reporter.us_per_epoch.find(name);
        return it == reporter.us_per_epoch.end() ? NAN : it->second;
    };
    const std::string hw = std::to_string(HW);
    const double floor_us = get("BM_ErfaFloor");
    std::printf("\nper epoch: ERFA floor %.2f us; ortho_eop %.2f, pmsdnut2 %.2f, utlibr %.2f, "
                "time scales %.2f us\n",
                floor_us, get("BM_OrthoEop"), get("BM_Pmsdnut2"), get("BM_Utlibr"),
                get("BM_TimeScaleChain"));
    for (const char* n : {"1", "1000", "100000"}) {
        const double us = get(std::string("BM_IauCompute/") + n + "/real_time");
        std::printf("iau_compute n = %-6s %8.2f us/epoch  pipeline / floor = %.3f\n", n, us,
                    us / floor_us);
    }
    const double one = get("BM_IauComputeParallel/100000/1/real_time");
    const double all = get("BM_IauComputeParallel/100000/" + hw + "/real_time");
    std::printf("n = 100000: 1 thread %.2f us/epoch, %s threads %.2f us/epoch, speed-up %.2f\n",
                one, hw.c_str(), all, one / all);
    std::printf("\nus per epoch            exact 1 thread  fast  speed-up | exact %s threads  "
                "fast  speed-up\n", hw.c_str());
    const char* names[3] = {"10 min over a year", "1 Hz over a day", "1000 over 10 years"};
    for (int s = 0; s < 3; ++s) {
        auto at = [&](int mode, const std::string& threads) {
            return get("BM_Scenario/" + std::to_string(s) + "/" + std::to_string(mode) + "/" +
                       threads + "/real_time");
        };
        std::printf("%-22s %10.2f %9.3f %8.1f | %10.2f %14.3f %8.1f\n", names[s], at(0, "1"),
                    at(1, "1"), at(0, "1") / at(1, "1"), at(0, hw), at(1, hw),
                    at(0, hw) / at(1, hw));
    }
    const double shuffled_given = get("BM_Scenario/3/2/1/real_time");
    const double shuffled_timed = get("BM_Scenario/3/0/1/real_time");
    std::printf("exact, 10 min over a year, 1 thread: sorted %.2f us/epoch; shuffled in the given "
                "order %.2f (x %.2f), in time order %.2f (x %.2f)\n",
                get("BM_Scenario/0/0/1/real_time"), shuffled_given,
                shuffled_given / get("BM_Scenario/0/0/1/real_time"), shuffled_timed,
                shuffled_timed / get("BM_Scenario/0/0/1/real_time"));
    const double copies = get("BM_GatewayCopies/1000000/real_time");
    const double priv = get("BM_GatewayPrivateArrays/1000000/real_time");
    std::printf("n = 1e6 on %s threads: gateway copies %.3f us/epoch = %.2f%% of a call; "
                "private arrays (allocation, first touch) %.3f us/epoch = %.2f%%\n",
                hw.c_str(), copies, 100.0 * copies / (all + copies + priv), priv,
                100.0 * priv / (all + copies + priv));
    const double states_one = get("BM_StateVectors/1000000/1/real_time");
    const double states_all = get("BM_StateVectors/1000000/" + hw + "/real_time");
    std::printf("state vectors GCRS -> ITRS, n = 1e6: 1 thread %.4f us/row = %.2f%% of the "
                "varn computation of the matrices; %s threads %.4f us/row = %.2f%%\n",
                states_one, 100.0 * states_one / one, hw.c_str(), states_all,
                100.0 * states_all / all);
    return 0;
}
