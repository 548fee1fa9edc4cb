// Subdiurnal libration in polar motion (IERS Conventions (2010), Table 5.1a).
#pragma once

namespace varn {

// Diurnal libration terms of the pole coordinates at one TT epoch.
//
//   rmjd   epoch, TT Modified Julian Date (days with fraction)
//   pm     out: pm[0] = delta x, pm[1] = delta y, microarcseconds; replaced,
//          not added to
//
// The sum of the ten diurnal terms of Table 5.1a of the IERS Conventions
// (2010), nothing else: no constant, secular or long-period part. Each result
// is bounded by the sum of the terms' circle radii (about 33 uas). NaN or
// infinite rmjd gives NaN results.
void pmsdnut2(double rmjd, double pm[2]);

}  // namespace varn
