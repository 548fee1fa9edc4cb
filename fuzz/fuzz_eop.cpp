// Fuzz target for the Earth orientation reader: any bytes as a file, read
// from a stream. Beside the sanitizers it checks that the stream and text
// readers agree, that a failure leaves the table empty, and, when a table
// results, that epochs taken from the input interpolate consistently: NaN
// exactly outside the table, the warning count right, predictions only inside.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "eop/eop_table.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream in(text);
    varn::EopTable table, again;
    const varn::EopStatus s = varn::read_eop(in, table);
    const varn::EopStatus t = varn::read_eop_text(text.data(), text.size(), again);
    if (s.error != t.error || s.line != t.line || std::strcmp(s.field, t.field) != 0 ||
        table.mjd != again.mjd)
        std::abort();
    if (s.error != varn::EopError::None) {
        if (!table.mjd.empty() || !table.xp.empty()) std::abort();
        return 0;
    }
    // Four epochs: near a node chosen by the input, and its seconds; TT runs
    // about a minute ahead of UTC, so some fall before the first node.
    constexpr int N = 4;
    double tt[2 * N], xp[N], yp[N], dX[N], dY[N], DUT[N];
    bool predicted[N];
    const std::size_t rows = table.mjd.size();
    for (int i = 0; i < N; ++i) {
        const std::uint8_t b = size > 0 ? data[(i * 7919u) % size] : 0;
        tt[i] = table.mjd[(b * 31u + i) % rows] + (i - 1.5) * 0.5 * (table.mjd[1] - table.mjd[0]);
        tt[N + i] = static_cast<double>(b) - 60.0;
    }
    const std::int64_t outside =
        varn::eop_interpolate(table, N, tt, xp, yp, dX, dY, DUT, predicted);
    std::int64_t nan_rows = 0;
    for (int i = 0; i < N; ++i) {
        nan_rows += std::isnan(xp[i]);
        if (std::isnan(xp[i]) != std::isnan(DUT[i]) || std::isnan(xp[i]) != std::isnan(yp[i]) ||
            (std::isnan(xp[i]) && predicted[i]))
            std::abort();
    }
    if (nan_rows != outside) std::abort();
    return 0;
}
