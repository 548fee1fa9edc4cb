// Conversion of time stamps between UTC, TAI, TT and GPS time, as clocks
// show them: a day number and the seconds of that day, or a calendar date
// and time of day.
//
// This is not the quasi Julian Date of the pipeline's utc output (where a
// leap-second day still spans 1.0 of the date): here UTC seconds are counted
// as a clock counts them. On a day that ends with a leap second they run to
// 86401, and 23:59:60.5 is second 86400.5 of the day.
//
//   TAI  International Atomic Time
//   TT   Terrestrial Time, TAI + 32.184 s
//   GPS  GPS system time, TAI - 19 s (no leap seconds since 1980 January 6)
//   UTC  TAI - (TAI - UTC): before 1960 UTC = TAI; from 1960 to 1971 the
//        published drift expressions, TAI - UTC = base + (MJD_UTC - ref) *
//        rate, each in force from 0h UTC of its date; from 1972 whole
//        seconds, stepped by leap seconds
//
// Where TAI - UTC steps up by d seconds at 0h of a day, the UTC day before it
// is longer by d (the clock runs past 86400, as in a leap second); where it
// steps down (1961 August 1, -0.05 s; 1968 February 1, -0.1 s) that day is
// shorter, and the clock readings in its last |d| seconds never happened.
// Day and seconds stay apart throughout, so that the seconds keep their
// precision (about 1e-11 s) whatever the day number.
#pragma once

#include <cstdint>
#include <string_view>

#include "time/leap_table.hpp"
#include "time/utc_clock.hpp"

namespace varn {

enum class TimeScale { UTC, TAI, TT, GPS };

// The scale called name: "UTC", "TAI", "TT" or "GPS", in any case. False for
// any other name.
bool time_scale_named(std::string_view name, TimeScale& scale);

// What a batch conversion found.
struct TimeCounts {
    std::int64_t invalid = 0;  // rows with NaN results: not a time of the from scale
    std::int64_t expired = 0;  // valid rows whose UTC day lies after the table's expiry
};

// Convert n epochs from one scale to another.
//
//   leap     the table of TAI - UTC
//   t        n x cols, column-major, in the from scale:
//            cols 2: MJD, seconds of the day
//            cols 6: year, month, day, hour, minute, seconds
//   out      n x 2: MJD (whole), seconds in [0, length of that day)
//   cal      n x 6: year, month, day, hour, minute, seconds; a leap second
//            reads 23 59 60.x; may be null
//
// TAI, TT and GPS seconds (and hour and minute) may take any finite value
// and are carried into the day, as is a fraction of the MJD. A UTC time must
// exist: whole MJD, or a valid calendar date with whole hour 0-23 and minute
// 0-59, seconds from 0 to below 60 (below 60 + the day's step in its last
// minute), and in all the seconds below the length of the day. Any other
// row, a non-finite value, or a date outside the calendar (before the year
// -4799, beyond MJD 1e9) gives NaN in every column of out and cal.
// cols other than 2 or 6 converts nothing and counts every row invalid.
// Reentrant; rows are independent.
TimeCounts time_convert(const LeapTable& leap, TimeScale from, TimeScale to, std::int64_t n,
                        const double* t, int cols, double* out, double* cal);

}  // namespace varn
