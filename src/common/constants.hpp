// The physical and conventional constants that more than one unit of the
// library uses, each defined once with its unit and its reference. A
// constant that only one routine needs stays with that routine.
#pragma once

namespace varn {

// Julian Date of MJD 0 (1858 November 17, 0h): JD = DJMJD0 + MJD, days.
// The first part of every two-part date of the time-scale chain.
// IERS Conventions (2010), ch. 5; SOFA DJM0.
constexpr double DJMJD0 = 2400000.5;

// Seconds per day (SI seconds in a day of TT or TAI; clock seconds in a UTC
// day without a step).
constexpr double DAYSEC = 86400.0;

// TT - TAI, seconds, exact by definition (IAU 1991 Recommendation IV;
// IERS Conventions (2010), ch. 10).
constexpr double TT_MINUS_TAI_S = 32.184;
// The same in days: the correctly rounded quotient, 0.00037249999999999995.
constexpr double DTAT = TT_MINUS_TAI_S / DAYSEC;

// TAI - GPS time, seconds, exact: GPS time was TAI - 19 s at its epoch,
// 1980 January 6, 0h UTC, and has had no leap seconds since (IS-GPS-200).
constexpr double TAI_MINUS_GPS_S = 19.0;

// MJD of the epoch J2000.0 (2000 January 1, 12h TT), and days per Julian
// century: T = (MJD - MJD_J2000) / DAYS_PER_JC. IERS Conventions (2010),
// ch. 5, eq. (5.2).
constexpr double MJD_J2000 = 51544.5;
constexpr double DAYS_PER_JC = 36525.0;

// Radians per arcsecond, pi, two pi (the doubles nearest to each; SOFA
// DAS2R, DPI, D2PI).
constexpr double DAS2R = 4.848136811095359935899141e-6;
constexpr double DPI = 3.141592653589793238462643;
constexpr double D2PI = 6.283185307179586476925287;

// Nominal angular velocity of the Earth, rad/s: 2 pi times the Earth
// rotation angle's rate, 1.00273781191135448 turns per UT1 day, / 86400 s.
// IERS Conventions (2010), ch. 5, eq. (5.15); IERS Technical Note 36,
// table 1.1 (7.292115e-5 rad/s).
constexpr double EARTH_RATE_RAD_S = 7.292115146706979e-5;

}  // namespace varn
