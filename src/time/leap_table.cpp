// The built-in table of TAI - UTC, the search for the step of a date, the
// table of a file kept for the process, and the texts the hosts report. The
// file formats are read in leap_file.cpp.
#include "time/leap_table.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <new>

#include "common/calendar.hpp"
#include "common/file_stamp.hpp"
#include "common/text_lines.hpp"

namespace varn {
namespace {

// TAI - UTC (s) in force from 0h UTC on the first day of the month; until
// 1968 plus (MJD - reference) * rate. The published table (USNO tai-utc.dat,
// IERS Bulletin C), as of Bulletin C 72 (July 2026).
//
// To add a leap second: append a row {year, month, new value}, raise the row
// count below and set BUILTIN_EXPIRES_MJD to the expiry date of the bulletin
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
constexpr const char* BUILTIN = "built-in";

}  // namespace

namespace detail {

std::shared_ptr<const LeapTable> make_leap_table(std::vector<LeapStep> steps, double expires_mjd,
                                                 std::string source, std::string steps_source,
                                                 std::string expiry_source) {
    auto table = std::make_shared<LeapTable>();
    for (LeapStep& s : steps) {
        s.mjd = mjd_of_date(s.year, s.month, 1);
        if (s.rate_s_per_day != 0.0) ++table->first_integral_;
    }
    table->steps_ = std::move(steps);
    table->expires_mjd_ = expires_mjd;
    table->source_ = std::move(source);
    table->steps_source_ = std::move(steps_source);
    table->expiry_source_ = std::move(expiry_source);
    return table;
}

}  // namespace detail

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
            steps.push_back({p.year, p.month, p.tai_minus_utc_s, p.ref_mjd, p.rate_s_per_day, 0.0});
        return detail::make_leap_table(std::move(steps), BUILTIN_EXPIRES_MJD, BUILTIN, BUILTIN,
                                       BUILTIN);
    }();
    return table;
}

namespace {

// What tells that a file is still the one that was read: its path, and its
// device, file number, size, modification and change times (an edit of the
// same size whose modification time was put back, as cp -p and rsync -t
// leave it, still moves the change time). The key is taken before the read,
// so a change during the read is seen next time.
struct FileKey {
    std::string path;
    detail::FileStamp stamp;
};

// The key of the file at path; false (errno set) when it cannot be had.
bool file_key(const std::string& path, FileKey& key) {
    detail::FileStamp stamp;
    if (const int e = detail::file_stamp(path.c_str(), stamp)) {
        errno = e;
        return false;
    }
    key = {path, stamp};
    return true;
}

bool same_file(const FileKey& a, const FileKey& b) { return a.path == b.path && a.stamp == b.stamp; }

std::shared_ptr<const LeapTable> refuse(LeapFileError& error, const std::string& file,
                                        const char* reason) {
    error.file = file;
    error.line = 0;
    error.reason = reason;
    return nullptr;
}

}  // namespace

std::shared_ptr<const LeapTable> leap_table_for_path(const std::string& path, LeapFileError& error) {
    if (path.empty()) return builtin_leap_table();

    // The one file last read, and its table.
    static std::mutex mutex;
    static FileKey kept_key;
    static std::shared_ptr<const LeapTable> kept;
    const std::lock_guard<std::mutex> lock(mutex);
    try {
        FileKey key;
        if (!file_key(path, key)) return refuse(error, path, std::strerror(errno));
        if (kept && same_file(kept_key, key)) return kept;
        std::shared_ptr<const LeapTable> table = read_leap_file(path, error);
        if (table) kept_key = std::move(key), kept = table;
        return table;
    } catch (const std::bad_alloc&) {
        return refuse(error, path, "out of memory");
    }
}

std::shared_ptr<const LeapTable> leap_table_from_env(LeapFileError& error) {
    const char* name = std::getenv("VARN_LEAP_SECONDS");
    try {
        return leap_table_for_path(name ? name : "", error);
    } catch (const std::bad_alloc&) {  // the path's own copy
        return refuse(error, name ? name : "", "out of memory");
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
        table.expiry_source().c_str(), last.tai_minus_utc_s, iso_date(last.mjd).c_str());
}

std::int64_t count_expired(const LeapTable& table, std::int64_t n, const double* utc_day) {
    std::int64_t count = 0;
    for (std::int64_t i = 0; i < n; ++i) count += table.expired(utc_day[i]) ? 1 : 0;
    return count;
}

}  // namespace varn
