// Internal to the EOP reader: what its parts share. A line of the file
// becomes a Row (eop_rows.cpp), which joins the table after the checks of
// eop_check.cpp; eop_read.cpp finds the layout and walks the lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "eop/eop_table.hpp"

namespace varn::eop_detail {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
// Points of the Lagrange stencil, and so the fewest rows a table may have.
constexpr std::size_t STENCIL = 4;

// One parsed row, in the table's units (arcseconds, seconds).
struct Row {
    int year{}, month{}, day{};
    double mjd = NaN, xp = NaN, yp = NaN, dut = NaN, dX = NaN, dY = NaN;
    double lod = NaN;       // excess length of day, seconds; NaN where the row has none
    double date_mjd = NaN;  // MJD of 0h of the date columns' day
    // Prediction flags (finals2000A: P) of the pole, UT1 - UTC (with LOD)
    // and nutation (dX, dY) values; never set in the C04 series.
    bool pred_pole = false, pred_ut1 = false, pred_nut = false;
};

// Outcome of one line: a row, the end of the usable table, or an error
// naming the field (static text).
enum class LineResult { Row, End, Bad };

struct RowReader {
    LineResult result = LineResult::Row;
    const char* field = "";
    LineResult bad(const char* name) {
        field = name;
        return result = LineResult::Bad;
    }
};

// A line of an EOP 14 C04 or EOP 20 C04 file (format C04_14 or C04_20), or
// of a finals2000A file, as a row. The date columns must be the calendar
// date of the MJD; see read_eop for the rules of each field.
LineResult read_c04_row(std::string_view line, EopFormat format, Row& r, RowReader& rr);
LineResult read_finals_row(std::string_view line, Row& r, RowReader& rr);

// The table emptied, and a status of the error at the line (0: none) and
// field (static text).
EopStatus fail(EopTable& table, EopError error, std::int64_t line, const char* field,
               int sys_errno = 0);

// Joins r, read from the given line, to the end of the table if it keeps
// the table's rules (MJD above the row before, equal spacing, no step of a
// second in UT1 - TAI); otherwise empties the table and returns the error.
EopStatus append_row(EopTable& table, const Row& r, std::int64_t line);

}  // namespace varn::eop_detail
