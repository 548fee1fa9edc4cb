function varargout = varn_time(varargin)
%VARN_TIME  Time stamps between UTC, TAI, TT and GPS time, leap seconds
%           counted as clocks count them; the leap-second table in force.
%
%   [out, cal] = varn_time(t, from, to)
%   table = varn_time('leapseconds')
%
%   UTC or GPS stamps to varn, in two lines:
%     tt = varn_time(utc, 'UTC', 'TT');     % utc: n x 6 calendar or n x 2
%     rc2t = varn(tt, xp, yp, dX, dY, DUT);
%
%   Inputs:
%     t      n x 2  MJD (days), seconds of that day, in the from scale
%            n x 6  year, month, day, hour, minute, seconds
%            (any n, 0 included; double, or single and integer classes,
%            converted)
%     from   'UTC', 'TAI', 'TT' or 'GPS' (any case; char or string scalar)
%     to     the same
%
%   Outputs, in the to scale:
%     out    n x 2 double  whole MJD, seconds in [0, length of that day)
%     cal    n x 6 double  year, month, day, hour, minute, seconds
%
%   Scales: TAI; TT = TAI + 32.184 s; GPS = TAI - 19 s; UTC = TAI - (TAI -
%   UTC), where TAI - UTC is 0 before 1960, from 1960 to 1971 the published
%   drift expressions base + (MJD_UTC - ref) * rate (each in force from 0h
%   UTC of its date), and from 1972 whole seconds that change at leap seconds.
%   UTC seconds are counted as clocks count them: a day that ends with a leap
%   second has 86401, and 23:59:60.5 is second 86400.5 (cal [... 23 59 60.5]).
%   Where TAI - UTC stepped up before 1972 the day before was longer too
%   (1971-12-31 has 86400.1077... s); where it stepped down (1961-08-01 by
%   0.05 s, 1968-02-01 by 0.1 s) the day before was shorter, and its last
%   clock readings never existed. TAI -> UTC is the exact inverse of UTC ->
%   TAI (round trips agree to 1e-9 s or better).
%
%   Seconds of TAI, TT and GPS (and hour and minute in cal form) may take
%   any finite value and are carried into the day. A UTC time must exist: a
%   whole MJD, or a valid date with hour 0-23, minute 0-59 and seconds below
%   60 (in the last minute below 60 + the day's step), and seconds below the
%   length of the day. Other rows (second 60 on an ordinary day, month 13,
%   31 April, seconds past the end of the day, NaN, Inf, dates before the
%   year -4799) give NaN rows and one warning per call:
%     MATLAB:varn_time:invalidTime     <k> of <n> epochs are no valid time ...
%
%   How this relates to varn's own utc output: varn turns TT into UTC by its
%   own chain, which keeps a quasi-day representation from 1972 (on a
%   leap-second day 86401 SI seconds are spread over the day's 86400
%   "seconds", so its utc seconds there are fraction of day * 86400). Before
%   1972 varn takes the same exact clock as varn_time. Outside leap-second
%   days the two agree to rounding (about 1e-6 s, the resolution of an MJD
%   in one double); in the last tenth of a second before a 1960s step up,
%   where varn_time reads past 86400 s, varn's utc carries into the next day.
%
%   The leap-second table: built in as of IERS Bulletin C 72 (July 2026),
%   valid until 2027-06-28. The environment variable VARN_LEAP_SECONDS may
%   name a newer IERS Leap_Second.dat or IANA/NIST leap-seconds.list (told
%   apart by the content), read by varn, varn_fast, varn_eop and varn_time
%   and kept while its path, size and modification time are unchanged. It
%   must hold every known step from 1972 with the same date and value, may
%   add later steps of +-1 s on the first day of a month, and may not
%   expire before its last step (a UTF-8 byte-order mark is skipped). The
%   table expires on the later of the file's date and the built-in one: an
%   older file (as the system's tzdata copy often is) does not shorten what
%   the built-in table knows. The drift era stays built in.
%     setenv('VARN_LEAP_SECONDS', '/data/iers/Leap_Second.dat')
%
%   table = varn_time('leapseconds'), the table in force, a struct:
%     steps        k x 4 double  year, month, day, TAI - UTC (s) of each
%                                step from 1972 January 1
%     expires      1 x 3 double  year, month, day of the expiry date
%     expires_mjd  double        the same as an MJD
%     source       char          'built-in', or the path of the file
%     steps_source char          where the steps came from: 'built-in' or
%                                the path of the file
%     expiry_source char         where the expiry date came from: the
%                                file's path, or 'built-in' when the
%                                built-in table expires later
%
%   Expiry: an epoch whose UTC lies after the expiry date may miss a leap
%   second announced since; its results assume none after the last known
%   step. One warning per call names the count, the date and its source:
%     MATLAB:varn_time:leapSecondsExpired
%   (varn, varn_fast and varn_eop raise the same under their own names).
%   Load a newer file through VARN_LEAP_SECONDS; to accept the risk
%   knowingly, warning('off', 'MATLAB:varn_time:leapSecondsExpired').
%
%   Errors (identifier: message), the first failed check is reported:
%     MATLAB:varn_time:nInput          Three inputs required (t, from, to),
%                                      or 'leapseconds'.
%     MATLAB:varn_time:nOutput         Too many output arguments.
%     MATLAB:varn_time:UnknownQuery    The one input must be 'leapseconds'.
%     MATLAB:varn_time:NonNumeric_t    Input for t must be numeric.
%     MATLAB:varn_time:Complex_t       Input for t must be real.
%     MATLAB:varn_time:Sparse_t        Input for t must be full.
%     MATLAB:varn_time:WrongDimension_t
%                                      Input for t must be of dimension nx2
%                                      or nx6
%     MATLAB:varn_time:NotText_from    Input for from must be a character
%                                      row vector or a string scalar.
%     MATLAB:varn_time:UnknownScale_from
%                                      Input for from must be one of 'UTC',
%                                      'TAI', 'TT', 'GPS'.
%     (the same for to)
%     MATLAB:varn_time:LeapSecondFile  Leap-second file '<file>'
%                                      (VARN_LEAP_SECONDS), line <k>: <reason>.
%     MATLAB:varn_time:OutOfMemory     Allocation would exceed memory limit
%
%   Example:
%     [out, cal] = varn_time([2016 12 31 23 59 60.5], 'UTC', 'TAI')
%     % out = [57754 36.5], cal = [2017 1 1 0 0 36.5]
%
%   Build with build_varn or CMake, as varn. See also VARN, VARN_EOP.

% Reached only when no varn_time MEX file comes before this file on the path.
error('MATLAB:varn_time:NoMex', ['varn_time.m holds only the help text and the ' ...
      'varn_time MEX file was not found before it: run build_varn in this folder, ' ...
      'or add build/gateway to the path and work from another folder.']);
end
