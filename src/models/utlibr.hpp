// Libration in UT1 and length of day (IERS Conventions (2010), Table 5.1b).
#pragma once

namespace varn {

// Semidiurnal libration terms of UT1 and LOD at one TT epoch.
//
//   rmjd   epoch, TT Modified Julian Date (days with fraction)
//   dut1   out: delta UT1, microseconds (|dut1| < 4 us)
//   dlod   out: delta LOD, microseconds per day (|dlod| < 30 us/day)
//
// Both are replaced, not added to. The sum of the eleven semidiurnal terms of
// Table 5.1b of the IERS Conventions (2010) and nothing else. NaN or infinite
// rmjd gives NaN results.
void utlibr(double rmjd, double& dut1, double& dlod);

}  // namespace varn
