// The built-in table of TAI - UTC, the reader of the published leap-second
// files, and the table of the process (VARN_LEAP_SECONDS).
#include "time/leap_table.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <new>

#include <erfa.h>

#include "common/file_stamp.hpp"
#include "common/text_lines.hpp"

namespace varn {

// Sets the derived fields (MJD, month count, drift-row count) of a new table.
std::shared_ptr<const LeapTable> make_leap_table(std::vector<LeapStep> steps, double expires_mjd,
                                                 std::string source);

namespace {

// TAI - UTC (s) in force from 0h UTC on the first day of the month; until
// 1968 plus (MJD - reference) * rate. The published table (USNO tai-utc.dat,
// IERS Bulletin C), as of Bulletin C 72 (July 2026).
//
// To add a leap second: append a row {year, month, new value}, raise the row
// count below and set BUILTIN_EXPIRES to the expiry date of the bulletin
// that announced it.
struct PublishedStep {
    std::int32_t year;
    std::int32_t month;
    double tai_minus_utc_s;
    double ref_mjd = 0.0;         // no drift from 1972
    double rate_s_per_day = 0.0;
};

constexpr PublishedStep LEAP_STEPS[] = {
    // year  mo  TAI-UTC (s)  ref (MJD)  rate (s/day)
    // 1
    {1960,  1,  1.4178180,  37300.0, 0.001296},
    {1961,  1,  1.4228180,  37300.0, 0.001296},
    {1961,  8,  1.3728180,  37300.0, 0.001296},
    {1962,  1,  1.8458580,  37665.0, 0.0011232},
    {1963, 11,  1.9458580,  37665.0, 0.0011232},
    {1964,  1,  3.2401300,  38761.0, 0.001296},
    {1964,  4,  3.3401300,  38761.0, 0.001296},
    {1964,  9,  3.4401300,  38761.0, 0.001296},
    {1965,  1,  3.5401300,  38761.0, 0.001296},
    {1965,  3,  3.6401300,  38761.0, 0.001296},
    // 11
    {1965,  7,  3.7401300,  38761.0, 0.001296},
    {1965,  9,  3.8401300,  38761.0, 0.001296},
    {1966,  1,  4.3131700,  39126.0, 0.002592},
    {1968,  2,  4.2131700,  39126.0, 0.002592},
    {1972,  1,       10.0},
    {1972,  7,       11.0},
    {1973,  1,       12.0},
    {1974,  1,       13.0},
    {1975,  1,       14.0},
    {1976,  1,       15.0},
    // 21
    {1977,  1,       16.0},
    {1978,  1,       17.0},
    {1979,  1,       18.0},
    {1980,  1,       19.0},
    {1981,  7,       20.0},
    {1982,  7,       21.0},
    {1983,  7,       22.0},
    {1985,  7,       23.0},
    {1988,  1,       24.0},
    {1990,  1,       25.0},
    // 31
    {1991,  1,       26.0},
    {1992,  7,       27.0},
    {1993,  7,       28.0},
    {1994,  7,       29.0},
    {1996,  1,       30.0},
    {1997,  7,       31.0},
    {1999,  1,       32.0},
    {2006,  1,       33.0},
    {2009,  1,       34.0},
    {2012,  7,       35.0},
    // 41
    {2015,  7,       36.0},
    {2017,  1,       37.0},
};
static_assert(std::size(LEAP_STEPS) == 42, "one row per step of TAI - UTC, 1960 to 2017");
static_assert(LEAP_STEPS[14].year == 1972 && LEAP_STEPS[13].rate_s_per_day > 0.0,
              "the drift rows end before 1972 January");

// Bulletin C 72: "File expires on 28 June 2027".
constexpr double BUILTIN_EXPIRES_MJD = 61584.0;

// MJD of the NTP epoch, 1900 January 1 0h; seconds per day.
constexpr double NTP_EPOCH_MJD = 15020.0;
constexpr std::int64_t NTP_SECONDS_PER_DAY = 86400;
// A leap-second file is a few kilobytes: anything past this is not one.
constexpr std::size_t MAX_FILE_BYTES = 1 << 20;

double mjd_of_date(int year, int month, int day) {
    double djm0, djm;
    return eraCal2jd(year, month, day, &djm0, &djm) == 0 ? djm : std::nan("");
}

using detail::Lines;

// The blank-separated words of a line, at most `max` of them.
std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

// A whole number written as digits, optionally '-' before and ".0..." after
// (the MJD column of Leap_Second.dat reads 41317.0). At most 15 digits, so
// the value is exact as a double and never overflows.
bool whole_number(std::string_view w, std::int64_t& value) {
    std::size_t i = 0;
    const bool negative = !w.empty() && w[0] == '-';
    if (negative) ++i;
    const std::size_t first = i;
    value = 0;
    while (i < w.size() && w[i] >= '0' && w[i] <= '9' && i - first < 15)
        value = 10 * value + (w[i++] - '0');
    if (i == first) return false;
    if (i < w.size() && w[i] == '.') {
        ++i;
        while (i < w.size() && w[i] == '0') ++i;
    }
    if (negative) value = -value;
    return i == w.size();
}

// "28 June 2027" (or "28 Jun 2027") at the end of an expiry comment.
bool english_date(std::string_view text, double& mjd) {
    static const char* const MONTHS[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    const std::vector<std::string_view> w = words(text);
    std::int64_t day, year;
    if (w.size() != 3 || w[1].size() < 3 || !whole_number(w[0], day) || !whole_number(w[2], year))
        return false;
    for (int m = 0; m < 12; ++m) {
        if (std::equal(MONTHS[m], MONTHS[m] + 3, w[1].begin(),
                       [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); }) &&
            day >= 1 && day <= 31 && year >= 1972 && year <= 9999) {
            mjd = mjd_of_date(static_cast<int>(year), m + 1, static_cast<int>(day));
            return !std::isnan(mjd);
        }
    }
    return false;
}

std::string step_text(int year, int month, double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-01 (%g s)", year, month, value);
    return buf;
}

// A row of the file: the step's date and value, or a reason.
struct FileStep {
    int year = 0, month = 0, day = 0;
    double value = 0.0;
};

// Leap_Second.dat: "MJD day month year TAI-UTC".
const char* iers_row(const std::vector<std::string_view>& w, FileStep& s) {
    std::int64_t mjd, day, month, year, value;
    if (w.size() != 5) return "a step needs five fields: MJD, day, month, year, TAI-UTC";
    if (!whole_number(w[0], mjd) || !whole_number(w[1], day) || !whole_number(w[2], month) ||
        !whole_number(w[3], year) || !whole_number(w[4], value))
        return "a field is not a whole number";
    if (!(year >= 1900 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= 31) ||
        mjd_of_date(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)) !=
            static_cast<double>(mjd))
        return "the MJD is not that of the date";
    s = {static_cast<int>(year), static_cast<int>(month), static_cast<int>(day),
         static_cast<double>(value)};
    return nullptr;
}

// leap-seconds.list: "NTP-seconds TAI-UTC [# comment]".
const char* iana_row(const std::vector<std::string_view>& w, FileStep& s) {
    std::int64_t ntp, value;
    if (w.size() < 2 || (w.size() > 2 && w[2][0] != '#'))
        return "a step needs two fields, NTP seconds and TAI-UTC, then only a comment";
    if (!whole_number(w[0], ntp) || !whole_number(w[1], value))
        return "a field is not a whole number";
    double fd;
    if (ntp < 0 || ntp % NTP_SECONDS_PER_DAY != 0 ||
        eraJd2cal(2400000.5, static_cast<double>(ntp / NTP_SECONDS_PER_DAY) + NTP_EPOCH_MJD,
                  &s.year, &s.month, &s.day, &fd) != 0)
        return "the NTP time is not 0h of a day";
    s.value = static_cast<double>(value);
    return nullptr;
}

std::shared_ptr<const LeapTable> fail(LeapFileError& error, const std::string& file,
                                      std::int64_t line, std::string reason) {
    error.file = file;
    error.line = line;
    error.reason = std::move(reason);
    return nullptr;
}

std::shared_ptr<const LeapTable> parse(std::string_view text, const std::string& source,
                                       LeapFileError& error) {
    const LeapTable& builtin = builtin_leap();
    const std::vector<LeapStep>& known = builtin.steps();
    const std::size_t first = builtin.first_integral();

    bool iana = false;
    Lines scan{text};
    for (std::string_view line; scan.next(line);)
        iana = iana || line.rfind("#@", 0) == 0 || line.rfind("#$", 0) == 0;

    std::vector<PublishedStep> steps(LEAP_STEPS, LEAP_STEPS + first);
    double expires = std::nan("");
    std::int64_t expiry_line = 0;
    Lines lines{text};
    for (std::string_view line; lines.next(line);) {
        const std::vector<std::string_view> w = words(line);
        if (w.empty()) continue;
        // The expiry date: IANA "#@ NTP", IERS "# File expires on 28 June 2027".
        const std::size_t said = line.find("File expires on");
        const bool stamp = iana ? line.rfind("#@", 0) == 0 : (line[0] == '#' && said != line.npos);
        if (stamp) {
            if (expiry_line != 0) return fail(error, source, lines.number, "a second expiry date");
            std::int64_t ntp = -1;
            const std::vector<std::string_view> stamp_words = words(line.substr(2));
            const bool ok = iana ? stamp_words.size() == 1 && whole_number(stamp_words[0], ntp) &&
                                       ntp >= 0
                                 : english_date(line.substr(said + 15), expires);
            if (!ok) return fail(error, source, lines.number, "the expiry date is not understood");
            if (iana)
                expires = std::floor(static_cast<double>(ntp) / NTP_SECONDS_PER_DAY) + NTP_EPOCH_MJD;
            expiry_line = lines.number;
            continue;
        }
        if (w[0][0] == '#') continue;

        FileStep s;
        if (const char* why = iana ? iana_row(w, s) : iers_row(w, s))
            return fail(error, source, lines.number, why);
        const std::size_t k = steps.size();
        const PublishedStep& prev = steps.back();
        if (s.day != 1)
            return fail(error, source, lines.number, "a step must fall on the first day of a month");
        if (12 * s.year + s.month <= 12 * prev.year + prev.month)
            return fail(error, source, lines.number, "the steps are not in increasing order of date");
        if (k < known.size()) {
            const LeapStep& b = known[k];
            if (s.year != b.year || s.month != b.month || s.value != b.tai_minus_utc_s)
                return fail(error, source, lines.number,
                            "step " + step_text(s.year, s.month, s.value) +
                                " contradicts the known step " +
                                step_text(b.year, b.month, b.tai_minus_utc_s));
        } else if (std::fabs(s.value - prev.tai_minus_utc_s) != 1.0) {
            return fail(error, source, lines.number,
                        "step " + step_text(s.year, s.month, s.value) +
                            " is not 1 s from the one before");
        }
        steps.push_back({s.year, s.month, s.value, 0.0, 0.0});
    }
    if (steps.size() < known.size()) {
        const LeapStep& b = known[steps.size()];
        return fail(error, source, 0,
                    "the known step " + step_text(b.year, b.month, b.tai_minus_utc_s) + " is missing");
    }
    if (expiry_line == 0)
        return fail(error, source, 0,
                    iana ? "no expiry date (#@ line)" : "no expiry date (\"File expires on\" line)");

    std::vector<LeapStep> table;
    for (const PublishedStep& p : steps)
        table.push_back({p.year, p.month, p.tai_minus_utc_s, p.ref_mjd, p.rate_s_per_day, 0.0, 0});
    return make_leap_table(std::move(table), expires, source);
}

}  // namespace

std::shared_ptr<const LeapTable> make_leap_table(std::vector<LeapStep> steps, double expires_mjd,
                                                 std::string source) {
    auto table = std::make_shared<LeapTable>();
    for (LeapStep& s : steps) {
        s.mjd = mjd_of_date(s.year, s.month, 1);
        s.months = 12 * static_cast<std::int64_t>(s.year) + s.month;
        if (s.rate_s_per_day != 0.0) ++table->first_integral_;
    }
    table->steps_ = std::move(steps);
    table->expires_mjd_ = expires_mjd;
    table->source_ = std::move(source);
    return table;
}

int LeapTable::step_on(double day) const {
    // Steps are few and the latest are asked for most: search from the end.
    int i = static_cast<int>(steps_.size()) - 1;
    while (i >= 0 && !(steps_[static_cast<std::size_t>(i)].mjd <= day)) --i;
    return i;
}

const std::shared_ptr<const LeapTable>& builtin_leap_table() {
    static const std::shared_ptr<const LeapTable> table = [] {
        std::vector<LeapStep> steps;
        for (const PublishedStep& p : LEAP_STEPS)
            steps.push_back({p.year, p.month, p.tai_minus_utc_s, p.ref_mjd, p.rate_s_per_day, 0.0, 0});
        return make_leap_table(std::move(steps), BUILTIN_EXPIRES_MJD, "built-in");
    }();
    return table;
}

std::shared_ptr<const LeapTable> parse_leap_text(std::string_view text, const std::string& source,
                                                 LeapFileError& error) {
    try {
        return parse(text, source, error);
    } catch (const std::bad_alloc&) {
        return fail(error, source, 0, "out of memory");
    }
}

std::shared_ptr<const LeapTable> read_leap_file(const std::string& path, LeapFileError& error) {
    std::FILE* f = detail::open_file(path.c_str(), "rb");  // a UTF-8 name on every platform
    if (!f) return fail(error, path, 0, std::strerror(errno));
    std::string text;
    const char* why = nullptr;
    try {
        char buf[4096];
        std::size_t got;
        while (!why && (got = std::fread(buf, 1, sizeof buf, f)) > 0) {
            text.append(buf, got);
            if (text.size() > MAX_FILE_BYTES) why = "larger than 1 MiB: not a leap-second file";
        }
        if (!why && std::ferror(f)) why = std::strerror(errno);  // a directory: EISDIR
    } catch (const std::bad_alloc&) {
        why = "out of memory";
    }
    std::fclose(f);
    if (why) return fail(error, path, 0, why);
    return parse_leap_text(text, path, error);
}

std::shared_ptr<const LeapTable> leap_table_from_env(LeapFileError& error) {
    const char* name = std::getenv("VARN_LEAP_SECONDS");
    if (!name || !*name) return builtin_leap_table();

    // The file's identity and state when it was read (device, file number,
    // size, modification and change times): a later change of any of these
    // forces a new read, an edit of the same size whose modification time
    // was put back included. The state is taken before the read, so a change
    // during the read is seen next time.
    struct Kept {
        std::string path;
        detail::FileStamp stamp;
        std::shared_ptr<const LeapTable> table;
    };
    static std::mutex mutex;
    static Kept kept;
    const std::lock_guard<std::mutex> lock(mutex);
    try {
        const std::string path(name);
        detail::FileStamp stamp;
        if (const int e = detail::file_stamp(name, stamp)) return fail(error, path, 0, std::strerror(e));
        if (kept.table && kept.path == path && kept.stamp == stamp) return kept.table;
        std::shared_ptr<const LeapTable> table = read_leap_file(path, error);
        if (table) kept = {path, stamp, table};
        return table;
    } catch (const std::bad_alloc&) {
        return fail(error, name, 0, "out of memory");
    }
}

std::string leap_file_message(const LeapFileError& e) {
    if (e.line > 0)
        return detail::formatted("Leap-second file '%s' (VARN_LEAP_SECONDS), line %lld: %s.",
                                 e.file.c_str(), static_cast<long long>(e.line), e.reason.c_str());
    return detail::formatted("Leap-second file '%s' (VARN_LEAP_SECONDS): %s.", e.file.c_str(),
                             e.reason.c_str());
}

std::string expiry_message(const LeapTable& table, std::int64_t expired, std::int64_t n) {
    const LeapStep& last = table.steps().back();
    return detail::formatted(
        "%lld of %lld epochs lie after %s, the expiry date of the leap-second table (%s): their "
        "UTC assumes no leap second after the last known one (TAI - UTC = %g s from %s). Name a "
        "newer IERS Leap_Second.dat or leap-seconds.list in the environment variable "
        "VARN_LEAP_SECONDS.",
        static_cast<long long>(expired), static_cast<long long>(n), iso_date(table.expires_mjd()).c_str(),
        table.source().c_str(), last.tai_minus_utc_s, iso_date(last.mjd).c_str());
}

std::int64_t count_expired(const LeapTable& table, std::int64_t n, const double* utc_day) {
    std::int64_t count = 0;
    for (std::int64_t i = 0; i < n; ++i) count += table.expired(utc_day[i]) ? 1 : 0;
    return count;
}

bool date_of_mjd(double mjd, int& year, int& month, int& day) {
    double fd;
    return std::fabs(mjd) < 1e9 && eraJd2cal(2400000.5, std::floor(mjd), &year, &month, &day, &fd) == 0;
}

std::string iso_date(double mjd) {
    int y, m, d;
    if (!date_of_mjd(mjd, y, m, d)) return "?";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return buf;
}

}  // namespace varn
