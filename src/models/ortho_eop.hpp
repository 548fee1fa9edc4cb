// Diurnal and semidiurnal ocean-tide variations of the pole and UT1 by the
// orthotide model (IERS Conventions (2010), ch. 8.2, Table 8.3).
#pragma once

namespace varn {

// Orthotide coefficients of the tidal potential at one epoch.
//
//   rmjd        epoch, Modified Julian Date (days with fraction), in the
//               caller's time scale (the pipeline passes TT)
//   ortho_coef  out: 12 coefficients, P0, Q0, P1, Q1, P2, Q2 of the diurnal
//               band, then the same six of the semidiurnal band; replaced
//
// The potential of 71 degree-2 tidal lines is sampled at rmjd and two days
// either side of it. NaN or infinite rmjd gives NaN in all twelve.
void cnmtx(double rmjd, double ortho_coef[12]);

// Ocean-tide corrections of the pole coordinates and UT1.
//
//   rmjd   epoch, Modified Julian Date (days with fraction), as for cnmtx
//   eop    out: eop[0] = delta x, eop[1] = delta y (microarcseconds),
//          eop[2] = delta UT1 (microseconds); replaced, not added to
//
// NaN or infinite rmjd gives NaN in all three.
void ortho_eop(double rmjd, double eop[3]);

}  // namespace varn
