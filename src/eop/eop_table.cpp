// Reader of the IERS Earth orientation series and the interpolation of their
// values to the epochs of a batch.
//
// The whole file is read into memory and walked line by line; nothing reads
// past the end of a line or of the text. Numbers are parsed here rather than
// by strtod, which follows the host's locale (a MATLAB session may use a
// decimal comma): the files hold plain decimals (sign, digits, point,
// digits), and a decimal with at most 2^53 as its digit string and at most 22
// digits after the point is a ratio of two exact doubles, so one division
// gives the correctly rounded value, the same bits strtod would give.
#include "eop/eop_table.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <istream>
#include <limits>
#include <new>
#include <string_view>

#include <erfa.h>

#include "common/file_stamp.hpp"
#include "common/text_lines.hpp"
#include "time/time_scales.hpp"

namespace varn {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
// Arcseconds per milliarcsecond: finals2000A gives dX, dY in mas.
constexpr double AS_PER_MAS = 1e-3;
// Largest difference of a step from the table's first step, days.
constexpr double SPACING_TOL_DAY = 1e-6;
// Largest difference between an EOP 20 C04 row's hour and its MJD's
// fraction of day: half the last digit of the MJD column (f10.2).
constexpr double HOUR_TOL_DAY = 0.005;
constexpr double HOURS_PER_DAY = 24.0;
// Last MJD whose two-digit finals2000A year is in the 1900s (1999-12-31).
constexpr double FINALS_LAST_1900S_MJD = 51543.0;
// Largest change of UT1 - TAI from one row to the next, seconds. UT1 - TAI
// drifts by a few milliseconds a day; a change of a second means that the
// file's UT1 - UTC steps where the leap-second table has no step, or the
// reverse.
constexpr double LEAP_MISMATCH_S = 0.5;
// Points of the Lagrange stencil, and so the fewest rows a table may have.
constexpr std::size_t STENCIL = 4;

// Powers of ten are exact doubles up to 10^22.
constexpr int MAX_FRACTION_DIGITS = 22;
constexpr std::uint64_t MAX_EXACT_MANTISSA = std::uint64_t{1} << 53;

bool is_blank_char(char c) { return c == ' ' || c == '\t'; }

// The text from the first character that is not a blank. Fixed-column
// fields are right-justified (Fortran F and I formats), so only leading
// blanks need skipping.
std::string_view skip_blanks(std::string_view s) {
    const char* first = std::find_if_not(s.data(), s.data() + s.size(), is_blank_char);
    return s.substr(static_cast<std::size_t>(first - s.data()));
}

// A plain decimal: optional '-', digits, optionally '.' and digits; at least
// one digit. False for anything else (exponents, "nan", "inf", '+' included).
bool parse_decimal(std::string_view s, double& value) {
    std::size_t i = 0;
    const bool negative = !s.empty() && s[0] == '-';
    if (negative) ++i;
    std::uint64_t mantissa = 0;
    int digits = 0, fraction_digits = 0;
    bool point = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') return false;
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
        if (mantissa > MAX_EXACT_MANTISSA) return false;
        ++digits;
        if (point) ++fraction_digits;
    }
    if (digits == 0 || fraction_digits > MAX_FRACTION_DIGITS) return false;
    double scale = 1.0;  // 10^fraction_digits, exact
    for (int k = 0; k < fraction_digits; ++k) scale *= 10.0;
    const double v = static_cast<double>(mantissa) / scale;
    value = negative ? -v : v;
    return true;
}

// A whole number of one to four digits (Fortran I4 or I2). No date or hour
// column is ever negative.
bool parse_int(std::string_view s, int& value) {
    if (s.empty() || s.size() > 4) return false;
    int v = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

// One parsed row before it joins the table.
struct Row {
    int year = 0, month = 0, day = 0;
    double mjd = NaN, xp = NaN, yp = NaN, dut = NaN, dX = NaN, dY = NaN;
    double date_mjd = NaN;  // MJD of 0h of the date columns' day
    bool predicted = false;
};

// Outcome of one line: a row, the end of the usable table, or an error
// naming the field.
enum class LineResult { Row, End, Bad };

struct RowReader {
    LineResult result = LineResult::Row;
    const char* field = "";
    LineResult bad(const char* name) {
        field = name;
        return result = LineResult::Bad;
    }
};

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

// Field positions of the two C04 layouts, counted in blank-separated tokens.
struct C04Columns {
    int hour;  // 0: no hour column (token 0 is the year)
    int mjd, xp, yp, dut, dX, dY;
};
constexpr C04Columns C04_14_COLUMNS = {0, 3, 4, 5, 6, 8, 9};
constexpr C04Columns C04_20_COLUMNS = {3, 4, 5, 6, 7, 8, 9};
constexpr int C04_TOKENS = 10;  // tokens read from a row; the rest are not used

LineResult read_c04_row(std::string_view line, const C04Columns& col, Row& r, RowReader& rr) {
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
    if (const char* f = date_error(r)) return rr.bad(f);
    if (col.hour &&
        !(std::fabs(hour / HOURS_PER_DAY - (r.mjd - r.date_mjd)) <= HOUR_TOL_DAY))
        return rr.bad("hour");
    return LineResult::Row;
}

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
    bool pole_p, ut1_p, nut_p = false;
    if (!parse_flag(line, 17, pole_p)) return rr.bad("pole flag");
    if (!parse_decimal(x, r.xp)) return rr.bad("x");
    if (!parse_decimal(y, r.yp)) return rr.bad("y");
    if (!parse_flag(line, 58, ut1_p)) return rr.bad("UT1 flag");
    if (!parse_decimal(dut, r.dut)) return rr.bad("UT1-UTC");
    const std::string_view dx = finals_field(line, 98, 106), dy = finals_field(line, 117, 125);
    if (!(dx.empty() && dy.empty()) && !parse_flag(line, 96, nut_p))
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
    r.predicted = pole_p || ut1_p || nut_p;
    return LineResult::Row;
}

// A header line, in lower case, contains key.
bool header_has(std::string_view line, const char* key) {
    std::string lower(line);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find(key) != std::string::npos;
}

bool is_blank(std::string_view line) { return skip_blanks(line).empty(); }

// A data row starts, after any blanks, with a digit (a year); header lines
// never do.
bool is_data(std::string_view line) {
    const std::string_view t = skip_blanks(line);
    return !t.empty() && std::isdigit(static_cast<unsigned char>(t[0]));
}

using detail::Lines;

EopStatus fail(EopTable& table, EopError error, std::int64_t line, const char* field,
               int sys_errno = 0) {
    table = EopTable{};
    EopStatus s;
    s.error = error;
    s.line = line;
    s.field = field;
    s.sys_errno = sys_errno;
    return s;
}

EopStatus parse(std::string_view text, EopTable& table, const std::shared_ptr<const LeapTable>& leap) {
    table = EopTable{};
    table.leap = leap ? leap : builtin_leap_table();
    // The header: every line before the first data row. The layout is named
    // by the header's format line, and the nutation columns must be dX, dY
    // (the older series with dPsi, dEps are another quantity).
    Lines lines{text};
    std::string_view line;
    bool format14 = false, format20 = false, titles = false, header = false, have = false;
    while ((have = lines.next(line)) && !is_data(line)) {
        header = true;
        format14 = format14 || header_has(line, "format(3(i4),i7,");
        const bool hash = skip_blanks(line).substr(0, 1) == "#";
        format20 = format20 || (hash && header_has(line, "format(4(i4),f10.2,"));
        titles = titles || (line.find("dX") != line.npos && line.find("dY") != line.npos);
    }
    if (format20 && titles) {
        table.format = EopFormat::C04_20;
    } else if (format14 && titles) {
        table.format = EopFormat::C04_14;
    } else if (!header && have && line.size() >= 58 && (line[16] == 'I' || line[16] == 'P') &&
               (line[57] == 'I' || line[57] == 'P')) {
        table.format = EopFormat::Finals2000A;
    } else {
        return fail(table, EopError::Format, 0, "");
    }

    table.mjd.reserve(text.size() / 100);
    double previous_dut = NaN;
    for (; have; have = lines.next(line)) {
        if (is_blank(line)) continue;
        Row r;
        RowReader rr;
        const C04Columns& columns =
            table.format == EopFormat::C04_20 ? C04_20_COLUMNS : C04_14_COLUMNS;
        const LineResult result = table.format == EopFormat::Finals2000A
                                      ? read_finals_row(line, r, rr)
                                      : read_c04_row(line, columns, r, rr);
        if (result == LineResult::Bad)
            return fail(table, EopError::Malformed, lines.number, rr.field);
        if (result == LineResult::End) break;

        const std::size_t k = table.mjd.size();
        if (k >= 1 && !(r.mjd > table.mjd[k - 1]))
            return fail(table, EopError::Order, lines.number, "MJD");
        if (k >= 2 && !(std::fabs((r.mjd - table.mjd[k - 1]) - (table.mjd[1] - table.mjd[0])) <=
                        SPACING_TOL_DAY))
            return fail(table, EopError::Spacing, lines.number, "MJD");

        // UT1 - TAI: UT1 - UTC less TAI - UTC at 0h UTC of the row's date.
        double tai_minus_utc_s;
        dat(*table.leap, r.year, r.month, r.day, 0.0, tai_minus_utc_s);
        const double ut1_tai = r.dut - tai_minus_utc_s;
        if (k >= 1 && !(std::fabs(ut1_tai - table.ut1_tai[k - 1]) < LEAP_MISMATCH_S)) {
            const double before_mjd = table.mjd[k - 1];
            const double before_tai_utc = previous_dut - table.ut1_tai[k - 1];
            EopStatus status = fail(table, EopError::LeapMismatch, lines.number, "UT1-UTC");
            status.mjd_before = before_mjd;
            status.mjd_after = r.mjd;
            status.dut_step_s = r.dut - previous_dut;
            status.tai_utc_before_s = before_tai_utc;
            status.tai_utc_after_s = tai_minus_utc_s;
            return status;
        }
        previous_dut = r.dut;
        table.mjd.push_back(r.mjd);
        table.xp.push_back(r.xp);
        table.yp.push_back(r.yp);
        table.ut1_tai.push_back(ut1_tai);
        table.dX.push_back(r.dX);
        table.dY.push_back(r.dY);
        table.predicted.push_back(r.predicted ? 1 : 0);
    }
    if (table.mjd.size() < STENCIL) return fail(table, EopError::TooFew, 0, "");
    return EopStatus{};
}

// MJD of a two-part Julian Date that the time-scale chain returned for a
// (DJMJD0, MJD) argument (the chain changes only the smaller part).
double mjd_of(double part1, double part2) {
    return part1 == DJMJD0 ? part2 : (part1 - DJMJD0) + part2;
}

// TAI - UTC at 0h UTC of the date whose MJD is day, a whole number (so that
// no rounding inside the calendar conversion can move u's date).
double tai_minus_utc_at_0h(const LeapTable& leap, double day) {
    int year, month, dom;
    double fd, tai_minus_utc_s;
    if (eraJd2cal(DJMJD0, day, &year, &month, &dom, &fd) != 0) return NaN;
    dat(leap, year, month, dom, 0.0, tai_minus_utc_s);
    return tai_minus_utc_s;
}

}  // namespace

EopStatus read_eop_text(const char* text, std::size_t size, EopTable& table,
                        const std::shared_ptr<const LeapTable>& leap) {
    try {
        return parse(std::string_view(text, size), table, leap);
    } catch (const std::bad_alloc&) {
        return fail(table, EopError::Memory, 0, "");
    }
}

EopStatus read_eop(std::istream& in, EopTable& table,
                   const std::shared_ptr<const LeapTable>& leap) {
    try {
        std::string text;
        char buf[1 << 16];
        while (in.read(buf, sizeof buf) || in.gcount() > 0)
            text.append(buf, static_cast<std::size_t>(in.gcount()));
        if (in.bad()) return fail(table, EopError::Open, 0, "");
        return read_eop_text(text.data(), text.size(), table, leap);
    } catch (const std::bad_alloc&) {
        return fail(table, EopError::Memory, 0, "");
    } catch (...) {
        return fail(table, EopError::Open, 0, "");  // a stream set to throw
    }
}

EopStatus read_eop(const std::string& path, EopTable& table,
                   const std::shared_ptr<const LeapTable>& leap) {
    std::FILE* f = detail::open_file(path.c_str(), "rb");  // a UTF-8 name on every platform
    if (!f) return fail(table, EopError::Open, 0, "", errno);
    std::string text;
    EopStatus status;
    try {
        char buf[1 << 16];
        std::size_t got;
        while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, got);
        // A directory opens but cannot be read (EISDIR).
        if (std::ferror(f)) status = fail(table, EopError::Open, 0, "", errno);
    } catch (const std::bad_alloc&) {
        status = fail(table, EopError::Memory, 0, "");
    }
    std::fclose(f);
    if (status.error != EopError::None) return status;
    return read_eop_text(text.data(), text.size(), table, leap);
}

std::int64_t eop_interpolate(const EopTable& table, std::int64_t n, const double* tt, double* xp,
                             double* yp, double* dX, double* dY, double* DUT, bool* predicted,
                             std::int64_t* expired) {
    const LeapTable& leap = table.leap ? *table.leap : builtin_leap();
    const std::vector<double>& t = table.mjd;
    const std::size_t rows = t.size();
    // A table not as the reader makes it (too short, columns of unequal
    // length) covers no epoch.
    const bool usable = rows >= STENCIL && table.xp.size() == rows && table.yp.size() == rows &&
                        table.ut1_tai.size() == rows && table.dX.size() == rows &&
                        table.dY.size() == rows && table.predicted.size() == rows;
    const double first = usable ? t.front() : NaN, last = usable ? t.back() : NaN;
    std::int64_t outside = 0;
    if (expired) *expired = 0;
    for (std::int64_t i = 0; i < n; ++i) {
        xp[i] = yp[i] = dX[i] = dY[i] = DUT[i] = NaN;
        if (predicted) predicted[i] = false;

        // UTC of the epoch, as the pipeline forms it.
        const double m = tt[n + i] / DAYSEC + tt[i];
        double tai1, tai2, utc1 = NaN, utc2 = NaN;
        tttai(DJMJD0, m, tai1, tai2);
        taiutc(leap, tai1, tai2, utc1, utc2);
        const double u = mjd_of(utc1, utc2);
        if (expired && leap.expired(std::floor(u))) ++*expired;
        if (!(u >= first && u <= last)) {
            if (!std::isnan(m)) ++outside;
            continue;
        }

        // Row j (from 0) with t_j <= u < t_j+1, or the last row at u = t_N;
        // the stencil starts a row before it, moved inside the table at the
        // ends (which also takes the last node to the last four rows).
        const std::size_t j =
            static_cast<std::size_t>(std::upper_bound(t.begin(), t.end(), u) - t.begin()) - 1;
        const std::size_t s = std::min(std::max(j, std::size_t{1}) - 1, rows - STENCIL);

        // Lagrange weights of the four nodes at u: at a node its own weight
        // is exactly 1 and the others exactly 0.
        double w[STENCIL];
        for (std::size_t a = 0; a < STENCIL; ++a) {
            w[a] = 1.0;
            for (std::size_t b = 0; b < STENCIL; ++b) {
                if (b != a) w[a] *= (u - t[s + b]) / (t[s + a] - t[s + b]);
            }
        }
        auto lagrange = [&](const std::vector<double>& q) {
            double sum = 0.0;
            for (std::size_t a = 0; a < STENCIL; ++a) sum += w[a] * q[s + a];
            return sum;
        };
        xp[i] = lagrange(table.xp);
        yp[i] = lagrange(table.yp);
        dX[i] = lagrange(table.dX);
        dY[i] = lagrange(table.dY);
        DUT[i] = lagrange(table.ut1_tai) + tai_minus_utc_at_0h(leap, std::floor(u));
        if (predicted) {
            for (std::size_t a = 0; a < STENCIL; ++a)
                predicted[i] = predicted[i] || table.predicted[s + a];
        }
    }
    return outside;
}

std::string leap_mismatch_message(const std::string& name, const EopStatus& s,
                                  const LeapTable& leap) {
    return detail::formatted(
        "EOP file '%s', line %lld: UT1 - UTC steps by %+.7f s from %s (MJD %.2f) to %s (MJD %.2f), "
        "while TAI - UTC is %.7f s and %.7f s in the leap-second table (%s): the file and the table "
        "disagree about a leap second. Name a leap-second file that holds it in the environment "
        "variable VARN_LEAP_SECONDS, or use an EOP file that agrees with the table.",
        name.c_str(), static_cast<long long>(s.line), s.dut_step_s, iso_date(s.mjd_before).c_str(),
        s.mjd_before, iso_date(s.mjd_after).c_str(), s.mjd_after, s.tai_utc_before_s,
        s.tai_utc_after_s, leap.source().c_str());
}

}  // namespace varn
