// Earth orientation from the IERS daily series: a reader for the published
// files and the interpolation of their values to the epochs of a batch, in
// the units and layout that iau_compute takes (xp, yp, dX, dY in arcseconds,
// UT1 - UTC in seconds).
//
// Self-contained: include this header and link the varn library (and ERFA).
// Nothing here throws: every failure comes back as an EopStatus.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "time/leap_table.hpp"

namespace varn {

// The layouts the reader knows, told apart by the content, never the name.
enum class EopFormat {
    // EOP 14 C04 (IAU 2000A version): a text header with the line
    // FORMAT(3(I4),I7,...) and column titles dX, dY; rows of year, month,
    // day, MJD, x ("), y ("), UT1-UTC (s), LOD (s), dX ("), dY ("), errors.
    C04_14,
    // EOP 20 C04: header lines starting with '#', one of them
    // "# format(4(i4),f10.2,..."; rows of year, month, day, hour, MJD (with
    // decimals), x ("), y ("), UT1-UTC (s), dX ("), dY ("), rates, LOD, errors.
    C04_20,
    // finals2000A of the IERS Rapid Service/Prediction Centre, fixed columns
    // and no header: the Bulletin A pole (") and UT1-UTC (s) with their I/P
    // flags, dX and dY in milliarcseconds with theirs. Bulletin B is ignored.
    Finals2000A,
};

// What went wrong in a read. Line numbers count from 1 in the file.
enum class EopError {
    None,
    Open,       // the file cannot be opened or read (errno in EopStatus)
    Format,     // no known layout (see EopFormat)
    Malformed,  // a row's field is missing, not a number or out of range,
                // or its date disagrees with its MJD
    Order,      // a row's MJD is not above the previous row's
    Spacing,    // a row's step differs from the first step by more than 1e-6 day
    TooFew,     // fewer than four usable rows
    Memory,     // an allocation failed
    LeapMismatch,  // UT1 - TAI changes by 0.5 s or more between two rows:
                   // the file and the leap-second table disagree about a
                   // leap second (see EopStatus)
};

struct EopStatus {
    EopError error = EopError::None;
    std::int64_t line = 0;       // 1-based line of the offending row; 0 if none
    const char* field = "";      // name of the offending field (static text)
    int sys_errno = 0;           // errno of a failed open or read
    // LeapMismatch: the MJDs of the two rows (line is the second's), the
    // file's step of UT1 - UTC between them and the table's TAI - UTC on
    // both (seconds).
    double mjd_before = 0.0, mjd_after = 0.0, dut_step_s = 0.0;
    double tai_utc_before_s = 0.0, tai_utc_after_s = 0.0;
};

// One row per epoch of the file, in file order, equally spaced. Missing
// values (blank dX, dY or LOD in finals2000A) are NaN. Every column has one
// entry per row.
struct EopTable {
    EopFormat format = EopFormat::C04_14;
    std::vector<double> mjd;          // UTC epoch of the row, MJD (days)
    std::vector<double> xp;           // pole x, arcseconds
    std::vector<double> yp;           // pole y, arcseconds
    std::vector<double> dut;          // UT1 - UTC as the file gives it, seconds
    std::vector<double> ut1_tai;      // UT1 - UTC minus TAI - UTC at 0h UTC of the
                                      // row's date (see dat), seconds
    std::vector<double> dX;           // celestial pole offset dX, arcseconds
    std::vector<double> dY;           // celestial pole offset dY, arcseconds
    std::vector<double> lod;          // excess length of day, seconds (C04: the
                                      // LOD column in s; finals2000A: Bulletin A
                                      // LOD, bytes 80-86, in ms converted); NaN
                                      // where the row has none
    // Prediction flags of the row, 1 where the file marks the value as a
    // prediction (finals2000A flag P), else 0; the C04 series hold none.
    std::vector<unsigned char> pred_pole;  // the pole x, y (byte 17)
    std::vector<unsigned char> pred_ut1;   // UT1 - UTC (byte 58); LOD has no flag
                                           // of its own and goes with UT1
    std::vector<unsigned char> pred_nut;   // dX, dY (byte 96); 0 where the row
                                           // has no nutation values
    std::vector<unsigned char> predicted;  // pred_pole | pred_ut1 | pred_nut: 1
                                           // where any value of the row is a
                                           // prediction
    // The leap-second table ut1_tai was formed with; eop_interpolate uses
    // it (the built-in table when null), so that UT1 - UTC comes back as the
    // file gave it, whatever table is in force elsewhere.
    std::shared_ptr<const LeapTable> leap;
};

// Read a table from a file, or from all that remains of a stream, or from
// text in memory.
//
//   path / in / text  the file's content in one of the EopFormat layouts; line
//                     ends LF or CRLF; a line may have any length and content
//   table             out: the rows; on any error it is left empty
//
// Rows: every non-blank line after the header, which is every line before
// the first that starts (after blanks) with a digit. The date columns must
// give the calendar date of the row's MJD (finals2000A years are two digits:
// 19yy up to MJD 51543, 20yy after; in EOP 20 C04 the hour must agree with
// the MJD's fraction to 0.005 day); pole, UT1 - UTC, dX, dY and LOD must be
// plain decimals ('-', digits, '.', digits: no exponent, NaN or '+'; the
// digits as one integer at most 2^53, at most 22 after the point), a
// fixed-column field right-justified as published. In finals2000A a row
// with a blank pole or UT1 - UTC ends the usable table (later lines are not
// read); a blank dX, dY or LOD is a missing value; a pole, UT1 - UTC or
// nutation value present needs its flag I or P. In EOP 14 C04 every row has
// LOD; in EOP 20 C04 a row that ends before the LOD column has none (NaN).
// MJDs must increase strictly and be equally spaced to 1e-6 day; at least
// four rows are needed.
//
// leap: the leap-second table (null: the built-in one), kept in the table.
// The file's UT1 - UTC steps by a second where TAI - UTC does, so UT1 - TAI
// must change by less than 0.5 s from row to row; otherwise the file and
// the table disagree about a leap second (a file newer than the table, or
// predictions older than an announced step): LeapMismatch.
EopStatus read_eop(const std::string& path, EopTable& table,
                   const std::shared_ptr<const LeapTable>& leap = builtin_leap_table());
EopStatus read_eop(std::istream& in, EopTable& table,
                   const std::shared_ptr<const LeapTable>& leap = builtin_leap_table());
EopStatus read_eop_text(const char* text, std::size_t size, EopTable& table,
                        const std::shared_ptr<const LeapTable>& leap = builtin_leap_table());

// What a LeapMismatch status of the file `name`, read under `leap`, reports
// (the plug-in and the Python package say the same): the line, the two
// rows' dates, the file's step of UT1 - UTC, the table's TAI - UTC on both,
// the table's source and the remedy.
std::string leap_mismatch_message(const std::string& name, const EopStatus& status,
                                  const LeapTable& leap);

// Earth orientation of n epochs, interpolated from the table.
//
//   tt         n x 2, column-major: TT as MJD (column 1) plus seconds
//              (column 2), exactly as iau_compute takes it
//   xp, yp     out, n x 1: pole coordinates, arcseconds
//   dX, dY     out, n x 1: celestial pole offsets, arcseconds
//   DUT        out, n x 1: UT1 - UTC, seconds
//   predicted  out, n x 1, may be null: true where any of the four rows of
//              the stencil (below) has any of its pole, UT1 or nutation
//              values predicted (EopTable::predicted). Near the end of a
//              finals2000A file the nutation turns to predictions days to
//              weeks (up to about two months) before the pole and UT1 do,
//              and finals2000A.all flags the nutation of its first years
//              (1973 on) as predicted too: epochs there are flagged though
//              their pole and UT1 rest on final values. The table's
//              pred_pole, pred_ut1 and pred_nut tell them apart
//   expired    out, may be null: the number of epochs whose UTC day lies
//              after the expiry day of the table's leap-second table
//   lod        out, n x 1, may be null: excess length of day, seconds
//              (NaN where a stencil row has none, or where the table has no
//              LOD column)
// Returns the number of epochs outside the table (NaN epochs not counted).
//
// Each epoch's UTC is taken as an MJD u (date plus fraction of the day) from
// TT by this library's chain tttai, taiutc under table.leap. If u is NaN or outside
// [t_1, t_N], all values (lod included) are NaN and predicted is false. Otherwise j is
// the row with t_j <= u < t_{j+1} (j = N-1 at u = t_N), the stencil the rows
// j-1 .. j+2 moved inside the table at its ends (rows 1-4, N-3..N), and each
// value the four-point Lagrange polynomial through the stencil at u; a
// missing value in the stencil gives NaN for that quantity only. UT1 - UTC is
// interpolated as UT1 - TAI (ut1_tai) and then given TAI - UTC at u back
// (tai_minus_utc_at: from 1972 the value of u's date, before 1972 the
// drifting value at the instant), so that UT1 stays continuous across a leap
// second while UT1 - UTC jumps, and utcut1 turns the result back into the
// same UT1.
// n <= 0 writes nothing. Reentrant; the table is only read.
std::int64_t eop_interpolate(const EopTable& table, std::int64_t n, const double* tt, double* xp,
                             double* yp, double* dX, double* dY, double* DUT, bool* predicted,
                             std::int64_t* expired = nullptr, double* lod = nullptr);

}  // namespace varn
