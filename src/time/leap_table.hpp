// The table of TAI - UTC as dated data: the steps since 1960, the day until
// which the table is known to be complete, and where it came from.
//
// The IERS Earth Orientation Centre (Paris Observatory) announces each leap
// second in its Bulletin C about six months ahead and publishes the whole
// table as Leap_Second.dat; the same table circulates as leap-seconds.list
// (IANA time-zone database, NIST). Each file states the day on which it
// expires, the last day for which no new step can still be announced. The
// table compiled into this library is that of Bulletin C 72 (July 2026); a
// newer file, named by the environment variable VARN_LEAP_SECONDS, replaces
// it at run time without a rebuild.
//
// A LeapTable is immutable once made. It travels as a
// std::shared_ptr<const LeapTable>, so that any number of threads, plug-ins
// and objects that remember which table they were made under can share it.
//
// The reader of the two file formats is leap_file.cpp; the calendar helpers
// (date_of_mjd, iso_date) are common/calendar.hpp, included here for the
// hosts that print the table's dates.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/calendar.hpp"

namespace varn {

// One step of TAI - UTC, in force from 0h UTC on the first day of the month.
// Until 1968 (the drift era) UTC ran at a rate offset from TAI: on the UTC
// MJD u the value is tai_minus_utc_s + (u - ref_mjd) * rate_s_per_day. From
// 1972 the rate is 0 and the value a whole number of seconds.
struct LeapStep {
    std::int32_t year;
    std::int32_t month;
    double tai_minus_utc_s;  // base value, seconds
    double ref_mjd;          // drift reference, MJD (0 without drift)
    double rate_s_per_day;   // drift rate, seconds per day (0 without drift)
    double mjd;              // MJD of the step's first day, 0h UTC
};

class LeapTable;
namespace detail {
// The constructor of a table, for the built-in table and the file reader:
// sets each step's MJD and counts the drift rows.
std::shared_ptr<const LeapTable> make_leap_table(std::vector<LeapStep> steps, double expires_mjd,
                                                 std::string source, std::string steps_source,
                                                 std::string expiry_source);
}  // namespace detail

class LeapTable {
public:
    // All steps, ascending: the drift era (1960-1968) first, then 1972 on.
    const std::vector<LeapStep>& steps() const { return steps_; }
    // Index of the first step of 1972 January 1 (steps before it drift).
    std::size_t first_integral() const { return first_integral_; }
    // Last UTC day (MJD) on which the table is known to be complete.
    double expires_mjd() const { return expires_mjd_; }
    // "built-in", or the path of the file read.
    const std::string& source() const { return source_; }
    // Where the steps came from: "built-in", or the path of the file read
    // (which holds every built-in step from 1972 on, and perhaps later ones).
    const std::string& steps_source() const { return steps_source_; }
    // Where the expiry date came from: the file's path, or "built-in" when
    // the built-in table expires later than the file (an older file does not
    // shorten what the built-in table knows).
    const std::string& expiry_source() const { return expiry_source_; }

    // Index of the step in force on the UTC day whose 0h is the MJD day (a
    // whole number), or -1 before 1960 (and for NaN). The one search of the
    // library for the step of a date.
    int step_on(double day) const;
    // True when the UTC day (MJD, whole) lies after the expiry day.
    bool expired(double utc_day) const { return utc_day > expires_mjd_; }

private:
    friend std::shared_ptr<const LeapTable> detail::make_leap_table(std::vector<LeapStep>, double,
                                                                   std::string, std::string,
                                                                   std::string);
    std::vector<LeapStep> steps_;
    std::size_t first_integral_ = 0;
    double expires_mjd_ = 0.0;
    std::string source_, steps_source_, expiry_source_;
};

// The table compiled in: 42 steps, 1960 January 1 to 2017 January 1 (37 s),
// expiring 2027 June 28 (MJD 61584), every source "built-in". Never null.
const std::shared_ptr<const LeapTable>& builtin_leap_table();
// The same table by reference, for the default arguments of the pipeline.
inline const LeapTable& builtin_leap() { return *builtin_leap_table(); }

// Why a leap-second file was refused. line counts from 1; 0 when the fault
// is not on one line (the file cannot be read, a step or the expiry date is
// missing).
struct LeapFileError {
    std::string file;
    std::int64_t line = 0;
    std::string reason;
};

// A table from the text of an IERS Leap_Second.dat or an IANA/NIST
// leap-seconds.list, told apart by the content (the IANA file carries "#@"
// and "#$" stamps in NTP seconds). Lines end LF or CRLF; '#' lines are
// comments except the stamps.
//
//   Leap_Second.dat    rows "MJD day month year TAI-UTC", expiry from the
//                      comment "File expires on 28 June 2027"
//   leap-seconds.list  rows "NTP-seconds TAI-UTC [# comment]", expiry from
//                      "#@ NTP-seconds" (MJD = NTP / 86400 + 15020)
//
// A UTF-8 byte-order mark at the start is skipped. The file must hold every
// built-in step from 1972 January 1 on, with the same date and value, in
// order; after them it may add steps of +1 or -1 s, each on the first day of
// a later month; its expiry date may not be earlier than its last step. The
// drift era stays built in. The integrity hash "#h" is not checked: users
// edit these files. The table expires on the later of the file's expiry
// date and the built-in one; source and steps_source are `source`,
// expiry_source names the one whose date holds. On any fault returns null
// and fills error (file = source).
std::shared_ptr<const LeapTable> parse_leap_text(std::string_view text, const std::string& source,
                                                 LeapFileError& error);
// The same from a file; error.reason tells a file that cannot be read.
std::shared_ptr<const LeapTable> read_leap_file(const std::string& path, LeapFileError& error);

// The table of the leap-second file at path, or the built-in table for an
// empty path. The file is read once and kept while it stays the same file
// (see the key in leap_table.cpp); every caller then gets the same pointer,
// so a pointer comparison tells whether a table changed. On a faulty file
// returns null with error filled, and keeps nothing of it. Safe to call from
// any number of threads at once: the kept table is guarded by a mutex.
std::shared_ptr<const LeapTable> leap_table_for_path(const std::string& path, LeapFileError& error);

// leap_table_for_path of the environment variable VARN_LEAP_SECONDS (unset
// or empty: the built-in table), for the MEX plug-ins. It reads the
// variable with getenv, which is not safe while another thread changes the
// environment (setenv, putenv, unsetenv may move it): MATLAB and Octave run
// a plug-in on their one interpreter thread, where that cannot happen. A
// host with threads of its own (the Python package) reads the variable
// itself under its own lock and calls leap_table_for_path.
std::shared_ptr<const LeapTable> leap_table_from_env(LeapFileError& error);

// The texts every host reports, so that the plug-ins and the Python package
// say the same. A refused file: "Leap-second file '<file>'
// (VARN_LEAP_SECONDS), line <n>: <reason>." (no line when the fault is on
// none). Epochs after the expiry: their count of n, the expiry date and
// where it came from, what their results assume and how to load a newer table.
std::string leap_file_message(const LeapFileError& error);
std::string expiry_message(const LeapTable& table, std::int64_t expired, std::int64_t n);

// Number of the n UTC days (MJD, whole; NaN not counted) after the table's
// expiry day.
std::int64_t count_expired(const LeapTable& table, std::int64_t n, const double* utc_day);

}  // namespace varn
