function varargout = varn_eop(varargin)
%VARN_EOP  Earth orientation from an IERS series file, interpolated to the
%          epochs of a batch, in the units varn takes.
%
%   [xp, yp, dX, dY, DUT, predicted, lod] = varn_eop(file, tt)
%   eop = varn_eop(file, tt)
%   T = varn_eop(file)
%
%   With the whole job in two lines:
%     [xp, yp, dX, dY, DUT] = varn_eop('eopc04.1962-now', tt);
%     rc2t = varn(tt, xp, yp, dX, dY, DUT);
%
%   Inputs:
%     file   char row vector (or string scalar): the name of a file in one
%            of the layouts below, recognised from its content
%     tt     n x 2  Terrestrial Time exactly as varn takes it: column 1 MJD
%                   (days), column 2 seconds added to it (any n, 0 included;
%                   double, or single and integer classes, converted)
%
%   Outputs (n rows; with one output, or none (ans), a 1 x 1 struct with
%   these seven fields instead):
%     xp         n x 1 double   pole coordinate x, arcseconds
%     yp         n x 1 double   pole coordinate y, arcseconds
%     dX         n x 1 double   celestial pole offset dX, arcseconds
%     dY         n x 1 double   celestial pole offset dY, arcseconds
%     DUT        n x 1 double   UT1 - UTC, seconds
%     predicted  n x 1 logical  true where any of the four rows used has
%                               any of its pole, UT1 or nutation values
%                               flagged as a prediction (see below)
%     lod        n x 1 double   excess length of day, seconds, as varn_gcrs2itrs
%                               takes it; NaN where a row used has none
%
%   The table (the file alone, one output): a 1 x 1 struct of the file's
%   usable rows as they are, N x 1 columns:
%     mjd        double   UTC epoch of the row, MJD
%     xp, yp     double   pole coordinates, arcseconds
%     dX, dY     double   celestial pole offsets, arcseconds (NaN where blank)
%     dut        double   UT1 - UTC, seconds
%     lod        double   excess length of day, seconds (NaN where blank)
%     pred_pole  logical  the row's pole is a prediction (finals2000A flag P)
%     pred_ut1   logical  its UT1 - UTC (and LOD) is a prediction
%     pred_nut   logical  its dX, dY are a prediction (false where blank)
%   The C04 series hold no predictions: their flags are all false.
%
%   What predicted means: an epoch is flagged when any of the four rows of
%   its stencil has pred_pole, pred_ut1 or pred_nut set. Near the end of a
%   finals2000A file the nutation turns to predictions days to weeks (up to
%   about two months) before the pole and UT1 do, and finals2000A.all flags
%   the nutation of its first years (1973 on) as predicted too: epochs there
%   are flagged though their pole and UT1 rest on final values. To tell
%   them apart, use the table's pred_pole, pred_ut1 and pred_nut.
%
%   Layouts:
%     EOP 14 C04 (IAU 2000 version) and EOP 20 C04 of the IERS Earth
%     Orientation Centre (x, y, dX, dY in arcseconds, UT1 - UTC in seconds);
%     finals2000A of the IERS Rapid Service/Prediction Centre (Bulletin A;
%     dX, dY in milliarcseconds and LOD in milliseconds, converted; I/P
%     flags give `predicted`). In finals2000A, a row without pole or UT1
%     ends the usable table, and a blank dX, dY or LOD is a missing value.
%     LOD: the C04 column LOD (s); in finals2000A the Bulletin A LOD (bytes
%     80-86, ms), which has no flag of its own and goes with UT1's; in EOP
%     20 C04 a row that ends before its LOD column has none.
%
%   Interpolation: each epoch's UTC u (MJD) is formed from tt by varn's own
%   TT -> TAI -> UTC chain; the value is the four-point Lagrange polynomial
%   through the rows j-1 .. j+2, where t_j <= u < t_j+1 (rows 1-4 or the last
%   four at the ends of the table). UT1 - UTC is interpolated as UT1 - TAI
%   and TAI - UTC at 0h of u's date is added back, so UT1 is continuous
%   across a leap second while UT1 - UTC jumps by 1 s. A missing value in
%   the four rows gives NaN for that quantity only. Epochs outside the
%   table, or NaN, give NaN in all six values and predicted false; those
%   outside (not NaN) raise one warning per call:
%     MATLAB:varn_eop:outOfRange       <k> of <n> epochs lie outside the EOP
%                                      table, MJD <first> to <last> (UTC) ...
%   Epochs whose UTC lies after the leap-second table's expiry date give one
%   warning per call, MATLAB:varn_eop:leapSecondsExpired (see help varn).
%   The parsed file is kept between calls while its path, size and
%   modification time, and the leap-second table (VARN_LEAP_SECONDS and the
%   file it names), stay the same; after rewriting a file to the same size
%   within the file system's time resolution, clear varn_eop.
%
%   Errors (identifier: message), the first failed check is reported:
%     MATLAB:varn_eop:nInput           One or two inputs required.
%     MATLAB:varn_eop:nOutput          Too many output arguments. (more
%                                      than seven, or than one for the table)
%     MATLAB:varn_eop:NotText_file     Input for file must be a character
%                                      row vector or a string scalar.
%     MATLAB:varn_eop:NonNumeric_tt    Input for tt must be numeric.
%     MATLAB:varn_eop:Complex_tt       Input for tt must be real.
%     MATLAB:varn_eop:Sparse_tt        Input for tt must be full.
%     MATLAB:varn_eop:WrongDimension_tt
%                                      Input for tt must be of dimension nx2
%     MATLAB:varn_eop:FileOpen         Cannot open EOP file '<file>': <reason>.
%     MATLAB:varn_eop:UnknownFormat    EOP file '<file>' is in no known format
%                                      (EOP 14 C04, EOP 20 C04, finals2000A).
%     MATLAB:varn_eop:MalformedRow     EOP file '<file>', line <k>: malformed
%                                      field <name>.  (a field missing, not a
%                                      plain decimal, a flag not I or P, or
%                                      a date that is not the MJD's)
%     MATLAB:varn_eop:NotIncreasing    EOP file '<file>', line <k>: the MJD is
%                                      not above that of the row before.
%     MATLAB:varn_eop:UnequalSpacing   EOP file '<file>', line <k>: the rows
%                                      are not equally spaced. (to 1e-6 day)
%     MATLAB:varn_eop:TooFewRows       EOP file '<file>' has fewer than four
%                                      usable rows.
%     MATLAB:varn_eop:LeapSecondMismatch
%                                      EOP file '<file>', line <k>: UT1 - UTC
%                                      steps by <s> s from <date> to <date>,
%                                      while TAI - UTC is <a> s and <b> s in
%                                      the leap-second table ... (UT1 - TAI
%                                      changes by 0.5 s or more between two
%                                      rows: the file knows a leap second the
%                                      table does not, or the reverse)
%     MATLAB:varn_eop:LeapSecondFile   Leap-second file '<file>'
%                                      (VARN_LEAP_SECONDS), line <k>: <reason>.
%     MATLAB:varn_eop:OutOfMemory      Out of memory reading EOP file '<file>'.
%                                      (or: Allocation would exceed memory
%                                      limit)
%
%   Example (the excerpt across the 2016-12-31 leap second in tests/data):
%     tt = [57754 37+32.184-1; 57754 37+32.184+1];   % 1 s before/after 0h UTC
%     [xp, yp, dX, dY, DUT] = varn_eop('tests/data/eopc04_14_2016-12.txt', tt)
%     % DUT jumps from -0.4078 to 0.5913 s; UT1 itself moves by microseconds
%     T = varn_eop('tests/data/finals2000A_2016-07.txt');
%     plot(T.mjd, T.lod); final = ~(T.pred_pole | T.pred_ut1 | T.pred_nut);
%
%   Download the current files from the IERS: EOP 20 C04 from the Earth
%   Orientation Centre (https://hpiers.obspm.fr/eoppc/eop/eopc04/), and
%   finals2000A from the Rapid Service/Prediction Centre
%   (https://maia.usno.navy.mil/ser7/finals2000A.all, or the IERS data
%   centre https://datacenter.iers.org).
%
%   Build with build_varn or CMake, as varn. See also VARN.

% Reached only when no varn_eop MEX file comes before this file on the path.
error('MATLAB:varn_eop:NoMex', ['varn_eop.m holds only the help text and the ' ...
      'varn_eop MEX file was not found before it: run build_varn in this folder, ' ...
      'or add build/gateway to the path and work from another folder.']);
end
