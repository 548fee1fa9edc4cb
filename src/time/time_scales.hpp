// Conversions between TT, TAI, UTC and UT1, and the table of TAI - UTC.
//
// Every date is a two-part Julian Date (first part, second part) in days. Each
// operation keeps the caller's split: it changes only the part that is not the
// larger one and returns the parts in the order in which they came, so a caller
// that passes (2400000.5, MJD) finds the MJD of the result in the second part.
//
// Each operation that needs TAI - UTC takes the leap-second table to use
// (time/leap_table.hpp); the form without it uses the built-in table.
//
// Status: 0 success; positive a warning (results written); negative an error
// (results not written). A non-finite date is an error (-1); it never reaches
// the calendar conversion.
#pragma once

#include <cstdint>

#include "common/constants.hpp"
#include "time/leap_table.hpp"

namespace varn {

// TT to TAI. Status 0 always.
std::int32_t tttai(double tt1, double tt2, double& tai1, double& tai2);

// TAI to UT1, given UT1 - TAI (dta, seconds). Status 0 always.
std::int32_t taiut1(double tai1, double tai2, double dta, double& ut11, double& ut12);

// TAI - UTC (seconds) in force on a UTC calendar date and fraction of day.
//
//   year, month, day  Gregorian date of UTC
//   fraction          fraction of that day, 0 to 1 inclusive (NaN accepted)
//   delta_at          out: TAI - UTC, seconds; 0 on every error
//
// Status, checks in this order:
//   -4  fraction below 0 or above 1
//   -1  year before -4799
//   -2  month outside 1..12
//   -3  day outside the month
//   +1  year before 1960 (before UTC; delta_at = 0)
//   +1  the date lies after the table's expiry day: the result is the last
//       value of the table and may miss a leap second announced since
//    0  otherwise
// Before 1972 the value drifts linearly within each period (the rubber-second
// era); from 1972 January 1 it is a whole number of seconds. On a day that
// ends with a leap second the value is the one before the leap.
std::int32_t dat(const LeapTable& table, std::int32_t year, std::int32_t month, std::int32_t day,
                 double fraction, double& delta_at);
std::int32_t dat(std::int32_t year, std::int32_t month, std::int32_t day, double fraction,
                 double& delta_at);

// UTC (quasi Julian Date: each calendar day spans 1.0, however many SI
// seconds it has) to TAI. Status 0, or -1 when the date or the next day is
// outside the calendar's range (year before -4799, JD above 1e9) or not finite.
// Before 1972 the exact relation of the UTC clock (time/utc_clock.hpp), with
// TAI - UTC at the instant itself and no day spread (UTC = TAI before 1960).
std::int32_t utctai(const LeapTable& table, double utc1, double utc2, double& tai1, double& tai2);
std::int32_t utctai(double utc1, double utc2, double& tai1, double& tai2);

// TAI to UTC (quasi Julian Date). From 1972, on a day that ends with a leap
// second TAI - UTC rises linearly over the UTC day. Before 0h UTC of 1972
// January 1 the exact inverse of utctai: the UTC clock's own reading over
// 86400 (in the last tenth of a second before a 1960s step up, when the
// clock reads past 86400, the quasi date carries into the next day). Status:
// 0; +1 when the UTC date is before 1960, or when a date of the scan lies
// after the table's expiry (see dat); -1 when a date is outside the
// calendar's range or not finite (results not written).
std::int32_t taiutc(const LeapTable& table, double tai1, double tai2, double& utc1, double& utc2);
std::int32_t taiutc(double tai1, double tai2, double& utc1, double& utc2);

// UTC and UT1 - UTC (dut, seconds) to UT1 = UTC + dut, in every era.
// Status: 0; +1 when dat warns for the UTC date; -1 on a date outside the
// calendar's range or not finite (results not written).
std::int32_t utcut1(const LeapTable& table, double utc1, double utc2, double dut, double& ut11,
                    double& ut12);
std::int32_t utcut1(double utc1, double utc2, double dut, double& ut11, double& ut12);

}  // namespace varn
