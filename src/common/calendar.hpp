// The Gregorian calendar of the library: the MJD of a date, the date of an
// MJD, and its ISO text. ERFA's eraCal2jd and eraJd2cal do the arithmetic;
// these wrappers keep NaN, infinities and values too large for an int away
// from them.
#pragma once

#include <string>

namespace varn {

// MJD of 0h of the Gregorian date year-month-day, or NaN when the three are
// not whole numbers below a million in size or name no date (year before
// -4799, month outside 1-12, day outside the month).
double mjd_of_date(double year, double month, double day);

// Gregorian date of the day of an MJD (its whole part, rounded down); false
// outside the calendar (|MJD| of 1e9 and beyond, a date before -4799) and
// for NaN, leaving the three unchanged then.
bool date_of_mjd(double mjd, int& year, int& month, int& day);

// "YYYY-MM-DD" of the day of an MJD, "?" outside the calendar.
std::string iso_date(double mjd);

}  // namespace varn
