// UTC as a clock counts it, and its exact relation to TAI: the one
// implementation behind the time-stamp conversion (time_convert.hpp) and
// behind the rotation's time-scale chain before 1972 (time_scales.hpp).
//
// An instant is a whole MJD and the seconds of that day. On the UTC day d,
// at clock second s, TAI = 0h of d + s + (TAI - UTC)(d, s) in TAI seconds,
// where (TAI - UTC)(d, s) = base + ((d - ref) + s / 86400) * rate, from the
// step in force on d (LeapTable::step_on): the published drift expressions
// of 1960-1971 (ref and rate from USNO tai-utc.dat), whole seconds from
// 1972 (rate 0), and 0 before 1960 (UTC = TAI). Where TAI - UTC steps at 0h
// of a day by d seconds, the UTC day before it lasts 86400 + d clock
// seconds (86401 before a leap second; 86399.9 on 1968 January 31).
#pragma once

#include "time/leap_table.hpp"

namespace varn {

// TAI - UTC (s) at clock second s of the UTC day (a whole MJD). From 1972
// exactly the whole-second value of the table.
double tai_minus_utc_s(const LeapTable& leap, double day, double s);

// TAI - UTC (s) at a UTC quasi MJD u: clock second (u - floor(u)) * 86400
// of the day floor(u). From 1972 the whole-second value of the date (on a
// leap-second day the one before the step); before 1972 the value at the
// instant, the one the rotation's chain puts between UTC and TAI.
double tai_minus_utc_at(const LeapTable& leap, double u);

// Length of the UTC day whose 0h is the MJD day (a whole number), in UTC
// clock seconds: 86400, plus the step of TAI - UTC at its end (86401 before
// a leap second; 86400.1077... on 1971 December 31).
double utc_day_seconds(const LeapTable& leap, double day);

// (day, seconds) of a uniform scale to a whole day and seconds in
// [0, 86400). False when either is not finite or the day leaves the
// calendar (|MJD| of 1e9 and beyond, a year before -4799).
bool normalize_day_seconds(double& day, double& s);

// UTC (whole day, clock seconds of an instant that exists) to TAI,
// normalized; false when the TAI leaves the calendar.
bool utc_to_tai(const LeapTable& leap, double day, double s, double& tai_day, double& tai_s);

// TAI (whole day, seconds in [0, 86400)) to UTC (whole day, clock seconds
// in [0, length of that day)): the exact inverse of utc_to_tai.
void tai_to_utc(const LeapTable& leap, double tai_day, double tai_s, double& day, double& s);

}  // namespace varn
