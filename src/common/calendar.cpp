// The Gregorian calendar: guards around ERFA's conversions, which take ints
// and a two-part Julian Date.
#include "common/calendar.hpp"

#include <cmath>
#include <cstdio>
#include <limits>

#include <erfa.h>

#include "common/constants.hpp"

namespace varn {
namespace {

// A whole number below a million in size (false for NaN): it converts to
// int, and ERFA's day count of the date stays inside a 32-bit long.
bool whole_small(double x) { return std::floor(x) == x && std::fabs(x) < 1e6; }

}  // namespace

double mjd_of_date(double year, double month, double day) {
    double djm0, djm;
    if (!(whole_small(year) && whole_small(month) && whole_small(day)) ||
        eraCal2jd(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day), &djm0,
                  &djm) != 0)
        return std::numeric_limits<double>::quiet_NaN();
    return djm;
}

bool date_of_mjd(double mjd, int& year, int& month, int& day) {
    double fd;
    return std::fabs(mjd) < 1e9 && eraJd2cal(DJMJD0, std::floor(mjd), &year, &month, &day, &fd) == 0;
}

std::string iso_date(double mjd) {
    int y, m, d;
    if (!date_of_mjd(mjd, y, m, d)) return "?";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return buf;
}

}  // namespace varn
