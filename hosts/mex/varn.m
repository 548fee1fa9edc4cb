function varargout = varn(varargin)
%VARN  GCRS-to-ITRS rotation (IAU 2006/2000A, CIO based) with the IERS 2010
%      high-frequency corrections, for a batch of epochs.
%
%   [rc2t, rc2i, rpom, xp_rad, yp_rad, gmst, gst, utc, ut1, tidal_args, t, ...
%    fa_l, fa_lp, fa_f, fa_d, fa_om, tai, era] = varn(tt, xp, yp, dX, dY, DUT)
%
%   Before use, the pole coordinates and UT1 receive the diurnal and
%   semidiurnal ocean-tide terms and the subdiurnal libration terms of the
%   IERS Conventions (2010). Each row is one epoch, computed on its own.
%   Any number of outputs from 0 to 18 may be requested, taken from the
%   front of the list; with none, rc2t is returned as ans.
%
%   Inputs (n epochs; any n, 0 included; real numeric arrays: double, or
%   single and integer classes, which are converted to double):
%     tt     n x 2  Terrestrial Time: column 1 MJD (days), column 2 seconds
%                   added to it; the epoch is tt(:,1) + tt(:,2)/86400
%     xp     n x 1  pole coordinate x, arcseconds (without tides/libration)
%     yp     n x 1  pole coordinate y, arcseconds (without tides/libration)
%     dX     n x 1  celestial pole offset dX added to the model X, arcseconds
%     dY     n x 1  celestial pole offset dY added to the model Y, arcseconds
%     DUT    n x 1  UT1 - UTC, seconds (without tides/libration)
%
%   Outputs (all real double, n rows). A 3 x 3 matrix R fills one row of
%   nine columns in column-major order: R = reshape(rc2t(i,:), 3, 3).
%      1 rc2t        n x 9   celestial-to-terrestrial matrix, GCRS to ITRS
%      2 rc2i        n x 9   celestial-to-intermediate matrix, GCRS to CIRS
%      3 rpom        n x 9   polar-motion matrix, TIRS to ITRS
%      4 xp_rad      n x 1   pole x with ocean-tide and libration terms, rad
%      5 yp_rad      n x 1   pole y with ocean-tide and libration terms, rad
%      6 gmst        n x 1   Greenwich mean sidereal time (IAU 2006), rad
%      7 gst         n x 1   Greenwich apparent sidereal time
%                            (IAU 2006/2000A), rad
%      8 utc         n x 2   UTC: whole MJD (day), seconds into that day
%      9 ut1         n x 2   UT1: whole MJD (day), seconds; the seconds carry
%                            the ocean-tide and libration terms and may fall
%                            slightly outside [0, 86400)
%     10 tidal_args  n x 11  rad: Doodson arguments tau, s, h, p, N', p_s,
%                            then the mean longitudes of Mercury, Venus,
%                            Mars, Jupiter, Saturn (not reduced to [0, 2pi))
%     11 t           n x 1   TT, Julian centuries since J2000.0
%     12 fa_l        n x 1   mean anomaly of the Moon l, rad
%     13 fa_lp       n x 1   mean anomaly of the Sun l', rad
%     14 fa_f        n x 1   F = L - Omega, rad
%     15 fa_d        n x 1   mean elongation of the Moon from the Sun D, rad
%     16 fa_om       n x 1   mean longitude of the Moon's node Omega, rad
%     17 tai         n x 2   TAI: whole MJD (day), seconds into that day
%     18 era         n x 1   Earth rotation angle from the corrected UT1, rad
%
%   A row with NaN or Inf inputs gets NaN in the outputs that depend on
%   them; other rows are not affected.
%
%   Leap seconds: the table built in (IERS Bulletin C 72, TAI - UTC = 37 s
%   from 2017 January 1) is valid until 2027-06-28; the environment variable
%   VARN_LEAP_SECONDS may name a newer IERS Leap_Second.dat or
%   leap-seconds.list (see help varn_time). Epochs whose UTC lies after the
%   table's expiry date give one warning per call:
%     MATLAB:varn:leapSecondsExpired   <k> of <n> epochs lie after <date>, the
%                                      expiry date of the leap-second table ...
%   (warning('off', 'MATLAB:varn:leapSecondsExpired') silences it).
%
%   Errors (identifier: message), the first failed check is reported:
%     MATLAB:varn:nInput               Six inputs required.
%     MATLAB:varn:nOutput              Too many output arguments.
%     MATLAB:varn:NonNumeric_<name>    Input for <name> must be numeric.
%     MATLAB:varn:Complex_<name>       Input for <name> must be real.
%     MATLAB:varn:Sparse_<name>        Input for <name> must be full.
%     MATLAB:varn:WrongDimension_tt    Input for tt must be of dimension nx2
%     MATLAB:varn:WrongDimension_<name>
%                                      <name> must have the same number of
%                                      rows as tt   (xp, yp, dX, dY, DUT)
%     MATLAB:varn:Overflow             Integer overflow when calculating the
%                                      amount of memory to allocate
%     MATLAB:varn:LeapSecondFile       Leap-second file '<file>'
%                                      (VARN_LEAP_SECONDS), line <k>: <reason>.
%     MATLAB:varn:OutOfMemory          Allocation would exceed memory limit
%   Class checks (numeric, real, full) of all six inputs, in the order
%   tt, xp, yp, dX, dY, DUT, come before every shape check. In MATLAB, a
%   batch so large that an output would pass MATLAB's array size limit
%   fails in MATLAB's own creation of the outputs (mxCreateDoubleMatrix),
%   with MATLAB's error, before varn's OutOfMemory check can.
%
%   Threads: the rows are shared out among threads, which never changes a
%   result bit. In MATLAB their number is maxNumCompThreads (1 in a parfor
%   worker, or after maxNumCompThreads(1)); in Octave, or if MATLAB gives
%   no answer, the environment variable VARN_NUM_THREADS, a positive whole
%   number (setenv('VARN_NUM_THREADS', '4'); other values are ignored);
%   otherwise one per hardware thread. Under 16 rows, one thread.
%
%   Example: 2020 January 1, 12h TT, and the same epoch six hours later
%     tt  = [58849 43200; 58849 64800];
%     xp  = [0.0766; 0.0767];   yp = [0.2829; 0.2828];   % arcseconds
%     dX  = [1.5e-4; 1.5e-4];   dY = [-1e-5; -1e-5];    % arcseconds
%     DUT = [-0.1772; -0.1773];                          % seconds
%     [rc2t, ~, ~, xp_rad] = varn(tt, xp, yp, dX, dY, DUT);
%     R = reshape(rc2t(1,:), 3, 3)          % GCRS to ITRS at the first epoch
%     dxp_uas = (xp_rad / (pi/648000) - xp) * 1e6   % tides+libration, uas
%
%   Build the plug-in with build_varn (from the repository root, in MATLAB
%   or Octave) or with CMake, which puts it in build/gateway.

% Reached only when no varn MEX file comes before this file on the path.
error('MATLAB:varn:NoMex', ['varn.m holds only the help text and the varn MEX ' ...
      'file was not found before it: run build_varn in this folder, or add ' ...
      'build/gateway to the path and work from another folder.']);
end
