// Fuzz target for the EOP reader: any bytes as a file. A failure leaves the table empty, a table
// read has every column of its length; epochs near its nodes are all NaN (LOD too) exactly
// outside the table, counted, and never predictions there.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "eop/eop_table.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    varn::EopTable t;
    if (varn::read_eop(in, t).error != varn::EopError::None) {
        if (!t.mjd.empty() || !t.xp.empty()) std::abort();
        return 0;
    }
    constexpr int N = 4;  // TT about a minute ahead of UTC: some fall before the table
    const std::size_t rows = t.mjd.size();
    if (t.lod.size() != rows || t.dut.size() != rows || t.pred_pole.size() != rows ||
        t.pred_ut1.size() != rows || t.pred_nut.size() != rows)
        std::abort();
    double tt[2 * N], v[6][N];
    bool predicted[N];
    for (int i = 0; i < N; ++i) {
        const std::uint8_t b = data[(i * 7919u) % size];
        tt[i] = t.mjd[(b * 31u + i) % t.mjd.size()] + (i - 1.5) * 0.5 * (t.mjd[1] - t.mjd[0]);
        tt[N + i] = b - 60.0;
    }
    std::int64_t nan_rows = 0;
    const std::int64_t outside =
        varn::eop_interpolate(t, N, tt, v[0], v[1], v[2], v[3], v[4], predicted, nullptr, v[5]);
    for (int i = 0; i < N; ++i) {
        const bool nan = std::isnan(v[0][i]);
        nan_rows += nan;
        if (nan != std::isnan(v[1][i]) || nan != std::isnan(v[4][i]) || (nan && predicted[i]) ||
            (nan && !std::isnan(v[5][i])))
            std::abort();
    }
    if (nan_rows != outside) std::abort();
    return 0;
}
