// The reader of the published leap-second files: IERS Leap_Second.dat and
// the IANA/NIST leap-seconds.list. Each is checked against the built-in
// table, which it may extend but never contradict.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include <erfa.h>

#include "common/calendar.hpp"
#include "common/file_stamp.hpp"
#include "common/number_parse.hpp"
#include "common/text_lines.hpp"
#include "time/leap_table.hpp"

namespace varn {
namespace {

// MJD of the NTP epoch, 1900 January 1 0h; seconds per day as NTP counts.
constexpr double NTP_EPOCH_MJD = 15020.0;
constexpr std::int64_t NTP_SECONDS_PER_DAY = 86400;
// A leap-second file is a few kilobytes: anything past this is not one.
constexpr std::size_t MAX_FILE_BYTES = 1 << 20;
// The UTF-8 byte-order mark that some editors put at the start of a text.
constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";

using detail::Lines;

// The blank-separated words of a line.
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

// A whole number: a plain decimal of the files' one parser, with nothing
// but zeros after a point (the MJD column of Leap_Second.dat reads 41317.0),
// below 1e15 in size, so that it is exact in a 64-bit integer.
bool whole_number(std::string_view w, std::int64_t& value) {
    double v;
    if (!detail::parse_decimal(w, v) || !(std::floor(v) == v && std::fabs(v) < 1e15)) return false;
    value = static_cast<std::int64_t>(v);
    return true;
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
            mjd = mjd_of_date(static_cast<double>(year), m + 1, static_cast<double>(day));
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

// A row of the file: the step's date and value.
struct FileStep {
    int year = 0, month = 0, day = 0;
    double value = 0.0;
};

// Leap_Second.dat: "MJD day month year TAI-UTC". Null, or why the row is
// refused.
const char* iers_row(const std::vector<std::string_view>& w, FileStep& s) {
    std::int64_t mjd, day, month, year, value;
    if (w.size() != 5) return "a step needs five fields: MJD, day, month, year, TAI-UTC";
    if (!whole_number(w[0], mjd) || !whole_number(w[1], day) || !whole_number(w[2], month) ||
        !whole_number(w[3], year) || !whole_number(w[4], value))
        return "a field is not a whole number";
    if (!(year >= 1900 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= 31) ||
        mjd_of_date(static_cast<double>(year), static_cast<double>(month),
                    static_cast<double>(day)) != static_cast<double>(mjd))
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
    if (ntp < 0 || ntp % NTP_SECONDS_PER_DAY != 0 ||
        !date_of_mjd(static_cast<double>(ntp / NTP_SECONDS_PER_DAY) + NTP_EPOCH_MJD, s.year,
                     s.month, s.day))
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
    if (text.substr(0, UTF8_BOM.size()) == UTF8_BOM) text.remove_prefix(UTF8_BOM.size());

    bool iana = false;
    Lines scan{text};
    for (std::string_view line; scan.next(line);)
        iana = iana || line.rfind("#@", 0) == 0 || line.rfind("#$", 0) == 0;

    // The drift era is always the built-in one.
    std::vector<LeapStep> steps(known.begin(), known.begin() + static_cast<std::ptrdiff_t>(first));
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
        const LeapStep& prev = steps.back();
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
        steps.push_back({s.year, s.month, s.value, 0.0, 0.0, 0.0});
    }
    if (steps.size() < known.size()) {
        const LeapStep& b = known[steps.size()];
        return fail(error, source, 0,
                    "the known step " + step_text(b.year, b.month, b.tai_minus_utc_s) + " is missing");
    }
    if (expiry_line == 0)
        return fail(error, source, 0,
                    iana ? "no expiry date (#@ line)" : "no expiry date (\"File expires on\" line)");
    const LeapStep& last = steps.back();
    const double last_mjd = mjd_of_date(last.year, last.month, 1);
    if (!(expires >= last_mjd))
        return fail(error, source, expiry_line,
                    "the expiry date " + iso_date(expires) + " is earlier than the last step " +
                        step_text(last.year, last.month, last.tai_minus_utc_s));

    // A file older than the built-in table still agrees with every step it
    // knows (checked above); its earlier expiry date must not shorten the
    // time for which the built-in table is known to be complete.
    if (expires >= builtin.expires_mjd())
        return detail::make_leap_table(std::move(steps), expires, source, source, source);
    return detail::make_leap_table(std::move(steps), builtin.expires_mjd(), source, source,
                                   builtin.expiry_source());
}

}  // namespace

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

}  // namespace varn
