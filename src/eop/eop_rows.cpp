// The row formats of the IERS Earth orientation series: the blank-separated
// columns of the two C04 series and the fixed byte columns of finals2000A.
// Nothing here reads past the end of a line.
#include "eop/eop_detail.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <erfa.h>

#include "common/number_parse.hpp"

namespace varn::eop_detail {
namespace {

using detail::is_blank_char;
using detail::parse_decimal;
using detail::skip_blanks;

// Arcseconds per milliarcsecond: finals2000A gives dX, dY in mas.
constexpr double AS_PER_MAS = 1e-3;
// Milliseconds per second: finals2000A gives LOD in ms.
constexpr double MS_PER_S = 1000.0;
// Largest difference between an EOP 20 C04 row's hour and its MJD's
// fraction of day: half the last digit of the MJD column (f10.2).
constexpr double HOUR_TOL_DAY = 0.005;
constexpr double HOURS_PER_DAY = 24.0;
// Last MJD whose two-digit finals2000A year is in the 1900s (1999-12-31).
constexpr double FINALS_LAST_1900S_MJD = 51543.0;

// A whole number of one to four digits (Fortran I4 or I2). No date or hour
// column is ever negative.
bool parse_int(std::string_view s, int& value) {
    std::int64_t v;
    if (!detail::parse_digits(s, 4, v)) return false;
    value = static_cast<int>(v);
    return true;
}

// The date columns against the MJD: the columns must form a calendar date
// (from the year 1), and that date must be the MJD's day. Sets date_mjd;
// returns the name of the failing field, or null.
const char* date_error(Row& r) {
    if (!(r.year >= 1)) return "year";
    double djm0;
    switch (eraCal2jd(r.year, r.month, r.day, &djm0, &r.date_mjd)) {
        case 0: break;
        case -2: return "month";
        case -3: return "day";
        default: return "year";
    }
    return (r.mjd >= r.date_mjd && r.mjd < r.date_mjd + 1.0) ? nullptr : "date";
}

// Field positions of the two C04 layouts, counted in blank-separated tokens
// from 0. EOP 14 C04: year month day MJD x y UT1-UTC LOD dX dY ...; EOP 20
// C04: year month day hour MJD x y UT1-UTC dX dY xrt yrt LOD ...
struct C04Columns {
    int hour;  // 0: no hour column (token 0 is the year)
    int mjd, xp, yp, dut, dX, dY, lod;
};
constexpr C04Columns C04_14_COLUMNS = {0, 3, 4, 5, 6, 8, 9, 7};
constexpr C04Columns C04_20_COLUMNS = {3, 4, 5, 6, 7, 8, 9, 12};
constexpr int C04_TOKENS = 13;  // tokens read from a row; the rest are not used

}  // namespace

LineResult read_c04_row(std::string_view line, EopFormat format, Row& r, RowReader& rr) {
    const C04Columns& col = format == EopFormat::C04_20 ? C04_20_COLUMNS : C04_14_COLUMNS;
    std::string_view tok[C04_TOKENS];
    int count = 0;
    const char* p = line.data();
    const char* const line_end = line.data() + line.size();
    while (count < C04_TOKENS) {
        p = std::find_if_not(p, line_end, is_blank_char);
        if (p == line_end) break;
        const char* end = std::find_if(p, line_end, is_blank_char);
        tok[count++] = std::string_view(p, static_cast<std::size_t>(end - p));
        p = end;
    }
    // Missing trailing tokens are empty and fail their parse below.
    int hour = 0;
    if (!parse_int(tok[0], r.year)) return rr.bad("year");
    if (!parse_int(tok[1], r.month)) return rr.bad("month");
    if (!parse_int(tok[2], r.day)) return rr.bad("day");
    if (col.hour && !parse_int(tok[col.hour], hour)) return rr.bad("hour");
    if (!parse_decimal(tok[col.mjd], r.mjd)) return rr.bad("MJD");
    if (!parse_decimal(tok[col.xp], r.xp)) return rr.bad("x");
    if (!parse_decimal(tok[col.yp], r.yp)) return rr.bad("y");
    if (!parse_decimal(tok[col.dut], r.dut)) return rr.bad("UT1-UTC");
    if (!parse_decimal(tok[col.dX], r.dX)) return rr.bad("dX");
    if (!parse_decimal(tok[col.dY], r.dY)) return rr.bad("dY");
    // A row that ends before its LOD column (EOP 20 C04 cut after dY) has
    // no LOD; one that has the column must hold a number there. (In EOP 14
    // C04 the column comes before dX, dY, so every row read so far has it.)
    if (count > col.lod && !parse_decimal(tok[col.lod], r.lod))
        return rr.bad("LOD");
    if (const char* f = date_error(r)) return rr.bad(f);
    if (col.hour &&
        !(std::fabs(hour / HOURS_PER_DAY - (r.mjd - r.date_mjd)) <= HOUR_TOL_DAY))
        return rr.bad("hour");
    return LineResult::Row;
}

namespace {

// Bytes first..last (1-based, inclusive) of a finals2000A line, without its
// leading blanks; what lies beyond the end of a short line is blank.
std::string_view finals_field(std::string_view line, std::size_t first, std::size_t last) {
    if (line.size() < first) return {};
    return skip_blanks(line.substr(first - 1, last - first + 1));
}

// The I/P flag at a byte (1-based) of a finals2000A line: predicted is true
// for P (prediction), false for I; false for anything else.
bool parse_flag(std::string_view line, std::size_t byte, bool& predicted) {
    const char f = line.size() >= byte ? line[byte - 1] : ' ';
    predicted = f == 'P';
    return predicted || f == 'I';
}

}  // namespace

LineResult read_finals_row(std::string_view line, Row& r, RowReader& rr) {
    if (!parse_int(finals_field(line, 1, 2), r.year)) return rr.bad("year");
    if (!parse_int(finals_field(line, 3, 4), r.month)) return rr.bad("month");
    if (!parse_int(finals_field(line, 5, 6), r.day)) return rr.bad("day");
    if (!parse_decimal(finals_field(line, 8, 15), r.mjd)) return rr.bad("MJD");
    r.year += (r.mjd <= FINALS_LAST_1900S_MJD) ? 1900 : 2000;
    if (const char* f = date_error(r)) return rr.bad(f);

    const std::string_view x = finals_field(line, 19, 27), y = finals_field(line, 38, 46);
    const std::string_view dut = finals_field(line, 59, 68);
    if (x.empty() || y.empty() || dut.empty()) return LineResult::End;
    if (!parse_flag(line, 17, r.pred_pole)) return rr.bad("pole flag");
    if (!parse_decimal(x, r.xp)) return rr.bad("x");
    if (!parse_decimal(y, r.yp)) return rr.bad("y");
    if (!parse_flag(line, 58, r.pred_ut1)) return rr.bad("UT1 flag");
    if (!parse_decimal(dut, r.dut)) return rr.bad("UT1-UTC");
    // Bulletin A LOD (ms), not always filled; it has no flag of its own and
    // goes with UT1's (it is UT1's rate).
    const std::string_view lod = finals_field(line, 80, 86);
    double ms;
    if (!lod.empty()) {
        if (!parse_decimal(lod, ms)) return rr.bad("LOD");
        r.lod = ms / MS_PER_S;
    }
    const std::string_view dx = finals_field(line, 98, 106), dy = finals_field(line, 117, 125);
    if (!(dx.empty() && dy.empty()) && !parse_flag(line, 96, r.pred_nut))
        return rr.bad("nutation flag");
    double mas;
    if (!dx.empty()) {
        if (!parse_decimal(dx, mas)) return rr.bad("dX");
        r.dX = mas * AS_PER_MAS;
    }
    if (!dy.empty()) {
        if (!parse_decimal(dy, mas)) return rr.bad("dY");
        r.dY = mas * AS_PER_MAS;
    }
    return LineResult::Row;
}

}  // namespace varn::eop_detail
